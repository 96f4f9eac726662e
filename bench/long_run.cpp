// A long unattended run: 200 hand-overs on the offline output over clips gathered from a
// folder, driven as the window's timers drive the core (the tick after every 10 ms slice,
// the fade timer's tick every 40 ms while a cross-fade runs). Prints resident memory at
// hand-over 10 and 200, stalls (silent slices after the first clip has faded in), ticks that
// took longer than a slice, and the run's times. Leaks: run the sanitize build of this
// program; LeakSanitizer reports at exit.
//
//   bench_long_run [HAND_OVERS]
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/ClipFactory.h"
#include "support/TempDir.h"
#include "support/UnattendedRun.h"

namespace {

using korvale::testing::UnattendedRun;
using Clock = std::chrono::steady_clock;

constexpr int kDefaultHandOvers = 200;
constexpr int kEarlyHandOver = 10;
constexpr int kDistinctFiles = 10;
constexpr double kClipSeconds = 12.0;

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

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv) {
    const int handOvers =
        argc > 1 ? std::max(kEarlyHandOver, std::atoi(argv[1])) : kDefaultHandOvers;
    korvale::testing::TempDir dir;
    // clip0000.mp3 ... clipNNNN.mp3, each a copy of one of a few tones (WAV data named .mp3,
    // which plays by content).
    std::vector<std::string> tones;
    for (int i = 0; i < kDistinctFiles; ++i) {
        if (!korvale::testing::WriteSineWav(dir.file("tone.wav"), kClipSeconds, 300.0 + 110.0 * i,
                                            44100, 0.5)) {
            std::printf("cannot write %s\n", dir.file("tone.wav").c_str());
            return 1;
        }
        tones.push_back(korvale::testing::ReadBytes(dir.file("tone.wav")));
    }
    const int clips = handOvers + 1;
    for (int i = 0; i < clips; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "clip%04d.mp3", i);
        korvale::testing::WriteBytes(dir.file(name), tones[std::size_t(i % kDistinctFiles)]);
    }
    UnattendedRun run;
    run.core.Store().SearchFolder(dir.path() + "/", "*.mp3");
    std::vector<std::string> entries = run.core.List().Entries();
    std::sort(entries.begin(), entries.end());
    run.core.Store().List().ReplaceAll(entries);

    const double cpuStart = CpuSeconds();
    const auto wallStart = Clock::now();
    run.Start();
    long rssEarly = 0, rssLast = 0;
    long long silentSlices = 0, longestSilenceMs = 0, silenceRunMs = 0, overBudget = 0;
    double slowestStepMs = 0.0;
    const auto maxMs = static_cast<long long>((clips + 2) * kClipSeconds * 1000.0);
    // The first completed hand-over fades clip 1 in.
    while (run.handOvers < handOvers + 1 && run.nowMs < maxMs) {
        const auto t0 = Clock::now();
        run.Step();
        const double stepMs = Ms(Clock::now() - t0);
        slowestStepMs = std::max(slowestStepMs, stepMs);
        overBudget += stepMs > UnattendedRun::kSliceMs ? 1 : 0;
        double sum = 0.0;
        for (const float s : run.slice) {
            sum += double(s) * s;
        }
        const bool audible = std::sqrt(sum / double(run.slice.size())) > 1e-4;
        if (run.handOvers >= 1) {
            silenceRunMs = audible ? 0 : silenceRunMs + UnattendedRun::kSliceMs;
            silentSlices += audible ? 0 : 1;
            longestSilenceMs = std::max(longestSilenceMs, silenceRunMs);
        }
        rssEarly = rssEarly == 0 && run.handOvers >= kEarlyHandOver + 1 ? ResidentKiB() : rssEarly;
        rssLast = rssLast == 0 && run.handOvers >= handOvers + 1 ? ResidentKiB() : rssLast;
    }
    const double wall = std::chrono::duration<double>(Clock::now() - wallStart).count();
    const double audio = static_cast<double>(run.nowMs) / 1000.0;
    std::printf("play list: %zu entries gathered (%d clips of %.0f s)\n", entries.size(), clips,
                kClipSeconds);
    std::printf("hand-overs: %d started, %d completed (target %d)\n", run.handOversStarted - 1,
                run.handOvers - 1, handOvers);
    std::printf("audio rendered: %.1f s in %.2f s wall (%.0fx real time), CPU %.2f s\n", audio,
                wall, audio / wall, CpuSeconds() - cpuStart);
    std::printf(
        "resident memory at hand-over %d: %ld KiB; at hand-over %d: %ld KiB; growth %ld KiB\n",
        kEarlyHandOver, rssEarly, handOvers, rssLast, rssLast - rssEarly);
    std::printf("stalls: %lld silent slices after the first hand-over (longest silence %lld ms) "
                "(target 0)\n",
                silentSlices, longestSilenceMs);
    std::printf("slices (render and ticks) over %d ms: %lld; slowest %.2f ms (loads included)\n",
                UnattendedRun::kSliceMs, overBudget, slowestStepMs);
    return 0;
}
