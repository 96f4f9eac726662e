// The real program broadcasting and recording its mix, started with --broadcast and --record
// and its kept settings: on the run's private Icecast server, its PulseAudio null sink and a
// virtual display. The clips are driven with playerctl as the desktop's media keys would, and
// the bus's signals of the media controls are watched with dbus-monitor.

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <regex>

#include "SystemSupport.h"
#include "support/IcecastListener.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sys::Child;
using sys::Player;
using sys::WaitFor;
using testing::CommandOutput;

const std::vector<double> kTones = {500.0, 1000.0, 1500.0}; // of the clips a, b and c
constexpr double kHeard = 0.05;               // a tone's amplitude that counts as heard
constexpr double kFull = 0.4;                 // the clips' 0.5 with the fader at the top
constexpr auto kTitleLimit = 2s;              // a hand-over reaches the status page
constexpr auto kComebackLimit = 35s;          // the stream is back after the server is
constexpr auto kLongestSinkGap = 20ms;        // silence allowed in the local output
constexpr double kSilentSample = 1e-4;        // below this a sample counts as silence
constexpr double kCueTolerance = 0.25;        // s; the test sees hand-overs through the bus
constexpr std::size_t kStreamBytes = 1 << 20; // more than a listening span brings
constexpr auto kListenSpan = 3s;

// The amplitudes of the three tones in the last second of what a listener of `mount` hears.
std::vector<double> StreamTones(const std::string& mount) {
    const testing::HeardStream heard =
        testing::Decode(testing::HttpGet(mount, kStreamBytes, kListenSpan));
    const std::size_t frames = heard.stereo.size() / 2;
    std::vector<double> tones(kTones.size(), 0.0);
    if (heard.rate == 0 || frames < static_cast<std::size_t>(heard.rate))
        return tones;
    const auto left =
        testing::Channel(heard.stereo, 0, frames - static_cast<std::size_t>(heard.rate));
    for (std::size_t i = 0; i < tones.size(); ++i)
        tones[i] = testing::ToneAmplitude(left, kTones[i], heard.rate);
    return tones;
}

// Whether, within 20 s, `measure` finds the tone of clip `which` (-1: none) at `level` at
// least and no other heard: a fade towards it has ended.
bool Carries(const std::function<std::vector<double>()>& measure, int which, double level) {
    return WaitFor(
        [&] {
            const std::vector<double> tones = measure();
            for (int i = 0; i < static_cast<int>(tones.size()); ++i) {
                if (i == which ? tones[i] < level : tones[i] > kHeard)
                    return false;
            }
            return true;
        },
        20s);
}

// The longest run of silence on the left channel of interleaved stereo from the sink.
std::chrono::milliseconds LongestSilence(const std::vector<float>& stereo) {
    std::size_t run = 0;
    std::size_t longest = 0;
    for (std::size_t frame = 0; frame < stereo.size() / 2; ++frame) {
        const bool silent = std::abs(stereo[2 * frame]) < kSilentSample;
        run = silent ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return std::chrono::milliseconds(longest * 1000 / sys::kSinkRate);
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

// The recording in `folder` (the last FLAC file there; empty when there is none).
std::string Recording(const std::string& folder) {
    std::error_code ignored;
    std::string recording;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored)) {
        if (entry.path().extension() == ".flac")
            recording = entry.path().string();
    }
    return recording;
}

