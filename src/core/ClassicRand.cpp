#include "core/ClassicRand.h"

namespace korvale {

int ClassicRand::Next() {
    m_state = m_state * kMultiplier + kIncrement; // modulo 2^32 by unsigned wrap-around
    return static_cast<int>((m_state >> 16) & kMax);
}

} // namespace korvale
