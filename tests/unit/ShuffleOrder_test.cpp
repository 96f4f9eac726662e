#include "core/ShuffleOrder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>

namespace korvale {
namespace {

// The scratch-list shuffle as written: a list of the remaining entries, erased one by one.
std::vector<std::size_t> ScratchListOrder(std::size_t n, ClassicRand& rand) {
    std::vector<std::uint32_t> scratch(n);
    std::iota(scratch.begin(), scratch.end(), 0u);
    std::vector<std::size_t> order;
    while (!scratch.empty()) {
        auto r = static_cast<std::size_t>(rand.Next());
        while (r >= scratch.size()) {
            r = static_cast<std::size_t>(rand.Next());
        }
        order.push_back(scratch[r]);
        scratch.erase(scratch.begin() + static_cast<std::ptrdiff_t>(r));
    }
    return order;
}

TEST(ShuffleOrder, EqualsTheScratchListAlgorithm) {
    // One generator stream runs through all sizes, as successive shuffles in one run would.
    ClassicRand fastRand;
    ClassicRand slowRand;
    for (std::size_t n :
         {0, 1, 2, 3, 4, 5, 7, 8, 9, 16, 17, 100, 255, 1000, 4097, 32767, 32768, 32769, 40000}) {
        ASSERT_EQ(ShuffleOrder(n, fastRand), ScratchListOrder(n, slowRand)) << n;
    }
    // The two streams stayed in step.
    EXPECT_EQ(fastRand.Next(), slowRand.Next());
}

TEST(ShuffleOrder, IsAPermutation) {
    ClassicRand rand;
    const std::vector<std::size_t> order = ShuffleOrder(5000, rand);
    std::vector<bool> seen(order.size(), false);
    for (std::size_t index : order) {
        ASSERT_LT(index, seen.size());
        ASSERT_FALSE(seen[index]);
        seen[index] = true;
    }
}

TEST(ShuffleOrder, FreshGeneratorsGiveTheSameOrder) {
    ClassicRand first;
    ClassicRand second;
    EXPECT_EQ(ShuffleOrder(777, first), ShuffleOrder(777, second));
    // The stream moves on: a second shuffle of the same size differs.
    ClassicRand third;
    const auto once = ShuffleOrder(777, third);
    EXPECT_NE(ShuffleOrder(777, third), once);
}

TEST(ShuffleOrder, EmptyAndSingleEntry) {
    ClassicRand rand;
    EXPECT_TRUE(ShuffleOrder(0, rand).empty());
    // No draw for an empty list.
    ClassicRand fresh;
    EXPECT_EQ(rand.Next(), fresh.Next());
    EXPECT_EQ(ShuffleOrder(1, rand), std::vector<std::size_t>{0});
}

TEST(ShuffleOrder, LargeListsTakeTheFirstDrawWhileOver32768Remain) {
    // With more than 32768 left every draw is taken at once, so the first picks are the
    // generator's raw values, and nothing past index 32767 is picked early.
    ClassicRand rand;
    ClassicRand raw;
    const std::size_t n = 40000;
    const std::vector<std::size_t> order = ShuffleOrder(n, rand);
    EXPECT_EQ(order[0], static_cast<std::size_t>(raw.Next()));
    for (std::size_t k = 0; k < n - 32768; ++k) {
        EXPECT_LT(order[k], 32768u + k) << k;
    }
}

} // namespace
} // namespace korvale
