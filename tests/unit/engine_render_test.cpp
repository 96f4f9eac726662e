// The engine rendered offline: frame counts, frequency, gain and its ramps, mixing,
// positions, seeks, stops and the end of a clip.
#include "audio/AudioEngine.h"
#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace korvale::testing {
namespace {

constexpr int kOut = 48000;
constexpr std::size_t kBuffer = 480;

class EngineRender : public ::testing::Test {
protected:
    // A float WAV of a sine of amplitude 0.5 (or `amp`), stereo.
    std::string sine(double seconds, double freq, int rate, double amp = 0.5) {
        const std::string path = dir.file("tone" + std::to_string(++made) + ".wav");
        EXPECT_TRUE(WriteSineWav(path, seconds, freq, rate, amp, 2, WavFormat::Float32));
        return path;
    }
    // Sample n of such a file.
    static float source(long long n, double freq, int rate) {
        return static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * freq / rate * n));
    }
    // Renders `frames` and checks them against the source from `start` under `gain(i)`.
    template <typename Gain> void expectSource(std::size_t frames, long long start, double freq, Gain gain) {
        const auto out = offline.render(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            ASSERT_NEAR(out[2 * i + 1], source(start + long(i), freq, kOut) * gain(i), 1e-5) << i;
        }
    }

    TempDir dir;
    int made = 0;
    OfflineEngine offline{kOut, kBuffer};
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
};

TEST_F(EngineRender, A44kClipResamplesToExactLengthAndPitchThenStopsAtItsEnd) {
    ASSERT_TRUE(voice.open(sine(1.0, 1000.0, 44100)));
    EXPECT_DOUBLE_EQ(voice.durationSeconds(), 1.0);
    voice.play();
    const auto out = offline.renderSeconds(1.5);
    std::size_t last = 0;
    for (std::size_t i = 0; i < out.size() / 2; ++i) {
        last = out[2 * i] != 0.0f || out[2 * i + 1] != 0.0f ? i + 1 : last;
    }
    EXPECT_EQ(last, 48000u);
    EXPECT_NEAR(EstimateFrequencyHz(Channel(out, 0, 4800, 43200), kOut), 1000.0, 0.2);
    EXPECT_NEAR(Peak(Channel(out, 1, 4800, 43200)), 0.5, 0.01);
    EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 1.0);
}

TEST_F(EngineRender, VolumeIsHundredthsOfADbAndAStepRampsWithoutAClick) {
    ASSERT_TRUE(voice.open(sine(2.0, 1000.0, 44100)));
    voice.setVolume(-8500);
    voice.play();
    auto out = offline.render(kBuffer * 10 + 123); // the step lands inside a buffer
    voice.setVolume(0);
    const auto after = offline.render(kBuffer * 20);
    EXPECT_LT(Peak(Channel(out, 0)), 0.001);
    EXPECT_NEAR(Peak(Channel(after, 0, kBuffer * 2)), 0.5, 0.01);
    out.insert(out.end(), after.begin(), after.end());
    EXPECT_LE(LargestStep(Channel(out, 0)), LargestStep(Channel(after, 0, kBuffer * 2)) * 1.001);
    const double full = RmsDbfs(Channel(after, 0, kBuffer * 2));
    voice.setVolume(-600);
    offline.render(kBuffer); // the ramp
    EXPECT_NEAR(RmsDbfs(Channel(offline.renderSeconds(0.3), 0)) - full, -6.0, 0.1);
    EXPECT_NEAR(full, 20.0 * std::log10(0.5 / std::sqrt(2.0)), 0.1);
}

TEST_F(EngineRender, StopPauseCloseAndReopenRampOutInOneBufferAndPlayResumesExactly) {
    for (const int how : {0, 1, 2, 3}) {
        SCOPED_TRACE(how);
        voice.stop(); // the clip before ramps out
        offline.render(kBuffer);
        ASSERT_TRUE(voice.open(sine(2.0, 440.0, kOut)));
        voice.play();
        offline.renderSeconds(0.3);
        how == 0   ? voice.stop()
        : how == 1 ? voice.pause()
        : how == 2 ? voice.close()
                   : (void)voice.open(sine(1.0, 900.0, 22050));
        expectSource(kBuffer, 14400, 440.0, [](std::size_t i) { return 1.0 - double(i + 1) / kBuffer; });
        EXPECT_EQ(Peak(offline.render(kBuffer * 4)), 0.0);
        const VoicePlayState states[] = {VoicePlayState::Stopped, VoicePlayState::Paused, VoicePlayState::Closed,
                                         VoicePlayState::Stopped};
        EXPECT_EQ(std::pair(voice.playState(), voice.positionSeconds()),
                  std::pair(states[how], how == 2 ? -1.0 : how == 3 ? 0.0 : 0.31));
        if (how < 2) {
            voice.play();
            expectSource(kBuffer * 2, 14880, 440.0, [](std::size_t i) { return std::min(1.0, double(i + 1) / kBuffer); });
            EXPECT_DOUBLE_EQ(voice.positionSeconds(), 0.33);
        }
    }
    voice.play(); // the clip opened last
    EXPECT_NEAR(EstimateFrequencyHz(Channel(offline.renderSeconds(0.5), 0, 4800), kOut), 900.0, 0.5);
}

TEST_F(EngineRender, PositionFollowsRenderedFramesSeeksAndTheStartPosition) {
    ASSERT_TRUE(voice.open(sine(2.0, 441.0, kOut)));
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 0.0);
    offline.renderSeconds(0.1); // not playing: the position stays
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 0.0);
    voice.seek(0.123456);
    voice.play();
    const long long start = std::llround(0.123456 * kOut);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), start / double(kOut));
    expectSource(kBuffer * 2, start, 441.0, [](std::size_t i) { return std::min(1.0, double(i + 1) / kBuffer); });
    voice.seek(1.5); // at once, before any frame; the old position ramps out for a buffer
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 1.5);
    offline.renderSeconds(0.2);
    EXPECT_NEAR(voice.positionSeconds(), 1.69, 1e-9);
    offline.renderSeconds(0.5);
    EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 2.0);
    voice.play(); // at the end: again from the start position last sought
    EXPECT_EQ(voice.playState(), VoicePlayState::Playing);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 1.5);
    offline.renderSeconds(0.1);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 1.6);
    voice.seek(99.0);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 2.0);
}

} // namespace
} // namespace korvale::testing
