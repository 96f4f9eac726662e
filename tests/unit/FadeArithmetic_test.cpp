#include "core/FadeArithmetic.h"

#include <gtest/gtest.h>

#include <climits>

namespace korvale {
namespace {

struct FadeRun {
    int incomingAtZeroStep = 0;
    int firstOutgoingMoveStep = 0;
    int endStep = 0;
};

FadeRun RunFade(FadeState state, const FadeSettings& settings, int maxSteps = 10000) {
    FadeRun run;
    const int outgoingStart = state.outgoing;
    for (int step = 1; step <= maxSteps; ++step) {
        const bool done = AdvanceFade(state, settings);
        if (run.incomingAtZeroStep == 0 && state.incoming == 0) {
            run.incomingAtZeroStep = step;
        }
        if (run.firstOutgoingMoveStep == 0 && state.outgoing != outgoingStart) {
            run.firstOutgoingMoveStep = step;
        }
        if (done) {
            run.endStep = step;
            break;
        }
    }
    return run;
}

TEST(FadeArithmetic, NoWaitExample) {
    const FadeSettings settings{40, 2, false, 0};
    FadeState state{9000, 0};
    AdvanceFade(state, settings);
    EXPECT_EQ(state.incoming, 8990);
    EXPECT_EQ(state.outgoing, 1);
    EXPECT_EQ(state.fadeInStep, 50);
    EXPECT_EQ(state.fadeOutStep, 3);

    const FadeRun run = RunFade({9000, 0}, settings);
    EXPECT_EQ(run.incomingAtZeroStep, 22);
    EXPECT_EQ(run.firstOutgoingMoveStep, 1);
    EXPECT_EQ(run.endStep, 95);
}

TEST(FadeArithmetic, DefaultStyleWaitsForTheThreshold) {
    const FadeSettings settings{40, 2, true, 400};
    FadeState state{8500, 0};
    for (int step = 1; step <= 20; ++step) {
        EXPECT_FALSE(AdvanceFade(state, settings));
    }
    EXPECT_EQ(state.incoming, 700);
    EXPECT_EQ(state.outgoing, 0);
    EXPECT_EQ(state.fadeOutStep, kFadeOutStepStart);

    const FadeRun run = RunFade({8500, 0}, settings);
    EXPECT_EQ(run.incomingAtZeroStep, 21);
    EXPECT_EQ(run.firstOutgoingMoveStep, 21);
    EXPECT_EQ(run.endStep, 115);
}

TEST(FadeArithmetic, ThresholdZeroStartsTheFadeOutWhenIncomingReachesZero) {
    const FadeRun run = RunFade({8500, 0}, {40, 2, true, 0});
    EXPECT_EQ(run.incomingAtZeroStep, 21);
    EXPECT_EQ(run.firstOutgoingMoveStep, 21);
}

TEST(FadeArithmetic, ThresholdIsInclusive) {
    // 9000 - 10 = 8990 is exactly the threshold: the outgoing fader moves on that step.
    FadeState state{9000, 0};
    AdvanceFade(state, {40, 2, true, 8990});
    EXPECT_EQ(state.outgoing, 1);
}

TEST(FadeArithmetic, FadersClampWhileStepsKeepGrowing) {
    FadeState state{5, 8999, 10, 1};
    const FadeSettings settings{40, 2, false, 0};
    EXPECT_TRUE(AdvanceFade(state, settings));
    EXPECT_EQ(state.incoming, 0);
    EXPECT_EQ(state.outgoing, 9000);
    EXPECT_EQ(state.fadeInStep, 50);
    EXPECT_EQ(state.fadeOutStep, 3);

    // Outgoing already at the bottom, incoming still high: it stays clamped and steps grow.
    FadeState resting{9000, 9000, 10, 1};
    EXPECT_FALSE(AdvanceFade(resting, settings));
    EXPECT_EQ(resting.outgoing, 9000);
    EXPECT_EQ(resting.fadeOutStep, 3);
}

TEST(FadeArithmetic, EndsOnlyWithBothFadersAtTheirEnds) {
    FadeState state{0, 0, 10, 1};
    EXPECT_FALSE(AdvanceFade(state, {40, 2, true, 0}));
    EXPECT_EQ(state.outgoing, 1);
    FadeState waiting{9000, 9000, 10, 1};
    EXPECT_FALSE(AdvanceFade(waiting, {40, 2, true, 0}));
    EXPECT_EQ(waiting.outgoing, 9000);
}

TEST(FadeArithmetic, VeryLongFadesSaturateInsteadOfOverflowing) {
    // Steps that have grown for a very long time stop at the int range.
    FadeState state{9000, 0, INT_MAX - 5, INT_MAX - 1};
    const FadeSettings settings{600, 600, false, 0};
    EXPECT_TRUE(AdvanceFade(state, settings));
    EXPECT_EQ(state.fadeInStep, INT_MAX);
    EXPECT_EQ(state.fadeOutStep, INT_MAX);
    AdvanceFade(state, settings);
    EXPECT_EQ(state.fadeInStep, INT_MAX);
    EXPECT_EQ(state.incoming, 0);
    EXPECT_EQ(state.outgoing, 9000);

    FadeState negative{0, 9000, INT_MIN + 3, INT_MIN + 1};
    AdvanceFade(negative, {-600, -600, false, 0});
    EXPECT_EQ(negative.fadeInStep, INT_MIN);
    EXPECT_EQ(negative.fadeOutStep, INT_MIN);
    EXPECT_EQ(negative.incoming, 9000); // a huge negative step pushes it back to the bottom
    EXPECT_EQ(negative.outgoing, 0);
}

} // namespace
} // namespace korvale
