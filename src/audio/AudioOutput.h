#pragma once

#include <cstddef>
#include <string>

namespace korvale {

class AudioRenderer;

// A sink for the engine's mix: a sound device, a clock that discards, or a test harness.
// Construction happens on the thread that owns the engine; start() and stop() are called
// one at a time (never concurrently), from that thread or from the engine's supervisor
// thread, and may alternate any number of times.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Frames per second.
    virtual int sampleRate() const = 0;
    // Frames in one buffer (one render() call), about 10 ms.
    virtual std::size_t framesPerBuffer() const = 0;
    // Starts pulling frames from `renderer`, which must outlive stop(). Blocks until the
    // output runs; false when it could not start.
    virtual bool start(AudioRenderer& renderer) = 0;
    // Stops pulling. Blocks until the last render() call has returned; afterwards the
    // renderer is never called again until the next start(). Safe to call when not
    // started. A stop is deliberate: it never counts as a failure of the sink.
    virtual void stop() = 0;
    // Short name of the sink in use now ("portaudio", "null", "offline").
    virtual std::string activeName() const = 0;
};

} // namespace korvale
