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
#include <cstdlib>
#include <filesystem>
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

// A 440 Hz tone as a PCM WAV file (8 or 16 bits), written by libsndfile.
void WriteTone(const char* name, int rate, int channels, int bits, int frames) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | (bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    SNDFILE* file = sf_open(name, SFM_WRITE, &info);
    std::vector<float> samples(static_cast<std::size_t>(frames * channels));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<float>(0.5 * std::sin(2.0 * M_PI * 440.0 * double(i / channels) / rate));
    }
    if (file == nullptr || sf_writef_float(file, samples.data(), frames) != frames) {
        std::abort();
    }
    sf_close(file);
}

struct Rig {
    Rig() {
        auto out = std::make_unique<OfflineOutput>(kOutputRate, kBlockFrames);
        output = out.get();
        // Rendered by hand, frame-exact: the output never stops for idleness.
        engine = std::make_unique<AudioEngine>(std::move(out), AudioEngine::kNeverIdleStop);
        interpreter = std::make_unique<MediaCommandInterpreter>(engine->voice(VoiceId::Cue));
    }
    OfflineOutput* output;
    std::unique_ptr<AudioEngine> engine;
    std::unique_ptr<MediaCommandInterpreter> interpreter;
    std::vector<float> block = std::vector<float>(kBlockFrames * 2);
};

Rig* g_rig = nullptr; // lives for the whole fuzzing process

std::string g_folder; // the clips' folder, removed when the process ends

void RemoveFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(g_folder, ignored);
}

} // namespace

// The clips' folder goes under TMPDIR (scripts/fuzz.sh points it into the build folder).
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string folder = (std::filesystem::temp_directory_path() / "korvale-fuzz-mci.XXXXXX");
    if (::mkdtemp(folder.data()) == nullptr || ::chdir(folder.c_str()) != 0) {
        std::abort();
    }
    g_folder = folder;
    std::atexit(RemoveFolder);
    WriteTone("a.wav", 44100, 2, 16, 11025);
    std::filesystem::copy_file("a.wav", "b.mp3"); // a WAV by another name
    WriteTone("c.wav", 22050, 1, 8, 4000);
    std::ofstream("d.mp3", std::ios::binary) << std::string(4000, '\xff'); // garbage
    std::filesystem::copy_file("a.wav", "e.wav");
    std::filesystem::resize_file("e.wav", 1000); // cut short
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
        const std::string reply = rig.interpreter->sendString(command);
        for (const char c : reply) {
            if (c < '0' || c > '9') {
                std::abort(); // replies are decimal milliseconds or nothing
            }
        }
        (void)rig.interpreter->shortPath(command);
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
    rig.interpreter->sendString("close all");
    rig.output->pullInto(rig.block.data(), kBlockFrames);
    return 0;
}
