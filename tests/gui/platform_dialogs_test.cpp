// The program's real dialogs and desktop shell, driven as a user would on the offscreen
// platform: each dialog is found once it shows and answered through its own controls.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "platform/DesktopShell.h"
#include "platform/QtDialogs.h"

namespace korvale {
namespace {

constexpr int kPollMs = 10;
constexpr int kWatchdogMs = 30000;

// Once a top-level widget of type T (other than `skip`) is shown and active, so that it
// takes typing as it would from a user, runs `action` on it. Returns the polling timer,
// which deletes itself once the action has run.
template <typename T>
QPointer<QTimer> WhenShown(std::function<void(T*)> action, QWidget* skip = nullptr) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action, skip] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* match = qobject_cast<T*>(widget);
            if (match != nullptr && match != skip && match->isVisible() &&
                match->isActiveWindow()) {
                timer->stop();
                // The action may run nested event loops that delete the timer, and with it
                // this lambda: run a copy that lives on the stack.
                const auto run = action;
                timer->deleteLater();
                run(match);
                return;
            }
        }
    });
    timer->start(kPollMs);
    return timer;
}

QStringList ShownFilterTexts(QFileDialog* dialog) {
    QStringList texts;
    auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    for (int i = 0; combo != nullptr && i < combo->count(); ++i) {
        texts << combo->itemText(i);
    }
    return texts;
}

// Types a name into the dialog's name field, as a user would. (selectFile() would leave the
// field alone while it has the focus.)
void TypeName(QFileDialog* dialog, const QString& name) {
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    ASSERT_TRUE(field->hasFocus());
    field->setText(name);
}

void Touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

const std::vector<FileFilter> kOpenFilters = {
    {"MPEG 1 LAYER III Audio Files (*.mp3)", "*.mp3"},
    {"PCM Audio Files (*.wav)", "*.wav"},
    {"All Files (*.*)", "*.*"},
};
const std::vector<FileFilter> kSaveFilters = {
    {"KORVALE Play Lists {*.ztl}", "*.ztl"},
    {"Media Playlists {*.m3u}", "*.m3u"},
    {"All Files {*.*}", "*.*"},
};

class PlatformDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.isValid());
        m_savedCurrent = QDir::currentPath();
        Touch(m_folder.filePath(QStringLiteral("one.mp3")));
        Touch(m_folder.filePath(QStringLiteral("two.wav")));
        // A dialog that a scripted step failed to close would wait for a user for ever:
        // the watchdog closes it and fails the test instead.
        m_watchdog.setSingleShot(true);
        QObject::connect(&m_watchdog, &QTimer::timeout, [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible()) {
                    ADD_FAILURE() << "a dialog was left open: "
                                  << dialog->metaObject()->className();
                    dialog->reject();
                }
            }
        });
        m_watchdog.start(kWatchdogMs);
    }
    void TearDown() override {
        m_watchdog.stop();
        QDir::setCurrent(m_savedCurrent);
    }

    QTemporaryDir m_folder;
    QString m_savedCurrent;
    QtDialogs m_dialogs;
    QTimer m_watchdog;
};

TEST_F(PlatformDialogsTest, OpenDialogIsNonModalAndReportsTheFilterInUseWhenConfirmed) {
    QWidget mainWindow;
    mainWindow.show();
    OpenFileRequest request{"Please select a clip", kOpenFilters,
                            QFile::encodeName(m_folder.filePath("one.mp3")).toStdString()};
    bool seen = false;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        seen = true;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Please select a clip"));
        EXPECT_EQ(dialog->parentWidget(), nullptr);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the main window stays usable";
        EXPECT_EQ(ShownFilterTexts(dialog).join("|").toStdString(),
                  QStringList({"MPEG 1 LAYER III Audio Files (*.mp3)", "PCM Audio Files (*.wav)",
                               "All Files (*.*)"})
                      .join("|")
                      .toStdString());
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        EXPECT_EQ(types->currentIndex(), 0) << "the first filter is preselected";
        EXPECT_EQ(dialog->selectedFiles().value(0), m_folder.filePath("one.mp3"));
        dialog->selectNameFilter(QtDialogs::NameFilters(kOpenFilters).at(1));
        TypeName(dialog, m_folder.filePath("two.wav"));
        static_cast<QDialog*>(dialog)->accept(); // the Open or Save button
    });
    const FileChoice choice = m_dialogs.openFile(request);
    ASSERT_TRUE(seen);
    EXPECT_EQ(choice.filterNumber, 2);
    EXPECT_EQ(choice.path, QFile::encodeName(m_folder.filePath("two.wav")).toStdString());
    EXPECT_EQ(QDir::currentPath(), QDir(m_folder.path()).canonicalPath());
}

