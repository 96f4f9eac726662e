#pragma once

namespace korvale {

// Values of g_mixPhase: a cross-fade runs, or none does.
inline constexpr int kMixPhaseFading = 2;
inline constexpr int kMixPhaseIdle = -1;

// MixDirection codes. 1 and 12 fade deck 1 in and deck 2 out, 2 and 21 the reverse; the
// pairs differ only in why they were chosen.
inline constexpr int kMixDirectionNone = 0;  // neither deck holds a clip
inline constexpr int kMixDirectionInto1 = 1; // only deck 1 holds a clip, or neither plays
inline constexpr int kMixDirectionInto1From2Playing = 12; // deck 2 plays, deck 1 does not
inline constexpr int kMixDirectionInto2 = 2;              // only deck 2 holds a clip
inline constexpr int kMixDirectionInto2From1Playing = 21; // deck 1 plays

// The deck (1 or 2) that a direction fades in; 0 for kMixDirectionNone or an unknown code.
constexpr int IncomingDeckOf(int direction) {
    switch (direction) {
    case kMixDirectionInto1:
    case kMixDirectionInto1From2Playing:
        return 1;
    case kMixDirectionInto2:
    case kMixDirectionInto2From1Playing:
        return 2;
    default:
        return 0;
    }
}

} // namespace korvale
