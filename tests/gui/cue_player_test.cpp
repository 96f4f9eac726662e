// The cue player driven through its buttons, the horizontal sliders and the tick, over a
// scripted media-command device.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/WindowFixture.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"

using namespace korvale;
using korvale::test::WindowFixture;

namespace {

constexpr char kClip[] = "/music/First Song.mp3";
constexpr char kLengthQuery[] = "status movie length";
constexpr char kPositionQuery[] = "status movie position";
constexpr char kReset[] = "00:00:00:00";
const std::vector<std::string> kCloseCommands{"pause movie", "stop movie", "close movie",
                                              "close all"};

std::string Text(const QLabel* label) {
    return label->text().toStdString();
}

std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class CuePlayerTest : public ::testing::Test {
protected:
    CKORVALEDlg& w() { return f.w(); }

    // Puts a clip on a deck (stopped) the way a load leaves it.
    void PutOnDeck(int deck, const std::string& path, double seconds = 200.0) {
        (deck == 1 ? f.deck1 : f.deck2).AddClip(path, seconds);
        w().Player(deck).SetFileName(path);
    }

    // Cues deck 1's clip with a length of `lengthMs` and forgets the commands sent so far.
    void CueLoaded(const std::string& lengthMs = "183000") {
        PutOnDeck(1, kClip);
        f.mci.replies[kLengthQuery] = lengthMs;
        QTest::mouseClick(w().CueAButton, Qt::LeftButton);
        f.mci.commands.clear();
    }

    bool CueButtonsEnabled(bool enabled) {
        return w().SetCueButton->isEnabled() == enabled &&
               w().MarkInButton->isEnabled() == enabled &&
               w().GoToCueButton->isEnabled() == enabled &&
               w().CuePlayPauseButton->isEnabled() == enabled;
    }

    WindowFixture f;
};

TEST_F(CuePlayerTest, CueSendsTheCommandsInOrderAndShowsTheClip) {
    PutOnDeck(1, kClip);
    f.mci.replies[kLengthQuery] = "183000";
    w().SetStatus("before");
    QTest::mouseClick(w().CueAButton, Qt::LeftButton);

    EXPECT_EQ(f.mci.commands,
              With(kCloseCommands, {"open \"/music/First Song.mp3\" alias movie ",
                                    "set movie time format milliseconds wait", kLengthQuery}));
    EXPECT_EQ(w().StatusText(), "Selecting 'Play' the Cue clip will play on the master output");
    EXPECT_EQ(Text(w().CueClipName), kClip);
    EXPECT_EQ(Text(w().CueDuration), "00:03:03:00");
    EXPECT_EQ(Text(w().CuePlayTime), kReset);
    EXPECT_EQ(w().CuePositionSlider->minimum(), 0);
    EXPECT_EQ(w().CuePositionSlider->maximum(), 183000);
    EXPECT_EQ(w().CuePositionSlider->pageStep(), 1);
    EXPECT_EQ(w().CuePositionSlider->Position(), 0);
    EXPECT_TRUE(CueButtonsEnabled(true));
    EXPECT_EQ(w().CuePlayPauseButton->text().toStdString(), "Play");
    EXPECT_TRUE(f.dialogs.messages.empty());
    EXPECT_FALSE(w().IsTimerRunning(kCueTimerId));
}

TEST_F(CuePlayerTest, CueUnderAnEmptyOrPlayingDeckDoesNothingAndKeepsTheCuedClip) {
    CueLoaded();
    QTest::mouseClick(w().CueBButton, Qt::LeftButton); // deck 2 holds nothing
    EXPECT_TRUE(f.mci.commands.empty());

    PutOnDeck(2, "/music/Other.mp3");
    f.deck2.SetPlayState(VoicePlayState::Playing);
    QTest::mouseClick(w().CueBButton, Qt::LeftButton);
    EXPECT_TRUE(f.mci.commands.empty());
    EXPECT_EQ(Text(w().CueClipName), kClip);
    EXPECT_TRUE(CueButtonsEnabled(true));
}

TEST_F(CuePlayerTest, UnreadableClipKeepsItsPathWithEveryCueButtonDisabled) {
    PutOnDeck(2, "/music/broken.wav");
    f.mci.replies[kLengthQuery] = ""; // the open failed: every query answers nothing
    w().CuePositionDisplay->setText("00:00:09:00");
    QTest::mouseClick(w().CueBButton, Qt::LeftButton);

    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text, "Can't read the size of '/music/broken.wav' ");
    EXPECT_EQ(f.dialogs.messages[0].caption, "Selected movie not loaded");
    EXPECT_EQ(f.dialogs.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(Text(w().CueClipName), "/music/broken.wav");
    EXPECT_TRUE(CueButtonsEnabled(false));
    EXPECT_EQ(Text(w().CueDuration), kReset);
    EXPECT_EQ(Text(w().CuePlayTime), kReset);
    EXPECT_EQ(Text(w().CuePositionDisplay), kReset);
    EXPECT_EQ(w().StatusText(), "Selecting 'Play' the Cue clip will play on the master output");
}

TEST_F(CuePlayerTest, ClipWithoutShortFormIsRefusedWithoutOpening) {
    PutOnDeck(1, kClip);
    f.mci.pathsWithoutShortForm.push_back(kClip);
    w().SetStatus("before");
    QTest::mouseClick(w().CueAButton, Qt::LeftButton);

    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].text,
              "Clip's '/music/First Song.mp3' name can not converted to short filename");
    EXPECT_EQ(f.dialogs.messages[0].caption, "Selected clip will not load");
    EXPECT_EQ(f.mci.commands, With(kCloseCommands, kCloseCommands));
    EXPECT_EQ(w().StatusText(), "before");
    EXPECT_TRUE(CueButtonsEnabled(false));
    EXPECT_EQ(Text(w().CueClipName), kClip);
}

