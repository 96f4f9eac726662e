#pragma once

#include "audio/AudioOutput.h"
#include "audio/AudioRenderer.h"
#include "audio/EngineVoice.h"
#include "audio/MixTap.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace korvale {

// The engine's voices, in mixing order.
enum class VoiceId { Deck1 = 0, Deck2 = 1, Cue = 2 };
// The outlets of the mix (see MixTap).
enum class TapId { Stream = 0, Recording = 1 };

// One output mixing three voices (deck 1, deck 2, cue). Owns the output: the constructor
// starts it, the destructor stops it before any voice goes away.
//
// The output does not run while nothing sounds: once every voice has been silent and idle
// for the idle span (counted in rendered frames), the mix stops touching the voices and the
// engine's supervisor thread stops the output; the next open, seek or play of a voice
// starts it again. A voice's position and state do not change across such a stop, and the
// first block after it ramps up from silence like any other start.
//
// The taps: after deck 1 and deck 2 are mixed, each block is offered to every open tap;
// the cue voice is mixed in after that, so its pre-listen never reaches a tap. While a tap
// is open the output does not stop for idleness (the outlets need a steady clock: silence
// is offered), and opening a tap starts a stopped output.
//
// Constructed, used and destroyed on the user-interface thread; render() runs on the
// output's thread; the output's start() and stop() after construction run on the
// supervisor thread.
class AudioEngine final : public AudioRenderer {
public:
    static constexpr std::size_t kVoiceCount = 3;
    static constexpr std::size_t kTapCount = 2;
    // How much of the mix a tap holds for its worker before it drops blocks.
    static constexpr std::chrono::seconds kTapCapacity{4};
    // Silence after which the output stops.
    static constexpr std::chrono::milliseconds kDefaultIdleStop{3000};
    // An idle span that keeps the output running for the engine's whole life.
    static constexpr std::chrono::milliseconds kNeverIdleStop{0};

    // Starts `output` at once (blocks while it starts). When it cannot start, the engine
    // still works (voices open, keep their states) but nothing pulls frames until the next
    // play tries again; outputRunning() tells. `idleStop` is the span of silence after which
    // the output stops (kNeverIdleStop: never).
    explicit AudioEngine(std::unique_ptr<AudioOutput> output,
                         std::chrono::milliseconds idleStop = kDefaultIdleStop);
    ~AudioEngine() override;
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    EngineVoice& voice(VoiceId id) { return *m_voices[static_cast<std::size_t>(id)]; }
    // The tap lives as long as the engine; see MixTap for which thread calls what.
    MixTap& tap(TapId id) { return *m_taps[static_cast<std::size_t>(id)]; }
    int sampleRate() const { return m_sampleRate; }
    // Any thread, non-blocking: whether the output is pulling frames now (false while
    // stopped for idleness, or when it could not start).
    bool outputRunning() const { return m_outputRunning.load(std::memory_order_acquire); }
    // Any thread, non-blocking: how often the output has been started (the constructor's
    // start counts).
    std::uint64_t outputStarts() const { return m_outputStarts.load(std::memory_order_acquire); }
    // Name of the sink that is pulling frames, or that would pull them once started.
    std::string outputName() const { return m_output->activeName(); }

    // AudioRenderer (output thread)
    void render(float* out, std::size_t frames) noexcept override;
    void waitUntilReady(std::size_t frames) override;

private:
    // User-interface thread, non-blocking: a voice has a request for the output; lets the
    // mix touch the voices again and has the supervisor start the output if it is stopped.
    void voiceNeedsOutput();
    void superviseOutput(); // the supervisor thread's loop
    std::chrono::nanoseconds untilIdle() const;

    std::unique_ptr<AudioOutput> m_output;
    int m_sampleRate;
    std::size_t m_blockFrames;
    std::uint64_t m_idleStopFrames; // 0: never
    ClipAnalyser m_analyser;        // measures the decks' clips; outlives the voices
    std::array<std::unique_ptr<EngineVoice>, kVoiceCount> m_voices;
    std::array<std::unique_ptr<MixTap>, kTapCount> m_taps;

    // The mix gate: bit 0 "parked" (set by the output thread once idle: the mix leaves the
    // voices alone), bit 1 "stopping" (set by the supervisor while it stops the output), the
    // rest a count of voice requests, so that a request and the output's idle decision can
    // never cross unseen.
    std::atomic<std::uint64_t> m_gate{0};
    // Output thread only, and its copy for the supervisor's wait.
    std::uint64_t m_quietFrames = 0;
    std::atomic<std::uint64_t> m_quietFramesSeen{0};

    std::atomic<bool> m_outputRunning{false};
    std::atomic<std::uint64_t> m_outputStarts{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_startRequested = false;
    bool m_quit = false;
    std::thread m_supervisor;
};

} // namespace korvale
