// The level sliders on a real sound server: a private PulseAudio daemon with a null sink,
// started by scripts/with-pulseaudio.sh, reached through the ALSA default mixer.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QThread>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>

#include "platform/AlsaAudioDevices.h"
#include "core/LevelMapping.h"
#include "support/FakeDevices.h"
#include "support/CoreFixture.h"

namespace korvale {
namespace {

// Volume steps of the server's sink at 100 %.
constexpr double kServerFull = 65536.0;
constexpr double kChannelFull = 65535.0;
constexpr int kReadAttempts = 200;
constexpr unsigned long kReadPauseMs = 5;

bool PulseRunning() {
    return std::getenv("KORVALE_PULSE_PID") != nullptr;
}

void EnsureApplication() {
    if (QApplication::instance() == nullptr) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "korvale_system_tests";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }
}

std::string RunCommand(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
            output += buffer;
        }
        pclose(pipe);
    }
    return output;
}

// The raw left and right volumes of the default sink, as pactl reports them.
std::optional<std::pair<long, long>> SinkVolume() {
    const std::string text = RunCommand("pactl get-sink-volume @DEFAULT_SINK@ 2>/dev/null");
    static const std::regex pattern(R"(front-left: (\d+) .*front-right: (\d+) )");
    std::smatch match;
    if (!std::regex_search(text, match, pattern)) {
        return std::nullopt;
    }
    return std::make_pair(std::stol(match[1].str()), std::stol(match[2].str()));
}

class LevelsOnPulse : public ::testing::Test {
protected:
    void SetUp() override {
        if (!PulseRunning()) {
            GTEST_SKIP() << "needs scripts/with-pulseaudio.sh";
        }
        EnsureApplication();
        services.devices = &devices;
        services.dialogs = &dialogs;
    }
    // Other tests on the same server expect the sink at full volume.
    void TearDown() override {
        if (PulseRunning()) {
            RunCommand("pactl set-sink-volume @DEFAULT_SINK@ 65536");
        }
    }

    AlsaAudioDevices devices;
    test::FakeDialogs dialogs;
    CoreServices services;
    test::FakeCoreHost host;
};

TEST_F(LevelsOnPulse, StartUpFindsTheServerAndItsMixer) {
    Korvale core(services, host);
    core.Start("/", false);
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front().text;
    EXPECT_GE(devices.waveOutCount(), 1);
    EXPECT_EQ(devices.waveOutCanSetVolume(), std::optional<bool>(true));
    EXPECT_GE(devices.mixerCount(), 1);
    EXPECT_EQ(core.Levels().MasterCaption(), std::optional<std::string>("PulseAudio"));
    EXPECT_TRUE(core.Levels().MasterCaptionEnabled());
    // The server's plugin offers no input line to play through.
    EXPECT_EQ(devices.auxCount(), 0);
    EXPECT_FALSE(core.Levels().MicButtonEnabled());
}

TEST_F(LevelsOnPulse, MovingMasterLevelSetsTheSinkVolume) {
    Korvale core(services, host);
    core.Start("/", false);
    // Each position differs from the one before, so every move is a real scroll.
    for (const int position : {16384, 1, 32769, 65536}) {
        SCOPED_TRACE(position);
        core.Levels().MasterMovedByUser(position);
        core.OnVScroll();
        const int set = core.Levels().MasterPosition();
        ASSERT_EQ(set, position);
        const double expected = LevelPositionToChannel(set) * kServerFull / kChannelFull;
        const auto sink = SinkVolume();
        ASSERT_TRUE(sink.has_value());
        EXPECT_NEAR(sink->first, expected, 1.0);
        EXPECT_NEAR(sink->second, expected, 1.0);
    }
}

TEST_F(LevelsOnPulse, VolumeSetOnTheServerIsWhatReadMasterLevelShows) {
    Korvale core(services, host);
    core.Start("/", false);
    for (const long volume : {19661L, 65536L, 0L}) { // 30 %, 100 %, silent
        SCOPED_TRACE(volume);
        RunCommand("pactl set-sink-volume @DEFAULT_SINK@ " + std::to_string(volume));
        const auto channel =
            static_cast<std::uint16_t>(std::lround(volume * kChannelFull / kServerFull));
        const int expected = ChannelsToLevelPosition(channel, channel);
        // The server tells its clients of a change on its own time (pactl returns once the
        // server applied it): read again until the news has arrived, within a bound.
        int position = 0;
        for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
            core.Levels().ReadMasterLevel();
            position = core.Levels().MasterPosition();
            if (std::abs(position - expected) <= 1) {
                break;
            }
            QThread::msleep(kReadPauseMs);
        }
        EXPECT_NEAR(position, expected, 1);
        EXPECT_EQ(core.Levels().MasterLabel(), LevelLabelText(position));
    }
}

} // namespace
} // namespace korvale
