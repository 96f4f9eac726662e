// Searching a folder of 20,000 empty .mp3 files, against `find DIR -maxdepth 1 -iname '*.mp3'`
// on the same folder in the same run.
#include "platform/FolderSearch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kFileCount = 20000;
constexpr int kRepeats = 5;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start, Clock::time_point stop) {
    return std::chrono::duration<double>(stop - start).count();
}

// Runs find with its output thrown away; returns false when it could not run.
bool RunFind(const std::string& dir) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const std::string maxDepth = "-maxdepth";
    const std::string one = "1";
    const std::string iname = "-iname";
    const std::string pattern = "*.mp3";
    const std::string find = "find";
    char* argv[] = {const_cast<char*>(find.c_str()),
                    const_cast<char*>(dir.c_str()),
                    const_cast<char*>(maxDepth.c_str()),
                    const_cast<char*>(one.c_str()),
                    const_cast<char*>(iname.c_str()),
                    const_cast<char*>(pattern.c_str()),
                    nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, "find", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return false;
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main() {
    namespace fs = std::filesystem;
    std::string dir = (fs::temp_directory_path() / "korvale-gather-XXXXXX").string();
    if (mkdtemp(dir.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    for (int i = 0; i < kFileCount; ++i) {
        const std::string path = dir + "/clip " + std::to_string(i) + (i % 2 ? ".mp3" : ".MP3");
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
        }
    }

    double searchBest = 1e9;
    double findBest = 1e9;
    std::size_t found = 0;
    bool findRan = true;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        auto start = Clock::now();
        const korvale::FolderSearchResult result = korvale::SearchFolder(dir + "/", "*.mp3");
        searchBest = std::min(searchBest, Seconds(start, Clock::now()));
        found = result.paths.size();

        start = Clock::now();
        findRan = RunFind(dir) && findRan;
        findBest = std::min(findBest, Seconds(start, Clock::now()));
    }
    fs::remove_all(dir);

    std::printf("SearchFolder, %d files: %.4f s, %zu matches (best of %d)\n", kFileCount,
                searchBest, found, kRepeats);
    if (!findRan) {
        std::printf("find could not be run: no reference\n");
        return 1;
    }
    std::printf("find -maxdepth 1 -iname '*.mp3': %.4f s (best of %d)\n", findBest, kRepeats);
    std::printf("ratio SearchFolder / find: %.2f\n", searchBest / findBest);
    return 0;
}
