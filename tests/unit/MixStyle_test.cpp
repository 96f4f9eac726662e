#include "core/FaderUnits.h"
#include "core/MixStylePresets.h"

#include <gtest/gtest.h>

namespace korvale {
namespace {

TEST(MixStyle, EntriesInBoxOrderWithTheirPresets) {
    const char* names[] = {"DEF",      "FAST",      "SLOW",      "NERV",
                           "ADV->ADV", "ADV->CLIP", "CLIP->ADV", "CUSTOM"};
    for (std::size_t i = 0; i < kMixStyles.size(); ++i) {
        EXPECT_EQ(kMixStyles[i].name, names[i]);
    }
    EXPECT_EQ(kMixStyles[kMixStyleDefaultIndex].name, "DEF");
    EXPECT_EQ(kMixStyles[kMixStyleCustomIndex].name, "CUSTOM");

    EXPECT_EQ(MixStylePresetAt(0), (MixStylePreset{4, 400, 40, 2, true}));
    EXPECT_EQ(MixStylePresetAt(1), (MixStylePreset{2, 200, 500, 90, true}));
    EXPECT_EQ(MixStylePresetAt(2), (MixStylePreset{8, 6000, 1, 1, true}));
    EXPECT_EQ(MixStylePresetAt(3), (MixStylePreset{2, 100, 600, 1, true}));
    EXPECT_EQ(MixStylePresetAt(4), (MixStylePreset{0, 0, 600, 300, true}));
    EXPECT_EQ(MixStylePresetAt(5), (MixStylePreset{0, 0, 300, 300, true}));
    EXPECT_EQ(MixStylePresetAt(6), (MixStylePreset{8, 4000, 600, 300, true}));
}

TEST(MixStyle, CustomNoSelectionAndOutOfRangeHaveNoPreset) {
    EXPECT_FALSE(MixStylePresetAt(kMixStyleCustomIndex).has_value());
    EXPECT_FALSE(MixStylePresetAt(-1).has_value());
    EXPECT_FALSE(MixStylePresetAt(8).has_value());
}

TEST(MixStyle, PresetValuesLieWithinTheSliderRanges) {
    for (const MixStyle& style : kMixStyles) {
        if (!style.preset) {
            continue;
        }
        EXPECT_GE(style.preset->skipLastSeconds, kSkipLastMin);
        EXPECT_LE(style.preset->skipLastSeconds, kSkipLastMax);
        EXPECT_GE(style.preset->fadeInThreshold, kFadeInThresholdMin);
        EXPECT_LE(style.preset->fadeInThreshold, kFadeInThresholdMax);
        EXPECT_GE(style.preset->inSpeed, kFadeSpeedMin);
        EXPECT_LE(style.preset->outSpeed, kFadeSpeedMax);
    }
}

TEST(MixStyle, Labels) {
    EXPECT_EQ(SkipLastLabelText(8), "Skip the last 8 seconds");
    EXPECT_EQ(FaderLabelText(6000), "-60 db");
    EXPECT_EQ(FaderLabelText(4000), "-40 db");
    EXPECT_EQ(FaderLabelText(0), "-0 db");
    EXPECT_EQ(FaderLabelText(99), "-0 db");
    EXPECT_EQ(FaderLabelText(9000), "-90 db");
    EXPECT_EQ(InSpeedLabelText(40), "In Speed 40");
    EXPECT_EQ(OutSpeedLabelText(2), "Out Speed 2");
}

} // namespace
} // namespace korvale
