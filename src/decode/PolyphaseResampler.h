#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace korvale {

// Stereo float sample-rate conversion by a polyphase windowed-sinc filter, for the rate pairs
// whose ratio reduces to a fraction small enough for a table of every filter phase (every pair of
// the usual audio rates).
//
// The filter is a sinc low-pass at 96 % of the lower Nyquist frequency under a Kaiser window
// (beta 10), 48 taps long at the lower of the two rates. From 44.1 to 48 kHz it is flat to 18 kHz
// (within 0.001 dB), 0.05 dB down at 19 kHz and 0.9 dB down at 20 kHz, and whatever it adds to a
// tone up to 19.8 kHz (images, aliases) stays more than 100 dB below the tone; only content above
// 20 kHz leaves images or aliases above 20 kHz (bench/resampler_quality measures all this).
//
// Output frame n stands exactly at input time n * inputRate / outputRate: the conversion adds no
// delay. Four consecutive output frames are computed together from one window of input, so that
// every input load serves four outputs; with eight-float vectors and fused multiply-adds where the
// processor has them (AVX2 and FMA), else with portable four-float vectors. The two ways round
// differently in the last bits.
//
// Used by one thread at a time; allocates at construction only.
class PolyphaseResampler {
public:
    // Computes four consecutive outputs, interleaved into `output`: `coefficients` is their group's
    // table, `left` and `right` the first input frame of their `window`.
    using GroupKernel = void (*)(const float* coefficients, const float* left, const float* right,
                                 std::size_t window, float* output);

    // Null when the table of filter phases for these rates would be too large (rates whose ratio
    // does not reduce to a small fraction) or a rate is not positive. `portableKernel` takes the
    // portable kernel even where a faster one runs (to compare the two).
    static std::unique_ptr<PolyphaseResampler> Create(int inputRate, int outputRate,
                                                      bool portableKernel = false);

    // Converts interleaved stereo frames from `input` (up to `inputFrames`) into `output` (at most
    // `outputCapacity` frames); sets `inputUsed` to the input frames taken. While both counts are
    // non-zero it takes input or writes output. Returns the frames written. Input taken but not
    // yet converted stays buffered inside until later calls or flush().
    std::size_t process(const float* input, std::size_t inputFrames, std::size_t& inputUsed,
                        float* output, std::size_t outputCapacity);
    // After the last input: writes up to `capacity` of the frames still held back, up to the
    // output frame that stands at the end of the input. Returns the frames written; 0 once
    // everything has come out. Only reset() makes it take input again.
    std::size_t flush(float* output, std::size_t capacity);
    // Forgets all input, as after construction.
    void reset();

private:
    PolyphaseResampler(GroupKernel kernel, std::uint64_t phases, std::uint64_t step,
                       std::size_t taps, std::size_t window, std::vector<float> coefficients,
                       std::vector<std::uint32_t> advances);

    // Moves the frames the next outputs need to the front of the channel buffers.
    void compact();
    // Writes the outputs whose input windows are buffered, up to `capacity`.
    std::size_t produce(float* output, std::size_t capacity);
    // Whether the output `ahead` frames after the next one still stands before the input's end.
    bool beforeEnd(std::uint64_t ahead) const;
    void convertGroup(float* output) const;
    void nextGroup();

    const std::uint64_t m_phases; // output frames per period of the phase pattern
    const std::uint64_t m_step;   // input frames per period of the phase pattern
    const std::size_t m_taps;
    const std::size_t m_window; // input frames one group of outputs reads
    // Per group of four outputs, per four input frames of its window, per output: four taps.
    const std::vector<float> m_coefficients;
    // Per group: input frames from its window to the next group's.
    const std::vector<std::uint32_t> m_advances;
    const GroupKernel m_kernel; // the fastest this processor runs

    // Input by channel: the filter's history, then frames not yet converted.
    std::vector<float> m_left;
    std::vector<float> m_right;
    std::size_t m_filled = 0; // frames held in the channel buffers
    std::size_t m_start = 0;  // first frame of the current group's window
    std::size_t m_group = 0;
    std::size_t m_lane = 0;          // the current group's outputs already written
    std::array<float, 8> m_staged{}; // the current group, when fewer outputs than four fit
    std::uint64_t m_inputFrames = 0;
    std::uint64_t m_outputFrames = 0;
    bool m_ending = false;
    std::size_t m_paddingLeft = 0; // silent frames still to append after the last input
};

} // namespace korvale
