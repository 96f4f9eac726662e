// Idle cost: CPU time per second of wall time with a clip open and nothing playing, the
// engine's output kept running against stopped for idleness, on the real sound output;
// how late the first sound comes after an idle stop; and the whole program idle (the
// build's own and any others given as label=path arguments), measured from /proc.
// Run it under scripts/with-pulseaudio.sh and dbus-run-session.
#include "audio/AudioEngine.h"
#include "audio/AudioOutputFactory.h"
#include "support/ClipFactory.h"
#include "support/TempDir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using korvale::AudioEngine;

constexpr auto kEngineIdleSpan = 10s;
constexpr auto kProgramSettle = 6s; // start-up plus the idle stop
constexpr auto kProgramIdleSpan = 20s;
constexpr auto kLatencyIdleStop = 300ms;
constexpr int kLatencyRuns = 7;
constexpr auto kConditionLimit = 10s;
constexpr double kLatencyGoalMs = 100.0;

template <typename Predicate> bool WaitFor(Predicate done) {
    const auto deadline = Clock::now() + kConditionLimit;
    while (!done()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// User plus system CPU seconds of another process; negative when it is gone.
double ChildCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) {
        return -1.0;
    }
    // Fields after the command name (which may hold spaces) start at field 3.
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::string field;
    double utime = 0.0;
    double stime = 0.0;
    for (int index = 3; rest >> field; ++index) {
        if (index == 14) {
            utime = std::stod(field);
        } else if (index == 15) {
            stime = std::stod(field);
            break;
        }
    }
    return (utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The real output with a probe between it and the engine: notes when the first non-silent
// frame after arm() is handed to the sink. The probe's own cost is one scan of the buffer.
class ProbeOutput final : public korvale::AudioOutput, public korvale::AudioRenderer {
public:
    explicit ProbeOutput(std::unique_ptr<korvale::AudioOutput> inner) : m_inner(std::move(inner)) {}
    int sampleRate() const override { return m_inner->sampleRate(); }
    std::size_t framesPerBuffer() const override { return m_inner->framesPerBuffer(); }
    bool start(korvale::AudioRenderer& renderer) override {
        m_renderer = &renderer;
        return m_inner->start(*this);
    }
    void stop() override { m_inner->stop(); }
    std::string activeName() const override { return m_inner->activeName(); }

    void render(float* out, std::size_t frames) noexcept override {
        m_renderer->render(out, frames);
        if (m_armed.load(std::memory_order_acquire) &&
            std::any_of(out, out + 2 * frames, [](float s) { return s != 0.0f; })) {
            m_heard.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
            m_armed.store(false, std::memory_order_release);
        }
    }
    void waitUntilReady(std::size_t frames) override { m_renderer->waitUntilReady(frames); }

    void arm() {
        m_heard.store(0);
        m_armed.store(true);
    }
    // When the first sound after arm() was handed over; nothing yet: the epoch.
    Clock::time_point heard() const {
        return Clock::time_point(Clock::duration(m_heard.load(std::memory_order_acquire)));
    }

private:
    std::unique_ptr<korvale::AudioOutput> m_inner;
    korvale::AudioRenderer* m_renderer = nullptr;
    std::atomic<bool> m_armed{false};
    std::atomic<Clock::rep> m_heard{0};
};

double ServerCpuSeconds() {
    const char* pid = std::getenv("KORVALE_PULSE_PID");
    return pid == nullptr ? -1.0 : ChildCpuSeconds(static_cast<pid_t>(std::atoll(pid)));
}

// CPU per wall second (percent of one core) of this process and of the sound server while
// an engine sits idle with a clip open.
void EngineIdle(const char* what, std::chrono::milliseconds idleStop, const std::string& clip) {
    AudioEngine engine(korvale::MakeBestAudioOutput(), idleStop);
    korvale::EngineVoice& voice = engine.voice(korvale::VoiceId::Deck1);
    voice.open(clip);
    voice.play();
    std::this_thread::sleep_for(200ms);
    voice.stop();
    if (idleStop != AudioEngine::kNeverIdleStop &&
        !WaitFor([&] { return !engine.outputRunning(); })) {
        std::printf("%s: the output did not stop\n", what);
        return;
    }
    const double cpu0 = ProcessCpuSeconds();
    const double server0 = ServerCpuSeconds();
    const auto wall0 = Clock::now();
    std::this_thread::sleep_for(kEngineIdleSpan);
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    const double cpu = 100.0 * (ProcessCpuSeconds() - cpu0) / wall;
    std::printf("engine idle, %s (%s): process %.3f %% of a core", what,
                engine.outputName().c_str(), cpu);
    if (server0 >= 0.0) {
        std::printf(", sound server %.3f %%", 100.0 * (ServerCpuSeconds() - server0) / wall);
    }
    std::printf(" over %.1f s\n", wall);
}

void RestartLatency(const std::string& clip) {
    auto probe = std::make_unique<ProbeOutput>(korvale::MakeBestAudioOutput());
    ProbeOutput& probeRef = *probe;
    AudioEngine engine(std::move(probe), kLatencyIdleStop);
    korvale::EngineVoice& voice = engine.voice(korvale::VoiceId::Deck1);
    voice.open(clip);
    std::vector<double> ms;
    for (int run = 0; run < kLatencyRuns; ++run) {
        if (!WaitFor([&] { return !engine.outputRunning(); })) {
            std::printf("restart latency: the output did not stop\n");
            return;
        }
        probeRef.arm();
        const auto played = Clock::now();
        voice.play();
        if (!WaitFor([&] { return probeRef.heard() != Clock::time_point(); })) {
            std::printf("restart latency: no sound after play\n");
            return;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(probeRef.heard() - played).count());
        voice.stop();
    }
    std::sort(ms.begin(), ms.end());
    std::printf("first sound after an idle stop (%s): min %.1f ms, median %.1f ms, max %.1f ms "
                "over %d plays (goal < %.0f ms)\n",
                engine.outputName().c_str(), ms.front(), ms[ms.size() / 2], ms.back(), kLatencyRuns,
                kLatencyGoalMs);
}

// The whole program, idle with its window open, from /proc: percent of one core.
void ProgramIdle(const std::string& label, const std::string& program) {
    korvale::testing::TempDir data;
    const pid_t pid = fork();
    if (pid == 0) {
        // HOME stays: with-pulseaudio.sh routes ALSA to its server through ~/.asoundrc.
        // The program's activation file goes to a folder of this run.
        setenv("XDG_DATA_HOME", data.path().c_str(), 1);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(kProgramSettle);
    const double cpu0 = ChildCpuSeconds(pid);
    const double server0 = ServerCpuSeconds();
    const auto wall0 = Clock::now();
    std::this_thread::sleep_for(kProgramIdleSpan);
    const double cpu1 = ChildCpuSeconds(pid);
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    const double server1 = ServerCpuSeconds();
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    if (cpu0 < 0.0 || cpu1 < 0.0) {
        std::printf("program idle, %s: it did not keep running (%s)\n", label.c_str(),
                    program.c_str());
        return;
    }
    std::printf("program idle, %s: %.3f %% of a core", label.c_str(), 100.0 * (cpu1 - cpu0) / wall);
    if (server0 >= 0.0) {
        std::printf(", sound server %.3f %%", 100.0 * (server1 - server0) / wall);
    }
    std::printf(" over %.1f s\n", wall);
}

} // namespace

int main(int argc, char** argv) {
    korvale::testing::TempDir dir;
    const std::string clip = dir.file("tone.wav");
    if (!korvale::testing::WriteSineWav(clip, 60.0, 440.0, 48000, 0.5)) {
        std::printf("cannot write the test clip\n");
        return 1;
    }
    EngineIdle("output kept running", AudioEngine::kNeverIdleStop, clip);
    EngineIdle("output stopped for idleness", AudioEngine::kDefaultIdleStop, clip);
    RestartLatency(clip);

    if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
        std::printf("program idle: skipped (needs a session bus: dbus-run-session)\n");
        return 0;
    }
    std::vector<std::pair<std::string, std::string>> programs;
#ifdef KORVALE_PROGRAM
    programs.emplace_back("this build", KORVALE_PROGRAM);
#endif
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto equals = arg.find('=');
        programs.emplace_back(equals == std::string::npos ? arg : arg.substr(0, equals),
                              equals == std::string::npos ? arg : arg.substr(equals + 1));
    }
    for (const auto& [label, program] : programs) {
        ProgramIdle(label, program);
    }
    return 0;
}
