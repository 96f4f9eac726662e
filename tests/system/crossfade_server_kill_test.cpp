// The main window on the real audio engine playing through the desktop's sound server (a
// private PulseAudio daemon), run unattended in real time: the server is killed in the
// middle of a cross-fade. The engine carries on on its null output; the window must not
// notice beyond that: the time displays keep moving, the cross-fade completes and
// "LOAD NEXT" loads the next clip.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "audio/AudioEngine.h"
#include "audio/AudioOutputFactory.h"
#include "support/ClipFactory.h"
#include "support/EngineWindowRun.h"
#include "support/TempDir.h"
#include "ui/PlayListView.h"

namespace korvale {
namespace {

using namespace std::chrono_literals;
using testing::EngineWindowRun;
using testing::TempDir;

constexpr const char* kIsolatedEnv = "KORVALE_PULSE_ISOLATED";
constexpr double kClipSeconds = 8.0;
constexpr int kClipRate = 44100;
constexpr int kMp3Filter = 1;
constexpr long long kLimitMs = 60000;
// Fade-timer ticks into the cross-fade before the server dies.
constexpr int kTicksBeforeKill = 5;

// Runs the window's timers in real time: one slice every 10 ms of the steady clock.
class RealTimeRun {
public:
    explicit RealTimeRun(EngineWindowRun& run) : m_run(run), m_next(Clock::now()) {}

    void Step() {
        m_next += std::chrono::milliseconds(EngineWindowRun::kSliceMs);
        std::this_thread::sleep_until(m_next);
        m_run.AfterSlice(true);
    }
    template <typename Predicate> bool StepUntil(Predicate done, long long limitMs) {
        const long long start = m_run.NowMs();
        while (!done()) {
            if (m_run.NowMs() - start >= limitMs) {
                return false;
            }
            Step();
        }
        return true;
    }

private:
    using Clock = std::chrono::steady_clock;
    EngineWindowRun& m_run;
    Clock::time_point m_next;
};

void CrossFadeWhileTheServerDies() {
    TempDir dir;
    std::vector<std::string> written;
    for (const char* clip : {"a.mp3", "b.mp3", "c.mp3"}) {
        written.push_back(dir.file(clip));
        ASSERT_TRUE(testing::WriteSineMp3(written.back(), kClipSeconds,
                                          300.0 + 200.0 * written.size(), kClipRate,
                                          testing::Mp3Mode::Cbr));
    }
    AudioEngine engine(MakeBestAudioOutput());
    ASSERT_NE(engine.outputName(), "null") << "the sound server was not reached";
    EngineVoice& deck1 = engine.voice(VoiceId::Deck1);
    EngineVoice& deck2 = engine.voice(VoiceId::Deck2);
    EngineWindowRun run(deck1, deck2);
    RealTimeRun clock(run);
    run.Gather(written[0], kMp3Filter);
    // The clips play in list order.
    const std::vector<std::string> clips = run.Window().PlayListBox->Entries();
    ASSERT_EQ(clips.size(), written.size());
    run.StartUnattended();

    // a fades in, b is loaded; the automatic cross-fade from a into b starts.
    ASSERT_TRUE(clock.StepUntil([&] { return run.HandOversStarted() == 2; }, kLimitMs));
    int ticks = 0;
    ASSERT_TRUE(clock.StepUntil(
        [&] {
            return run.NowMs() % EngineWindowRun::kFadeTimerMs == 0 && ++ticks > kTicksBeforeKill;
        },
        kLimitMs));
    ASSERT_TRUE(run.Fading());

    const pid_t server = static_cast<pid_t>(std::atoll(std::getenv("KORVALE_PULSE_PID")));
    ASSERT_EQ(kill(server, SIGKILL), 0);
    ASSERT_TRUE(clock.StepUntil([&] { return engine.outputName() == "null"; }, 10000));

    // The displays keep moving on the null output.
    const std::string before1 = run.ElapsedText(1);
    const std::string before2 = run.ElapsedText(2);
    const double position1 = deck1.positionSeconds();
    const double position2 = deck2.positionSeconds();
    clock.StepUntil([] { return false; }, 500);
    EXPECT_TRUE(run.ElapsedText(1) != before1 || run.ElapsedText(2) != before2);
    EXPECT_TRUE(deck1.positionSeconds() > position1 || deck2.positionSeconds() > position2);

    // The cross-fade completes, and "LOAD NEXT" loads c onto the freed deck.
    ASSERT_TRUE(clock.StepUntil([&] { return !run.Fading(); }, kLimitMs));
    EXPECT_EQ(run.HandOversCompleted(), 2);
    EXPECT_TRUE(clock.StepUntil(
        [&] { return deck1.path() == clips[2] || deck2.path() == clips[2]; }, 2000));
    EXPECT_TRUE(deck1.path() == clips[1] || deck2.path() == clips[1]);
    EXPECT_TRUE(deck1.playState() == VoicePlayState::Playing ||
                deck2.playState() == VoicePlayState::Playing);
}

TEST(CrossFadePulse, ServerKilledMidFadeTheRunGoesOn) {
    if (std::getenv(kIsolatedEnv) != nullptr) {
        CrossFadeWhileTheServerDies();
        return;
    }
    if (std::getenv("KORVALE_PULSE_PID") == nullptr) {
        GTEST_SKIP() << "needs scripts/with-pulseaudio.sh";
    }
    // The server shared by this run stays up for other tests: the kill happens in a child
    // of this binary under a server of its own.
    const std::filesystem::path script =
        std::filesystem::path(__FILE__).parent_path() / "../../scripts/with-pulseaudio.sh";
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    TempDir dir;
    const std::string log = dir.file("child.log");
    const pid_t child = fork();
    if (child == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
            ::close(fd);
        }
        const std::string isolated = std::string(kIsolatedEnv) + "=1";
        const std::string filter = "--gtest_filter=CrossFadePulse.ServerKilledMidFadeTheRunGoesOn";
        execlp(script.c_str(), script.c_str(), "env", isolated.c_str(), "QT_QPA_PLATFORM=offscreen",
               self.c_str(), filter.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << testing::ReadBytes(log);
}

} // namespace
} // namespace korvale
