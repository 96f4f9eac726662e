#include "interfaces/PathLength.h"

#include <gtest/gtest.h>

namespace korvale {
namespace {

TEST(PathLength, CountsCharactersOfValidUtf8AndBytesOfAnythingElse) {
    struct Case {
        std::string path;
        std::size_t characters;
    };
    const Case cases[] = {
        {"", 0},
        {"/m/a.mp3", 8},
        {"/\xd0\x96\xd0\x96.mp3", 7}, // two-byte letters
        {"/\xe2\x82\xac", 2},         // three-byte letter
        {"/\xf0\x9f\x8e\xb5", 2},     // four-byte letter
        {"/\xd0", 2},                 // cut-off sequence: bytes
        {"/\xc0\xaf", 3},             // over-long form: bytes
        {"/\xed\xa0\x80", 4},         // surrogate: bytes
        {"/\xff\xd0\x96", 4},         // invalid lead byte anywhere: bytes
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PathCharacterCount(c.path), c.characters) << c.path;
    }
    std::string cyrillic;
    for (int i = 0; i < 130; ++i) {
        cyrillic += "\xd0\x96";
    }
    EXPECT_TRUE(FitsPathLimit(cyrillic)) << "260 bytes, 130 characters";
    EXPECT_TRUE(FitsPathLimit(std::string(255, 'a')));
    EXPECT_FALSE(FitsPathLimit(std::string(256, 'a')));
}

TEST(PathLength, FirstCharactersNeverSplitALetter) {
    EXPECT_EQ(FirstPathCharacters("a\xd0\x96"
                                  "b",
                                  2),
              "a\xd0\x96");
    EXPECT_EQ(FirstPathCharacters("a\xd0\x96"
                                  "b",
                                  9),
              "a\xd0\x96"
              "b");
    EXPECT_EQ(FirstPathCharacters("ab\xff", 2), "ab");
}

} // namespace
} // namespace korvale
