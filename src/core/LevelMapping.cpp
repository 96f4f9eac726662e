#include "core/LevelMapping.h"

#include "core/FormatText.h"

#include <cstdio>

namespace korvale {

namespace {

constexpr std::uint32_t kChannelSpan = 65536u;

} // namespace

std::uint16_t LevelPositionToChannel(int position) {
    // Unsigned arithmetic wraps, so any position gives a defined value.
    return static_cast<std::uint16_t>(kChannelSpan - static_cast<std::uint32_t>(position));
}

int ChannelsToLevelPosition(std::uint16_t left, std::uint16_t right) {
    return static_cast<int>(kChannelSpan) - (static_cast<int>(left) + static_cast<int>(right)) / 2;
}

std::string LevelLabelText(int position) {
    return FormatText("-%ld db", static_cast<long>(position / kLevelLabelDivisor));
}

} // namespace korvale