TEST_F(CuePlayerTest, PathLongerThan255BytesIsRefusedLikeOneWithoutShortForm) {
    const std::string longPath = "/" + std::string(250, 'x') + "/song.mp3";
    ASSERT_GT(longPath.size(), 255u);
    PutOnDeck(1, longPath);
    QTest::mouseClick(w().CueAButton, Qt::LeftButton);

    ASSERT_EQ(f.dialogs.messages.size(), 1u);
    EXPECT_EQ(f.dialogs.messages[0].caption, "Selected clip will not load");
    EXPECT_TRUE(std::none_of(f.mci.commands.begin(), f.mci.commands.end(),
                             [](const std::string& c) { return c.rfind("open ", 0) == 0; }));
    EXPECT_TRUE(CueButtonsEnabled(false));
}

TEST_F(CuePlayerTest, PlayAndPauseDriveTheCueTimerAndTheTickFollowsThePosition) {
    CueLoaded();
    QTest::mouseClick(w().CuePlayPauseButton, Qt::LeftButton);
    EXPECT_EQ(f.mci.commands, std::vector<std::string>{"play movie"});
    EXPECT_EQ(w().CuePlayPauseButton->text().toStdString(), "Stop");
    EXPECT_EQ(w().State().g_cuePlaying, 1);
    EXPECT_EQ(w().State().g_cueTimer, kCueTimerId);
    EXPECT_TRUE(w().IsTimerRunning(kCueTimerId));

    f.mci.replies[kPositionQuery] = "61040";
    w().OnTimer(kTickTimerId);
    EXPECT_EQ(Text(w().CuePlayTime), "00:01:01:01");
    EXPECT_EQ(w().CuePositionSlider->Position(), 61040);

    f.mci.commands.clear();
    QTest::mouseClick(w().CuePlayPauseButton, Qt::LeftButton);
    EXPECT_EQ(f.mci.commands, std::vector<std::string>{"pause movie"});
    EXPECT_EQ(w().CuePlayPauseButton->text().toStdString(), "Play");
    EXPECT_EQ(w().State().g_cueTimer, -1);
    EXPECT_FALSE(w().IsTimerRunning(kCueTimerId));

    // Paused: the tick no longer asks for the position.
    f.mci.commands.clear();
    w().OnTimer(kTickTimerId);
    EXPECT_TRUE(std::find(f.mci.commands.begin(), f.mci.commands.end(), kPositionQuery) ==
                f.mci.commands.end());
}

TEST_F(CuePlayerTest, ClipThatEndsWhilePlayingKeepsStopUntilPressed) {
    CueLoaded("5000");
    QTest::mouseClick(w().CuePlayPauseButton, Qt::LeftButton);
    f.mci.replies[kPositionQuery] = "5000";
    w().OnTimer(kCueTimerId);
    w().OnTimer(kTickTimerId);
    EXPECT_EQ(Text(w().CuePlayTime), "00:00:05:00");
    EXPECT_EQ(w().CuePlayPauseButton->text().toStdString(), "Stop");
    EXPECT_TRUE(w().IsTimerRunning(kCueTimerId));

    f.mci.commands.clear();
    QTest::mouseClick(w().CuePlayPauseButton, Qt::LeftButton);
    EXPECT_EQ(f.mci.commands, std::vector<std::string>{"pause movie"});
    EXPECT_EQ(w().CuePlayPauseButton->text().toStdString(), "Play");
}

