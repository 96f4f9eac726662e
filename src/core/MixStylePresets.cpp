#include "core/MixStylePresets.h"

#include "core/FaderUnits.h"

#include <cstdio>

namespace korvale {

namespace {

std::string FormatNumber(const char* format, int value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

} // namespace

std::optional<MixStylePreset> MixStylePresetAt(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= kMixStyles.size()) {
        return std::nullopt;
    }
    return kMixStyles[static_cast<std::size_t>(index)].preset;
}

std::string SkipLastLabelText(int seconds) {
    return FormatNumber("Skip the last %d seconds", seconds);
}

std::string ThresholdLabelText(int threshold) {
    return FormatNumber("-%d db", threshold / kFaderUnitsPerDb);
}

std::string InSpeedLabelText(int speed) {
    return FormatNumber("In Speed %d", speed);
}

std::string OutSpeedLabelText(int speed) {
    return FormatNumber("Out Speed %d", speed);
}

} // namespace korvale
