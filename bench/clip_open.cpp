// SetFileName up to an exact duration for an untagged 10-minute VBR MP3 (the whole file is
// scanned). Prints wall-clock milliseconds (target: <= 60 ms).

#include "core/CMediaPlayer.h"
#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace korvale;

namespace {

constexpr double kClipSeconds = 600.0;
constexpr int kRuns = 7;

} // namespace

int main() {
    testing::TempDir dir;
    const std::string path = dir.file("long-vbr.mp3");
    std::printf("making a %.0f s VBR MP3 without a LAME tag...\n", kClipSeconds);
    if (!testing::WriteSineMp3(path, kClipSeconds, 440.0, 44100, testing::Mp3Mode::VbrNoTag)) {
        std::printf("cannot write the clip\n");
        return 1;
    }
    testing::OfflineEngine offline;
    CMediaPlayer player(&offline.voice(VoiceId::Deck1));
    player.SetAutoStart(false);
    std::vector<double> ms;
    double duration = 0.0;
    for (int run = 0; run < kRuns; ++run) {
        player.SetFileName("");
        const auto start = std::chrono::steady_clock::now();
        player.SetFileName(path);
        duration = player.GetDuration();
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::sort(ms.begin(), ms.end());
    std::printf("duration read: %.3f s\n", duration);
    std::printf("SetFileName: median %.1f ms, best %.1f ms, worst %.1f ms over %d runs "
                "(target <= 60 ms)\n",
                ms[ms.size() / 2], ms.front(), ms.back(), kRuns);
    return 0;
}
