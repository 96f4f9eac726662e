// The engine rendered offline: frame counts, frequency, gain, ramps, mixing, positions.

#include "audio/AudioEngine.h"
#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace korvale {
namespace {

using testing::Channel;
using testing::OfflineEngine;
using testing::TempDir;

constexpr int kOut = 48000;
constexpr std::size_t kBuffer = 480;
constexpr double kAmp = 0.5;

class EngineRender : public ::testing::Test {
protected:
    std::string sine(const std::string& name, double seconds, double freq, int rate,
                     testing::WavFormat format = testing::WavFormat::Float32, double amp = kAmp) {
        const std::string path = dir.file(name);
        EXPECT_TRUE(testing::WriteSineWav(path, seconds, freq, rate, amp, 2, format));
        return path;
    }
    // Source sample n of a float WAV written by sine().
    static float source(long long n, double freq, int rate, double amp = kAmp) {
        return static_cast<float>(amp * std::sin(2.0 * std::numbers::pi * freq / rate * n));
    }

    TempDir dir;
    OfflineEngine offline{kOut, kBuffer};
};

std::size_t LastNonZeroFrame(const std::vector<float>& stereo) {
    for (std::size_t i = stereo.size() / 2; i > 0; --i) {
        if (stereo[2 * (i - 1)] != 0.0f || stereo[2 * (i - 1) + 1] != 0.0f) {
            return i;
        }
    }
    return 0;
}

TEST_F(EngineRender, ResamplesA441kClipToExactFrameCountAndFrequency) {
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(sine("tone.wav", 1.0, 1000.0, 44100)));
    EXPECT_DOUBLE_EQ(voice.durationSeconds(), 1.0);
    voice.play();
    const auto out = offline.renderSeconds(1.5);

    EXPECT_EQ(LastNonZeroFrame(out), 48000U);
    const auto left = Channel(out, 0, 4800, 43200);
    EXPECT_NEAR(testing::EstimateFrequencyHz(left, kOut), 1000.0, 0.2);
    EXPECT_NEAR(testing::Peak(left), kAmp, 0.01);
    EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 1.0);
}

TEST_F(EngineRender, VolumeMinus600IsMinus6Db) {
    const std::string path = sine("tone.wav", 1.0, 1000.0, 44100);
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(path));
    voice.play();
    const double full = testing::RmsDbfs(Channel(offline.renderSeconds(0.5), 0, 4800));

    voice.setVolume(-600);
    offline.render(kBuffer); // the ramp
    const double attenuated = testing::RmsDbfs(Channel(offline.renderSeconds(0.3), 0));
    EXPECT_NEAR(attenuated - full, -6.0, 0.1);
    EXPECT_NEAR(full, 20.0 * std::log10(kAmp / std::sqrt(2.0)), 0.1);
}

TEST_F(EngineRender, FaderStepInsideABufferDoesNotClick) {
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(sine("tone.wav", 1.0, 1000.0, 44100)));
    voice.setVolume(-8500);
    voice.play();
    auto out = offline.render(kBuffer * 10 + 123); // the step lands inside a buffer
    voice.setVolume(0);
    const auto after = offline.render(kBuffer * 20);
    out.insert(out.end(), after.begin(), after.end());

    const auto left = Channel(out, 0);
    const double ownStep = testing::LargestStep(Channel(after, 0, kBuffer * 2));
    EXPECT_LE(testing::LargestStep(left), ownStep * 1.001);
    // The gain really went from -85 dB to full across one buffer.
    EXPECT_LT(testing::Peak(Channel(out, 0, 0, kBuffer * 10)), 0.001);
    EXPECT_NEAR(testing::Peak(Channel(after, 0, kBuffer * 2)), kAmp, 0.01);
}

TEST_F(EngineRender, StopRampsToSilenceWithinOneBuffer) {
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(sine("tone.wav", 2.0, 1000.0, kOut)));
    voice.play();
    auto out = offline.renderSeconds(0.2);
    voice.stop();
    const auto ramp = offline.render(kBuffer);
    const auto after = offline.render(kBuffer * 4);

    EXPECT_GT(testing::Peak(Channel(ramp, 0, 0, 60)), 0.3);
    EXPECT_LT(testing::Peak(Channel(ramp, 0, kBuffer - 20)), 0.03);
    EXPECT_EQ(testing::Peak(Channel(after, 0)), 0.0);
    out.insert(out.end(), ramp.begin(), ramp.end());
    EXPECT_LE(testing::LargestStep(Channel(out, 0)),
              testing::LargestStep(Channel(out, 0, 0, 4800)) * 1.001);
    EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
}

TEST_F(EngineRender, CloseRampsOutBeforeTheVoiceLeaves) {
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(sine("tone.wav", 2.0, 1000.0, kOut)));
    voice.play();
    offline.renderSeconds(0.1);
    voice.close();
    const auto ramp = offline.render(kBuffer);
    EXPECT_GT(testing::Peak(Channel(ramp, 0, 0, 60)), 0.3);
    EXPECT_LT(testing::Peak(Channel(ramp, 0, kBuffer - 20)), 0.03);
    EXPECT_EQ(testing::Peak(Channel(offline.render(kBuffer), 0)), 0.0);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), -1.0);
}

