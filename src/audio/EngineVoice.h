#pragma once

#include "audio/ClipAnalyser.h"
#include "audio/VoiceReader.h"
#include "audio/VoiceTransport.h"
#include "decode/Decoder.h"
#include "interfaces/MediaVoice.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace korvale {

// One voice of the audio engine, in three pieces that three threads use:
// - the user-interface thread calls the MediaVoice methods; the transport (VoiceTransport)
//   holds what it sees of the clip and turns each request into a generation;
// - the voice's worker (VoiceReader) decodes and resamples into a preallocated ring;
// - the output thread calls mixInto(), here, which only copies from the ring, applies the
//   ramped gain, mixes and counts frames.
//
// Every request of the user-interface thread that moves the decoder (open, close, seek)
// gets a new generation number. The worker serves the newest one and marks in the ring
// where its frames start; the output drops whatever came before that mark once the voice
// is silent, and only plays frames of the generation that the user-interface thread last
// asked to play.
class EngineVoice final : public MediaVoice {
public:
    // `outputRate` in frames per second; `maxBlockFrames` is the largest mixInto() call.
    // `needsOutput` (may be empty) runs on the user-interface thread after each request that
    // the output has to act on (open, seek, play), once the request is published;
    // it must not block.
    // `analyser` (may be null: no clip is measured) must outlive the voice.
    EngineVoice(int outputRate, std::size_t maxBlockFrames, std::function<void()> needsOutput = {},
                ClipAnalyser* analyser = nullptr);
    ~EngineVoice() override;
    EngineVoice(const EngineVoice&) = delete;
    EngineVoice& operator=(const EngineVoice&) = delete;

    // MediaVoice (user-interface thread; only open() blocks, while it scans the clip).
    // Positions and durations in seconds; volumes and match gains in hundredths of a dB.
    bool open(const std::string& path) override;
    void close() override;
    std::string path() const override { return m_transport.path(); }
    bool isOpen() const override { return m_transport.isOpen(); }
    double durationSeconds() const override { return m_transport.durationSeconds(); }
    double positionSeconds() const override { return m_transport.positionSeconds(); }
    VoicePlayState playState() const override { return m_transport.playState(); }
    void seek(double seconds) override { m_transport.seek(seconds); }
    void play() override { m_transport.play(); }
    void stop() override { m_transport.stop(); }
    void pause() override { m_transport.pause(); }
    void setVolume(int hundredthsOfDb) override;
    void measure() override;
    std::optional<ClipAnalysis> analysis() const override;
    void setMatchGain(int hundredthsOfDb) override;

    // User-interface thread, non-blocking: the open clip's measurement is still under way.
    bool analysisPending() const { return m_analysis && !m_analysis->done(); }

    // User-interface thread, non-blocking: why the last open() gave no sound (Ok when it
    // decodes).
    DecoderOpenStatus lastOpenStatus() const { return m_transport.lastOpenStatus(); }

    // Output thread: adds `frames` (at most maxBlockFrames) stereo frames to `out`.
    // Real-time safe. Returns whether the voice is busy: audible, about to sound, or holding
    // a request that the output has not taken up yet. A voice that is not busy leaves its
    // state and position alone when mixInto() is not called at all.
    bool mixInto(float* out, std::size_t frames) noexcept;

    // Offline outputs, on the thread that calls mixInto(): blocks (bounded) until the worker
    // has served the newest request and holds `frames` frames ahead or has reached the end.
    void waitUntilReady(std::size_t frames);

private:
    void adoptNewestSegment() noexcept;

    const int m_outputRate;
    const std::size_t m_maxBlockFrames;

    ClipAnalyser* const m_analyser;
    std::shared_ptr<const ClipAnalyser::Job> m_analysis; // user-interface thread

    VoiceReader m_reader;       // its worker starts here; the transport submits to it
    VoiceTransport m_transport; // user-interface thread; publishes to the output

    // User-interface thread -> output. The output thread may only touch atomics that never
    // fall back to a lock.
    static_assert(std::atomic<float>::is_always_lock_free);
    std::atomic<float> m_targetGain{1.0f};
    std::atomic<float> m_matchGain{1.0f};

    // Output thread only.
    std::uint32_t m_outGeneration = 0;
    std::uint64_t m_outFrames = 0;
    float m_outGain = 0.0f;
    bool m_outAudible = false;
    bool m_outEnded = false;
    float m_outMatch = 1.0f;       // match gain reached by the last block
    float m_outMatchTarget = 1.0f; // where the running match ramp goes
    float m_outMatchStep = 0.0f;   // its change per frame
};

} // namespace korvale