TEST_F(PlatformDialogsTest, OpenDialogCancelledChoosesNothing) {
    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    const FileChoice choice = m_dialogs.openFile({"t", kOpenFilters, ""});
    EXPECT_FALSE(choice.accepted());
    EXPECT_EQ(choice.filterNumber, 0);
    EXPECT_EQ(QDir::currentPath(), m_savedCurrent);
}

TEST_F(PlatformDialogsTest, SaveDialogShowsDescriptionsAddsTheSuffixAndAsksBeforeReplacing) {
    QWidget owner;
    owner.show();
    // First a name without a suffix under the second filter.
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->parentWidget(), &owner);
        EXPECT_EQ(QApplication::activeModalWidget(), dialog);
        EXPECT_EQ(ShownFilterTexts(dialog).join("|").toStdString(),
                  QStringList(
                      {"KORVALE Play Lists {*.ztl}", "Media Playlists {*.m3u}", "All Files {*.*}"})
                      .join("|")
                      .toStdString());
        dialog->selectNameFilter(QtDialogs::NameFilters(kSaveFilters).at(1));
        TypeName(dialog, m_folder.filePath("list"));
        static_cast<QDialog*>(dialog)->accept(); // the Open or Save button
    });
    FileChoice choice = m_dialogs.saveFile(&owner, {kSaveFilters, "ztl"});
    EXPECT_EQ(choice.filterNumber, 2);
    EXPECT_EQ(choice.path, QFile::encodeName(m_folder.filePath("list.ztl")).toStdString());

    // Then an existing file: the question comes, "No" keeps the dialog open.
    int questions = 0;
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        QPointer<QTimer> waiter = WhenShown<QMessageBox>([&](QMessageBox* question) {
            ++questions;
            question->button(QMessageBox::No)->click();
            QTimer::singleShot(0, dialog, [dialog] {
                EXPECT_TRUE(dialog->isVisible());
                dialog->reject();
            });
        });
        TypeName(dialog, m_folder.filePath("one.mp3"));
        static_cast<QDialog*>(dialog)->accept();
        delete waiter; // never left polling into a later test
    });
    choice = m_dialogs.saveFile(&owner, {kSaveFilters, "ztl"});
    EXPECT_EQ(questions, 1);
    EXPECT_FALSE(choice.accepted());
}

TEST_F(PlatformDialogsTest, MessageBoxesAndAboutBoxAnswerWithTheButtonPressed) {
    QWidget owner;
    WhenShown<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Error!"));
        EXPECT_EQ(box->text(), QStringLiteral("Mixer Not Opened"));
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(m_dialogs.messageBox(&owner, "Mixer Not Opened", "Error!", MessageIcon::Exclamation,
                                   MessageButtons::Ok),
              MessageAnswer::Ok);

    for (const auto button : {QMessageBox::Yes, QMessageBox::No}) {
        WhenShown<QMessageBox>([button](QMessageBox* box) {
            EXPECT_EQ(box->icon(), QMessageBox::Question);
            box->button(button)->click();
        });
        const auto answer = m_dialogs.messageBox(&owner, "Clear 3 clips and empty the Play List?",
                                                 "Q", MessageIcon::Question, MessageButtons::YesNo);
        EXPECT_EQ(answer, button == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No);
    }

    WhenShown<QMessageBox>([](QMessageBox* box) {
        EXPECT_EQ(box->windowTitle(), QStringLiteral("About KORVALE"));
        EXPECT_EQ(box->text(), QStringLiteral("KORVALE Version 1.1"));
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->button(QMessageBox::Ok)->click();
    });
    m_dialogs.about(&owner);
}

class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

TEST(DesktopShellTest, HandsTheDesktopTheFileUrlOfThePathUnchanged) {
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
    DesktopShell shell;
    const std::string path = "/tmp/help dir/#1 'x';$(rm -rf)/k\xc3\xb6rvale_1_1_help.htm";
    shell.openLocalFile(path);
    shell.openLocalFile("");
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(recorder.urls.size(), 1);
    EXPECT_TRUE(recorder.urls.front().isLocalFile());
    EXPECT_EQ(QFile::encodeName(recorder.urls.front().toLocalFile()).toStdString(), path);
}

} // namespace
} // namespace korvale

#include "platform_dialogs_test.moc"
