// Mean time of one timer message in the window's handler with both decks playing, on fake
// players and on the audio engine's voices (rendered offline between ticks), and idle: both
// decks loaded and stopped, nothing changing between ticks.
#include <QApplication>
#include <QPushButton>

#include <chrono>
#include <cstdio>
#include <memory>

#include "audio/AudioEngine.h"
#include "support/ClipFactory.h"
#include "support/FakeDevices.h"
#include "support/FakeMediaVoice.h"
#include "support/OfflineEngine.h"
#include "support/TempDir.h"
#include "support/TestWindow.h"
#include "ui/CKORVALEDlg.h"

namespace {

using BenchWindow = korvale::testing::TestWindow;

using Clock = std::chrono::steady_clock;

constexpr int kTicks = 20000;
constexpr int kEngineTicks = 2000;
constexpr double kTickSeconds = 0.01;
constexpr double kClipSeconds = 600.0;

struct Figures {
    double meanMs = 0.0;
    double maxMs = 0.0;
};

// Runs `ticks` timer messages; `between` runs before each one, outside the timed span, and
// the window's pending paints are processed after it, also outside.
template <typename Between>
Figures TimeTicks(korvale::CKORVALEDlg& window, int ticks, Between between) {
    Figures figures;
    double total = 0.0;
    for (int i = 0; i < ticks; ++i) {
        between(i);
        const auto start = Clock::now();
        window.Core().OnTimer(korvale::TimerId::Tick);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        total += ms;
        figures.maxMs = std::max(figures.maxMs, ms);
        QCoreApplication::processEvents();
    }
    figures.meanMs = total / ticks;
    return figures;
}

void Print(const char* what, int ticks, const Figures& figures) {
    std::printf("%s: %d ticks, mean %.4f ms, max %.3f ms (target mean <= 0.2 ms)\n", what, ticks,
                figures.meanMs, figures.maxMs);
}

// Both decks loaded with a clip of kClipSeconds, the window shown.
void LoadBothDecks(BenchWindow& f) {
    const std::string clipA = "/music/A side.mp3";
    const std::string clipB = "/music/B side.mp3";
    f.deck1.AddClip(clipA, kClipSeconds);
    f.deck2.AddClip(clipB, kClipSeconds);
    korvale::DeckPlayers& decks = f.w->Core().Decks();
    decks.LoadClipOnDeck(clipA, korvale::DeckChoice::Deck1, 0.0);
    decks.LoadClipOnDeck(clipB, korvale::DeckChoice::Deck2, 0.0);
    f.w->show();
}

Figures FakePlayers() {
    BenchWindow f;
    LoadBothDecks(f);
    f.w->Core().Decks().PlayDeck(korvale::Deck::A);
    f.w->Core().Decks().PlayDeck(korvale::Deck::B);
    return TimeTicks(*f.w, kTicks, [&f](int i) {
        f.deck1.SetPosition(i * kTickSeconds);
        f.deck2.SetPosition(i * kTickSeconds + 0.5);
    });
}

Figures IdleDecks() {
    BenchWindow f;
    LoadBothDecks(f);
    return TimeTicks(*f.w, kTicks, [](int) {});
}

Figures EngineVoices() {
    korvale::testing::TempDir folder;
    const std::string clipA = folder.file("a.wav");
    const std::string clipB = folder.file("b.wav");
    constexpr double kWavSeconds = 30.0;
    constexpr int kRate = 48000;
    korvale::testing::WriteSineWav(clipA, kWavSeconds, 440.0, kRate, 0.5);
    korvale::testing::WriteSineWav(clipB, kWavSeconds, 660.0, kRate, 0.5);
    korvale::testing::OfflineEngine engine;
    korvale::testing::FakeMciDevice mci;
    korvale::testing::FakeAudioDevices devices;
    korvale::testing::FakeDialogs dialogs;
    korvale::WindowServices services;
    services.core.deck1 = &engine.voice(korvale::VoiceId::Deck1);
    services.core.deck2 = &engine.voice(korvale::VoiceId::Deck2);
    services.core.mci = &mci;
    services.core.devices = &devices;
    services.core.dialogs = &dialogs;
    services.screenSize = QSize(1280, 1024);
    services.startTickTimer = false;
    korvale::CKORVALEDlg window(services);
    window.OnInitDialog();
    korvale::DeckPlayers& decks = window.Core().Decks();
    decks.LoadClipOnDeck(clipA, korvale::DeckChoice::Deck1, 0.0);
    decks.LoadClipOnDeck(clipB, korvale::DeckChoice::Deck2, 0.0);
    decks.PlayDeck(korvale::Deck::A);
    decks.PlayDeck(korvale::Deck::B);
    window.show();
    return TimeTicks(window, kEngineTicks, [&engine](int) { engine.renderSeconds(kTickSeconds); });
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    Print("OnTimer, both decks playing, fake players", kTicks, FakePlayers());
    Print("OnTimer, both decks playing, engine voices", kEngineTicks, EngineVoices());
    Print("OnTimer, idle (both decks loaded and stopped), fake players", kTicks, IdleDecks());
    return 0;
}
