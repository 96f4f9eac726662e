#include "audio/RampingGain.h"

#include <gtest/gtest.h>

#include <vector>

namespace korvale {
namespace {

TEST(RampingGain, StepsEvenlyFromTheOldGainToTheNewAndAdds) {
    struct Case { float from, to; std::vector<float> leftGains; }; // per frame: input 1 on top of 0.5
    const Case cases[] = {
        {0.0f, 1.0f, {0.25f, 0.5f, 0.75f, 1.0f}}, // fade in: never a jump to full
        {1.0f, 0.0f, {0.75f, 0.5f, 0.25f, 0.0f}}, // fade out ends silent
        {0.5f, 0.5f, {0.5f, 0.5f, 0.5f, 0.5f}},   // constant gain
        {0.0f, 0.0f, {0.0f, 0.0f, 0.0f, 0.0f}},   // silent: nothing added
    };
    for (const Case& c : cases) {
        const std::size_t frames = c.leftGains.size();
        std::vector<float> in(2 * frames);
        for (std::size_t i = 0; i < frames; ++i) in[2 * i] = 1.0f, in[2 * i + 1] = -2.0f;
        std::vector<float> out(2 * frames, 0.5f);
        AddWithRampingGain(out.data(), in.data(), frames, c.from, c.to);
        for (std::size_t i = 0; i < frames; ++i) {
            EXPECT_FLOAT_EQ(out[2 * i], 0.5f + c.leftGains[i]) << c.from << "->" << c.to << " #" << i;
            EXPECT_FLOAT_EQ(out[2 * i + 1], 0.5f - 2.0f * c.leftGains[i]);
        }
    }
}

} // namespace
} // namespace korvale
