#pragma once

#include <cstddef>

namespace korvale {

// What an audio output pulls its frames from (the engine's mixer).
class AudioRenderer {
public:
    virtual ~AudioRenderer() = default;

    // Writes `frames` interleaved stereo float frames to `out` (overwriting it). Called from
    // the output's own thread only, one call at a time; real-time safe: never locks,
    // allocates, logs or touches a file.
    virtual void render(float* out, std::size_t frames) noexcept = 0;

    // For outputs that are not real time (offline rendering), on the thread that calls
    // render(): blocks until every voice has
    // `frames` frames decoded ahead, or has reached the end of its clip, so that the next
    // render() is exactly what an output that never underruns would hear. Bounded wait.
    virtual void waitUntilReady(std::size_t frames) = 0;
};

} // namespace korvale
