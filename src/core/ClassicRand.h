#pragma once

#include <cstdint>

namespace korvale {

// The classic C runtime's 15-bit generator: state 1 at start, never seeded by the program,
// so every run draws the same sequence. Results are 0 to kMax.
class ClassicRand {
public:
    static constexpr int kMax = 0x7fff;

    int Next();

private:
    static constexpr std::uint32_t kMultiplier = 214013u;
    static constexpr std::uint32_t kIncrement = 2531011u;
    std::uint32_t m_state = 1u;
};

} // namespace korvale
