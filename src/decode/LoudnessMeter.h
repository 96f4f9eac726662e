#pragma once

#include "interfaces/ClipAnalysis.h"

#include <cstddef>
#include <cstdint>
#include <memory>

#include <ebur128.h>

namespace korvale {

// Measures interleaved stereo float frames as they come, with libebur128: integrated
// loudness, true peak, and the first and last frames above the audible threshold. Used by
// one thread at a time; add() costs about what decoding the same frames costs.
class LoudnessMeter {
public:
    // Sample level (dBFS) a clip must rise above to count as audible.
    static constexpr double kAudibleThresholdDbfs = -60.0;

    // `sampleRate` in frames per second. valid() is false when the library refuses it.
    explicit LoudnessMeter(int sampleRate);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    bool valid() const { return m_state != nullptr; }
    // Adds `frames` stereo frames (2 floats each).
    void add(const float* stereo, std::size_t frames);
    // What was measured so far; the edges in seconds of what was added.
    ClipAnalysis result() const;

private:
    struct StateDeleter {
        void operator()(ebur128_state* state) const;
    };
    std::unique_ptr<ebur128_state, StateDeleter> m_state;
    int m_rate;
    float m_audible;
    std::int64_t m_frames = 0;
    std::int64_t m_firstAudible = -1;
    std::int64_t m_lastAudible = -1;
};

} // namespace korvale
