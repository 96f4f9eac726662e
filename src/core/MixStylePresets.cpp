#include "core/MixStylePresets.h"

#include "core/FormatText.h"

#include <cstdio>

namespace korvale {

std::optional<MixStylePreset> MixStylePresetAt(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kMixStyles.size()) {
        return std::nullopt;
    }
    return kMixStyles[static_cast<std::size_t>(index)].preset;
}

std::string SkipLastLabelText(int seconds) {
    return FormatText("Skip the last %d seconds", seconds);
}

std::string InSpeedLabelText(int speed) {
    return FormatText("In Speed %d", speed);
}

std::string OutSpeedLabelText(int speed) {
    return FormatText("Out Speed %d", speed);
}

} // namespace korvale
