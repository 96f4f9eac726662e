#pragma once

namespace korvale {

// The incoming fader's first step of every cross-fade, in fader units.
inline constexpr int kFadeInStepStart = 10;
// The outgoing fader's first step of every cross-fade, in fader units.
inline constexpr int kFadeOutStepStart = 1;

// Where a cross-fade stands: both fader positions (fader units, 0 = full level, 9000 = the
// bottom) and the two growing step sizes.
struct FadeState {
    int incoming = 0;
    int outgoing = 0;
    int fadeInStep = kFadeInStepStart;
    int fadeOutStep = kFadeOutStepStart;
};

// What shapes a cross-fade: how much each step size grows per step, and whether the outgoing
// fader waits until the incoming one has reached the threshold.
struct FadeSettings {
    int inSpeed = 0;
    int outSpeed = 0;
    bool waitForFadeIn = false;
    int fadeInThreshold = 0;
};

// One fade step: the incoming fader moves toward 0 by fadeInStep (kept within 0..9000), then
// fadeInStep grows by inSpeed. Unless the wait is on and the incoming fader still stands
// above the threshold, the outgoing fader then moves toward 9000 by fadeOutStep (kept within
// 0..9000) and fadeOutStep grows by outSpeed. The step sizes keep growing while a fader
// rests at its end; they saturate at the int range instead of overflowing.
// Returns true when the cross-fade is complete: incoming at 0 and outgoing at 9000.
// Pure; any thread.
bool AdvanceFade(FadeState& state, const FadeSettings& settings);

} // namespace korvale
