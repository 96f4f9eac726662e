#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/CoreFixture.h"
#include "support/OfflineEngine.h"

namespace korvale::testing {

// A voice that forwards to an engine voice, counts its opens (so that a run tells one load
// from the next, even of the same path) and notes how deep in the stack each open happens.
class ProbeVoice final : public MediaVoice {
public:
    explicit ProbeVoice(MediaVoice& inner) : m_inner(inner) {}
    bool open(const std::string& path) override;
    void close() override { m_inner.close(); }
    std::string path() const override { return m_inner.path(); }
    bool isOpen() const override { return m_inner.isOpen(); }
    double durationSeconds() const override { return m_inner.durationSeconds(); }
    double positionSeconds() const override { return m_inner.positionSeconds(); }
    VoicePlayState playState() const override { return m_inner.playState(); }
    void seek(double seconds) override { m_inner.seek(seconds); }
    void play() override { m_inner.play(); }
    void stop() override { m_inner.stop(); }
    void pause() override { m_inner.pause(); }
    void setVolume(int hundredthsOfDb) override { m_inner.setVolume(hundredthsOfDb); }

    int opens = 0;
    std::uintptr_t lowestStack = UINTPTR_MAX;
    std::uintptr_t highestStack = 0;

private:
    MediaVoice& m_inner;
};

// The core on the real engine rendered offline, run as the window's timers run it: the tick
// after every 10 ms slice, and every 40 ms while a cross-fade runs the fade timer's tick.
// Books the clips that started playing and the completed hand-overs. Deterministic, not real
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

    OfflineEngine engine;
    ProbeVoice deck1{engine.voice(VoiceId::Deck1)};
    ProbeVoice deck2{engine.voice(VoiceId::Deck2)};
    test::FakeMciDevice mci;
    test::FakeAudioDevices devices;
    test::FakeDialogs dialogs;
    test::FakeShell shell;
    test::FakeCoreHost host;
    Korvale core;

    std::vector<float> slice = std::vector<float>(2 * kSliceFrames);
    long long nowMs = 0;
    std::vector<std::string> started; // each load that began to play, in order
    int handOversStarted = 0;
    int handOvers = 0; // cross-fades that ended with the incoming deck at full level

private:
    void Book();
    int m_startedOpens[2] = {0, 0};
    bool m_fading = false;
    Deck m_incoming = Deck::A;
};

} // namespace korvale::testing
