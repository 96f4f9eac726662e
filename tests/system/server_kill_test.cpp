// The sound server killed under the real engine: an unattended run killed mid cross-fade
// carries on to the next clip through the null output, in real time.

#include <gtest/gtest.h>

#include <thread>

#include "SystemSupport.h"
#include "audio/AudioEngine.h"
#include "audio/AudioOutputFactory.h"
#include "platform/PosixFileSystem.h"
#include "support/CoreFixture.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Runs the core's timers as the window would, in real time: the tick every 10 ms and, while
// it runs, the fade timer every 40 ms. Counts the cross-fades begun.
struct RealTimeRun {
    Korvale& core;
    testing::FakeCoreHost& host;
    Clock::time_point next = Clock::now();
    long long ms = 0;
    int fadesBegun = 0;

    bool Fading() const { return core.Fade().Phase() == MixPhase::Fading; }
    template <typename Done> bool StepUntil(Done done, std::chrono::milliseconds limit) {
        for (const long long end = ms + limit.count(); !done();) {
            if (ms >= end)
                return false;
            std::this_thread::sleep_until(next += 10ms);
            ms += 10;
            const bool wasFading = Fading();
            core.OnTimer(TimerId::Tick);
            if (host.IsTimerRunning(TimerId::Fade) && ms % 40 == 0)
                core.OnTimer(TimerId::Fade);
            fadesBegun += !wasFading && Fading();
        }
        return true;
    }
};

TEST(CrossFadePulse, ServerKilledMidFadeTheRunGoesOn) {
    if (!sys::InIsolatedCopy())
        return;
    testing::TempDir dir;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) {
        ASSERT_TRUE(
            testing::WriteSineMp3(dir.file(name), 8.0, 440.0, 44100, testing::Mp3Mode::Cbr));
    }
    AudioEngine engine(MakeBestAudioOutput());
    ASSERT_NE(engine.outputName(), "null") << "the sound server was not reached";
    EngineVoice &deck1 = engine.voice(VoiceId::Deck1), &deck2 = engine.voice(VoiceId::Deck2);
    testing::FakeMciDevice mci;
    testing::FakeAudioDevices devices;
    testing::FakeDialogs dialogs;
    testing::FakeCoreHost host;
    PosixFileSystem files;
    Korvale core({&deck1, &deck2, &mci, &devices, &dialogs, nullptr, &files}, host);
    core.Start(dir.path(), false);
    // The folder's MP3 clips gathered, the first selected, the run unattended.
    dialogs.openChoices.push_back({dir.file("a.mp3"), 1});
    core.Store().GatherClips();
    const std::vector<std::string> clips = core.List().Entries();
    ASSERT_EQ(clips.size(), 3u);
    core.Store().SelectedByUser(0);
    core.SetLoadNext(true);
    core.SetMixNext(true);
    core.Fade().Mix();

    // The first clip fades in and the second is loaded; the automatic cross-fade into it
    // begins and runs a few fade steps before the server dies.
    RealTimeRun run{core, host};
    ASSERT_TRUE(run.StepUntil([&] { return run.fadesBegun == 1; }, 60s));
    run.StepUntil([] { return false; }, 200ms);
    ASSERT_TRUE(run.Fading());
    ASSERT_TRUE(sys::KillPulse());
    ASSERT_TRUE(run.StepUntil([&] { return engine.outputName() == "null"; }, 10s));

    // The displays keep moving on the null output.
    const auto shown = [&] {
        return core.Decks().Times(Deck::A).elapsed + core.Decks().Times(Deck::B).elapsed;
    };
    const std::string before = shown();
    EXPECT_TRUE(run.StepUntil([&] { return shown() != before; }, 2s));
    // The cross-fade completes: the second clip plays at full level, the third is loaded.
    ASSERT_TRUE(run.StepUntil([&] { return !run.Fading(); }, 60s));
    const Deck in = deck1.path() == clips[1] ? Deck::A : Deck::B;
    EngineVoice& incoming = in == Deck::A ? deck1 : deck2;
    EXPECT_EQ(incoming.path(), clips[1]);
    EXPECT_EQ(incoming.playState(), VoicePlayState::Playing);
    EXPECT_EQ(core.Decks().FaderPosition(in), 0);
    EXPECT_TRUE(
        run.StepUntil([&] { return (in == Deck::A ? deck2 : deck1).path() == clips[2]; }, 2s));
    // The null output keeps real time, not faster.
    const double from = incoming.positionSeconds();
    const auto started = Clock::now();
    ASSERT_TRUE(run.StepUntil([&] { return incoming.positionSeconds() > from + 0.5; }, 2s));
    EXPECT_GT(std::chrono::duration<double>(Clock::now() - started).count(), 0.4);
}

} // namespace
} // namespace korvale
