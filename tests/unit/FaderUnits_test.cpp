#include "core/FaderUnits.h"

#include <gtest/gtest.h>

#include <climits>

namespace korvale {
namespace {

TEST(FaderUnits, LabelsTruncateHundredths) {
    EXPECT_EQ(FaderLabelText(0), "-0 db");
    EXPECT_EQ(FaderLabelText(99), "-0 db");
    EXPECT_EQ(FaderLabelText(8749), "-87 db");
    EXPECT_EQ(FaderLabelText(8750), "-87 db");
    EXPECT_EQ(FaderLabelText(9000), "-90 db");
    EXPECT_EQ(FaderLabelText(LONG_MAX), "-" + std::to_string(LONG_MAX / 100) + " db");
    EXPECT_EQ(FaderLoadLabelText(), "-85db");
}

TEST(FaderUnits, ClampKeepsTheRange) {
    EXPECT_EQ(ClampFader(-1), 0);
    EXPECT_EQ(ClampFader(LONG_MIN), 0);
    EXPECT_EQ(ClampFader(4500), 4500);
    EXPECT_EQ(ClampFader(9001), 9000);
    EXPECT_EQ(ClampFader(LONG_MAX), 9000);
    EXPECT_LT(kFaderLoadPosition, kFaderCloseThreshold);
}

} // namespace
} // namespace korvale
