// The real program broadcasting and recording its mix, started with --broadcast and --record
// and its kept settings: on the run's private Icecast server, its PulseAudio null sink and a
// virtual display; the clips are driven with playerctl as the desktop's media keys would.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <regex>

#include "SystemSupport.h"
#include "support/IcecastListener.h"
#include "support/SignalAnalysis.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sys::Child;
using sys::WaitFor;
using testing::CommandOutput;

constexpr int kSinkRate = 48000;
constexpr double kToneA = 500.0;
constexpr double kToneB = 1000.0;
constexpr double kToneC = 1500.0;
constexpr double kHeard = 0.05;               // a tone's amplitude that counts as heard
constexpr double kFull = 0.4;                 // the clips' 0.5 with the fader at the top
constexpr auto kTitleLimit = 2s;              // a hand-over reaches the status page
constexpr auto kComebackLimit = 35s;          // the stream is back after the server is
constexpr auto kLongestSinkGap = 20ms;        // silence allowed in the local output
constexpr double kSilentSample = 1e-4;        // below this a sample counts as silence
constexpr double kCueTolerance = 0.25;        // s; the test sees hand-overs through the bus
constexpr std::size_t kStreamBytes = 1 << 20; // more than a listening span brings
constexpr auto kListenSpan = 3s;

std::string Player(const std::string& args) {
    return CommandOutput("playerctl -p korvale " + args);
}

// The amplitudes of the three tones in the last second of what a listener of `mount` hears.
std::vector<double> StreamTones(const std::string& mount) {
    const testing::HeardStream heard =
        testing::Decode(testing::HttpGet(mount, kStreamBytes, kListenSpan));
    const std::size_t frames = heard.stereo.size() / 2;
    if (heard.rate == 0 || frames < static_cast<std::size_t>(heard.rate))
        return {0.0, 0.0, 0.0};
    const auto left =
        testing::Channel(heard.stereo, 0, frames - static_cast<std::size_t>(heard.rate));
    std::vector<double> tones;
    for (const double tone : {kToneA, kToneB, kToneC})
        tones.push_back(testing::ToneAmplitude(left, tone, heard.rate));
    return tones;
}

// Whether a listener of `mount` hears the tone `which` (0, 1, 2) at full level and not the
// others, within 20 s: a cross-fade towards it has ended.
bool StreamCarries(const std::string& mount, std::size_t which) {
    return WaitFor(
        [&] {
            const std::vector<double> tones = StreamTones(mount);
            for (std::size_t i = 0; i < tones.size(); ++i) {
                if (i == which ? tones[i] < kFull : tones[i] > kHeard)
                    return false;
            }
            return true;
        },
        20s);
}

// The longest run of silence in a raw float stereo recording of the sink.
std::chrono::milliseconds LongestSilence(const std::string& raw) {
    std::vector<float> stereo(raw.size() / sizeof(float));
    std::memcpy(stereo.data(), raw.data(), stereo.size() * sizeof(float));
    std::size_t run = 0;
    std::size_t longest = 0;
    for (std::size_t frame = 0; frame < stereo.size() / 2; ++frame) {
        const bool silent = std::abs(stereo[2 * frame]) < kSilentSample;
        run = silent ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return std::chrono::milliseconds(longest * 1000 / kSinkRate);
}

// The INDEX 01 times of a cue sheet, in seconds, and its TITLE lines.
struct CueSheetSeen {
    std::vector<double> index;
    std::vector<std::string> titles;
};

CueSheetSeen ReadCueSheet(const std::string& path) {
    CueSheetSeen sheet;
    std::ifstream in(path);
    static const std::regex index(R"(^\s*INDEX 01 (\d+):(\d\d):(\d\d))");
    static const std::regex title(R"(^\s+TITLE \"(.*)\")");
    std::smatch match;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_search(line, match, index)) {
            sheet.index.push_back(std::stoi(match[1]) * 60.0 + std::stoi(match[2]) +
                                  std::stoi(match[3]) / 75.0);
        } else if (std::regex_search(line, match, title)) {
            sheet.titles.push_back(match[1]);
        }
    }
    return sheet;
}

double SecondsSince(Clock::time_point start, Clock::time_point then) {
    return std::chrono::duration<double>(then - start).count();
}

struct StreamRow {
    const char* name;
    const char* format; // as the settings file keeps it
};

class BroadcastProgram : public ::testing::TestWithParam<StreamRow> {};

