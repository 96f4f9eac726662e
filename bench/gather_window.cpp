// "L" on a folder of 20,000 .mp3 files in the window: time from the click to the status
// text (list filled), against `find DIR -maxdepth 1 -iname '*.mp3'` on the same folder in
// the same run. Target: at most 1.5 times find.
#include <QApplication>
#include <QPushButton>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "support/FakeDevices.h"
#include "support/FakeMediaVoice.h"
#include "support/TempDir.h"
#include "support/TestWindow.h"
#include "ui/CKORVALEDlg.h"
#include "ui/PlayListView.h"

extern char** environ;

namespace {

using BenchWindow = korvale::testing::TestWindow;

using Clock = std::chrono::steady_clock;

constexpr int kFileCount = 20000;
constexpr int kRepeats = 5;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs find with its output thrown away; false when it could not run.
bool RunFind(const std::string& dir) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::string args[] = {"find", dir, "-maxdepth", "1", "-iname", "*.mp3"};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(),
                    args[4].data(), args[5].data(), nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "find", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    korvale::testing::TempDir folder;
    for (int i = 0; i < kFileCount; ++i) {
        const std::string path = folder.file("clip " + std::to_string(i) + ".mp3");
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    BenchWindow f;
    (*f.w).show();
    double gatherBest = 1e9;
    double findBest = 1e9;
    bool findRan = true;
    std::string status;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        f.dialogs.openChoices.push_back({folder.file("clip 0.mp3"), 1});
        f.dialogs.answers.push_back(korvale::MessageAnswer::Yes);
        auto start = Clock::now();
        (*f.w).LoadButton->click();
        status = (*f.w).Core().StatusText();
        gatherBest = std::min(gatherBest, Seconds(start));
        QCoreApplication::processEvents();

        start = Clock::now();
        findRan = RunFind(folder.path()) && findRan;
        findBest = std::min(findBest, Seconds(start));
    }
    std::printf("\"L\" to status text, %d files: %.4f s (best of %d), status \"%s\"\n", kFileCount,
                gatherBest, kRepeats, status.c_str());
    if (!findRan) {
        std::printf("find could not be run: no reference\n");
        return 1;
    }
    std::printf("find -maxdepth 1 -iname '*.mp3': %.4f s (best of %d)\n", findBest, kRepeats);
    std::printf("ratio gather / find: %.2f (target <= 1.5)\n", gatherBest / findBest);
    return 0;
}
