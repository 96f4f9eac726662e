// The road from a folder of clips to sound, on the real audio engine rendered offline.
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/TimeText.h"
#include "support/ClipFactory.h"
#include "support/FakeDevices.h"
#include "support/OfflineEngine.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"
#include "ui/CKORVALEDlg.h"
#include "ui/ClickLabel.h"
#include "ui/PlayListModel.h"
#include "ui/PlayListView.h"
#include "ui/TrackBar.h"

using namespace korvale;
using korvale::test::FakeAudioDevices;
using korvale::test::FakeDialogs;
using korvale::test::FakeMciDevice;
using korvale::test::FakeShell;
using korvale::testing::OfflineEngine;

namespace {

constexpr double kClipSeconds = 4.0;
constexpr double kToneHz = 1000.0;
constexpr double kClipAmplitude = 0.5; // what WriteSineMp3 writes
constexpr int kClipRate = 44100;
constexpr double kToleranceDb = 0.5;

double AmplitudeDb(double amplitude) {
    return 20.0 * std::log10(amplitude);
}

struct EngineWindow {
    EngineWindow() {
        WindowServices services;
        services.deck1 = &engine.voice(VoiceId::Deck1);
        services.deck2 = &engine.voice(VoiceId::Deck2);
        services.mci = &mci;
        services.devices = &devices;
        services.dialogs = &dialogs;
        services.shell = &shell;
        services.screenSize = QSize(1280, 1024);
        services.startTickTimer = false;
        window = std::make_unique<CKORVALEDlg>(services);
        window->OnInitDialog();
    }
    CKORVALEDlg& w() { return *window; }

    OfflineEngine engine;
    FakeMciDevice mci;
    FakeAudioDevices devices;
    FakeDialogs dialogs;
    FakeShell shell;
    std::unique_ptr<CKORVALEDlg> window;
};

} // namespace

TEST(DecksOnTheEngine, FromAFolderToSoundAtTheFaderLevel) {
    korvale::testing::TempDir folder;
    ASSERT_TRUE(korvale::testing::WriteSineMp3(folder.file("first.mp3"), kClipSeconds, kToneHz,
                                               kClipRate, korvale::testing::Mp3Mode::Cbr));
    ASSERT_TRUE(korvale::testing::WriteSineMp3(folder.file("second.mp3"), kClipSeconds, 440.0,
                                               kClipRate, korvale::testing::Mp3Mode::Vbr));
    EngineWindow f;
    CKORVALEDlg& w = f.w();

    // "L", pick a clip of the folder: both clips are gathered.
    f.dialogs.openChoices.push_back({folder.file("second.mp3"), 1});
    QTest::mouseClick(w.LoadButton, Qt::LeftButton);
    ASSERT_EQ(w.PlayListBox->Count(), 2);
    EXPECT_EQ(w.StatusText(), "2 new audio file(s) loaded - Total 2. ");

    // Select the first clip: it loads on deck 1 at -85 dB, not playing.
    int index = 0;
    while (w.PlayListBox->Text(index) != folder.file("first.mp3")) {
        ++index;
    }
    w.PlayListBox->selectionModel()->setCurrentIndex(w.PlayListBox->Model()->index(index),
                                                     QItemSelectionModel::ClearAndSelect);
    ASSERT_EQ(w.StatusText(), "first - Loaded on Player 1");
    EXPECT_NEAR(w.PlayerA.GetDuration(), kClipSeconds, 0.01);
    w.OnTimer(kTickTimerId);
    EXPECT_EQ(w.TimeA->text().toStdString(), FormatTimeText(w.PlayerA.GetDuration()));
    EXPECT_EQ(w.ElapsedA->text().toStdString(), "00:00:00:00");

    // Play: the elapsed display moves while the remaining one shrinks.
    QTest::mouseClick(w.PlayAButton, Qt::LeftButton);
    f.engine.renderSeconds(0.5);
    w.OnTimer(kTickTimerId);
    const std::int32_t elapsed1 = ParseTimeText(w.ElapsedA->text().toStdString());
    const std::int32_t remain1 = ParseTimeText(w.RemainA->text().toStdString());
    f.engine.renderSeconds(0.5);
    w.OnTimer(kTickTimerId);
    const std::int32_t elapsed2 = ParseTimeText(w.ElapsedA->text().toStdString());
    const std::int32_t remain2 = ParseTimeText(w.RemainA->text().toStdString());
    EXPECT_GT(elapsed1, 400);
    EXPECT_NEAR(elapsed2 - elapsed1, 500, 80);
    EXPECT_LT(remain2, remain1);

    // At the load level the tone is 85 dB down.
    const auto quiet = f.engine.renderSeconds(0.25);
    const double quietDb =
        AmplitudeDb(korvale::testing::ToneAmplitude(korvale::testing::Channel(quiet, 0), kToneHz,
                                                    f.engine.sampleRate()) /
                    kClipAmplitude);
    EXPECT_NEAR(quietDb, -85.0, 1.5);

    // The user moves the fader to 2000: the tone stands at -20 dB.
    w.FaderA->setValue(2000);
    EXPECT_EQ(w.FaderALabel->text().toStdString(), "-20 db");
    f.engine.renderSeconds(0.05); // past the gain ramp
    const auto loud = f.engine.renderSeconds(0.5);
    for (int channel = 0; channel < 2; ++channel) {
        const double toneDb =
            AmplitudeDb(korvale::testing::ToneAmplitude(korvale::testing::Channel(loud, channel),
                                                        kToneHz, f.engine.sampleRate()) /
                        kClipAmplitude);
        EXPECT_NEAR(toneDb, -20.0, kToleranceDb) << "channel " << channel;
    }
    EXPECT_EQ(w.PlayerA.GetPlayState(), CMediaPlayer::kPlayStatePlaying);
}
