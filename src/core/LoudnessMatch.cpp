#include "core/LoudnessMatch.h"

#include <algorithm>
#include <cmath>

#include "interfaces/Decibels.h"

namespace korvale {

int MatchGainHundredths(const ClipAnalysis& analysis) {
    double gain = 0.0;
    if (analysis.replayGainTrackDb && std::isfinite(*analysis.replayGainTrackDb)) {
        gain = *analysis.replayGainTrackDb;
    } else if (std::isfinite(analysis.integratedLufs)) {
        gain = kMatchTargetLufs - analysis.integratedLufs;
    } else {
        return 0;
    }
    if (std::isfinite(analysis.truePeakDbtp)) {
        gain = std::min(gain, kMatchPeakCeilingDbtp - analysis.truePeakDbtp);
    }
    gain = std::min(gain, kMatchMaxBoostDb);
    // Rounded down, so that rounding never lifts the peak over the ceiling.
    return static_cast<int>(std::floor(gain * kHundredthsPerDb));
}

} // namespace korvale
