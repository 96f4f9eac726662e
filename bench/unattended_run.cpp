// An unattended run of 200 clips of 8 s on the offline output, driven as the window's timers
// drive the core (10 ms slices, the tick after each, the fade timer's tick every 40 ms):
// wall time, CPU time, resident memory when clip 10 and clip 200 start, and the hand-overs
// that did not complete.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "support/ClipFactory.h"
#include "support/TempDir.h"
#include "support/UnattendedRun.h"

namespace {

constexpr int kClips = 200;
constexpr int kDistinctFiles = 10;
constexpr double kClipSeconds = 8.0;
constexpr int kEarlyClip = 10;
constexpr long long kMaxMs = 2000 * 1000;

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

int main() {
    korvale::testing::TempDir dir;
    std::vector<std::string> files, playList;
    for (int i = 0; i < kDistinctFiles; ++i) {
        files.push_back(dir.file("clip" + std::to_string(i) + ".wav"));
        if (!korvale::testing::WriteSineWav(files.back(), kClipSeconds, 300.0 + 170.0 * i, 44100,
                                            0.5)) {
            std::printf("cannot write %s\n", files.back().c_str());
            return 1;
        }
    }
    for (int i = 0; i < kClips; ++i) {
        playList.push_back(files[static_cast<std::size_t>(i % kDistinctFiles)]);
    }
    korvale::testing::UnattendedRun run;
    run.core.Store().List().AppendMany(playList);
    const double cpuStart = CpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    run.Start();
    long rssEarly = 0, rssLast = 0;
    // Until the 200th clip has been faded in completely.
    while (run.handOvers < kClips && run.nowMs < kMaxMs) {
        run.Step();
        const auto started = static_cast<int>(run.started.size());
        rssEarly = rssEarly == 0 && started >= kEarlyClip ? ResidentKiB() : rssEarly;
        rssLast = rssLast == 0 && started >= kClips ? ResidentKiB() : rssLast;
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double audio = static_cast<double>(run.nowMs) / 1000.0;
    std::printf("clips started: %zu of %d (play list of %d entries over %d files of %.0f s)\n",
                run.started.size(), kClips, kClips, kDistinctFiles, kClipSeconds);
    std::printf("audio rendered: %.1f s; wall time %.2f s (%.0fx real time); CPU time %.2f s\n",
                audio, wall, audio / wall, CpuSeconds() - cpuStart);
    std::printf("resident memory at clip %d: %ld KiB; at clip %d: %ld KiB; growth %ld KiB "
                "(target <= 1024)\n",
                kEarlyClip, rssEarly, kClips, rssLast, rssLast - rssEarly);
    std::printf("hand-overs started: %d, completed: %d, not completed: %d (target 0)\n",
                run.handOversStarted, run.handOvers, run.handOversStarted - run.handOvers);
    return 0;
}
