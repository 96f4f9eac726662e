#include "decode/LoudnessMeter.h"

#include "decode/Decoder.h"
#include "interfaces/Decibels.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace korvale {

void LoudnessMeter::StateDeleter::operator()(ebur128_state* state) const {
    ebur128_destroy(&state);
}

LoudnessMeter::LoudnessMeter(int sampleRate)
    : m_state(sampleRate > 0
                  ? ebur128_init(Decoder::kChannels, static_cast<unsigned long>(sampleRate),
                                 EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK)
                  : nullptr),
      m_rate(sampleRate), m_audible(static_cast<float>(GainOfDb(kAudibleThresholdDbfs))) {}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::add(const float* stereo, std::size_t frames) {
    if (!m_state || frames == 0) {
        return;
    }
    ebur128_add_frames_float(m_state.get(), stereo, frames);
    const std::size_t samples = frames * Decoder::kChannels;
    const auto audible = [this](float sample) { return std::fabs(sample) > m_audible; };
    const float* first = std::find_if(stereo, stereo + samples, audible);
    if (first != stereo + samples) {
        const auto firstFrame = static_cast<std::int64_t>((first - stereo) / Decoder::kChannels);
        if (m_firstAudible < 0) {
            m_firstAudible = m_frames + firstFrame;
        }
        std::int64_t last = static_cast<std::int64_t>(samples) - 1;
        while (!audible(stereo[last])) {
            --last;
        }
        m_lastAudible = m_frames + last / Decoder::kChannels;
    }
    m_frames += static_cast<std::int64_t>(frames);
}

ClipAnalysis LoudnessMeter::result() const {
    ClipAnalysis analysis;
    const double minusInfinity = -std::numeric_limits<double>::infinity();
    analysis.integratedLufs = minusInfinity;
    analysis.truePeakDbtp = minusInfinity;
    if (m_state) {
        double lufs = minusInfinity;
        if (ebur128_loudness_global(m_state.get(), &lufs) == EBUR128_SUCCESS) {
            analysis.integratedLufs = lufs;
        }
        double peak = 0.0;
        for (unsigned channel = 0; channel < Decoder::kChannels; ++channel) {
            double channelPeak = 0.0;
            if (ebur128_true_peak(m_state.get(), channel, &channelPeak) == EBUR128_SUCCESS) {
                peak = std::max(peak, channelPeak);
            }
        }
        if (peak > 0.0) {
            analysis.truePeakDbtp = DbOfGain(peak);
        }
    }
    const double rate = m_rate > 0 ? m_rate : 1;
    if (m_firstAudible < 0) {
        analysis.firstAudibleSeconds = 0.0;
        analysis.lastAudibleSeconds = static_cast<double>(m_frames) / rate;
    } else {
        analysis.firstAudibleSeconds = static_cast<double>(m_firstAudible) / rate;
        // The end of the last audible frame.
        analysis.lastAudibleSeconds = static_cast<double>(m_lastAudible + 1) / rate;
    }
    return analysis;
}

} // namespace korvale
