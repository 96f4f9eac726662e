#include <gtest/gtest.h>

#include "core/ClassicRand.h"

TEST(ClassicRand, DrawsTheClassicRuntimeSequenceFromStateOne) {
    korvale::ClassicRand rand;
    EXPECT_EQ(rand.Next(), 41);
    EXPECT_EQ(rand.Next(), 18467);
    EXPECT_EQ(rand.Next(), 6334);
    korvale::ClassicRand fresh;
    EXPECT_EQ(fresh.Next(), 41);
    for (int i = 0; i < 100000; ++i) {
        const int r = rand.Next();
        ASSERT_GE(r, 0);
        ASSERT_LE(r, korvale::ClassicRand::kMax);
    }
}
