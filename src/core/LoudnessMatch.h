#pragma once

#include "interfaces/ClipAnalysis.h"

namespace korvale {

// Loudness the matched decks are brought to, LUFS.
constexpr double kMatchTargetLufs = -18.0;
// Ceiling for a matched clip's true peak, dBTP.
constexpr double kMatchPeakCeilingDbtp = -1.0;
// Largest boost given to a quiet clip, dB (beyond it only noise would rise).
constexpr double kMatchMaxBoostDb = 20.0;

// The gain (hundredths of a dB) that brings a measured clip to the target loudness: the
// clip's ReplayGain track gain when tagged (a gain to -18 LUFS, as ReplayGain 2 defines it),
// else the target less its measured loudness; lowered so that its true peak stays at or
// below the ceiling, and at most the largest boost. 0 for a clip without measured loudness.
int MatchGainHundredths(const ClipAnalysis& analysis);

} // namespace korvale