TEST_F(CuePlayerTest, AnyHorizontalSliderMoveWhilePlayingSeeksAndPauses) {
    CueLoaded();
    QTest::mouseClick(w().CuePlayPauseButton, Qt::LeftButton);
    w().CuePositionSlider->SetPositionSilently(42000);
    f.mci.replies[kPositionQuery] = "42000";
    f.mci.commands.clear();

    w().InSpeedSlider->setValue(w().InSpeedSlider->value() + 1); // a user move
    EXPECT_EQ(f.mci.commands,
              (std::vector<std::string>{"seek movie to 42000", kPositionQuery, "pause movie"}));
    EXPECT_EQ(Text(w().CuePlayTime), "00:00:42:00");
    EXPECT_EQ(w().State().g_cuePlaying, 0);
    EXPECT_EQ(w().CuePlayPauseButton->text().toStdString(), "Play");
    EXPECT_FALSE(w().IsTimerRunning(kCueTimerId));
}

TEST_F(CuePlayerTest, ScrubbingWhilePausedSeeksWithoutPlaying) {
    CueLoaded();
    f.mci.replies[kPositionQuery] = "90000";
    w().CuePositionSlider->setValue(90000);
    EXPECT_EQ(f.mci.commands, (std::vector<std::string>{"seek movie to 90000", kPositionQuery}));
    EXPECT_EQ(Text(w().CuePlayTime), "00:01:30:00");
    EXPECT_EQ(w().State().g_cuePlaying, 0);
}

TEST_F(CuePlayerTest, GoToCueBeforeMarkInSeeksToTheStart) {
    CueLoaded();
    w().CuePositionSlider->SetPositionSilently(5000);
    QTest::mouseClick(w().GoToCueButton, Qt::LeftButton);
    EXPECT_EQ(f.mci.commands, std::vector<std::string>{"seek movie to 0"});
    EXPECT_EQ(w().CuePositionSlider->Position(), 0);
    EXPECT_EQ(w().focusWidget(), w().CuePositionSlider);
}

TEST_F(CuePlayerTest, MarkInThenGoToWhilePlayingEndsPausedAtTheCuePoint) {
    CueLoaded();
    f.mci.replies[kPositionQuery] = "12345";
    QTest::mouseClick(w().MarkInButton, Qt::LeftButton);
    EXPECT_EQ(Text(w().CuePositionDisplay), "00:00:12:08");

    QTest::mouseClick(w().CuePlayPauseButton, Qt::LeftButton);
    f.mci.commands.clear();
    QTest::mouseClick(w().GoToCueButton, Qt::LeftButton);
    // 00:00:12:08 is 12 s and 8 frames of 40 ms.
    EXPECT_EQ(f.mci.commands, (std::vector<std::string>{"seek movie to 12320", "pause movie"}));
    EXPECT_EQ(Text(w().CuePlayTime), "00:00:12:08");
    EXPECT_EQ(w().CuePositionSlider->Position(), 12320);
    EXPECT_EQ(w().CuePlayPauseButton->text().toStdString(), "Play");
    EXPECT_FALSE(w().IsTimerRunning(kCueTimerId));
}

TEST_F(CuePlayerTest, SetCueWhenNoDeckHoldsTheClipOnlyCloses) {
    CueLoaded();
    w().Player(1).SetFileName(""); // the deck was closed meanwhile
    f.deck1.ClearCalls();
    QTest::mouseClick(w().SetCueButton, Qt::LeftButton);
    EXPECT_TRUE(f.deck1.Calls().empty());
    EXPECT_TRUE(f.deck2.Calls().empty());
    EXPECT_EQ(Text(w().CueClipName), "");
    EXPECT_TRUE(CueButtonsEnabled(false));
}

int Opens(const test::FakeMediaVoice& voice, const std::string& path) {
    const std::vector<std::string>& calls = voice.Calls();
    return static_cast<int>(std::count(calls.begin(), calls.end(), "open " + path));
}

