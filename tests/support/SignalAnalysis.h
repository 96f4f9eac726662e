#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numbers>
#include <numeric>
#include <utility>
#include <vector>

// Measurements on interleaved stereo float buffers as the engine renders them.
namespace korvale::testing {

// One channel (0 left, 1 right) of an interleaved stereo buffer, frames [from, to).
inline std::vector<float> Channel(const std::vector<float>& stereo, int channel,
                                  std::size_t from = 0,
                                  std::size_t to = static_cast<std::size_t>(-1)) {
    std::vector<float> out;
    for (std::size_t i = from; i < std::min(to, stereo.size() / 2); ++i)
        out.push_back(stereo[2 * i + std::size_t(channel)]);
    return out;
}

// RMS level in dBFS (a full-scale sine reads -3.01); -inf for silence.
inline double RmsDbfs(const std::vector<float>& samples) {
    const double sum = std::inner_product(samples.begin(), samples.end(), samples.begin(), 0.0);
    return sum > 0.0 ? 10.0 * std::log10(sum / double(samples.size()))
                     : -std::numeric_limits<double>::infinity();
}

// Largest absolute sample.
inline double Peak(const std::vector<float>& samples) {
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : std::max(std::fabs(*low), std::fabs(*high));
}

// Largest absolute difference between neighbouring samples.
inline double LargestStep(const std::vector<float>& samples) {
    double step = 0.0;
    for (std::size_t i = 1; i < samples.size(); ++i)
        step = std::max(step, double(std::fabs(samples[i] - samples[i - 1])));
    return step;
}

// Largest absolute second difference: a tone of amplitude a and angular step w bends by a*w^2
// at most, a click far more.
inline double LargestBend(const std::vector<float>& samples) {
    double bend = 0.0;
    for (std::size_t i = 2; i < samples.size(); ++i)
        bend = std::max(bend, double(std::fabs(samples[i] - 2 * samples[i - 1] + samples[i - 2])));
    return bend;
}

// Amplitude of the component at `freqHz` (Goertzel, Hann window), as a sine's peak value.
inline double ToneAmplitude(const std::vector<float>& samples, double freqHz, int sampleRate) {
    const std::size_t n = samples.size();
    const double coeff = 2.0 * std::cos(2.0 * std::numbers::pi * freqHz / sampleRate);
    double s1 = 0.0, s2 = 0.0, windowSum = 0.0;
    for (std::size_t i = 0; n > 1 && i < n; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * double(i) / double(n - 1));
        windowSum += w;
        s2 = std::exchange(s1, samples[i] * w + coeff * s1 - s2);
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return windowSum > 0.0 ? 2.0 * std::sqrt(std::max(power, 0.0)) / windowSum : 0.0;
}

// Frequency of a single tone from its rising zero crossings, interpolated.
inline double EstimateFrequencyHz(const std::vector<float>& samples, int sampleRate) {
    double first = -1.0, last = -1.0;
    int crossings = -1;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0.0f && samples[i] >= 0.0f) {
            last = double(i - 1) + samples[i - 1] / double(samples[i - 1] - samples[i]);
            first = first < 0.0 ? last : first;
            ++crossings;
        }
    }
    return crossings > 0 ? crossings * sampleRate / (last - first) : 0.0;
}

} // namespace korvale::testing
