// The settings window on fake outlets: how it opens, what it refuses, starts, stops and keeps.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

#include "interfaces/DesktopNotices.h"
#include "support/FakeOutlets.h"
#include "support/TempDir.h"
#include "support/TestWindow.h"
#include "ui/BroadcastPage.h"
#include "ui/OptionsMenu.h"
#include "ui/RecordingPage.h"
#include "ui/SettingsForm.h"

namespace korvale {
namespace {

struct FakeNotices : DesktopNotices {
    std::vector<std::string> summaries;
    void Notify(const std::string& summary, const std::string&) override {
        summaries.push_back(summary);
    }
};

// A main window on fake outlets whose settings are kept in a file of its own.
struct Outlets {
    korvale::testing::TempDir dir;
    testing::FakeBroadcast broadcast;
    testing::FakeRecording recording;
    testing::FakeSecrets secrets;
    FakeNotices notices;
    std::unique_ptr<testing::TestWindow> t;

    QString File() const { return QString::fromStdString(dir.file("korvale.ini")); }
    SettingsWindow& Open(bool broadcastSwitch = false) {
        t = std::make_unique<testing::TestWindow>(
            nullptr, QSize(1280, 1024), File(), [&](WindowServices& services) {
                services.outlets = {&broadcast, &recording, &secrets, nullptr, &notices};
                services.broadcastSwitch = broadcastSwitch;
            });
        t->w->Settings->Open();
        return *t->w->Settings;
    }
};

void Type(QLineEdit* edit, const QString& text) {
    edit->clear();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

void Type(QSpinBox* spin, int value) {
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, QString::number(value));
    QTest::keyClick(spin, Qt::Key_Return);
}

TEST(SettingsWindow, EachPageLooksAsPictured) {
    Outlets o;
    SettingsWindow& settings = o.Open();
    settings.Recording->FolderEdit->setText(QStringLiteral("/srv/mix")); // not the user's home
    for (int page = 0; page < settings.Pages->count(); ++page) {
        settings.Pages->setCurrentIndex(page); // the message names the page's picture
        EXPECT_EQ(testing::DifferenceFromPicture(settings, QStringLiteral("settings-%1").arg(page)),
                  "");
    }
}

TEST(SettingsWindow, ABroadcastSwitchThatAnEmptyHostRefusesOpensItsPage) {
    Outlets o;
    SettingsWindow& settings = o.Open(/*broadcastSwitch=*/true);
    EXPECT_EQ(settings.Pages->currentWidget(), settings.Broadcast);
}

TEST(SettingsWindow, OpensFromTheContextMenuAndWithCtrlComma) {
    testing::TestWindow t;
    t.w->Options->SettingsAction->trigger();
    EXPECT_TRUE(t.w->Settings->isVisible());
    t.w->Settings->hide();
    t.w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(t.w.get()));
    QTest::keyClick(t.w.get(), Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_TRUE(t.w->Settings->isVisible());
}

// A wrong field is told beside it and keeps the stream off; once right, the stream starts.
TEST(SettingsWindow, RightFieldsStartTheStreamOnceAndAreKeptWithoutThePassword) {
    Outlets o;
    BroadcastPage* page = o.Open().Broadcast;
    Type(page->HostEdit, "radio.example.org");
    Type(page->MountEdit, "live");
    Type(page->PasswordEdit, "hunter2");
    page->BroadcastCheck->click();
    EXPECT_TRUE(o.broadcast.starts.empty());
    EXPECT_FALSE(page->BroadcastCheck->isChecked());
    EXPECT_FALSE(page->Form->ProblemLine(OutletField::Mount)->text().isEmpty());
    EXPECT_TRUE(page->Form->ProblemLine(OutletField::Host)->text().isEmpty());
    Type(page->MountEdit, "/live");
    page->BroadcastCheck->click();
    ASSERT_EQ(o.broadcast.starts.size(), 1U);
    EXPECT_EQ(o.broadcast.starts[0].settings.mount, "/live");
    EXPECT_EQ(o.broadcast.starts[0].password, "hunter2");
    EXPECT_EQ(o.secrets.kept, "hunter2");
    Type(page->PortSpin, 0);
    Type(page->MountEdit, "/other");
    EXPECT_EQ(o.broadcast.starts.size(), 1U); // not restarted while the port is wrong
    Type(page->PortSpin, 8100);
    ASSERT_EQ(o.broadcast.starts.size(), 2U);
    EXPECT_EQ(o.broadcast.starts[1].settings.mount, "/other");
    page->BroadcastCheck->click();
    EXPECT_EQ(o.broadcast.stops, 1);

    QFile ini(o.File());
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_FALSE(ini.readAll().contains("hunter2"));
    page = o.Open().Broadcast; // the next run: the kept password, broadcasting off
    EXPECT_EQ(page->PasswordEdit->text(), "hunter2");
    EXPECT_FALSE(page->BroadcastCheck->isChecked());
    EXPECT_EQ(o.broadcast.starts.size(), 2U);
}

TEST(SettingsWindow, EveryFieldReachesTheOutletsAndComesBackNextRun) {
    struct Row {
        int format; // its place in the list
        const char* rateLabel;
        int shown; // the format's rate as it was left, or its default
        int typed;
    };
    const Row rows[] = {{1, "Qual&ity (0 to 10)", 4, 7},
                        {0, "B&it rate (kbit/s)", 128, 192},
                        {1, "Qual&ity (0 to 10)", 7, 7},
                        {2, "B&it rate (kbit/s)", 96, 160}};
    Outlets o;
    BroadcastPage* page = o.Open().Broadcast;
    Type(page->HostEdit, "radio.example.org");
    Type(page->PortSpin, 8123);
    Type(page->MountEdit, "/m");
    Type(page->UserEdit, "dj");
    Type(page->NameEdit, "Night");
    Type(page->DescriptionEdit, "All night");
    Type(page->GenreEdit, "Jazz");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.format);
        page->FormatCombo->setCurrentIndex(row.format);
        page->FormatCombo->activated(row.format);
        EXPECT_EQ(page->BitRateLabel->text(), row.rateLabel);
        EXPECT_EQ(page->BitRateSpin->value(), row.shown);
        Type(page->BitRateSpin, row.typed);
    }
    page->BroadcastCheck->click();
    BroadcastSettings expected{
        "radio.example.org", 8123,  "/m", "dj", StreamFormat::OggOpus, 192, 7, 160, "Night",
        "All night",         "Jazz"};
    ASSERT_EQ(o.broadcast.starts.size(), 1U);
    EXPECT_EQ(o.broadcast.starts[0].settings, expected);

