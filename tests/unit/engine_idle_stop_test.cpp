// The engine stops its output after a span of silence and starts it again at the next
// request, rendered offline with a short idle span.

#include "audio/AudioEngine.h"
#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <functional>

namespace korvale {
namespace {

using namespace std::chrono_literals;
using testing::Channel;
using testing::OfflineEngine;
using testing::WaitUntil;

constexpr int kRate = 48000;
constexpr std::size_t kBuffer = 480;
constexpr auto kIdle = 50ms;
constexpr std::size_t kIdleFrames = kRate / 20; // kIdle in frames
constexpr double kAmp = 0.5;
constexpr double kToneHz = 1000.0;

class EngineIdleStop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing::WriteSineWav(clip, 10.0, kToneHz, kRate, kAmp));
        ASSERT_TRUE(voice.open(clip));
        ASSERT_TRUE(offline.engine().outputRunning());
    }
    // Plays a little, stops the voice and renders the idle span of silence: the output
    // then stops on its own.
    void playThenIdle() {
        voice.play();
        offline.render(kIdleFrames);
        voice.stop();
        offline.render(kIdleFrames + kBuffer);
        ASSERT_TRUE(WaitUntil([&] { return !offline.engine().outputRunning(); }));
    }

    testing::TempDir dir;
    std::string clip = dir.file("tone.wav");
    OfflineEngine offline{kRate, kBuffer, kIdle};
    EngineVoice& voice = offline.voice(VoiceId::Deck1);
};

TEST_F(EngineIdleStop, RestartsAtPlayKeepingThePositionAndRampsFromSilence) {
    playThenIdle();
    const double stoppedAt = voice.positionSeconds();
    EXPECT_TRUE(offline.render(kBuffer) == std::vector<float>(2 * kBuffer, 0.0f));
    EXPECT_EQ(voice.positionSeconds(), stoppedAt);
    EXPECT_EQ(voice.playState(), VoicePlayState::Stopped);

    voice.play();
    ASSERT_TRUE(WaitUntil([&] { return offline.engine().outputRunning(); }));
    EXPECT_EQ(offline.engine().outputStarts(), 2U);
    const auto first = offline.render(kBuffer);
    const auto second = offline.render(kBuffer);
    // The first tenth of the first block is still under a tenth of full gain: no click.
    EXPECT_LE(testing::Peak(Channel(first, 0, 0, kBuffer / 10)), kAmp / 10);
    EXPECT_GT(testing::Peak(Channel(first, 0, kBuffer / 2)), kAmp / 4);
    EXPECT_NEAR(testing::Peak(Channel(second, 0)), kAmp, 0.01);
    EXPECT_NEAR(voice.positionSeconds(), stoppedAt + 2.0 * kBuffer / kRate, 1.0 / kRate);
}

TEST_F(EngineIdleStop, EveryRequestThatNeedsTheOutputStartsItAgain) {
    const std::vector<std::pair<const char*, std::function<void()>>> requests = {
        {"play", [&] { voice.play(); }},
        {"seek", [&] { voice.seek(1.0); }},
        {"open", [&] { voice.open(clip); }},
    };
    std::uint64_t starts = offline.engine().outputStarts();
    for (const auto& [name, request] : requests) {
        SCOPED_TRACE(name);
        playThenIdle();
        request();
        ASSERT_TRUE(WaitUntil([&] { return offline.engine().outputRunning(); }));
        EXPECT_EQ(offline.engine().outputStarts(), ++starts);
    }
}

TEST_F(EngineIdleStop, APlayingVoiceKeepsTheOutputGoing) {
    voice.play();
    offline.render(3 * kIdleFrames);
    const auto last = offline.render(kBuffer);
    EXPECT_NEAR(testing::Peak(Channel(last, 0)), kAmp, 0.01);
}

} // namespace
} // namespace korvale
