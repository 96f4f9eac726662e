#pragma once

#include "audio/AudioOutput.h"

#include <atomic>
#include <vector>

namespace korvale {

// An output that a test or benchmark pulls by hand: pull() renders exactly the frames
// asked for, in buffers of framesPerBuffer(), each after the voices have decoded far
// enough ahead, so the result never depends on thread timing. pull() must not run while
// stop() runs (the caller waits until the engine reports the output stopped or running).
class OfflineOutput final : public AudioOutput {
public:
    OfflineOutput(int sampleRate, std::size_t framesPerBuffer);

    int sampleRate() const override { return m_sampleRate; }
    std::size_t framesPerBuffer() const override { return m_framesPerBuffer; }
    bool start(AudioRenderer& renderer) override;
    void stop() override;
    std::string activeName() const override { return "offline"; }

    // Renders `frames` stereo frames (calling thread; blocks while voices decode) and
    // returns them interleaved. Returns silence of that length when not started.
    std::vector<float> pull(std::size_t frames);
    // The same into a caller's buffer of 2 x frames floats.
    void pullInto(float* out, std::size_t frames);
    // Frames rendered since start.
    std::size_t framesRendered() const { return m_framesRendered; }

private:
    int m_sampleRate;
    std::size_t m_framesPerBuffer;
    // Set and cleared by start()/stop(), which may run on another thread than pull().
    std::atomic<AudioRenderer*> m_renderer{nullptr};
    std::size_t m_framesRendered = 0;
};

} // namespace korvale
