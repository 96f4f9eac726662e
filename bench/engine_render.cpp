// Offline render of a cross-fade between two 5-minute 44.1 kHz MP3s into 48 kHz (both voices
// resampled, gains ramped, mixed), against the decode floor: the same files decoded by
// libmpg123 alone. Prints CPU seconds and their ratio (target: ratio <= 1.3).

#include "platform/DecoderFactory.h"
#include "support/ClipFactory.h"
#include "support/OfflineEngine.h"
#include "support/TempDir.h"

#include <cstdio>
#include <ctime>
#include <vector>

using namespace korvale;

namespace {

constexpr double kClipSeconds = 300.0;
constexpr int kOutputRate = 48000;
constexpr std::size_t kBuffer = 480;
constexpr std::size_t kFadeStepFrames = 1920; // a fade step every 40 ms
constexpr int kSilent = -9000;

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double DecodeFloor(const std::vector<std::string>& paths) {
    const double start = CpuSeconds();
    std::vector<float> buffer(2 * 4096);
    for (const auto& path : paths) {
        DecoderOpenResult result = OpenDecoder(path);
        while (result.decoder && result.decoder->read(buffer.data(), 4096) > 0) {
        }
    }
    return CpuSeconds() - start;
}

double RenderCrossFade(const std::string& a, const std::string& b) {
    const double start = CpuSeconds();
    testing::OfflineEngine offline(kOutputRate, kBuffer);
    EngineVoice& out = offline.voice(VoiceId::Deck1);
    EngineVoice& in = offline.voice(VoiceId::Deck2);
    out.open(a);
    in.open(b);
    in.setVolume(kSilent);
    out.play();
    in.play();
    const auto total = static_cast<std::size_t>(kClipSeconds * kOutputRate);
    std::vector<float> block(2 * kFadeStepFrames);
    for (std::size_t done = 0; done < total; done += kFadeStepFrames) {
        // A linear cross-fade in hundredths of a dB across the whole clip.
        const double t = static_cast<double>(done) / static_cast<double>(total);
        in.setVolume(static_cast<int>(kSilent * (1.0 - t)));
        out.setVolume(static_cast<int>(kSilent * t));
        offline.output().pullInto(block.data(), kFadeStepFrames);
    }
    return CpuSeconds() - start;
}

} // namespace

int main() {
    testing::TempDir dir;
    const std::string a = dir.file("a.mp3");
    const std::string b = dir.file("b.mp3");
    std::printf("making two %.0f s MP3 clips...\n", kClipSeconds);
    if (!testing::WriteSineMp3(a, kClipSeconds, 440.0, 44100, testing::Mp3Mode::Cbr) ||
        !testing::WriteSineMp3(b, kClipSeconds, 660.0, 44100, testing::Mp3Mode::Vbr)) {
        std::printf("cannot write the clips\n");
        return 1;
    }
    const double floor = DecodeFloor({a, b});
    const double engine = RenderCrossFade(a, b);
    std::printf("decode floor (libmpg123 only): %.3f s CPU\n", floor);
    std::printf("engine cross-fade render:      %.3f s CPU\n", engine);
    std::printf("ratio engine / floor:          %.2f (target <= 1.3)\n", engine / floor);
    std::printf("audio rendered: %.0f s, %.0fx real time per CPU second\n", kClipSeconds,
                kClipSeconds / engine);
    return 0;
}
