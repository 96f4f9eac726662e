// The cue player on the real engine: its command interpreter on the cue voice and the two
// deck voices, rendered offline.
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>

#include "core/TimeText.h"
#include "audio/MediaCommandInterpreter.h"
#include "support/ClipFactory.h"
#include "support/FakeDevices.h"
#include "support/OfflineEngine.h"
#include "support/TempDir.h"
#include "ui/CKORVALEDlg.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"

using namespace korvale;

namespace {

constexpr double kClipSeconds = 6.0;
constexpr int kClipRate = 44100;
constexpr double kToneHz = 440.0;
constexpr double kToneAmplitude = 0.5;

TEST(CuePlayerOnEngine, SetCueReloadsBothDecksAtTheCuePoint) {
    korvale::testing::TempDir dir;
    const std::string clip = dir.file("cue me.wav");
    ASSERT_TRUE(
        korvale::testing::WriteSineWav(clip, kClipSeconds, kToneHz, kClipRate, kToneAmplitude));

    korvale::testing::OfflineEngine offline;
    MediaCommandInterpreter mci(offline.voice(VoiceId::Cue));
    test::FakeDialogs dialogs;
    test::FakeAudioDevices devices;
    WindowServices services;
    services.deck1 = &offline.voice(VoiceId::Deck1);
    services.deck2 = &offline.voice(VoiceId::Deck2);
    services.mci = &mci;
    services.devices = &devices;
    services.dialogs = &dialogs;
    services.screenSize = QSize(1280, 1024);
    services.startTickTimer = false;
    CKORVALEDlg window(services);
    window.OnInitDialog();

    window.LoadClipOnDeck(clip, kDeckChoiceDeck1, 0.0);
    window.LoadClipOnDeck(clip, kDeckChoiceDeck2, 0.0);
    ASSERT_EQ(window.PlayerA.GetFileName(), clip);
    ASSERT_EQ(window.PlayerB.GetFileName(), clip);

    QTest::mouseClick(window.CueAButton, Qt::LeftButton);
    ASSERT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(window.CueDuration->text().toStdString(), "00:00:06:00");
    EXPECT_EQ(window.CuePositionSlider->maximum(), 6000);

    // Scrub to 2.5 s, play 1.5 s, pause and mark the point.
    window.CuePositionSlider->setValue(2500);
    QTest::mouseClick(window.CuePlayPauseButton, Qt::LeftButton);
    offline.renderSeconds(1.5);
    window.OnTimer(kCueTimerId);
    EXPECT_EQ(window.CuePlayTime->text().toStdString(), "00:00:04:00");
    QTest::mouseClick(window.CuePlayPauseButton, Qt::LeftButton);
    QTest::mouseClick(window.MarkInButton, Qt::LeftButton);
    const std::string cuePoint = window.CuePositionDisplay->text().toStdString();
    const std::int32_t cueMs = std::stoi(mci.sendString("status movie position"));
    EXPECT_NEAR(cueMs, 4000, 20); // a paused voice ramps out over one buffer

    // Let the cue player wander off before Set Cue returns it to the mark.
    window.CuePositionSlider->setValue(500);
    QTest::mouseClick(window.SetCueButton, Qt::LeftButton);

    // The mark's text read back at 25 frames a second, as GoTo Cue reads it.
    const double expected = ParseTimeText(cuePoint) * 0.001;
    EXPECT_NEAR(window.PlayerA.GetCurrentPosition(), expected, 1e-3);
    EXPECT_NEAR(window.PlayerB.GetCurrentPosition(), expected, 1e-3);
    EXPECT_EQ(window.PlayerA.GetFileName(), clip);
    EXPECT_EQ(window.PlayerB.GetFileName(), clip);
    EXPECT_FALSE(mci.isOpen());
    EXPECT_EQ(window.CueClipName->text().toStdString(), "");

    // The decks start where the cue point is.
    window.PlayerA.Play();
    offline.renderSeconds(0.5);
    EXPECT_NEAR(window.PlayerA.GetCurrentPosition(), expected + 0.5, 0.02);
}

} // namespace
