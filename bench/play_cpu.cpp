// What the window and the engine cost while they run as the program builds them, offscreen
// on the real sound output: CPU of the main thread and of the whole process, first idle with
// nothing loaded, then with two MP3 clips playing on the two decks; beside two `mpg123`
// processes playing the same files to the same sound server.
// Run it under dbus-run-session and scripts/with-pulseaudio.sh, with QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "audio/AudioEngine.h"
#include "audio/AudioOutputFactory.h"
#include "audio/MediaCommandInterpreter.h"
#include "platform/AlsaAudioDevices.h"
#include "support/ClipFactory.h"
#include "support/FakeDevices.h"
#include "support/TempDir.h"
#include "ui/CKORVALEDlg.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kSettle = 2s; // start-up and the first paints; players filling their buffers
constexpr auto kIdleStopLimit = 30s;
constexpr auto kPoll = 100ms;
constexpr auto kSpan = 20s; // each measured span
constexpr double kClipSeconds = 60.0;
constexpr int kClipRate = 44100;
constexpr int kClipKbps = 192;           // constant bit rate, as music is often sold
constexpr double kPlayGoalRatio = 1.5;   // the program against two mpg123 processes
constexpr double kIdleGoalPercent = 0.1; // of one core

// CPU seconds a thread has run, from the scheduler's nanosecond account
// (/proc/PID/task/TID/schedstat); negative when it is gone.
double ThreadCpuSeconds(pid_t pid, pid_t thread) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/task/" + std::to_string(thread) +
                       "/schedstat");
    double nanoseconds = -1.0;
    if (!(stat >> nanoseconds)) {
        return -1.0;
    }
    return nanoseconds / 1e9;
}

// CPU seconds that the living threads of a process have run; negative when it is gone.
// Threads that have ended are not counted: measure processes whose threads stay.
double ProcessCpuSeconds(pid_t pid) {
    std::error_code error;
    std::filesystem::directory_iterator tasks("/proc/" + std::to_string(pid) + "/task", error);
    if (error) {
        return -1.0;
    }
    double seconds = 0.0;
    for (const std::filesystem::directory_entry& task : tasks) {
        const double thread = ThreadCpuSeconds(pid, std::stoi(task.path().filename().string()));
        if (thread > 0.0) {
            seconds += thread;
        }
    }
    return seconds;
}

struct Cpu {
    double mainThread = 0.0; // percent of one core
    double process = 0.0;
};

// CPU seconds all threads of this process have run, ended ones included, to the nanosecond.
double OwnCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs the event loop for `span` and returns what this process and its main thread spent.
Cpu MeasureHere(std::chrono::milliseconds span) {
    const pid_t pid = getpid();
    const double main0 = ThreadCpuSeconds(pid, pid);
    const double all0 = OwnCpuSeconds();
    const auto wall0 = Clock::now();
    QEventLoop loop;
    QTimer::singleShot(span, &loop, &QEventLoop::quit);
    loop.exec();
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    return Cpu{100.0 * (ThreadCpuSeconds(pid, pid) - main0) / wall,
               100.0 * (OwnCpuSeconds() - all0) / wall};
}