    RecordingPage* recording = o.t->w->Settings->Recording;
    Type(recording->FolderEdit, QString::fromStdString(o.dir.file("records")));
    recording->FormatCombo->setCurrentIndex(2); // MP3
    recording->FormatCombo->activated(2);
    EXPECT_TRUE(recording->BitRateSpin->isEnabled());
    Type(recording->BitRateSpin, 256);
    Type(recording->NowPlayingEdit, QString::fromStdString(o.dir.file("np.txt")));
    recording->RecordCheck->click();
    const RecordingSettings kept{o.dir.file("records"), RecordingFormat::Mp3, 256,
                                 o.dir.file("np.txt")};
    ASSERT_EQ(o.recording.starts.size(), 1U);
    EXPECT_EQ(o.recording.starts[0], kept);

    o.Open(/*broadcastSwitch=*/true); // the next run, with --broadcast
    ASSERT_EQ(o.broadcast.starts.size(), 2U);
    EXPECT_EQ(o.broadcast.starts[1].settings, expected);
    page = o.t->w->Settings->Broadcast;
    EXPECT_EQ(page->GenreEdit->text(), "Jazz");
    EXPECT_EQ(page->FormatCombo->currentIndex(), 2); // Opus, as it was left
    EXPECT_EQ(page->BitRateSpin->value(), 160);
    recording = o.t->w->Settings->Recording;
    EXPECT_EQ(recording->FormatCombo->currentText(), "MP3");
    EXPECT_EQ(recording->BitRateSpin->value(), 256);
    EXPECT_EQ(recording->NowPlayingEdit->text().toStdString(), o.dir.file("np.txt"));
}

TEST(SettingsWindow, TheStreamsStateShowsAndALossReachesTheDesktop) {
    Outlets o;
    BroadcastPage* page = o.Open().Broadcast;
    Type(page->HostEdit, "h");
    page->BroadcastCheck->click();
    o.broadcast.shown = {BroadcastState::Connected, "h:8000/korvale", "", 5, 0, 0};
    o.broadcast.handler();
    ASSERT_TRUE(QTest::qWaitFor([&] { return page->StatusText->text().startsWith("connected"); }));
    o.broadcast.shown = {BroadcastState::Reconnecting, "h:8000/korvale", "timed out", 0, 2, 0};
    o.broadcast.handler();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !o.notices.summaries.empty(); }));
    EXPECT_EQ(page->StatusText->text(), "reconnecting in 2 s: timed out");
    o.t.reset(); // the program ends while it broadcasts: the stream stops
    EXPECT_EQ(o.broadcast.stops, 1);
}

TEST(SettingsWindow, RecordingStartsInItsFolderAndAFailureIsToldOnce) {
    Outlets o;
    RecordingPage* page = o.Open().Recording;
    EXPECT_EQ(page->StatusText->text(), "off");
    const std::string folder = o.dir.file("records/mix");
    Type(page->FolderEdit, QString::fromStdString(folder));
    page->RecordCheck->click();
    ASSERT_EQ(o.recording.starts.size(), 1U);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(folder)));
    page->RecordCheck->click(); // turned off: the recording stops
    EXPECT_EQ(o.recording.stops, 1);
    Type(page->FolderEdit, QString::fromStdString(folder + "0")); // off: an edit starts nothing
    page->RecordCheck->click();
    ASSERT_EQ(o.recording.starts.size(), 2U);
    Type(page->FolderEdit, QString::fromStdString(folder + "2")); // moved while it records
    EXPECT_EQ(o.recording.stops, 2);
    ASSERT_EQ(o.recording.starts.size(), 3U);
    EXPECT_EQ(o.recording.starts[2].folder, folder + "2");
    // A failure the recording tells of shows at once, and is told in one box.
    o.recording.shown = {RecordingState::Failed, folder + "/a.flac", "the disk is full", 3, 0};
    o.recording.handler();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !page->RecordCheck->isChecked(); }));
    EXPECT_NE(page->StatusText->text().indexOf("the disk is full"), -1);
    o.t->w->Settings->OutletsChanged();
    EXPECT_EQ(o.t->dialogs.messages.size(), 1U);
    o.recording.refusal = "no room";
    page->RecordCheck->click();
    EXPECT_FALSE(page->RecordCheck->isChecked());
    EXPECT_NE(page->Form->ProblemLine(OutletField::Folder)->text().indexOf("no room"), -1);
}

} // namespace
} // namespace korvale