TEST_F(EngineRender, TwoVoicesAdd) {
    const std::string a = sine("a.wav", 1.0, 1000.0, 44100, testing::WavFormat::Float32, 0.25);
    const std::string b = sine("b.wav", 1.0, 1500.0, 44100, testing::WavFormat::Float32, 0.25);
    auto renderVoices = [&](bool withA, bool withB) {
        OfflineEngine engine(kOut, kBuffer);
        if (withA) {
            engine.voice(VoiceId::Deck1).open(a);
            engine.voice(VoiceId::Deck1).play();
        }
        if (withB) {
            engine.voice(VoiceId::Cue).open(b);
            engine.voice(VoiceId::Cue).play();
        }
        return engine.renderSeconds(0.5);
    };
    const auto both = renderVoices(true, true);
    const auto onlyA = renderVoices(true, false);
    const auto onlyB = renderVoices(false, true);
    ASSERT_EQ(both.size(), onlyA.size());
    double worst = 0.0;
    for (std::size_t i = 0; i < both.size(); ++i) {
        worst = std::max(worst, static_cast<double>(std::fabs(both[i] - (onlyA[i] + onlyB[i]))));
    }
    EXPECT_LT(worst, 1e-6);
    const auto left = Channel(both, 0, 4800);
    EXPECT_NEAR(testing::ToneAmplitude(left, 1000.0, kOut), 0.25, 0.01);
    EXPECT_NEAR(testing::ToneAmplitude(left, 1500.0, kOut), 0.25, 0.01);
}

TEST_F(EngineRender, PositionTracksRenderedFramesAndSeeks) {
    EngineVoice& voice = offline.voice(VoiceId::Deck2);
    ASSERT_TRUE(voice.open(sine("tone.wav", 2.0, 1000.0, 44100)));
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 0.0);
    offline.renderSeconds(0.1); // not playing: the position stays
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 0.0);
    voice.play();
    offline.renderSeconds(0.25);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 0.25);
    voice.seek(1.5);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 1.5); // at once, before any frame
    offline.renderSeconds(0.2);
    // One buffer ramps the old position out before the new one starts.
    EXPECT_NEAR(voice.positionSeconds(), 1.5 + 0.2 - 0.01, 1e-9);
    EXPECT_EQ(voice.playState(), VoicePlayState::Playing);
    offline.renderSeconds(0.5);
    EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 2.0);
}

TEST_F(EngineRender, PlayStopPlayResumesWhereItHalted) {
    constexpr double kFreq = 440.0;
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(sine("tone.wav", 2.0, kFreq, kOut)));
    voice.play();
    offline.renderSeconds(0.3);
    voice.stop();
    offline.renderSeconds(0.05); // one buffer of ramp, then silence
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 0.31);
    voice.play();
    const auto out = offline.render(kBuffer * 3);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 0.34);
    const long long resumeFrame = 14880; // 0.31 s
    for (std::size_t i = 0; i < kBuffer * 3; ++i) {
        const float gain = i < kBuffer ? static_cast<float>(i + 1) / kBuffer : 1.0f;
        ASSERT_NEAR(out[2 * i], source(resumeFrame + static_cast<long long>(i), kFreq, kOut) * gain,
                    1e-5)
            << "frame " << i;
    }
}

TEST_F(EngineRender, SeekIsSampleExactForWav) {
    constexpr double kFreq = 441.0;
    EngineVoice& voice = offline.voice(VoiceId::Cue);
    ASSERT_TRUE(voice.open(sine("tone.wav", 1.0, kFreq, kOut)));
    voice.seek(0.123456);
    voice.play();
    const auto out = offline.render(kBuffer * 2);
    const long long start = std::llround(0.123456 * kOut);
    for (std::size_t i = kBuffer; i < kBuffer * 2; ++i) {
        ASSERT_NEAR(out[2 * i + 1], source(start + static_cast<long long>(i), kFreq, kOut), 1e-6);
    }
}

TEST_F(EngineRender, PlayAtTheEndRestartsAtTheStartPosition) {
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(sine("tone.wav", 0.5, 1000.0, kOut)));
    voice.seek(0.3);
    voice.play();
    offline.renderSeconds(0.4);
    EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 0.5);
    voice.play();
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 0.3);
    offline.renderSeconds(0.1);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 0.4);
}

TEST_F(EngineRender, ReopeningWhilePlayingStopsAndLoadsTheNewClip) {
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(sine("a.wav", 2.0, 1000.0, kOut)));
    voice.play();
    offline.renderSeconds(0.3);
    ASSERT_TRUE(voice.open(sine("b.wav", 1.0, 500.0, 22050)));
    EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);
    EXPECT_DOUBLE_EQ(voice.positionSeconds(), 0.0);
    offline.render(kBuffer);
    EXPECT_EQ(testing::Peak(Channel(offline.render(kBuffer), 0)), 0.0);
    voice.play();
    const auto out = offline.renderSeconds(0.5);
    EXPECT_NEAR(testing::EstimateFrequencyHz(Channel(out, 0, 4800), kOut), 500.0, 0.5);
}

TEST_F(EngineRender, MonoAndPcmFormatsPlayOnBothChannels) {
    for (const auto format :
         {testing::WavFormat::Pcm16, testing::WavFormat::Pcm24, testing::WavFormat::Float32}) {
        const std::string path = dir.file("mono.wav");
        ASSERT_TRUE(testing::WriteSineWav(path, 0.5, 1000.0, 32000, kAmp, 1, format));
        EngineVoice& voice = offline.voice(VoiceId::Deck1);
        ASSERT_TRUE(voice.open(path));
        voice.play();
        const auto out = offline.renderSeconds(0.3);
        EXPECT_NEAR(testing::Peak(Channel(out, 0, 4800)), kAmp, 0.01);
        EXPECT_NEAR(testing::Peak(Channel(out, 1, 4800)), kAmp, 0.01);
        voice.close();
    }
}

} // namespace
} // namespace korvale