TEST_F(CuePlayerTest, SetCueReloadsEveryDeckHoldingTheClipAtTheCuePoint) {
    PutOnDeck(2, kClip);
    CueLoaded();
    f.mci.replies[kPositionQuery] = "12345";
    QTest::mouseClick(w().MarkInButton, Qt::LeftButton);
    f.mci.replies[kPositionQuery] = "12320"; // where GoTo Cue puts the device
    f.deck1.ClearCalls();
    f.deck2.ClearCalls();
    QTest::mouseClick(w().SetCueButton, Qt::LeftButton);

    EXPECT_EQ(Opens(f.deck1, kClip), 1);
    EXPECT_EQ(Opens(f.deck2, kClip), 1);
    EXPECT_DOUBLE_EQ(w().PlayerA.GetCurrentPosition(), 12.32);
    EXPECT_DOUBLE_EQ(w().PlayerB.GetCurrentPosition(), 12.32);
    EXPECT_EQ(f.mci.commands.back(), "close all");
    EXPECT_EQ(Text(w().CueClipName), "");
}

TEST_F(CuePlayerTest, SetCueOnAClipTooShortToPlayKeepsThePlayList) {
    constexpr char kShort[] = "/music/blip.mp3";
    PutOnDeck(1, kShort, 0.8);
    f.deck1.AddClip("/music/good.mp3", 200.0);
    w().PlayListBox->AppendMany({"/music/good.mp3", kShort});
    w().PlayListBox->Select(0);
    f.mci.replies[kLengthQuery] = "800";
    QTest::mouseClick(w().CueAButton, Qt::LeftButton);
    f.mci.replies[kPositionQuery] = "300";
    QTest::mouseClick(w().SetCueButton, Qt::LeftButton);

    EXPECT_EQ(w().PlayListBox->Entries(), (std::vector<std::string>{"/music/good.mp3", kShort}));
    EXPECT_EQ(w().PlayerA.GetFileName(), kShort);
}

TEST_F(CuePlayerTest, SetCueReadsTheClipNameBackWithin254Bytes) {
    f.mci.replies[kLengthQuery] = "200000";
    for (const std::size_t length : {254u, 255u}) {
        SCOPED_TRACE(length);
        const std::string path = "/" + std::string(length - 5, 'n') + ".mp3";
        ASSERT_EQ(path.size(), length);
        PutOnDeck(1, path);
        PutOnDeck(2, path);
        QTest::mouseClick(w().CueAButton, Qt::LeftButton);
        ASSERT_EQ(Text(w().CueClipName), path);
        f.deck1.ClearCalls();
        f.deck2.ClearCalls();
        QTest::mouseClick(w().SetCueButton, Qt::LeftButton);
        const int reloads = length == 254u ? 1 : 0;
        EXPECT_EQ(Opens(f.deck1, path), reloads);
        EXPECT_EQ(Opens(f.deck2, path), reloads);
        EXPECT_FALSE(w().SetCueButton->isEnabled());
    }
}

TEST_F(CuePlayerTest, CloseKeepsTheSliderRangeWithItsPositionAtZero) {
    CueLoaded("183000");
    QTest::mouseClick(w().CuePlayPauseButton, Qt::LeftButton);
    w().CuePositionSlider->SetPositionSilently(70000);
    f.mci.commands.clear();
    QTest::mouseClick(w().StopAllButton, Qt::LeftButton);

    EXPECT_EQ(f.mci.commands, kCloseCommands);
    EXPECT_EQ(w().CuePositionSlider->maximum(), 183000);
    EXPECT_EQ(w().CuePositionSlider->Position(), 0);
    EXPECT_EQ(w().CuePlayPauseButton->text().toStdString(), "Play");
    EXPECT_EQ(Text(w().CueClipName), "");
    EXPECT_EQ(w().State().g_cueTimer, -1);
    EXPECT_FALSE(w().IsTimerRunning(kCueTimerId));
    EXPECT_TRUE(CueButtonsEnabled(false));
}

TEST(CuePlayerWithoutDevice, CueReportsTheClipCannotLoadAndNothingBreaks) {
    test::FakeMediaVoice deck1;
    test::FakeDialogs dialogs;
    WindowServices services;
    services.deck1 = &deck1;
    services.dialogs = &dialogs;
    services.screenSize = QSize(1280, 1024);
    services.startTickTimer = false;
    CKORVALEDlg window(services);
    window.OnInitDialog();
    dialogs.messages.clear();

    deck1.AddClip(kClip, 10.0);
    window.PlayerA.SetFileName(kClip);
    QTest::mouseClick(window.CueAButton, Qt::LeftButton);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Selected clip will not load");
    window.InSpeedSlider->setValue(window.InSpeedSlider->value() + 1);
    window.OnTimer(kTickTimerId);
    EXPECT_EQ(Text(window.CuePlayTime), kReset);
}

} // namespace
