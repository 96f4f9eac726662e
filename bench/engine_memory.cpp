// Peak resident memory while two 10-minute clips play (offline render), compared with the
// engine idle. Prints megabytes (target: <= 10 MB more than idle).

#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/TempDir.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace korvale;

namespace {

constexpr double kClipSeconds = 600.0;
constexpr std::size_t kBlock = 4800;

// VmHWM (peak resident set) in kB.
long PeakRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// Starts a new peak measurement from the current resident set.
bool ResetPeak() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    return static_cast<bool>(clear);
}

} // namespace

int main() {
    testing::TempDir dir;
    const std::string a = dir.file("a.mp3");
    const std::string b = dir.file("b.mp3");
    std::printf("making two %.0f s MP3 clips...\n", kClipSeconds);
    if (!testing::WriteSineMp3(a, kClipSeconds, 440.0, 44100, testing::Mp3Mode::Vbr) ||
        !testing::WriteSineMp3(b, kClipSeconds, 660.0, 44100, testing::Mp3Mode::CbrNoTag)) {
        std::printf("cannot write the clips\n");
        return 1;
    }
    testing::OfflineEngine offline;
    std::vector<float> block(2 * kBlock);
    offline.output().pullInto(block.data(), kBlock);
    const bool reset = ResetPeak();
    offline.output().pullInto(block.data(), kBlock);
    const long idle = PeakRssKb();

    offline.voice(VoiceId::Deck1).open(a);
    offline.voice(VoiceId::Deck2).open(b);
    offline.voice(VoiceId::Deck1).play();
    offline.voice(VoiceId::Deck2).play();
    const auto total = static_cast<std::size_t>(kClipSeconds * offline.sampleRate());
    for (std::size_t done = 0; done < total; done += kBlock) {
        offline.output().pullInto(block.data(), kBlock);
    }
    const long playing = PeakRssKb();
    std::printf("peak RSS idle engine:          %.1f MB%s\n", idle / 1024.0,
                reset ? "" : " (peak could not be reset: includes clip making)");
    std::printf("peak RSS two clips played:     %.1f MB\n", playing / 1024.0);
    std::printf("growth while playing:          %.1f MB (target <= 10 MB)\n",
                (playing - idle) / 1024.0);
    return 0;
}
