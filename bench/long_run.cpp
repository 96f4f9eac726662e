// A long unattended run: 200 hand-overs on the offline output, driven as the window's timers
// drive it (the tick after every 10 ms slice, the fade timer's tick every 40 ms while a
// cross-fade runs). Prints resident memory at hand-over 10 and 200, stalls (silent slices
// after the first clip has faded in) and window ticks that took longer than a slice, and the run's
// times. Leaks: run the sanitize build of this program; LeakSanitizer reports at exit.
//
//   bench_long_run [HAND_OVERS]
#include <QApplication>

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
#include "support/EngineWindowRun.h"
#include "support/OfflineEngine.h"
#include "support/TempDir.h"
#include "ui/PlayListView.h"

namespace {

using korvale::testing::EngineWindowRun;
using korvale::testing::OfflineEngine;

constexpr int kDefaultHandOvers = 200;
constexpr int kEarlyHandOver = 10;
constexpr int kDistinctFiles = 10;
constexpr double kClipSeconds = 12.0;
constexpr int kClipRate = 44100;
constexpr double kAmplitude = 0.5;
constexpr double kFirstToneHz = 300.0;
constexpr double kToneSpacingHz = 110.0;
constexpr double kSilence = 1e-4;
constexpr int kMp3Filter = 1;
constexpr double kSliceBudgetMs = EngineWindowRun::kSliceMs;

long ResidentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool Audible(const std::vector<float>& slice) {
    double sum = 0.0;
    for (const float s : slice) {
        sum += static_cast<double>(s) * s;
    }
    return std::sqrt(sum / static_cast<double>(slice.size())) > kSilence;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const int handOvers =
        argc > 1 ? std::max(kEarlyHandOver, std::atoi(argv[1])) : kDefaultHandOvers;
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    korvale::testing::TempDir dir;
    // Named so that the folder's MP3 search gathers them in order: clip000 ... clipNNN, each
    // a copy of one of a few tones (WAV data named .mp3, which plays by content).
    std::vector<std::string> tones;
    for (int i = 0; i < kDistinctFiles; ++i) {
        tones.push_back(dir.file("tone" + std::to_string(i) + ".wav"));
        if (!korvale::testing::WriteSineWav(tones.back(), kClipSeconds,
                                            kFirstToneHz + kToneSpacingHz * i, kClipRate,
                                            kAmplitude)) {
            std::printf("cannot write %s\n", tones.back().c_str());
            return 1;
        }
    }
    const int clips = handOvers + 1;
    for (int i = 0; i < clips; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "clip%04d.mp3", i);
        korvale::testing::WriteBytes(dir.file(name),
                                     korvale::testing::ReadBytes(tones[i % kDistinctFiles]));
    }

    OfflineEngine engine;
    EngineWindowRun run(engine.voice(korvale::VoiceId::Deck1),
                        engine.voice(korvale::VoiceId::Deck2));
    run.Gather(dir.file("clip0000.mp3"), kMp3Filter);
    const int listed = run.Window().PlayListBox->Count();
    std::vector<float> slice(2 * OfflineEngine::kDefaultBuffer);

    const double cpuStart = CpuSeconds();
    const auto wallStart = std::chrono::steady_clock::now();
    run.StartUnattended();

    long rssEarly = 0;
    long rssLast = 0;
    long long silentSlices = 0;
    long long longestSilenceMs = 0;
    long long silenceRunMs = 0;
    long long overBudget = 0;
    double slowestRenderMs = 0.0;
    double slowestTickMs = 0.0;
    const long long maxSlices =
        static_cast<long long>((clips + 2) * kClipSeconds * 1000.0 / EngineWindowRun::kSliceMs);
    long long slices = 0;
    // A hand-over starts the cross-fade into clip n + 1 (the first fades clip 1 in).
    while (run.HandOversCompleted() < handOvers + 1 && slices < maxSlices) {
        const auto t0 = std::chrono::steady_clock::now();
        engine.output().pullInto(slice.data(), OfflineEngine::kDefaultBuffer);
        const auto t1 = std::chrono::steady_clock::now();
        const bool audible = Audible(slice);
        run.AfterSlice(audible);
        const auto t2 = std::chrono::steady_clock::now();
        slowestRenderMs =
            std::max(slowestRenderMs, std::chrono::duration<double, std::milli>(t1 - t0).count());
        const double tickMs = std::chrono::duration<double, std::milli>(t2 - t1).count();
        slowestTickMs = std::max(slowestTickMs, tickMs);
        overBudget += tickMs > kSliceBudgetMs ? 1 : 0;
        ++slices;
        if (run.HandOversCompleted() >= 1) {
            silenceRunMs = audible ? 0 : silenceRunMs + EngineWindowRun::kSliceMs;
            silentSlices += audible ? 0 : 1;
            longestSilenceMs = std::max(longestSilenceMs, silenceRunMs);
        }
        if (rssEarly == 0 && run.HandOversCompleted() >= kEarlyHandOver + 1) {
            rssEarly = ResidentKiB();
        }
        if (rssLast == 0 && run.HandOversCompleted() >= handOvers + 1) {
            rssLast = ResidentKiB();
        }
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const double cpu = CpuSeconds() - cpuStart;
    const double audio = static_cast<double>(run.NowMs()) / 1000.0;

    std::printf("play list: %d entries gathered (%d clips of %.0f s)\n", listed, clips,
                kClipSeconds);
    std::printf("hand-overs: %d started, %d completed (target %d)\n", run.HandOversStarted() - 1,
                run.HandOversCompleted() - 1, handOvers);
    std::printf("audio rendered: %.1f s in %.2f s wall (%.0fx real time), CPU %.2f s\n", audio,
                wall, audio / wall, cpu);
    std::printf(
        "resident memory at hand-over %d: %ld KiB; at hand-over %d: %ld KiB; growth %ld KiB\n",
        kEarlyHandOver, rssEarly, handOvers, rssLast, rssLast - rssEarly);
    std::printf("stalls: %lld silent slices after the first hand-over (longest silence %lld ms) "
                "(target 0)\n",
                silentSlices, longestSilenceMs);
    std::printf("window ticks over the %.0f ms slice: %lld (slowest tick %.2f ms, loads "
                "included); slowest offline render of a slice %.2f ms\n",
                kSliceBudgetMs, overBudget, slowestTickMs, slowestRenderMs);
    return run.HandOversCompleted() >= handOvers + 1 ? 0 : 1;
}
