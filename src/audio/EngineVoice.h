#pragma once

#include "audio/ClipAnalyser.h"
#include "audio/SpscRing.h"
#include "decode/Decoder.h"
#include "interfaces/MediaVoice.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvale {

// One voice of the audio engine. Three threads meet here:
// - the user-interface thread calls the MediaVoice methods;
// - the voice's worker decodes and resamples into a preallocated ring;
// - the output thread calls mixInto(), which only copies from the ring, applies the ramped
//   gain, mixes and counts frames.
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

    // MediaVoice (user-interface thread)
    bool open(const std::string& path) override;
    void close() override;
    std::string path() const override { return m_path; }
    bool isOpen() const override { return m_open; }
    double durationSeconds() const override { return m_open ? m_durationSeconds : 0.0; }
    double positionSeconds() const override;
    VoicePlayState playState() const override;
    void seek(double seconds) override;
    void play() override;
    void stop() override;
    void pause() override;
    void setVolume(int hundredthsOfDb) override;
    void measure() override;
    std::optional<ClipAnalysis> analysis() const override;
    void setMatchGain(int hundredthsOfDb) override;

    // User-interface thread: the open clip's measurement is still under way.
    bool analysisPending() const { return m_analysis && !m_analysis->done(); }

    // Why the last open() gave no sound (Ok when it decodes).
    DecoderOpenStatus lastOpenStatus() const { return m_openStatus; }

    // Output thread: adds `frames` (at most maxBlockFrames) stereo frames to `out`.
    // Real-time safe. Returns whether the voice is busy: audible, about to sound, or holding
    // a request that the output has not taken up yet. A voice that is not busy leaves its
    // state and position alone when mixInto() is not called at all.
    bool mixInto(float* out, std::size_t frames) noexcept;

    // Offline outputs, on the thread that calls mixInto(): blocks (bounded) until the worker
    // has served the newest request and holds `frames` frames ahead or has reached the end.
    void waitUntilReady(std::size_t frames);

private:
    struct Frame {
        float left;
        float right;
    };
    // A request from the user-interface thread to the worker.
    struct Request {
        std::uint32_t generation = 0;
        bool replaceDecoder = false;
        std::unique_ptr<Decoder> decoder;
        std::int64_t startFrame = 0;
    };

    void refresh() const; // folds an end reached by the output into the UI-side state
    void submit(bool replaceDecoder, std::unique_ptr<Decoder> decoder, std::int64_t startFrame);
    void publishControl(bool playing);
    void notifyOutput() const;
    void workerLoop();
    bool segmentReady(std::size_t frames) noexcept;
    void adoptNewestSegment() noexcept;

    const int m_outputRate;
    const std::size_t m_maxBlockFrames;
    const std::function<void()> m_needsOutput;

    // User-interface thread state. Mutable: reading the state folds in what the output
    // has reported since (end of clip).
    std::string m_path;
    bool m_open = false;
    bool m_decodable = false;
    DecoderOpenStatus m_openStatus = DecoderOpenStatus::Missing;
    double m_durationSeconds = 0.0;
    int m_sourceRate = 0;
    double m_startSeconds = 0.0; // last seek target: play() restarts here after the end
    double m_segmentStart = 0.0; // source time where the newest generation starts
    std::uint32_t m_generation = 0;
    mutable VoicePlayState m_state = VoicePlayState::Closed;
    mutable bool m_atEnd = false;

    // User-interface thread <-> worker.
    std::mutex m_mutex;
    std::condition_variable m_wake;     // new request or quit
    std::condition_variable m_progress; // worker produced or served a request
    Request m_request;
    bool m_quit = false;

    ClipAnalyser* const m_analyser;
    std::shared_ptr<const ClipAnalyser::Job> m_analysis; // user-interface thread

    SpscRing<Frame> m_ring;

    // Worker -> output.
    std::atomic<std::uint32_t> m_segmentGeneration{0};
    std::atomic<std::uint64_t> m_segmentStartIndex{0};
    std::atomic<std::uint32_t> m_eofGeneration{0};
    // User-interface thread -> output.
    std::atomic<std::uint64_t> m_control{0}; // generation << 1 | playing
    std::atomic<float> m_targetGain{1.0f};
    std::atomic<float> m_matchGain{1.0f};
    // Output -> user-interface thread.
    std::atomic<std::uint64_t> m_played{0}; // generation (24 bits) << 40 | frames played
    std::atomic<std::uint32_t> m_endedGeneration;

    // Output thread only.
    std::uint32_t m_outGeneration = 0;
    std::uint64_t m_outFrames = 0;
    float m_outGain = 0.0f;
    bool m_outAudible = false;
    bool m_outEnded = false;
    float m_outMatch = 1.0f;       // match gain reached by the last block
    float m_outMatchTarget = 1.0f; // where the running match ramp goes
    float m_outMatchStep = 0.0f;   // its change per frame

    std::thread m_worker; // last: starts after every member above exists
};

} // namespace korvale
