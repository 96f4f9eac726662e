// Time spent in the output callback (the engine's render) per 10 ms buffer with three
// voices playing. Prints mean and largest as a share of the buffer period (targets: mean
// <= 2 %, largest <= 20 %).

#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace korvale;

namespace {

constexpr double kClipSeconds = 60.0;
constexpr int kRate = 48000;
constexpr std::size_t kBuffer = 480;

} // namespace

int main() {
    testing::TempDir dir;
    const std::string a = dir.file("a.mp3");
    const std::string b = dir.file("b.wav");
    const std::string c = dir.file("c.mp3");
    std::printf("making three %.0f s clips...\n", kClipSeconds);
    if (!testing::WriteSineMp3(a, kClipSeconds, 440.0, 44100, testing::Mp3Mode::Vbr) ||
        !testing::WriteSineWav(b, kClipSeconds, 550.0, 44100, 0.5) ||
        !testing::WriteSineMp3(c, kClipSeconds, 660.0, 32000, testing::Mp3Mode::Cbr)) {
        std::printf("cannot write the clips\n");
        return 1;
    }
    testing::OfflineEngine offline(kRate, kBuffer);
    AudioEngine& engine = offline.engine();
    const VoiceId ids[] = {VoiceId::Deck1, VoiceId::Deck2, VoiceId::Cue};
    const std::string paths[] = {a, b, c};
    for (int i = 0; i < 3; ++i) {
        engine.voice(ids[i]).open(paths[i]);
        engine.voice(ids[i]).play();
    }
    std::vector<float> buffer(2 * kBuffer);
    const auto buffers = static_cast<std::size_t>(kClipSeconds * kRate / kBuffer) - 10;
    double total = 0.0;
    double largest = 0.0;
    int volume = 0;
    for (std::size_t i = 0; i < buffers; ++i) {
        engine.waitUntilReady(kBuffer); // the decoding, outside the measured callback
        engine.voice(VoiceId::Deck1).setVolume(volume);
        volume = volume == 0 ? -3000 : 0; // a gain ramp in every buffer
        const auto start = std::chrono::steady_clock::now();
        engine.render(buffer.data(), kBuffer);
        const double us =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
                .count();
        total += us;
        largest = std::max(largest, us);
    }
    const double periodUs = 1e6 * kBuffer / kRate;
    const double mean = total / static_cast<double>(buffers);
    std::printf("buffers measured: %zu of %zu frames (%.1f ms)\n", buffers, kBuffer,
                periodUs / 1000.0);
    std::printf("callback mean:    %.2f us = %.3f %% of the period (target <= 2 %%)\n", mean,
                100.0 * mean / periodUs);
    std::printf("callback largest: %.2f us = %.3f %% of the period (target <= 20 %%)\n", largest,
                100.0 * largest / periodUs);
    return 0;
}