TEST(BroadcastProgram, ListenersHearTheMixThroughHandOversAndAServerRestartAndTheRecordingMatches) {
    sys::Screen screen;
    if (std::getenv("KORVALE_PULSE_PID") == nullptr || testing::IcecastPort() == 0 ||
        !screen.ok()) {
        GTEST_SKIP() << "needs scripts/with-pulseaudio.sh, scripts/with-icecast.sh and Xvfb";
    }
    testing::TempDir dir;
    for (std::size_t i = 0; i < kTones.size(); ++i) {
        const std::string clip = dir.file(std::string(1, char('a' + i)) + ".wav");
        ASSERT_TRUE(testing::WriteSineWav(clip, 60.0, kTones[i], 44100, 0.5));
    }
    // The Ogg formats' streams and titles are checked against the server by the broadcaster's
    // own tests; the program's wiring is the same for every format.
    const std::string mount = "/program";
    const std::string config = dir.file("config");
    const std::string folder = dir.file("rec");
    ASSERT_TRUE(sys::WriteSettings(
        config, "[broadcast]\nhost=127.0.0.1\nport=" + std::to_string(testing::IcecastPort()) +
                    "\nmount=" + mount +
                    "\nformat=mp3\n[recording]"
                    "\nfolder=" +
                    folder + "\nformat=flac\n"));
    const std::string passwordFile = config + "/korvale/stream-password";
    ASSERT_TRUE(testing::WriteBytes(passwordFile, testing::IcecastSourcePassword()));
    ASSERT_EQ(::chmod(passwordFile.c_str(), 0600), 0);
    ASSERT_TRUE(sys::OffTheBus());

    const sys::SinkRecording sink(dir.file("sink.raw"));
    const auto sinkTones = [&] { return sink.NextTones(kTones); };
    const auto streamTones = [&] { return StreamTones(mount); };
    const std::string signals = dir.file("signals.log");
    Child monitor(
        {"dbus-monitor", "type='signal',member='PropertiesChanged',path='/org/mpris/MediaPlayer2'"},
        {}, signals);
    std::vector<std::string> environment = screen.Environment();
    environment.push_back("XDG_CONFIG_HOME=" + config);
    const Clock::time_point launched = Clock::now();
    Child program({KORVALE_BINARY, "--broadcast", "--record"}, environment,
                  dir.file("korvale.log"));
    const QString window = screen.WaitForWindow("KORVALE");
    ASSERT_FALSE(window.isEmpty()) << testing::ReadBytes(dir.file("korvale.log"));
    { // A second copy takes a name of its own on the bus.
        Child second({KORVALE_BINARY}, {"QT_QPA_PLATFORM=offscreen"}, dir.file("second.log"));
        const std::string both = "korvale\nkorvale.instance" + std::to_string(second.pid());
        EXPECT_TRUE(WaitFor([&] { return CommandOutput("playerctl -l | sort") == both; }, 15s))
            << CommandOutput("playerctl -l");
    }
    ASSERT_TRUE(WaitFor([] { return CommandOutput("playerctl -l") == "korvale"; }, 15s));
    EXPECT_NE(Player("open http://example.org/a.wav"), "") << "only files are opened";
    EXPECT_NE(Player("open file://" + dir.file("none.wav")), "") << "a missing file is refused";
    for (const char* clip : {"a.wav", "b.wav", "c.wav"})
        ASSERT_EQ(Player("open file://" + dir.file(clip)), "");
    EXPECT_EQ(Player("metadata -f '{{xesam:title}} {{mpris:length}} {{xesam:url}}'"),
              "a 60000000 file://" + dir.file("a.wav"));

    // The recording runs (its file grows) before the first clip plays.
    const auto recorded = [&] {
        std::error_code ignored;
        const std::string recording = Recording(folder);
        return recording.empty() ? 0 : std::filesystem::file_size(recording, ignored);
    };
    const std::uintmax_t header = recorded();
    ASSERT_TRUE(WaitFor([&] { return recorded() > header; }, 10s));
    // LOAD NEXT down: the end of each fade loads the next clip onto the other deck. The first
    // clip fades in, is paused and played again.
    ASSERT_TRUE(screen.Click(window, "LoadNextCheck"));
    std::vector<Clock::time_point> handOvers;
    handOvers.push_back(Clock::now());
    struct PlayerStep {
        const char* command;
        int heard; // the clip the sink plays afterwards; -1: none
        const char* status;
    };
    for (const PlayerStep& step :
         {PlayerStep{"next", 0, "Playing"}, PlayerStep{"pause", -1, "Paused"},
          PlayerStep{"play", 0, "Playing"}}) {
        SCOPED_TRACE(step.command);
        EXPECT_EQ(Player(step.command), "");
        EXPECT_TRUE(Carries(sinkTones, step.heard, kFull));
        EXPECT_EQ(Player("status"), step.status);
    }
    EXPECT_TRUE(WaitFor([&] { return testing::StatusShowsTitle(mount, "a"); }, 10s));
    EXPECT_TRUE(Carries(streamTones, 0, kFull));
    handOvers.push_back(Clock::now());
    ASSERT_EQ(Player("next"), "");
    EXPECT_TRUE(WaitFor([&] { return testing::StatusShowsTitle(mount, "b"); }, kTitleLimit));
    EXPECT_TRUE(Carries(streamTones, 1, kFull));

    // The server goes away and comes back while b plays: the local output never falters.
    const std::size_t killed = sink.Frames();
    const std::string control = std::getenv("KORVALE_ICECAST_CTL");
    ASSERT_EQ(std::system((control + " kill").c_str()), 0);
    EXPECT_TRUE(WaitFor([&] { return sink.Frames() >= killed + 2 * sys::kSinkRate; }, 10s));
    ASSERT_EQ(std::system((control + " start").c_str()), 0);
    EXPECT_TRUE(WaitFor([&] { return testing::StatusShowsTitle(mount, "b"); }, kComebackLimit));
    EXPECT_TRUE(Carries(streamTones, 1, kFull));
    EXPECT_LE(LongestSilence(sink.Samples(killed)), kLongestSinkGap);
    EXPECT_EQ(screen.Windows(".+").size(), 1) << "a message box came up";

    // LOAD NEXT up: the cross-fade into c, the last clip, leaves nothing for the next one.
    ASSERT_TRUE(screen.Click(window, "LoadNextCheck"));
    const std::size_t seen = testing::ReadBytes(signals).size();
    handOvers.push_back(Clock::now());
    ASSERT_EQ(Player("next"), "");
    EXPECT_TRUE(WaitFor([&] { return testing::StatusShowsTitle(mount, "c"); }, kTitleLimit));
    EXPECT_TRUE(Carries(streamTones, 2, kFull));
    EXPECT_EQ(Player("metadata xesam:title"), "c");
    static const std::regex nothingNext(R"("CanGoNext"\s+variant\s+boolean false)");
    EXPECT_TRUE(WaitFor(
        [&] { return std::regex_search(testing::ReadBytes(signals).substr(seen), nothingNext); },
        10s));
    const Clock::time_point asked = Clock::now();
    ASSERT_TRUE(screen.Click(window, "ExitButton"));
    ASSERT_EQ(program.WaitExit(15s), 0);
    const Clock::time_point ended = Clock::now();

    // The media controls told of their changes a few times a second at most, never each tick.
    const std::string log = testing::ReadBytes(signals);
    const std::string member = "member=PropertiesChanged";
    long told = 0;
    for (auto at = log.find(member); at != std::string::npos; at = log.find(member, at + 1))
        ++told;
    EXPECT_LE(told, 1 + 4 * static_cast<long>(SecondsSince(launched, ended))) << log;

    // The recording runs from before the first clip plays until the program ends, with one
    // track per hand-over at its time.
    const std::string recording = Recording(folder);
    ASSERT_FALSE(recording.empty());
    SF_INFO info{};
    SNDFILE* file = sf_open(recording.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr);
    sf_close(file);
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

} // namespace
} // namespace korvale
