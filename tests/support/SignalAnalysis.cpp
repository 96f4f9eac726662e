#include "support/SignalAnalysis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace korvale::testing {

std::vector<float> Channel(const std::vector<float>& stereo, int channel, std::size_t from,
                           std::size_t to) {
    const std::size_t frames = stereo.size() / 2;
    to = std::min(to, frames);
    std::vector<float> out;
    for (std::size_t i = from; i < to; ++i) {
        out.push_back(stereo[2 * i + static_cast<std::size_t>(channel)]);
    }
    return out;
}

double RmsDbfs(const std::vector<float>& samples) {
    if (samples.empty()) {
        return -std::numeric_limits<double>::infinity();
    }
    double sum = 0.0;
    for (const float s : samples) {
        sum += static_cast<double>(s) * s;
    }
    const double rms = std::sqrt(sum / static_cast<double>(samples.size()));
    return rms > 0.0 ? 20.0 * std::log10(rms) : -std::numeric_limits<double>::infinity();
}

double Peak(const std::vector<float>& samples) {
    double peak = 0.0;
    for (const float s : samples) {
        peak = std::max(peak, static_cast<double>(std::fabs(s)));
    }
    return peak;
}

double LargestStep(const std::vector<float>& samples) {
    double step = 0.0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        step = std::max(step, static_cast<double>(std::fabs(samples[i] - samples[i - 1])));
    }
    return step;
}

double ToneAmplitude(const std::vector<float>& samples, double freqHz, int sampleRate) {
    const std::size_t n = samples.size();
    if (n < 2) {
        return 0.0;
    }
    const double omega = 2.0 * std::numbers::pi * freqHz / sampleRate;
    const double coeff = 2.0 * std::cos(omega);
    double s1 = 0.0;
    double s2 = 0.0;
    double windowSum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double w =
            0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / (n - 1));
        windowSum += w;
        const double s0 = samples[i] * w + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    return 2.0 * std::sqrt(std::max(power, 0.0)) / windowSum;
}

double EstimateFrequencyHz(const std::vector<float>& samples, int sampleRate) {
    double first = -1.0;
    double last = -1.0;
    int crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0.0f && samples[i] >= 0.0f) {
            const double t = static_cast<double>(i - 1) +
                             samples[i - 1] / static_cast<double>(samples[i - 1] - samples[i]);
            if (first < 0.0) {
                first = t;
            } else {
                ++crossings;
            }
            last = t;
        }
    }
    if (crossings == 0) {
        return 0.0;
    }
    return crossings * sampleRate / (last - first);
}

} // namespace korvale::testing