TEST_P(BroadcastProgram,
       ListenersHearTheMixThroughHandOversAndAServerRestartAndTheRecordingMatches) {
    sys::Screen screen;
    if (std::getenv("KORVALE_PULSE_PID") == nullptr || testing::IcecastPort() == 0 ||
        !screen.ok()) {
        GTEST_SKIP() << "needs scripts/with-pulseaudio.sh, scripts/with-icecast.sh and Xvfb";
    }
    testing::TempDir dir;
    ASSERT_TRUE(testing::WriteSineWav(dir.file("a.wav"), 60.0, kToneA, 44100, 0.5));
    ASSERT_TRUE(testing::WriteSineWav(dir.file("b.wav"), 60.0, kToneB, 44100, 0.5));
    ASSERT_TRUE(testing::WriteSineWav(dir.file("c.wav"), 60.0, kToneC, 44100, 0.5));
    const std::string mount = std::string("/program-") + GetParam().name;
    const std::string config = dir.file("config");
    std::filesystem::create_directories(config + "/korvale");
    {
        std::ofstream ini(config + "/korvale/korvale.ini");
        ini << "[broadcast]\nhost=127.0.0.1\nport=" << testing::IcecastPort() << "\nmount=" << mount
            << "\nformat=" << GetParam().format << "\n[recording]\nfolder=" << dir.file("rec")
            << "\nformat=flac\n";
    }
    const std::string passwordFile = config + "/korvale/stream-password";
    ASSERT_TRUE(testing::WriteBytes(passwordFile, testing::IcecastSourcePassword()));
    ASSERT_EQ(::chmod(passwordFile.c_str(), 0600), 0);
    ASSERT_TRUE(WaitFor(
        [] { return CommandOutput("playerctl -l").find("korvale") == std::string::npos; }, 15s));

    std::vector<std::string> environment = screen.Environment();
    environment.push_back("XDG_CONFIG_HOME=" + config);
    const Clock::time_point launched = Clock::now();
    Child program({KORVALE_BINARY, "--broadcast", "--record"}, environment,
                  dir.file("korvale.log"));
    const QString window = screen.WaitForWindow("KORVALE");
    ASSERT_FALSE(window.isEmpty()) << testing::ReadBytes(dir.file("korvale.log"));
    ASSERT_TRUE(WaitFor([] { return CommandOutput("playerctl -l") == "korvale"; }, 15s));
    for (const char* clip : {"a.wav", "b.wav", "c.wav"})
        ASSERT_EQ(Player("open file://" + dir.file(clip)), "");

    // The recording runs (its file grows) before the first clip plays.
    const std::string folder = dir.file("rec");
    const auto recorded = [&] {
        std::error_code ignored;
        std::uintmax_t bytes = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
            if (entry.path().extension() == ".flac")
                bytes = entry.file_size(ignored);
        }
        return bytes;
    };
    const std::uintmax_t header = recorded();
    ASSERT_TRUE(WaitFor([&] { return recorded() > header; }, 10s));
    // LOAD NEXT down: each cross-fade ends with the next clip loaded on the other deck.
    ASSERT_TRUE(screen.Click(window, "LoadNextCheck"));
    std::vector<Clock::time_point> handOvers;
    handOvers.push_back(Clock::now());
    ASSERT_EQ(Player("next"), "");
    EXPECT_TRUE(WaitFor([&] { return testing::StatusShowsTitle(mount, "a"); }, 10s));
    EXPECT_TRUE(StreamCarries(mount, 0));
    handOvers.push_back(Clock::now());
    ASSERT_EQ(Player("next"), "");
    EXPECT_TRUE(WaitFor([&] { return testing::StatusShowsTitle(mount, "b"); }, kTitleLimit));
    EXPECT_TRUE(StreamCarries(mount, 1));

    { // The server goes away and comes back while b plays: the local output never falters.
        Child parec({"sh", "-c",
                     "exec parec --device=korvale_null.monitor --format=float32le --channels=2 "
                     "--rate=48000 --raw --latency-msec=20 2>/dev/null"},
                    {}, dir.file("sink.raw"));
        const std::string control = std::getenv("KORVALE_ICECAST_CTL");
        ASSERT_EQ(std::system((control + " kill").c_str()), 0);
        std::error_code ignored;
        const auto twoSeconds = static_cast<std::uintmax_t>(2 * kSinkRate * 2 * sizeof(float));
        EXPECT_TRUE(WaitFor(
            [&] { return std::filesystem::file_size(dir.file("sink.raw"), ignored) >= twoSeconds; },
            10s));
        ASSERT_EQ(std::system((control + " start").c_str()), 0);
        EXPECT_TRUE(WaitFor([&] { return testing::StatusShowsTitle(mount, "b"); }, kComebackLimit));
        EXPECT_TRUE(StreamCarries(mount, 1));
    }
    EXPECT_LE(LongestSilence(testing::ReadBytes(dir.file("sink.raw"))), kLongestSinkGap);
    EXPECT_EQ(screen.Windows(".+").size(), 1) << "a message box came up";

    handOvers.push_back(Clock::now());
    ASSERT_EQ(Player("next"), "");
    EXPECT_TRUE(WaitFor([&] { return testing::StatusShowsTitle(mount, "c"); }, kTitleLimit));
    EXPECT_TRUE(StreamCarries(mount, 2));
    const Clock::time_point asked = Clock::now();
    ASSERT_TRUE(screen.Click(window, "ExitButton"));
    ASSERT_EQ(program.WaitExit(15s), 0);
    const Clock::time_point ended = Clock::now();

    // The recording: as long as the run that made it, one track per hand-over at its time.
    std::string recording;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".flac")
            recording = entry.path().string();
    }
    ASSERT_FALSE(recording.empty());
    SF_INFO info{};
    SNDFILE* file = sf_open(recording.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    sf_close(file);
    // The recording runs from before the first clip plays until the program ends.
    const double seconds = static_cast<double>(info.frames) / info.samplerate;
    EXPECT_GE(seconds, SecondsSince(handOvers[0], asked));
    EXPECT_LE(seconds, SecondsSince(launched, ended));
    const CueSheetSeen sheet = ReadCueSheet(recording.substr(0, recording.size() - 5) + ".cue");
    EXPECT_EQ(sheet.titles, (std::vector<std::string>{"a", "b", "c"}));
    ASSERT_EQ(sheet.index.size(), handOvers.size());
    EXPECT_LE(sheet.index[0], SecondsSince(launched, handOvers[0]));
    for (std::size_t i = 2; i < handOvers.size(); ++i) {
        SCOPED_TRACE("hand-over " + std::to_string(i));
        EXPECT_NEAR(sheet.index[i] - sheet.index[1], SecondsSince(handOvers[1], handOvers[i]),
                    kCueTolerance);
    }
}

// The program's wiring is the same for every format; the Ogg formats' streams and titles are
// checked against the server by the broadcaster's own tests.
INSTANTIATE_TEST_SUITE_P(Formats, BroadcastProgram, ::testing::Values(StreamRow{"mp3", "mp3"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace korvale
