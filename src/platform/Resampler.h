#pragma once

#include <cstddef>
#include <memory>

struct soxr;

namespace korvale {

// Stereo float sample-rate conversion through libsoxr (single-threaded), or a plain copy
// when both rates are equal. Used by one thread at a time (a voice's worker); may allocate
// at construction only.
class Resampler {
public:
    Resampler(int inputRate, int outputRate);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    int inputRate() const { return m_inputRate; }
    int outputRate() const { return m_outputRate; }
    // Largest number of output frames that `inputFrames` input frames (or a flush) can give.
    std::size_t maxOutputFrames(std::size_t inputFrames) const;

    // Converts all `inputFrames` interleaved stereo frames; `output` must hold
    // maxOutputFrames(inputFrames). Returns the frames written.
    std::size_t process(const float* input, std::size_t inputFrames, float* output);
    // After the last input: writes up to `capacity` of the frames still held back. Returns
    // the frames written; 0 once everything has come out.
    std::size_t flush(float* output, std::size_t capacity);
    // Forgets all input, as after construction (used at every seek).
    void reset();

private:
    struct SoxrDeleter {
        void operator()(soxr* handle) const;
    };

    int m_inputRate;
    int m_outputRate;
    std::unique_ptr<soxr, SoxrDeleter> m_soxr; // null when the rates are equal
};

} // namespace korvale
