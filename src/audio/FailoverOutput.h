#pragma once

#include "audio/AudioOutput.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace korvale {

class NullOutput;
class PortAudioOutput;

// A PortAudio stream watched by a monitor thread: when the stream stops on its own or its
// callback stalls (the sound server died, the device vanished), the stream is abandoned
// and a NullOutput at the same rate takes over, so the program's clocks keep moving. A
// stop() is deliberate: the monitor ends first, and the next start() starts the same
// stream again (or the NullOutput, once the stream was abandoned).
class FailoverOutput final : public AudioOutput {
public:
    explicit FailoverOutput(std::unique_ptr<PortAudioOutput> primary);
    ~FailoverOutput() override;

    int sampleRate() const override;
    std::size_t framesPerBuffer() const override;
    bool start(AudioRenderer& renderer) override;
    void stop() override;
    std::string activeName() const override;

private:
    void monitor(AudioRenderer& renderer);

    std::unique_ptr<PortAudioOutput> m_primary;
    std::unique_ptr<NullOutput> m_fallback;
    std::atomic<bool> m_onFallback{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_monitor;
};

} // namespace korvale
