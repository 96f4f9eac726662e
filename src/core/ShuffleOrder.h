#pragma once

#include "core/ClassicRand.h"

#include <cstddef>
#include <vector>

namespace korvale {

// The shuffled order of n entries: element k is the old index of the entry that goes to new
// position k. Exactly the order of the scratch-list shuffle: while m > 0 entries remain, draw
// r from `rand`, drawing again while r >= m, then take the r-th remaining entry (in old
// order) and remove it. Computed in O(n log n) with an order-statistics tree instead of
// erasing from a list. With more than 32768 entries left, the first draw is always taken, so
// entries past index 32767 wait until the rest has shrunk to 32768. Pure apart from `rand`'s
// state; any thread.
std::vector<std::size_t> ShuffleOrder(std::size_t n, ClassicRand& rand);

} // namespace korvale
