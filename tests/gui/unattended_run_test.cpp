// The program's reason to exist, heard: with "LOAD NEXT" and "MIX NEXT" down a play list of
// four clips runs by itself on the real engine, one clip cross-fading into the next.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "support/ClipFactory.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"
#include "support/UnattendedRun.h"

using namespace korvale;
using korvale::testing::SliceRecord;
using korvale::testing::UnattendedRun;

namespace {

constexpr double kClipSeconds = 8.0;
constexpr int kClipRate = 44100;
constexpr double kAmplitude = 0.5;
// Far enough apart that each tone's level can be read beside the others in a 10 ms slice.
constexpr std::array<double, 4> kTones{500.0, 1500.0, 2500.0, 3500.0};
constexpr int kClipCount = static_cast<int>(kTones.size());
constexpr std::size_t kFrames = UnattendedRun::kSliceFrames;
constexpr int kRate = UnattendedRun::kSampleRate;
constexpr std::size_t kMaxSlices = 3000; // 30 s
constexpr std::size_t kSlicesAfterLastHandOver = 100;

// A tone counts as heard above this fraction of its full amplitude (-40 dB).
constexpr double kHeardFraction = 0.01;
// Both tones at once above this fraction (-20 dB) make a cross-fade.
constexpr double kCrossFadeFraction = 0.1;
constexpr double kLevelToleranceDb = 0.5;
constexpr double kSilenceDbfs = -60.0;
constexpr int kLongestGapSlices = 5; // 50 ms
constexpr double kStepMargin = 1.05;
constexpr double kStepFloor = 1e-5;

double Db(double ratio) {
    return 20.0 * std::log10(ratio);
}

// Largest sample-to-sample step of a sine of amplitude `a` at `hz`.
double SineStep(double a, double hz) {
    return 2.0 * a * std::sin(std::numbers::pi * hz / kRate);
}

struct Rendered {
    std::vector<float> left; // one channel; the clips are the same on both
    std::vector<SliceRecord> slices;
    std::vector<int> clipsStarted;
    int handOversStarted = 0;
    int handOversCompleted = 0;
};

Rendered RunFourClips() {
    korvale::testing::TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < kClipCount; ++i) {
        paths.push_back(dir.file("clip" + std::to_string(i) + ".wav"));
        EXPECT_TRUE(korvale::testing::WriteSineWav(paths.back(), kClipSeconds, kTones[i], kClipRate,
                                                   kAmplitude));
    }
    UnattendedRun run(paths);
    run.Start();

    Rendered out;
    std::vector<float> slice(2 * kFrames);
    std::size_t stopAt = kMaxSlices;
    for (std::size_t s = 0; s < stopAt; ++s) {
        out.slices.push_back(run.RenderSlice(slice.data()));
        for (std::size_t i = 0; i < kFrames; ++i) {
            out.left.push_back(slice[2 * i]);
        }
        // The first clip's fade-in plus three hand-overs, then a second of the last clip.
        if (stopAt == kMaxSlices && run.HandOversCompleted() == kClipCount) {
            stopAt = s + kSlicesAfterLastHandOver;
        }
    }
    out.clipsStarted = run.ClipsStarted();
    out.handOversStarted = run.HandOversStarted();
    out.handOversCompleted = run.HandOversCompleted();
    return out;
}

std::vector<float> SliceOf(const std::vector<float>& left, std::size_t s) {
    return {left.begin() + static_cast<std::ptrdiff_t>(s * kFrames),
            left.begin() + static_cast<std::ptrdiff_t>((s + 1) * kFrames)};
}

class UnattendedPlay : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_rendered = new Rendered(RunFourClips()); }
    static void TearDownTestSuite() {
        delete s_rendered;
        s_rendered = nullptr;
    }
    const Rendered& r() { return *s_rendered; }
    static Rendered* s_rendered;
};

Rendered* UnattendedPlay::s_rendered = nullptr;

