#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvale {

// Frames a second of a time text (HH:MM:SS:FF).
inline constexpr int kTimeTextFramesPerSecond = 25;
// Milliseconds of one frame.
inline constexpr std::int32_t kTimeTextMillisecondsPerFrame = 40;
// The text shown by an empty display.
inline constexpr std::string_view kTimeTextReset = "00:00:00:00";

// The frame count a time text shows for `seconds`: the seconds times 25, truncated toward
// zero, saturated at the 32-bit range; NaN gives 0. Pure; any thread.
std::int32_t TimeTextFrames(double seconds);

// Seconds as "HH:MM:SS:FF" at 25 frames a second. The frame count is the seconds times 25,
// truncated toward zero to 32 bits; hours wrap at 60, and a negative time prints each part
// with its own minus sign (-0.5 s gives "00:00:00:-12"). Times beyond the 32-bit frame range
// saturate at that range's ends; NaN gives "00:00:00:00". Pure; any thread.
std::string FormatTimeText(double seconds);

// Milliseconds of a time text: the two-character pieces at offsets 0, 3, 6 and 9 are read as
// hours, minutes, seconds and frames the way atoi reads them (leading blanks and a sign, up
// to the first non-digit, no digits giving 0); the separators are not looked at. Pieces
// beyond the end of a shorter text read as 0. 32-bit result, wrapping rather than
// overflowing (two-character pieces keep it far from the limits anyway). Pure; any thread.
std::int32_t ParseTimeText(std::string_view text);

} // namespace korvale
