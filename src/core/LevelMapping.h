#pragma once

#include <cstdint>
#include <string>

namespace korvale {

// Level slider positions (MasterLevel, MicLevel): 1 at the top (full) to 65536 (silent).
inline constexpr int kLevelMin = 1;
inline constexpr int kLevelMax = 65536;
inline constexpr int kLevelTickFrequency = 1456;
inline constexpr int kLevelPageSize = 728;
// Positions per label "dB": the label figure is position / 728.
inline constexpr int kLevelLabelDivisor = 728;

// One channel's device volume (0 silent .. 65535 full) for a slider position:
// (65536 - position) modulo 65536, so 1 gives 65535 and 65536 gives 0. Pure; any thread.
std::uint16_t LevelPositionToChannel(int position);

// The slider position for a device's left and right volumes:
// 65536 - floor((left + right) / 2).
int ChannelsToLevelPosition(std::uint16_t left, std::uint16_t right);

// The level label: "-%ld db" with position / 728 (truncating).
std::string LevelLabelText(int position);

} // namespace korvale
