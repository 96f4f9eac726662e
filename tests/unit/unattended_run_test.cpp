// Unattended runs on the real engine offline: every hand-over, and unplayable entries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "support/ClipFactory.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"
#include "support/UnattendedRun.h"

namespace korvale::testing {
namespace {

using Paths = std::vector<std::string>;

TEST(UnattendedRun, EveryClipIsHeardInTurnWithCrossFadesAndNoGapOrClick) {
    // Tones far enough apart to be told apart in a 10 ms slice, low enough that a sample
    // step (second difference) of a click stands out from theirs.
    const std::vector<double> tones{400.0, 700.0, 1000.0, 1300.0};
    TempDir dir;
    UnattendedRun run;
    Paths paths;
    for (std::size_t i = 0; i < tones.size(); ++i) {
        paths.push_back(dir.file("clip" + std::to_string(i) + ".wav"));
        ASSERT_TRUE(WriteSineWav(paths.back(), 8.0, tones[i], 44100, 0.5));
    }
    run.core.Store().List().AppendMany(paths);
    run.Start();

    std::vector<float> left;
    std::vector<std::size_t> heard;
    std::vector<bool> crossFaded(tones.size(), false);
    std::vector<double> loudest(tones.size(), 0.0);
    int silentRun = 0, longestSilence = 0;
    for (int after = 0; after < 100 && run.nowMs < 40000; after += run.handOvers == 4 ? 1 : 0) {
        run.Step();
        const std::vector<float> samples = Channel(run.slice, 0);
        left.insert(left.end(), samples.begin(), samples.end());
        std::vector<double> level;
        for (std::size_t t = 0; t < tones.size(); ++t) {
            level.push_back(ToneAmplitude(samples, tones[t], UnattendedRun::kRate) / 0.5);
            loudest[t] = std::max(loudest[t], level[t]);
            crossFaded[t] = crossFaded[t] || (t > 0 && level[t] > 0.1 && level[t - 1] > 0.1);
        }
        const auto top = std::size_t(std::max_element(level.begin(), level.end()) - level.begin());
        if (level[top] > 0.01 && (heard.empty() || heard.back() != top))
            heard.push_back(top);
        silentRun = !heard.empty() && RmsDbfs(samples) < -60.0 ? silentRun + 1 : 0;
        longestSilence = std::max(longestSilence, silentRun);
    }
    // The first clip's fade-in, then three hand-overs.
    EXPECT_EQ(run.started, paths);
    EXPECT_EQ(run.handOvers, 4);
    EXPECT_EQ(heard, (std::vector<std::size_t>{0, 1, 2, 3}));
    for (std::size_t t = 0; t < tones.size(); ++t) {
        EXPECT_TRUE(t == 0 || crossFaded[t]) << "no cross-fade into clip " << t;
        EXPECT_NEAR(loudest[t], 1.0, 0.05) << "clip " << t << " never at full level";
    }
    EXPECT_LE(longestSilence, 5) << "a gap of more than 50 ms";
    EXPECT_LT(LargestBend(left), 0.04)
        << "a click"; // two tones at 1300 Hz and below bend under 0.03
}

TEST(UnattendedRun, TenThousandUnplayableEntriesAreDroppedInConstantStack) {
    TempDir dir;
    const std::string good = dir.file("good.wav");
    ASSERT_TRUE(WriteSineWav(good, 3.0, 440.0, 44100, 0.5)); // 1 s or less counts as unplayable
    WriteBytes(dir.file("empty.mp3"), "");
    WriteBytes(dir.file("noise.mp3"), RandomBytes(3000, 5));
    const Paths bad{dir.file("empty.mp3"), dir.file("noise.mp3"), dir.file("missing.mp3"),
                    dir.path()};
    UnattendedRun run;
    Paths entries;
    for (std::size_t i = 0; i < 10000; ++i)
        entries.push_back(bad[i % bad.size()]);
    entries.push_back(good);
    run.core.Store().List().AppendMany(entries);
    run.core.Store().SelectedByUser(0);
    EXPECT_EQ(run.core.List().Entries(), Paths{good});
    EXPECT_EQ(run.core.Decks().Player(Deck::A).GetFileName(), good);
    EXPECT_LT(run.host.highestStack - run.host.lowestStack, 4096u);
}

} // namespace
} // namespace korvale::testing
