#pragma once

#include "audio/AudioOutput.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace korvale {

// The default output device through PortAudio: float stereo at the device's own rate,
// buffers of about 10 ms. The callback only calls the renderer.
class PortAudioOutput final : public AudioOutput {
public:
    // Initialises PortAudio and opens (does not start) a stream on the default output
    // device. Blocks while the sound system answers. Nothing when no device opens, with
    // the reason in `failure` when given.
    static std::unique_ptr<PortAudioOutput> OpenDefault(std::string* failure = nullptr);
    ~PortAudioOutput() override;

    int sampleRate() const override { return m_sampleRate; }
    std::size_t framesPerBuffer() const override { return m_framesPerBuffer; }
    bool start(AudioRenderer& renderer) override;
    void stop() override;
    std::string activeName() const override { return "portaudio"; }

    // Any thread: callbacks run so far (a heartbeat), and whether the stream still runs.
    std::uint64_t callbackCount() const { return m_callbacks.load(std::memory_order_relaxed); }
    bool streamActive() const;
    // Any thread: from now on (until the next start()) the callback renders nothing and
    // asks the stream to end; blocks (bounded) until a callback in progress has returned.
    // For abandoning a stream whose device has gone away, without waiting on the sound
    // system.
    void detach();

    // The stream's callback: fills one buffer. Real-time safe.
    bool fillBuffer(float* out, std::size_t frames) noexcept;

private:
    struct Session; // PortAudio initialised for the life of the object
    PortAudioOutput(std::unique_ptr<Session> session, void* stream, int sampleRate,
                    std::size_t framesPerBuffer);

    std::unique_ptr<Session> m_session;
    void* m_stream;
    int m_sampleRate;
    std::size_t m_framesPerBuffer;
    AudioRenderer* m_renderer = nullptr;
    bool m_started = false;
    std::atomic<bool> m_detached{false};
    std::atomic<bool> m_inCallback{false};
    std::atomic<std::uint64_t> m_callbacks{0};
};

} // namespace korvale