TEST_F(UnattendedPlay, EveryClipStartsInListOrderAndEveryHandOverCompletes) {
    EXPECT_EQ(r().clipsStarted, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(r().handOversStarted, kClipCount);
    EXPECT_EQ(r().handOversCompleted, kClipCount);
    EXPECT_LT(r().slices.size(), kMaxSlices);
}

TEST_F(UnattendedPlay, TheClipsAreHeardInListOrderWithCrossFades) {
    std::vector<int> heard;
    std::array<bool, kClipCount - 1> crossFaded{};
    for (std::size_t s = 0; s < r().slices.size(); ++s) {
        const std::vector<float> samples = SliceOf(r().left, s);
        std::array<double, kClipCount> level{};
        for (int t = 0; t < kClipCount; ++t) {
            level[t] = korvale::testing::ToneAmplitude(samples, kTones[t], kRate) / kAmplitude;
        }
        const auto loudest = std::max_element(level.begin(), level.end());
        if (*loudest >= kHeardFraction) {
            const int tone = static_cast<int>(loudest - level.begin());
            if (heard.empty() || heard.back() != tone) {
                heard.push_back(tone);
            }
        }
        for (int t = 0; t + 1 < kClipCount; ++t) {
            if (level[t] >= kCrossFadeFraction && level[t + 1] >= kCrossFadeFraction) {
                crossFaded[t] = true;
            }
        }
    }
    EXPECT_EQ(heard, (std::vector<int>{0, 1, 2, 3}));
    for (int t = 0; t + 1 < kClipCount; ++t) {
        EXPECT_TRUE(crossFaded[t]) << "no cross-fade from clip " << t << " to clip " << t + 1;
    }
}

TEST_F(UnattendedPlay, LevelsFollowTheFadersWithinHalfADecibel) {
    int checked = 0;
    int checkedWhileFading = 0;
    for (std::size_t s = 0; s < r().slices.size(); ++s) {
        const SliceRecord& record = r().slices[s];
        const std::vector<float> samples = SliceOf(r().left, s);
        for (const auto& deck : record.decks) {
            if (deck.file < 0) {
                continue;
            }
            // The gain ramps linearly across the slice; the analysis window weighs it around
            // the slice's middle.
            const double gain = deck.gainStart +
                                (deck.gainEnd - deck.gainStart) * (kFrames + 1.0) / (2.0 * kFrames);
            if (gain < kHeardFraction) {
                continue;
            }
            const double measured =
                korvale::testing::ToneAmplitude(samples, kTones[deck.file], kRate);
            ++checked;
            checkedWhileFading += record.fading ? 1 : 0;
            EXPECT_NEAR(Db(measured / (kAmplitude * gain)), 0.0, kLevelToleranceDb)
                << "slice " << s << " clip " << deck.file;
        }
    }
    // Every fade step of every cross-fade above -40 dB is among them.
    EXPECT_GT(checkedWhileFading, 150);
    EXPECT_GT(checked, 1000);
}

TEST_F(UnattendedPlay, NoGapLongerThanFiftyMilliseconds) {
    bool started = false;
    int silentRun = 0;
    int longestRun = 0;
    for (std::size_t s = 0; s < r().slices.size(); ++s) {
        const bool silent = korvale::testing::RmsDbfs(SliceOf(r().left, s)) < kSilenceDbfs;
        started = started || !silent;
        if (!started) {
            continue;
        }
        silentRun = silent ? silentRun + 1 : 0;
        longestRun = std::max(longestRun, silentRun);
    }
    EXPECT_TRUE(started);
    EXPECT_LE(longestRun, kLongestGapSlices);
}

TEST_F(UnattendedPlay, NoClick) {
    // No step between neighbouring samples beyond what the tones playing at that moment
    // make at their levels (plus the ramp's own slope).
    double worstRatio = 0.0;
    for (std::size_t s = 0; s < r().slices.size(); ++s) {
        double bound = kStepFloor;
        for (const auto& deck : r().slices[s].decks) {
            if (deck.file >= 0) {
                const double top = std::max(deck.gainStart, deck.gainEnd);
                bound += SineStep(kAmplitude * top, kTones[deck.file]) +
                         kAmplitude * std::abs(deck.gainEnd - deck.gainStart) / kFrames;
            }
        }
        for (std::size_t i = s * kFrames; i < (s + 1) * kFrames; ++i) {
            if (i == 0) {
                continue;
            }
            const double step = std::abs(r().left[i] - r().left[i - 1]);
            worstRatio = std::max(worstRatio, step / bound);
        }
    }
    EXPECT_LE(worstRatio, kStepMargin);
}

} // namespace
