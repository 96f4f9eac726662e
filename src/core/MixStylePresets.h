#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/FaderUnits.h"

namespace korvale {

// The five fade settings a mix style sets in one go.
struct MixStylePreset {
    int skipLastSeconds = 0;
    int fadeInThreshold = 0; // fader units
    int inSpeed = 0;
    int outSpeed = 0;
    bool waitForFadeIn = true;

    friend bool operator==(const MixStylePreset&, const MixStylePreset&) = default;
};

// One entry of the Mix Style box; "CUSTOM" carries no preset and leaves the settings alone.
struct MixStyle {
    std::string_view name;
    std::optional<MixStylePreset> preset;
};

inline constexpr std::size_t kMixStyleCount = 8;
inline constexpr int kMixStyleDefaultIndex = 0;

// The entries of the Mix Style box, in box order.
inline constexpr std::array<MixStyle, kMixStyleCount> kMixStyles{{
    {"DEF", MixStylePreset{4, 400, 40, 2, true}},
    {"FAST", MixStylePreset{2, 200, 500, 90, true}},
    {"SLOW", MixStylePreset{8, 6000, 1, 1, true}},
    {"NERV", MixStylePreset{2, 100, 600, 1, true}},
    {"ADV->ADV", MixStylePreset{0, 0, 600, 300, true}},
    {"ADV->CLIP", MixStylePreset{0, 0, 300, 300, true}},
    {"CLIP->ADV", MixStylePreset{8, 4000, 600, 300, true}},
    {"CUSTOM", std::nullopt},
}};

// Slider ranges of the four fade settings. The fade-in threshold is a fader position: its
// slider spans the faders' range.
inline constexpr int kSkipLastMin = 0;
inline constexpr int kSkipLastMax = 60;
inline constexpr int kFadeInThresholdMin = kFaderFullLevel;
inline constexpr int kFadeInThresholdMax = kFaderBottom;
inline constexpr int kFadeSpeedMin = 1;
inline constexpr int kFadeSpeedMax = 600;

// The preset of box entry `index`; none for "CUSTOM", a negative index (no selection) or an
// index past the last entry. Pure; any thread.
std::optional<MixStylePreset> MixStylePresetAt(int index);

// "Skip the last %d seconds".
std::string SkipLastLabelText(int seconds);
// "In Speed %d".
std::string InSpeedLabelText(int speed);
// "Out Speed %d".
std::string OutSpeedLabelText(int speed);

} // namespace korvale
