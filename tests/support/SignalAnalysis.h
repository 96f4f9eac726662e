#pragma once

#include <cstddef>
#include <vector>

namespace korvale::testing {

// Measurements on interleaved stereo float buffers as the engine renders them.

// One channel (0 left, 1 right) of an interleaved stereo buffer, frames [from, to).
std::vector<float> Channel(const std::vector<float>& stereo, int channel, std::size_t from = 0,
                           std::size_t to = static_cast<std::size_t>(-1));

// RMS level in dBFS (a full-scale sine reads -3.01); -inf for silence.
double RmsDbfs(const std::vector<float>& samples);
// Largest absolute sample.
double Peak(const std::vector<float>& samples);
// Largest absolute difference between neighbouring samples.
double LargestStep(const std::vector<float>& samples);
// Amplitude of the component at `freqHz` (Goertzel, Hann window), as a sine's peak value.
double ToneAmplitude(const std::vector<float>& samples, double freqHz, int sampleRate);
// Frequency of a single tone from its rising zero crossings, interpolated.
double EstimateFrequencyHz(const std::vector<float>& samples, int sampleRate);

} // namespace korvale::testing
