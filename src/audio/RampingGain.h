#pragma once

#include <cstddef>

namespace korvale {

// Adds `frames` interleaved stereo frames of `in` to `out`, each multiplied by a gain that
// moves in equal steps from `from` (the gain before the first frame) to `to` (reached at
// the last frame), so that a gain change never jumps. A gain that stays put multiplies
// without stepping; a gain of zero throughout adds nothing. Real-time safe: no lock,
// allocation or call out.
void AddWithRampingGain(float* out, const float* in, std::size_t frames, float from,
                        float to) noexcept;

} // namespace korvale
