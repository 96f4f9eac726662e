#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "support/CoreFixture.h"
#include "support/OfflineEngine.h"

namespace korvale::testing {

// A front end that notes how deep in the stack the core tells it of each change (every
// deck load does).
struct StackProbeHost : FakeCoreHost {
    void Changed(CorePart part) override {
        volatile char marker = 0;
        const auto address = reinterpret_cast<std::uintptr_t>(&marker);
        lowestStack = std::min(lowestStack, address);
        highestStack = std::max(highestStack, address);
        FakeCoreHost::Changed(part);
    }
    std::uintptr_t lowestStack = UINTPTR_MAX;
    std::uintptr_t highestStack = 0;
};

// The core on the real engine rendered offline, its timers run as the window runs them (the tick
// after every 10 ms slice, the fade timer every 40 ms while it runs), deterministic, not real
// time. Books the clips that started to play and the completed hand-overs.
struct UnattendedRun : FakeServices {
    static constexpr int kSliceMs = 10;
    static constexpr int kFadeTimerMs = 40;
    static constexpr int kRate = OfflineEngine::kDefaultRate;
    static constexpr std::size_t kSliceFrames = OfflineEngine::kDefaultBuffer;

    UnattendedRun() { core.Start("/", /*startTick=*/false); }
    // What the user does: picks the first entry (which loads it), presses "LOAD NEXT",
    // "MIX NEXT" and "M I X".
    void Start() {
        core.Store().SelectedByUser(0);
        WaitForAnalyses();
        core.Leveling().Apply();
        core.SetLoadNext(true);
        core.SetMixNext(true);
        core.Fade().Mix();
        Book();
    }
    // Renders one slice into `slice` (interleaved stereo), then runs the timers due.
    void Step() {
        WaitForAnalyses();
        engine.output().pullInto(slice.data(), kSliceFrames);
        nowMs += kSliceMs;
        core.OnTimer(TimerId::Tick);
        Book();
        if (core.Fade().Phase() == MixPhase::Fading && nowMs % kFadeTimerMs == 0) {
            core.OnTimer(TimerId::Fade);
            Book();
        }
    }
    bool Playing() {
        return engine.voice(VoiceId::Deck1).playState() == VoicePlayState::Playing ||
               engine.voice(VoiceId::Deck2).playState() == VoicePlayState::Playing;
    }
    // Waits until both decks' clips are measured (off: the run goes on as the engine does).
    void WaitForAnalyses() {
        for (const VoiceId id : {VoiceId::Deck1, VoiceId::Deck2})
            while (waitForAnalyses && engine.voice(id).analysisPending())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    bool waitForAnalyses = false;

    OfflineEngine engine;
    StackProbeHost host;
    Korvale core{With(&engine.voice(VoiceId::Deck1), &engine.voice(VoiceId::Deck2)), host};

    std::vector<float> slice = std::vector<float>(2 * kSliceFrames);
    long long nowMs = 0;
    std::vector<std::string> started; // the clips that began to play, in order
    int handOversStarted = 0;
    int handOvers = 0; // cross-fades that ended with the incoming deck at full level

private:
    void Book() {
        const bool fading = core.Fade().Phase() == MixPhase::Fading;
        if (fading && !m_fading) {
            ++handOversStarted;
            core.Fade().IncomingDeck(m_incoming);
        } else if (!fading && m_fading && core.Decks().FaderPosition(m_incoming) == 0) {
            ++handOvers;
        }
        m_fading = fading;
        for (const VoiceId id : {VoiceId::Deck1, VoiceId::Deck2}) {
            const bool playing = engine.voice(id).playState() == VoicePlayState::Playing;
            bool& wasPlaying = m_playing[id == VoiceId::Deck1 ? 0 : 1];
            if (playing && !wasPlaying)
                started.push_back(engine.voice(id).path());
            wasPlaying = playing;
        }
    }
    bool m_playing[2] = {false, false};
    bool m_fading = false;
    Deck m_incoming = Deck::A;
};

} // namespace korvale::testing
