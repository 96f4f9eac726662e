#include "core/TimeText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvale {
namespace {

TEST(FormatTimeText, WorkedExamples) {
    EXPECT_EQ(FormatTimeText(0.0), "00:00:00:00");
    EXPECT_EQ(FormatTimeText(3723.5), "01:02:03:12");
    EXPECT_EQ(FormatTimeText(183.0), "00:03:03:00");
    EXPECT_EQ(FormatTimeText(0.039), "00:00:00:00");
    EXPECT_EQ(FormatTimeText(215999.99), "59:59:59:24");
    EXPECT_EQ(FormatTimeText(216000.0), "00:00:00:00");
}

TEST(FormatTimeText, NegativeTimesCarryTheSignPerPart) {
    EXPECT_EQ(FormatTimeText(-0.5), "00:00:00:-12");
    EXPECT_EQ(FormatTimeText(-0.039), "00:00:00:00");
    EXPECT_EQ(FormatTimeText(-61.0), "00:-1:-1:00");
    EXPECT_EQ(FormatTimeText(-3723.5), "-1:-2:-3:-12");
}

TEST(FormatTimeText, OutOfRangeAndNanSaturateWithoutUndefinedBehaviour) {
    // INT32_MAX frames = 85899345 s + 22 frames = 23860 h 55 min 45 s; hours wrap to 40.
    const std::string top = FormatTimeText(std::numeric_limits<std::int32_t>::max() / 25.0);
    EXPECT_EQ(FormatTimeText(1e300), top);
    EXPECT_EQ(FormatTimeText(std::numeric_limits<double>::infinity()), top);
    EXPECT_EQ(top, "40:55:45:22");
    EXPECT_EQ(FormatTimeText(-1e300), FormatTimeText(-std::numeric_limits<double>::infinity()));
    EXPECT_EQ(FormatTimeText(-1e300), "-40:-55:-45:-23");
    EXPECT_EQ(FormatTimeText(std::nan("")), "00:00:00:00");
}

TEST(ParseTimeText, WorkedExampleAndPieces) {
    EXPECT_EQ(ParseTimeText("01:02:03:12"), 3723480);
    EXPECT_EQ(ParseTimeText("00:00:00:00"), 0);
    EXPECT_EQ(ParseTimeText("99:99:99:99"), 99 * 3600000 + 99 * 60000 + 99 * 1000 + 99 * 40);
    // Separators are not looked at.
    EXPECT_EQ(ParseTimeText("01x02y03z12"), 3723480);
}

TEST(ParseTimeText, ReadsPiecesLikeAtoi) {
    EXPECT_EQ(ParseTimeText(" 1:02:03:12"), 3723480);
    EXPECT_EQ(ParseTimeText("+1:02:03:12"), 3723480);
    EXPECT_EQ(ParseTimeText("-1:00:00:00"), -3600000);
    EXPECT_EQ(ParseTimeText("00:00:00:-12"), -40); // the frame piece is "-1"
    EXPECT_EQ(ParseTimeText("ab:1x:-x:  "), 1 * 60000);
}

TEST(ParseTimeText, ShortTextReadsMissingPiecesAsZero) {
    EXPECT_EQ(ParseTimeText(""), 0);
    EXPECT_EQ(ParseTimeText("01"), 3600000);
    EXPECT_EQ(ParseTimeText("01:0"), 3600000);
    EXPECT_EQ(ParseTimeText("01:02:03:1"), 3723000 + 40);
    EXPECT_EQ(ParseTimeText(std::string_view("01:02\0:03", 9)), 3600000 + 120000);
}

TEST(TimeTextRoundTrip, ParseOfFormatIsFortyMillisecondsPerFrame) {
    for (std::int32_t frames = 0; frames < 60 * 90000; frames += 997) {
        const double seconds = frames / 25.0 + 0.001; // stay clear of rounding below a frame
        EXPECT_EQ(ParseTimeText(FormatTimeText(seconds)), frames * 40) << frames;
    }
    EXPECT_EQ(ParseTimeText(FormatTimeText(215999.99)), (216000 * 25 - 1) * 40);
}

} // namespace
} // namespace korvale
