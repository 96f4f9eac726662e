// The pure units of the core: time texts, clip names, path lengths and the shuffle.
#include "core/ClipDisplayName.h"
#include "core/ShuffleOrder.h"
#include "core/TimeText.h"
#include "interfaces/PathLength.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>

namespace korvale {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
std::string N(long long value) {
    return std::to_string(value);
}

TEST(TextsAndUnits, ComputedTextsAgainstWorkedExamples) {
    const std::pair<std::string, std::string> cases[] = {
        {FormatTimeText(0.0), "00:00:00:00"}, {FormatTimeText(3723.5), "01:02:03:12"},
        {FormatTimeText(0.039), "00:00:00:00"}, {FormatTimeText(215999.99), "59:59:59:24"},
        {FormatTimeText(216000.0), "00:00:00:00"}, {FormatTimeText(-0.5), "00:00:00:-12"},
        {FormatTimeText(-61.0), "00:-1:-1:00"}, {FormatTimeText(-3723.5), "-1:-2:-3:-12"},
        {FormatTimeText(1e300), "40:55:45:22"}, {FormatTimeText(kInf), "40:55:45:22"},
        {FormatTimeText(-kInf), "-40:-55:-45:-23"}, {FormatTimeText(std::nan("")), "00:00:00:00"},
        {N(ParseTimeText("01:02:03:12")), "3723480"}, {N(ParseTimeText("01x02y03z12")), "3723480"},
        {N(ParseTimeText("99:99:99:99")), N(99 * 3600000 + 99 * 60000 + 99 * 1000 + 99 * 40)},
        {N(ParseTimeText(" 1:02:03:12")), "3723480"}, {N(ParseTimeText("+1:02:03:12")), "3723480"},
        {N(ParseTimeText("-1:00:00:00")), "-3600000"}, {N(ParseTimeText("00:00:00:-12")), "-40"},
        {N(ParseTimeText("ab:1x:-x:  ")), "60000"}, {N(ParseTimeText("")), "0"},
        {N(ParseTimeText("01:0")), "3600000"}, {N(ParseTimeText("01:02:03:1")), "3723040"},
        {N(ParseTimeText(std::string_view("01:02\0:03", 9))), "3720000"},
        {ClipDisplayName("/home/dj/Song One.mp3"), "Song One"}, {ClipDisplayName("/a.b/T.WAV"), "T"},
        {ClipDisplayName("Song.mp3"), "Song"}, {ClipDisplayName("/m/Live.at.Home.mp3"), "Live.at.Home"},
        {ClipDisplayName(""), "ERR"}, {ClipDisplayName("/"), "ERR"}, {ClipDisplayName("/m/"), "ERR"},
        {ClipDisplayName("/m/Song.flac"), "Song"}, {ClipDisplayName("/m/Song."), "Song"},
        {ClipDisplayName("/m/v1.2.ogg.x"), "v1.2.ogg"}, {ClipDisplayName("/m/README"), "README"},
        {ClipDisplayName("/m/.mp3"), ".mp3"}, {ClipDisplayName("/m/.hidden"), ".hidden"},
        {ClipDisplayName("/m/a"), "a"}, {ClipDisplayName("/x.lib/Intro"), "Intro"},
        {ClipDisplayName("/x.mp3/ab"), "ab"}, {N(PathCharacterCount("/\xd0\x96\xd0\x96.mp3")), "7"},
        {N(PathCharacterCount("/\xe2\x82\xac")), "2"}, {N(PathCharacterCount("/\xf0\x9f\x8e\xb5")), "2"},
        {N(PathCharacterCount("/\xd0")), "2"}, {N(PathCharacterCount("/\xc0\xaf")), "3"},
        {N(PathCharacterCount("/\xed\xa0\x80")), "4"}, {N(PathCharacterCount("/\xff\xd0\x96")), "4"},
        {N(PathCharacterCount("ab\xed\x9f\xbf\xc2\x80")), "4"}, // U+D7FF, U+0080: the edges
        {N(IsValidUtf8("/\x80")) + N(IsValidUtf8("/\xf4\x8f\xbf\xbf")), "01"},
        {FirstPathCharacters("a\xd0\x96" "b", 2), "a\xd0\x96"},
        {FirstPathCharacters("ab\xff", 2), "ab"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(cases[i].first, cases[i].second) << "case " << i;
    }
    std::string cyrillic;
    for (int i = 0; i < 130; ++i) {
        cyrillic += "\xd0\x96";
    }
    EXPECT_TRUE(FitsPathLimit(cyrillic) && FitsPathLimit(std::string(255, 'a')));
    EXPECT_FALSE(FitsPathLimit(std::string(256, 'a')));
    for (int frames = 0; frames < 60 * 90000; frames += 997) {
        ASSERT_EQ(ParseTimeText(FormatTimeText(frames / 25.0 + 0.001)), frames * 40) << frames;
    }
}

TEST(ShuffleOrder, EqualsTheScratchListAlgorithmOnTheClassicGenerator) {
    ClassicRand fastRand, slowRand, raw;
    for (const int expected : {41, 18467, 6334}) {
        EXPECT_EQ(raw.Next(), expected);
    }
    for (const std::size_t n : {0, 1, 2, 3, 7, 16, 17, 255, 4097, 32767, 32768, 32769, 40000}) {
        // The plain algorithm: a list of the remaining entries, erased one by one.
        std::vector<std::size_t> scratch(n), order;
        std::iota(scratch.begin(), scratch.end(), 0u);
        while (!scratch.empty()) {
            auto r = static_cast<std::size_t>(slowRand.Next());
            while (r >= scratch.size()) {
                r = static_cast<std::size_t>(slowRand.Next());
            }
            order.push_back(scratch[r]);
            scratch.erase(scratch.begin() + static_cast<std::ptrdiff_t>(r));
        }
        ASSERT_EQ(ShuffleOrder(n, fastRand), order) << n;
    }
    EXPECT_EQ(fastRand.Next(), slowRand.Next()); // the two streams stayed in step
}

} // namespace
} // namespace korvale
