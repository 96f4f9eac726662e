// The engine on a real sound server: a private PulseAudio daemon with a null sink, started
// by scripts/with-pulseaudio.sh. What the engine plays is recorded from the sink's monitor.

#include "audio/AudioEngine.h"
#include "audio/AudioOutputFactory.h"
#include "support/ClipFactory.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace korvale {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;

constexpr int kRecordRate = 48000;
constexpr const char* kIsolatedEnv = "KORVALE_PULSE_ISOLATED";

// Runs a program with its standard output going to `outputPath`; returns its process id.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputPath) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            ::close(fd);
        }
        std::vector<char*> args;
        for (const auto& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    return pid;
}

int WaitExit(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<float> ReadFloats(const std::string& path) {
    const std::string bytes = testing::ReadBytes(path);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

// The longest stretch of the left channel without a gap of silence (a starved sound
// server can leave gaps in what it records).
std::vector<float> LongestAudibleRun(const std::vector<float>& stereo) {
    constexpr float kSilence = 1e-3f;
    constexpr std::size_t kGap = 32;
    std::vector<float> best;
    std::vector<float> run;
    std::size_t quiet = 0;
    for (std::size_t i = 0; i + 1 < stereo.size(); i += 2) {
        const float s = stereo[i];
        quiet = std::fabs(s) <= kSilence ? quiet + 1 : 0;
        if (quiet >= kGap) {
            if (run.size() > best.size()) {
                best = run;
            }
            run.clear();
            continue;
        }
        run.push_back(s);
    }
    return run.size() > best.size() ? run : best;
}

template <typename Predicate> bool WaitFor(Predicate done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

bool ServerAvailable() {
    return std::getenv("KORVALE_PULSE_PID") != nullptr;
}

TEST(EnginePulse, PlaysThroughTheSoundServer) {
    if (!ServerAvailable()) {
        GTEST_SKIP() << "needs scripts/with-pulseaudio.sh";
    }
    TempDir dir;
    const std::string clip = dir.file("tone.wav");
    ASSERT_TRUE(testing::WriteSineWav(clip, 10.0, 1000.0, 44100, 0.5));
    AudioEngine engine(MakeBestAudioOutput());
    ASSERT_EQ(engine.outputName(), "portaudio");
    EngineVoice& voice = engine.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(clip));
    voice.setVolume(-600);

    const std::string recording = dir.file("monitor.raw");
    std::error_code ignored;
    const pid_t recorder = Spawn({"parec", "--device=korvale_null.monitor", "--format=float32le",
                                  "--channels=2", "--rate=48000", "--raw", "--latency-msec=20"},
                                 recording);
    // The null sink runs without pause: the monitor records (silence) once parec is connected.
    ASSERT_TRUE(
        WaitFor([&] { return std::filesystem::file_size(recording, ignored) > 0; }, 8000ms));
    voice.play();
    // The clock is the sound server's: on a busy machine it may run behind real time.
    EXPECT_TRUE(WaitFor([&] { return voice.positionSeconds() > 1.5; }, 8000ms));
    EXPECT_EQ(voice.playState(), VoicePlayState::Playing);
    EXPECT_EQ(engine.outputName(), "portaudio");
    kill(recorder, SIGINT);
    WaitExit(recorder);

    const auto raw = ReadFloats(recording);
    ASSERT_GT(raw.size(), 0U) << "nothing recorded";
    auto left = LongestAudibleRun(raw);
    ASSERT_GT(left.size(), static_cast<std::size_t>(kRecordRate / 10)) << "nothing audible";
    left.erase(left.begin(), left.begin() + static_cast<long>(left.size() / 10)); // the ramp
    EXPECT_NEAR(testing::EstimateFrequencyHz(left, kRecordRate), 1000.0, 1.0);
    // 0.5 amplitude (-9.03 dBFS RMS) at -6 dB.
    EXPECT_NEAR(testing::RmsDbfs(left), -15.05, 0.3);
}

// An output stopped for idleness is not a dead server: each play after such a stop plays
// through the server again, never through the null output.
TEST(EnginePulse, IdleStopsAreNotTakenForADeadServer) {
    if (!ServerAvailable()) {
        GTEST_SKIP() << "needs scripts/with-pulseaudio.sh";
    }
    constexpr int kStops = 2;
    TempDir dir;
    const std::string clip = dir.file("tone.wav");
    ASSERT_TRUE(testing::WriteSineWav(clip, 20.0, 440.0, 48000, 0.5));
    AudioEngine engine(MakeBestAudioOutput(), 300ms);
    ASSERT_EQ(engine.outputName(), "portaudio");
    EngineVoice& voice = engine.voice(VoiceId::Deck1);
    ASSERT_TRUE(voice.open(clip));
    for (int stop = 1; stop <= kStops; ++stop) {
        ASSERT_TRUE(WaitFor([&] { return !engine.outputRunning(); }, 8000ms));
        const double from = voice.positionSeconds();
        voice.play();
        // Long enough for the failover's monitor to have judged the restarted stream.
        ASSERT_TRUE(WaitFor([&] { return voice.positionSeconds() > from + 0.5; }, 8000ms));
        EXPECT_EQ(engine.outputName(), "portaudio") << "after idle stop " << stop;
        EXPECT_EQ(engine.outputStarts(), static_cast<std::uint64_t>(stop + 1));
        voice.stop();
    }
}

// Kills the server this process plays on; runs inside its own private server (below).
void PlayWhileTheServerDies() {
    TempDir dir;
    const std::string clip = dir.file("tone.wav");
    ASSERT_TRUE(testing::WriteSineWav(clip, 20.0, 440.0, 48000, 0.5));
    AudioEngine engine(MakeBestAudioOutput());
    ASSERT_EQ(engine.outputName(), "portaudio");
    EngineVoice& voice = engine.voice(VoiceId::Deck2);
    ASSERT_TRUE(voice.open(clip));
    voice.play();
    ASSERT_TRUE(WaitFor([&] { return voice.positionSeconds() > 0.2; }, 8000ms));
    const double before = voice.positionSeconds();

    const pid_t server = static_cast<pid_t>(std::atoll(std::getenv("KORVALE_PULSE_PID")));
    ASSERT_EQ(kill(server, SIGKILL), 0);
    ASSERT_TRUE(WaitFor([&] { return engine.outputName() == "null"; }, 8000ms));
    // The switch itself may come before the null output's first buffer: what counts is that
    // the clip plays on from where it stood, and at real time, not faster.
    const auto switched = std::chrono::steady_clock::now();
    const double later = voice.positionSeconds();
    EXPECT_TRUE(WaitFor([&] { return voice.positionSeconds() > later + 0.5; }, 8000ms));
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - switched;
    EXPECT_GE(later, before);
    EXPECT_GT(elapsed.count(), 0.4) << "the null output runs faster than real time";
    EXPECT_EQ(voice.playState(), VoicePlayState::Playing);
}

TEST(EnginePulse, KeepsRunningWhenTheServerDies) {
    if (std::getenv(kIsolatedEnv) != nullptr) {
        PlayWhileTheServerDies();
        return;
    }
    if (!ServerAvailable()) {
        GTEST_SKIP() << "needs scripts/with-pulseaudio.sh";
    }
    // The server shared by this run stays up for other tests: the kill happens in a child
    // of this binary under a server of its own.
    const std::filesystem::path script =
        std::filesystem::path(__FILE__).parent_path() / "../../scripts/with-pulseaudio.sh";
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    TempDir dir;
    const pid_t child = Spawn({script.string(), "env", std::string(kIsolatedEnv) + "=1", self,
                               "--gtest_filter=EnginePulse.KeepsRunningWhenTheServerDies"},
                              dir.file("child.log"));
    const int status = WaitExit(child);
    EXPECT_EQ(status, 0) << testing::ReadBytes(dir.file("child.log"));
}

} // namespace
} // namespace korvale
