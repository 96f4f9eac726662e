#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/CoreFixture.h"
#include "support/OfflineEngine.h"

namespace korvale::testing {

// A front end that notes how deep in the stack the core tells it of each change (every
// deck load does).
struct StackProbeHost : test::FakeCoreHost {
    void Changed(CorePart part) override;
    std::uintptr_t lowestStack = UINTPTR_MAX;
    std::uintptr_t highestStack = 0;
};

// The core on the real engine rendered offline, run as the window's timers run it: the tick
// after every 10 ms slice, and every 40 ms while a cross-fade runs the fade timer's tick.
// Books the clips that started to play and the completed hand-overs. Deterministic, not real
// time. User-interface thread only.
struct UnattendedRun {
    static constexpr int kSliceMs = 10;
    static constexpr int kFadeTimerMs = 40;
    static constexpr int kRate = OfflineEngine::kDefaultRate;
    static constexpr std::size_t kSliceFrames = OfflineEngine::kDefaultBuffer;

    UnattendedRun();
    // What the user does: picks the first entry (which loads it), presses "LOAD NEXT",
    // "MIX NEXT" and "M I X".
    void Start();
    // Renders one slice into `slice` (interleaved stereo), then runs the timers due.
    void Step();
    bool Playing();
    // Steps until no deck has played for `idleMs`, or for `limitMs` at most.
    void RunUntilIdle(long long idleMs, long long limitMs);
    // Waits until both decks' clips are measured (off: the run goes on as the engine does).
    void WaitForAnalyses();
    bool waitForAnalyses = false;

    OfflineEngine engine;
    test::FakeMciDevice mci;
    test::FakeAudioDevices devices;
    test::FakeDialogs dialogs;
    test::FakeShell shell;
    StackProbeHost host;
    Korvale core;

    std::vector<float> slice = std::vector<float>(2 * kSliceFrames);
    long long nowMs = 0;
    std::vector<std::string> started; // the clips that began to play, in order
    int handOversStarted = 0;
    int handOvers = 0; // cross-fades that ended with the incoming deck at full level

private:
    void Book();
    bool m_playing[2] = {false, false};
    bool m_fading = false;
    Deck m_incoming = Deck::A;
};

} // namespace korvale::testing
