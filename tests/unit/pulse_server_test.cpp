// On the test script's private PulseAudio server: the engine's output and the master level.

#include <gtest/gtest.h>

#include <regex>

#include "audio/AudioEngine.h"
#include "audio/AudioOutputFactory.h"
#include "core/LevelMapping.h"
#include "platform/AlsaAudioDevices.h"
#include "support/ClipFactory.h"
#include "support/CoreFixture.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;
using testing::WaitUntil;
constexpr double kServerFull = 65536.0; // the sink's volume steps at 100 %
constexpr double kChannelFull = 65535.0;

class LevelsOnPulse : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("KORVALE_PULSE_PID") == nullptr)
            GTEST_SKIP() << "needs scripts/with-pulseaudio.sh";
        core.Start("/", false);
    }
    // Other tests on the same server expect the sink at full volume.
    void TearDown() override {
        testing::CommandOutput("pactl set-sink-volume @DEFAULT_SINK@ 65536");
    }

    // The sink's two channels, each given as a channel volume (0..65535).
    static void ExpectSinkVolume(double left, double right) {
        const std::regex volumeLine(R"(front-left: (\d+) .*front-right: (\d+) )");
        const std::string text = testing::CommandOutput("pactl get-sink-volume @DEFAULT_SINK@");
        std::smatch match;
        ASSERT_TRUE(std::regex_search(text, match, volumeLine)) << text;
        EXPECT_NEAR(std::stol(match[1].str()), left * kServerFull / kChannelFull, 1.0);
        EXPECT_NEAR(std::stol(match[2].str()), right * kServerFull / kChannelFull, 1.0);
    }

    AlsaAudioDevices devices;
    testing::FakeDialogs dialogs;
    testing::FakeCoreHost host;
    Korvale core{CoreServices{nullptr, nullptr, nullptr, &devices, &dialogs, nullptr}, host};
};

TEST_F(LevelsOnPulse, StartUpFindsTheServerAndItsMixerAndMovingMasterLevelSetsTheSinkVolume) {
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text;
    EXPECT_GE(devices.waveOutCount(), 1);
    EXPECT_EQ(core.Levels().MasterCaption(), std::optional<std::string>("PulseAudio"));
    // The server's plug-in offers no input line to play through.
    EXPECT_FALSE(core.Levels().MicButtonEnabled());
    for (const int position : {16384, 1, 32769, 65536}) { // each a real move
        SCOPED_TRACE(position);
        core.Levels().MasterMovedByUser(position);
        core.OnVScroll();
        const double expected = LevelPositionToChannel(position);
        ExpectSinkVolume(expected, expected);
    }
}

// A balance set on the master reaches the server's two channels and reads back as set.
TEST_F(LevelsOnPulse, EachChannelOfTheMasterKeepsItsOwnVolume) {
    devices.setWaveOutVolume({16384, 49152});
    ExpectSinkVolume(16384, 49152);
    const ChannelVolumes read = devices.waveOutVolume().value_or(ChannelVolumes{});
    EXPECT_NEAR(read.left, 16384, 1);
    EXPECT_NEAR(read.right, 49152, 1);
    EXPECT_EQ(devices.auxVolume(devices.auxCount()), std::nullopt) << "a line past the last";
}

// The engine on the server's output, stopping it after 300 ms of silence; a tone clip open.
class EnginePulse : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("KORVALE_PULSE_PID") == nullptr)
            GTEST_SKIP() << "needs scripts/with-pulseaudio.sh";
        ASSERT_TRUE(testing::WriteSineWav(dir.file("tone.wav"), 20.0, 1000.0, 44100, 0.5));
        ASSERT_EQ(engine.outputName(), "portaudio");
        ASSERT_TRUE(voice.open(dir.file("tone.wav")));
    }
    testing::TempDir dir;
    AudioEngine engine{MakeBestAudioOutput(), 300ms};
    EngineVoice& voice = engine.voice(VoiceId::Deck1);
};

// An output stopped for idleness is not a dead server: each later play uses the server again.
TEST_F(EnginePulse, IdleStopsAreNotTakenForADeadServer) {
    for (int stop = 1; stop <= 2; ++stop) {
        ASSERT_TRUE(WaitUntil([&] { return !engine.outputRunning(); }, 8s));
        const double from = voice.positionSeconds();
        voice.play();
        // Long enough for the failover's monitor to have judged the restarted stream.
        ASSERT_TRUE(WaitUntil([&] { return voice.positionSeconds() > from + 0.5; }, 8s));
        EXPECT_EQ(engine.outputName(), std::string("portaudio")) << "after idle stop " << stop;
        EXPECT_EQ(engine.outputStarts(), std::uint64_t(stop + 1)) << "after idle stop " << stop;
        voice.stop();
    }
}

} // namespace
} // namespace korvale
