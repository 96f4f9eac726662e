#include "core/LevelMapping.h"

#include <gtest/gtest.h>

namespace korvale {
namespace {

TEST(LevelMapping, DeviceToPositionExamples) {
    EXPECT_EQ(ChannelsToLevelPosition(65535, 65535), 1);
    EXPECT_EQ(LevelLabelText(1), "-0 db");
    EXPECT_EQ(ChannelsToLevelPosition(0, 0), 65536);
    EXPECT_EQ(LevelLabelText(65536), "-90 db");
    EXPECT_EQ(ChannelsToLevelPosition(65535, 0), 32769);
    EXPECT_EQ(LevelLabelText(32769), "-45 db");
    EXPECT_EQ(ChannelsToLevelPosition(0, 65535), 32769);
}

TEST(LevelMapping, PositionToDeviceExamples) {
    EXPECT_EQ(LevelPositionToChannel(1), 65535);
    EXPECT_EQ(LevelPositionToChannel(65536), 0);
    EXPECT_EQ(LevelPositionToChannel(32769), 32767);
    EXPECT_EQ(LevelPositionToChannel(729), 64807);
    EXPECT_EQ(LevelLabelText(729), "-1 db");
    EXPECT_EQ(LevelLabelText(727), "-0 db");
    EXPECT_EQ(LevelPositionToDeviceVolume(729), 64807u * 65536u + 64807u);
    EXPECT_EQ(LevelPositionToDeviceVolume(1), 0xffffffffu);
    EXPECT_EQ(LevelPositionToDeviceVolume(65536), 0u);
}

TEST(LevelMapping, OutOfRangePositionsWrapWithoutUndefinedBehaviour) {
    EXPECT_EQ(LevelPositionToChannel(0), 0);
    EXPECT_EQ(LevelPositionToChannel(65537), 65535);
    EXPECT_EQ(LevelPositionToChannel(-1), 1);
}

TEST(LevelMapping, EveryDeviceVolumeReadsBackToItsPosition) {
    for (int position = kLevelMin; position <= kLevelMax; ++position) {
        const std::uint16_t v = LevelPositionToChannel(position);
        ASSERT_EQ(ChannelsToLevelPosition(v, v), position);
    }
}

} // namespace
} // namespace korvale
