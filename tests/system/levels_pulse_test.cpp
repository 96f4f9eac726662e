// The level sliders on a real sound server (the private PulseAudio daemon), reached through
// the ALSA default mixer.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>

#include "SystemSupport.h"
#include "core/LevelMapping.h"
#include "platform/AlsaAudioDevices.h"
#include "support/CoreFixture.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;
constexpr double kServerFull = 65536.0; // the sink's volume steps at 100 %
constexpr double kChannelFull = 65535.0;

std::string RunCommand(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            output += buffer;
        }
        ::pclose(pipe);
    }
    return output;
}

// The default sink's raw left and right volumes; {-1, -1} when pactl tells none.
std::pair<long, long> SinkVolume() {
    const std::string text = RunCommand("pactl get-sink-volume @DEFAULT_SINK@ 2>/dev/null");
    static const std::regex pattern(R"(front-left: (\d+) .*front-right: (\d+) )");
    std::smatch match;
    return std::regex_search(text, match, pattern)
               ? std::pair{std::stol(match[1].str()), std::stol(match[2].str())}
               : std::pair{-1L, -1L};
}

class LevelsOnPulse : public ::testing::Test {
protected:
    void SetUp() override {
        if (!sys::PulseRunning()) {
            GTEST_SKIP() << "needs scripts/with-pulseaudio.sh";
        }
        core.Start("/", false);
    }
    // Other tests on the same server expect the sink at full volume.
    void TearDown() override { RunCommand("pactl set-sink-volume @DEFAULT_SINK@ 65536"); }

    AlsaAudioDevices devices;
    test::FakeDialogs dialogs;
    test::FakeCoreHost host;
    Korvale core{CoreServices{nullptr, nullptr, nullptr, &devices, &dialogs, nullptr}, host};
};

TEST_F(LevelsOnPulse, StartUpFindsTheServerAndItsMixer) {
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text;
    EXPECT_GE(devices.waveOutCount(), 1);
    EXPECT_EQ(devices.waveOutCanSetVolume(), std::optional<bool>(true));
    EXPECT_GE(devices.mixerCount(), 1);
    EXPECT_EQ(core.Levels().MasterCaption(), std::optional<std::string>("PulseAudio"));
    EXPECT_TRUE(core.Levels().MasterCaptionEnabled());
    // The server's plug-in offers no input line to play through.
    EXPECT_EQ(devices.auxCount(), 0);
    EXPECT_FALSE(core.Levels().MicButtonEnabled());
}

TEST_F(LevelsOnPulse, MovingMasterLevelSetsTheSinkVolume) {
    for (const int position : {16384, 1, 32769, 65536}) { // each a real move
        SCOPED_TRACE(position);
        core.Levels().MasterMovedByUser(position);
        core.OnVScroll();
        ASSERT_EQ(core.Levels().MasterPosition(), position);
        const double expected = LevelPositionToChannel(position) * kServerFull / kChannelFull;
        const auto [left, right] = SinkVolume();
        EXPECT_NEAR(left, expected, 1.0);
        EXPECT_NEAR(right, expected, 1.0);
    }
}

TEST_F(LevelsOnPulse, VolumeSetOnTheServerIsWhatReadMasterLevelShows) {
    for (const long volume : {19661L, 65536L, 0L}) { // 30 %, 100 %, silent
        SCOPED_TRACE(volume);
        RunCommand("pactl set-sink-volume @DEFAULT_SINK@ " + std::to_string(volume));
        const auto channel = static_cast<std::uint16_t>(std::lround(volume * kChannelFull / kServerFull));
        const int expected = ChannelsToLevelPosition(channel, channel);
        // The server tells its clients of a change in its own time: read until it has.
        EXPECT_TRUE(sys::WaitFor([&] {
            core.Levels().ReadMasterLevel();
            return std::abs(core.Levels().MasterPosition() - expected) <= 1;
        }, 5s)) << core.Levels().MasterPosition() << " for " << expected;
        EXPECT_EQ(core.Levels().MasterLabel(), LevelLabelText(core.Levels().MasterPosition()));
    }
}

} // namespace
} // namespace korvale
