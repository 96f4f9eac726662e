#include "core/ShuffleOrder.h"

#include <bit>
#include <cstdint>

namespace korvale {

namespace {

// Which of n slots are still present, with "find the k-th present slot" in O(log n):
// a Fenwick tree of presence counts, searched by binary lifting.
class PresenceTree {
public:
    explicit PresenceTree(std::size_t n) : m_tree(n + 1, 0), m_topBit(std::bit_floor(n)) {
        // Every slot present: build in O(n) by pushing each count to its parent.
        for (std::size_t i = 1; i <= n; ++i) {
            m_tree[i] += 1;
            const std::size_t parent = i + (i & (~i + 1));
            if (parent <= n) {
                m_tree[parent] += m_tree[i];
            }
        }
    }

    // Removes and returns the 0-based slot of the k-th present slot (k counted from 0).
    std::size_t TakeKth(std::size_t k) {
        std::size_t position = 0;
        std::size_t remaining = k + 1;
        for (std::size_t bit = m_topBit; bit != 0; bit >>= 1) {
            const std::size_t next = position + bit;
            if (next < m_tree.size() && m_tree[next] < remaining) {
                position = next;
                remaining -= m_tree[next];
            }
        }
        // `position` is now the longest prefix holding fewer than k + 1 present slots, so
        // the wanted slot is 1-based position + 1, which is 0-based `position`.
        const std::size_t slot = position;
        for (std::size_t i = slot + 1; i < m_tree.size(); i += i & (~i + 1)) {
            --m_tree[i];
        }
        return slot;
    }

private:
    std::vector<std::uint32_t> m_tree;
    std::size_t m_topBit;
};

} // namespace

std::vector<std::size_t> ShuffleOrder(std::size_t n, ClassicRand& rand) {
    std::vector<std::size_t> order;
    order.reserve(n);
    PresenceTree remaining(n);
    for (std::size_t m = n; m > 0; --m) {
        auto r = static_cast<std::size_t>(rand.Next());
        while (r >= m) {
            r = static_cast<std::size_t>(rand.Next());
        }
        order.push_back(remaining.TakeKth(r));
    }
    return order;
}

} // namespace korvale