// Two `mpg123 -o pulse` processes playing `clips`: their CPU together, percent of one core;
// negative when mpg123 is not installed or does not keep playing.
double TwoMpg123(const std::vector<std::string>& clips) {
    std::vector<pid_t> players;
    for (const std::string& clip : clips) {
        const pid_t pid = fork();
        if (pid == 0) {
            execlp("mpg123", "mpg123", "-q", "-o", "pulse", clip.c_str(),
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        players.push_back(pid);
    }
    std::this_thread::sleep_for(kSettle);
    double before = 0.0;
    for (const pid_t pid : players) {
        before += ProcessCpuSeconds(pid);
    }
    const auto wall0 = Clock::now();
    std::this_thread::sleep_for(kSpan);
    double after = 0.0;
    bool running = true;
    for (const pid_t pid : players) {
        const double seconds = ProcessCpuSeconds(pid);
        running = running && seconds >= 0.0 && waitpid(pid, nullptr, WNOHANG) == 0;
        after += seconds;
    }
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    for (const pid_t pid : players) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    return running ? 100.0 * (after - before) / wall : -1.0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    korvale::testing::TempDir dir;
    // Two different tones, so that neither decoder reads what the other has just read; 192
    // kbit/s CBR MP3s.
    const std::vector<std::string> clips = {dir.file("one.mp3"), dir.file("two.mp3")};
    if (!korvale::testing::WriteSineMp3(clips[0], kClipSeconds, 440.0, kClipRate,
                                        korvale::testing::Mp3Mode::Cbr, kClipKbps) ||
        !korvale::testing::WriteSineMp3(clips[1], kClipSeconds, 660.0, kClipRate,
                                        korvale::testing::Mp3Mode::Cbr, kClipKbps)) {
        std::printf("cannot write the test clips\n");
        return 1;
    }

    // The program's own services, with dialogs that never block.
    korvale::AudioEngine engine(korvale::MakeBestAudioOutput());
    korvale::AlsaAudioDevices devices;
    korvale::MediaCommandInterpreter mediaCommands(engine.voice(korvale::VoiceId::Cue));
    korvale::testing::FakeDialogs dialogs;
    korvale::testing::FakeShell shell;
    korvale::WindowServices services;
    services.core = {&engine.voice(korvale::VoiceId::Deck1),
                     &engine.voice(korvale::VoiceId::Deck2),
                     &mediaCommands,
                     &devices,
                     &dialogs,
                     &shell};
    korvale::CKORVALEDlg window(services);
    window.OnInitDialog();
    window.show();
    std::printf("output: %s\n", engine.outputName().c_str());

    // Idle begins once the engine has stopped its output (after its span of silence): the
    // output's thread, which ends then, would not be counted whole.
    MeasureHere(kSettle);
    for (const auto limit = Clock::now() + kIdleStopLimit;
         engine.outputRunning() && Clock::now() < limit;) {
        MeasureHere(kPoll);
    }
    if (engine.outputRunning()) {
        std::printf("the output did not stop while idle\n");
    }
    const Cpu idle = MeasureHere(kSpan);
    std::printf("idle, nothing loaded: main thread %.3f %%, process %.3f %% of a core "
                "(goal: process <= %.1f %%)\n",
                idle.mainThread, idle.process, kIdleGoalPercent);

    korvale::Korvale& core = window.Core();
    core.Decks().LoadClipOnDeck(clips[0], korvale::DeckChoice::Deck1, 0.0);
    core.Decks().LoadClipOnDeck(clips[1], korvale::DeckChoice::Deck2, 0.0);
    core.Decks().PlayDeck(korvale::Deck::A);
    core.Decks().PlayDeck(korvale::Deck::B);
    MeasureHere(kSettle);
    const Cpu play = MeasureHere(kSpan);
    std::printf("two decks playing: main thread %.3f %%, process %.3f %% of a core\n",
                play.mainThread, play.process);
    // Where it goes: the same with nothing painted (the window hidden), then with the tick
    // stopped too (the engine alone; no tick refreshes the decks, so none restarts it).
    window.hide();
    const Cpu hidden = MeasureHere(kSpan);
    std::printf("  of which, window hidden: main thread %.3f %%, process %.3f %%\n",
                hidden.mainThread, hidden.process);
    core.Host().KillTimer(korvale::TimerId::Tick);
    const Cpu engineOnly = MeasureHere(kSpan);
    std::printf("  of which, tick stopped too (the engine): process %.3f %%\n", engineOnly.process);
    core.StopEverything();

    const double players = TwoMpg123(clips);
    if (players <= 0.0) {
        std::printf("two mpg123 processes: not measured (mpg123 with its pulse output is "
                    "needed)\n");
        return 0;
    }
    std::printf("two mpg123 -o pulse processes: %.3f %% of a core\n", players);
    std::printf("program / mpg123: %.2fx (goal <= %.1fx)\n", play.process / players,
                kPlayGoalRatio);
    return 0;
}
