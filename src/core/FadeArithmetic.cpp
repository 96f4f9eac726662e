#include "core/FadeArithmetic.h"

#include "core/FaderUnits.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace korvale {

namespace {

int SaturatingAdd(int a, int b) {
    const std::int64_t sum = static_cast<std::int64_t>(a) + b;
    return static_cast<int>(std::clamp<std::int64_t>(sum, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

int MoveFader(int position, std::int64_t delta) {
    return static_cast<int>(
        std::clamp<std::int64_t>(position + delta, kFaderFullLevel, kFaderBottom));
}

} // namespace

bool AdvanceFade(FadeState& state, const FadeSettings& settings) {
    state.incoming = MoveFader(state.incoming, -static_cast<std::int64_t>(state.fadeInStep));
    state.fadeInStep = SaturatingAdd(state.fadeInStep, settings.inSpeed);

    if (!settings.waitForFadeIn || state.incoming <= settings.fadeInThreshold) {
        state.outgoing = MoveFader(state.outgoing, state.fadeOutStep);
        state.fadeOutStep = SaturatingAdd(state.fadeOutStep, settings.outSpeed);
    }
    return state.incoming <= kFaderFullLevel && state.outgoing >= kFaderBottom;
}

} // namespace korvale
