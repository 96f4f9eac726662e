#pragma once

#include "decode/PolyphaseResampler.h"

#include <cstddef>
#include <memory>
#include <vector>

struct soxr;

namespace korvale {

// Stereo float sample-rate conversion: a plain copy when both rates are equal, else the
// polyphase converter (PolyphaseResampler) for every rate pair it has a table for, else libsoxr
// (single-threaded, its high-quality recipe: 20-bit precision, linear phase, flat to about 91 %
// of the lower Nyquist frequency). Used by one thread at a time (a voice's worker); may allocate
// at construction only.
class Resampler {
public:
    Resampler(int inputRate, int outputRate);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    int inputRate() const { return m_inputRate; }
    int outputRate() const { return m_outputRate; }
    // Converts interleaved stereo frames from `input` (up to `inputFrames`) into `output`
    // (at most `outputCapacity` frames); sets `inputUsed` to the input frames taken. While both
    // counts are non-zero it takes input or writes output. Returns the frames written. Input
    // taken but not yet converted stays buffered inside until later calls or flush().
    std::size_t process(const float* input, std::size_t inputFrames, std::size_t& inputUsed,
                        float* output, std::size_t outputCapacity);
    // After the last input: writes up to `capacity` of the frames still held back. Returns
    // the frames written; 0 once everything has come out.
    std::size_t flush(float* output, std::size_t capacity);
    // Forgets all input, as after construction (used at every seek).
    void reset();

private:
    // Most frames libsoxr converts per call (the channel buffers' size).
    static constexpr std::size_t kBlockFrames = 4096;

    // Writes `frames` frames of the output channel buffers interleaved to `output`.
    std::size_t interleave(std::size_t frames, float* output) const;

    struct SoxrDeleter {
        void operator()(soxr* handle) const;
    };

    int m_inputRate;
    int m_outputRate;
    // Null when the rates are equal or it has no table for them.
    std::unique_ptr<PolyphaseResampler> m_polyphase;
    // Null when the rates are equal or the polyphase converter serves them.
    std::unique_ptr<soxr, SoxrDeleter> m_soxr;
    // Channel buffers for libsoxr, allocated with it.
    std::vector<float> m_inLeft;
    std::vector<float> m_inRight;
    std::vector<float> m_outLeft;
    std::vector<float> m_outRight;
};

} // namespace korvale
