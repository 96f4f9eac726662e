#pragma once

#include <string>

#include "interfaces/Decibels.h"

namespace korvale {

// Deck fader positions are the deck's attenuation in hundredths of a dB: 0 is full level at
// the top, 9000 (-90 dB) the bottom. The deck's volume is the negated position.
inline constexpr int kFaderFullLevel = 0;
inline constexpr int kFaderBottom = 9000;
// Where a freshly loaded deck's fader is put (-85 dB).
inline constexpr int kFaderLoadPosition = 8500;
// A fader the user moves to this position or higher (-87.5 dB or quieter) closes its deck.
inline constexpr int kFaderCloseThreshold = 8750;
inline constexpr int kFaderTickFrequency = 400;
// Fader units in one dB.
inline constexpr int kFaderUnitsPerDb = kHundredthsPerDb;

// The fader label: "-%ld db" with position / 100 (truncating), e.g. 8750 -> "-87 db".
// Pure; any thread.
std::string FaderLabelText(long position);

// The label right after a load: "-85db".
std::string FaderLoadLabelText();

// The position limited to the fader's range 0..9000.
int ClampFader(long position);

} // namespace korvale
