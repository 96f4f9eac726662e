// What measuring a clip at load costs: the analysis (decode, EBU R 128 loudness, true peak,
// audible edges) of a 5-minute MP3 against a bare decode of the same file, and both as a
// share of the clip's length. Prints wall-clock figures; the ratio is the one to watch.

#include "audio/ClipAnalyser.h"
#include "decode/DecoderFactory.h"
#include "support/ClipFactory.h"
#include "support/TempDir.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace korvale;

namespace {

constexpr double kClipSeconds = 300.0;
constexpr int kRuns = 5;
constexpr std::size_t kChunkFrames = 8192;

template <typename Work> double MedianMs(Work work) {
    std::vector<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main() {
    testing::TempDir dir;
    const std::string path = dir.file("five-minutes.mp3");
    std::printf("making a %.0f s MP3...\n", kClipSeconds);
    if (!testing::WriteSineMp3(path, kClipSeconds, 440.0, 44100, testing::Mp3Mode::Cbr)) {
        std::printf("cannot write the clip\n");
        return 1;
    }
    std::int64_t decoded = 0;
    const double decodeMs = MedianMs([&] {
        DecoderOpenResult opened = OpenDecoder(path);
        std::vector<float> chunk(kChunkFrames * Decoder::kChannels);
        decoded = 0;
        for (std::size_t got = 1; opened.decoder && got > 0;) {
            got = opened.decoder->read(chunk.data(), kChunkFrames);
            decoded += static_cast<std::int64_t>(got);
        }
    });
    const std::atomic<bool> never{false};
    double lufs = 0.0;
    const double analysisMs = MedianMs([&] {
        const auto analysis = ClipAnalyser::Analyse(path, never);
        lufs = analysis ? analysis->integratedLufs : 0.0;
    });
    const double clipMs = kClipSeconds * 1000.0;
    std::printf("bare decode (open + read %lld frames): median %.0f ms = %.2f %% of the clip\n",
                static_cast<long long>(decoded), decodeMs, 100.0 * decodeMs / clipMs);
    std::printf("analysis (%.1f LUFS): median %.0f ms = %.2f %% of the clip\n", lufs, analysisMs,
                100.0 * analysisMs / clipMs);
    std::printf("analysis / bare decode: %.2f (over %d runs each)\n", analysisMs / decodeMs, kRuns);
    return 0;
}
