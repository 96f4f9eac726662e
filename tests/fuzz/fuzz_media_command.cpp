// Arbitrary command strings through the media-command interpreter of the cue voice, on an
// engine whose offline output renders 10 ms after every command. The input is split into
// lines, one command each; the interpreter runs in a folder holding a few small clips
// (a.wav, b.mp3 which is a WAV, c.wav mono 8-bit, d.mp3 garbage, e.wav cut short) so that
// relative and absolute paths reach real files.
#include "audio/AudioEngine.h"
#include "audio/MediaCommandInterpreter.h"
#include "audio/OfflineOutput.h"

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using namespace korvale;

constexpr int kOutputRate = 48000;
constexpr std::size_t kBlockFrames = 480;
constexpr std::size_t kMaxCommands = 64;

// A 16-bit (or 8-bit) PCM WAV of a 440 Hz tone; `keepBytes` cuts the file short.
void ToneWav(const char* name, int rate, int channels, int format, int frames,
             long keepBytes = -1) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | format;
    SNDFILE* file = sf_open(name, SFM_WRITE, &info);
    for (int f = 0; file != nullptr && f < frames; ++f) {
        std::vector<double> frame(channels, 0.5 * std::sin(2.0 * M_PI * 440.0 * f / rate));
        sf_writef_double(file, frame.data(), 1);
    }
    if (file == nullptr || sf_close(file) != 0 ||
        (keepBytes >= 0 && ::truncate(name, keepBytes) != 0)) {
        std::abort();
    }
}

struct Rig {
    OfflineOutput* output = new OfflineOutput(kOutputRate, kBlockFrames);
    AudioEngine engine{std::unique_ptr<OfflineOutput>(output)}; // owns the output
    MediaCommandInterpreter interpreter{engine.voice(VoiceId::Cue)};
    std::vector<float> block = std::vector<float>(kBlockFrames * 2);
};

Rig* g_rig = nullptr; // lives for the whole fuzzing process

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char folder[] = "/tmp/korvale-fuzz-mci.XXXXXX";
    if (::mkdtemp(folder) == nullptr || ::chdir(folder) != 0) {
        std::abort();
    }
    ToneWav("a.wav", 44100, 2, SF_FORMAT_PCM_16, 11025);
    ToneWav("b.mp3", 44100, 2, SF_FORMAT_PCM_16, 11025);
    ToneWav("c.wav", 22050, 1, SF_FORMAT_PCM_U8, 4000);
    ToneWav("e.wav", 44100, 2, SF_FORMAT_PCM_16, 11025, 1000);
    std::ofstream("d.mp3", std::ios::binary) << std::string(4000, '\xff');
    g_rig = new Rig();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Rig& rig = *g_rig;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    std::size_t commands = 0;
    while (start <= input.size() && commands < kMaxCommands) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) {
            end = input.size();
        }
        const std::string command(input.substr(start, end - start));
        const std::string reply = rig.interpreter.sendString(command);
        for (const char c : reply) {
            if (c < '0' || c > '9') {
                std::abort(); // replies are decimal milliseconds or nothing
            }
        }
        (void)rig.interpreter.shortPath(command);
        rig.output->pullInto(rig.block.data(), kBlockFrames);
        for (const float sample : rig.block) {
            if (!std::isfinite(sample)) {
                std::abort();
            }
        }
        start = end + 1;
        ++commands;
    }
    // Every input starts from a closed device.
    rig.interpreter.sendString("close all");
    rig.output->pullInto(rig.block.data(), kBlockFrames);
    return 0;
}
