#include "audio/RampingGain.h"

#include <cstdint>

namespace korvale {

namespace {
constexpr std::size_t kChannels = 2;
}

void AddWithRampingGain(float* out, const float* in, std::size_t frames, float from,
                        float to) noexcept {
    if (frames == 0 || (from == 0.0f && to == 0.0f)) {
        return;
    }
    if (from == to) {
        for (std::size_t i = 0; i < frames * kChannels; ++i) {
            out[i] += in[i] * to;
        }
        return;
    }
    const float step = (to - from) / static_cast<float>(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        // The frame number converts to float through 32 bits (a block is far shorter), which
        // lets the compiler vectorise the loop.
        const float gain = from + step * static_cast<float>(static_cast<std::int32_t>(i + 1));
        out[kChannels * i] += in[kChannels * i] * gain;
        out[kChannels * i + 1] += in[kChannels * i + 1] * gain;
    }
}

} // namespace korvale
