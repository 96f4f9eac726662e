#pragma once

#include "audio/AudioOutput.h"

#include <atomic>
#include <thread>
#include <vector>

namespace korvale {

// An output without a device: its own thread pulls one buffer every buffer period and
// discards it, so voices advance in real time (positions move, clips end) with no sound.
class NullOutput final : public AudioOutput {
public:
    NullOutput(int sampleRate, std::size_t framesPerBuffer);
    ~NullOutput() override;

    int sampleRate() const override { return m_sampleRate; }
    std::size_t framesPerBuffer() const override { return m_framesPerBuffer; }
    bool start(AudioRenderer& renderer) override;
    void stop() override;
    std::string activeName() const override { return "null"; }

private:
    void run(AudioRenderer& renderer);

    int m_sampleRate;
    std::size_t m_framesPerBuffer;
    std::vector<float> m_buffer;
    std::atomic<bool> m_running{false};
    std::thread m_thread;
};

} // namespace korvale
