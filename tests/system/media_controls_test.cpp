// The desktop media controls of the real program, driven with playerctl on the run's
// session bus; what they change is recorded from the sound server's null sink.

#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "SystemSupport.h"
#include "support/SignalAnalysis.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;
using sys::Child;
using sys::WaitFor;
constexpr int kRate = 48000;
constexpr double kToneA = 500.0, kToneB = 1500.0;

using testing::CommandOutput;
std::string Player(const std::string& args) {
    return CommandOutput("playerctl -p korvale " + args);
}

// The amplitudes of the two clips' tones in a fresh fifth of a second of the sink.
std::pair<double, double> HeardTones(const testing::TempDir& dir) {
    const std::string file = dir.file("sink.raw");
    Child parec({"sh", "-c",
                 "exec parec --device=korvale_null.monitor --format=float32le --channels=2 "
                 "--rate=48000 --raw --latency-msec=20 2>/dev/null"},
                {}, file);
    std::error_code ignored;
    WaitFor([&] { return std::filesystem::file_size(file, ignored) >= kRate * 8 / 4; }, 5s);
    const std::string bytes = testing::ReadBytes(file);
    std::vector<float> stereo(bytes.size() / sizeof(float));
    if (stereo.size() < 2 * kRate / 5)
        return {0.0, 0.0};
    std::memcpy(stereo.data(), bytes.data(), stereo.size() * sizeof(float));
    const auto left = testing::Channel(stereo, 0, stereo.size() / 2 - kRate / 5);
    return {testing::ToneAmplitude(left, kToneA, kRate),
            testing::ToneAmplitude(left, kToneB, kRate)};
}

TEST(MediaControls, PlayerctlControlsTheRunningProgram) {
    sys::Screen screen;
    if (std::getenv("KORVALE_PULSE_PID") == nullptr ||
        std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr || !screen.ok()) {
        GTEST_SKIP() << "needs scripts/with-pulseaudio.sh, dbus-run-session, Xvfb and xdotool";
    }
    testing::TempDir dir;
    ASSERT_TRUE(testing::WriteSineWav(dir.file("a.wav"), 60.0, kToneA, 44100, 0.5));
    ASSERT_TRUE(testing::WriteSineWav(dir.file("b.wav"), 60.0, kToneB, 44100, 0.5));
    // Copies of other tests have left the bus.
    ASSERT_TRUE(WaitFor(
        [] { return CommandOutput("playerctl -l").find("korvale") == std::string::npos; }, 15s));
    const auto started = std::chrono::steady_clock::now();
    Child monitor(
        {"dbus-monitor", "type='signal',member='PropertiesChanged',path='/org/mpris/MediaPlayer2'"},
        {}, dir.file("monitor.log"));
    Child program({KORVALE_BINARY}, screen.Environment(), dir.file("korvale.log"));
    const QString window = screen.WaitForWindow("KORVALE");
    ASSERT_FALSE(window.isEmpty());
    { // A second copy takes a name of its own.
        Child second({KORVALE_BINARY}, {"QT_QPA_PLATFORM=offscreen"}, dir.file("second.log"));
        const std::string both = "korvale\nkorvale.instance" + std::to_string(second.pid());
        EXPECT_TRUE(WaitFor([&] { return CommandOutput("playerctl -l | sort") == both; }, 15s))
            << CommandOutput("playerctl -l");
    }
    ASSERT_TRUE(WaitFor([&] { return CommandOutput("playerctl -l") == "korvale"; }, 15s));
    EXPECT_EQ(Player("status"), "Stopped");
    EXPECT_NE(Player("open http://example.org/a.wav"), "");
    EXPECT_NE(Player("open file://" + dir.file("none.wav")), "");
    ASSERT_EQ(Player("open file://" + dir.file("a.wav")), "");
    ASSERT_EQ(Player("open file://" + dir.file("b.wav")), "");
    EXPECT_EQ(Player("metadata -f '{{xesam:title}} {{mpris:length}} {{xesam:url}}'"),
              "a 60000000 file://" + dir.file("a.wav"));

    // LOAD NEXT down: the end of the fade-in loads the second clip onto the other deck.
    ASSERT_TRUE(screen.Click(window, "LoadNextCheck"));
    const auto hears = [&](double a, double b) {
        return WaitFor(
            [&] {
                const auto [toneA, toneB] = HeardTones(dir);
                return (toneA > 0.1) == (a > 0) && (toneB > 0.1) == (b > 0) && toneA + toneB < 0.7;
            },
            20s);
    };
    struct Step {
        const char* command;
        double a; // the tone of each deck heard (1) or not (0) after it
        double b;
        const char* status;
    };
    for (const Step& step : {Step{"next", 1, 0, "Playing"}, Step{"pause", 0, 0, "Paused"},
                             Step{"play", 1, 0, "Playing"}}) {
        SCOPED_TRACE(step.command);
        EXPECT_EQ(Player(step.command), "");
        EXPECT_TRUE(hears(step.a, step.b));
        EXPECT_EQ(Player("status"), step.status);
    }

    // LOAD NEXT up: "next" cross-fades into the other deck, whose clip goes on air, and the
    // end of the cross-fade leaves nothing for the next one.
    ASSERT_TRUE(screen.Click(window, "LoadNextCheck"));
    const std::size_t seen = testing::ReadBytes(dir.file("monitor.log")).size();
    EXPECT_EQ(Player("next"), "");
    EXPECT_TRUE(hears(0, 1));
    EXPECT_EQ(Player("metadata xesam:title"), "b");
    static const std::regex ended(R"("CanGoNext"\s+variant\s+boolean false)");
    EXPECT_TRUE(WaitFor(
        [&] {
            return std::regex_search(testing::ReadBytes(dir.file("monitor.log")).substr(seen),
                                     ended);
        },
        10s));
    // A few signals a second at most, never one per tick.
    const std::string log = testing::ReadBytes(dir.file("monitor.log"));
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::steady_clock::now() - started);
    const std::string member = "member=PropertiesChanged";
    long signals = 0;
    for (auto at = log.find(member); at != std::string::npos; at = log.find(member, at + 1))
        ++signals;
    EXPECT_LE(signals, 1 + 4 * seconds.count()) << log;
}

} // namespace
} // namespace korvale
