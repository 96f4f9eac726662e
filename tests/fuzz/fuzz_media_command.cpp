// Arbitrary command strings through the media-command interpreter of the cue voice, on an
// engine whose offline output renders 10 ms after every command. The input is split into
// lines, one command each; the interpreter runs in a folder holding a few small clips
// (a.wav, b.mp3 which is a WAV, c.wav mono 8-bit, d.mp3 garbage, e.wav cut short) so that
// relative and absolute paths reach real files.
#include "audio/AudioEngine.h"
#include "audio/MediaCommandInterpreter.h"
#include "audio/OfflineOutput.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

void PutLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
    }
}

// A PCM WAV of a 440 Hz tone.
std::string ToneWav(int rate, int channels, int bits, int frames) {
    const int bytesPerSample = bits / 8;
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(frames * channels * bytesPerSample);
    std::string out = "RIFF";
    PutLe(out, 36 + dataBytes, 4);
    out += "WAVEfmt ";
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);
    PutLe(out, static_cast<std::uint32_t>(channels), 2);
    PutLe(out, static_cast<std::uint32_t>(rate), 4);
    PutLe(out, static_cast<std::uint32_t>(rate * channels * bytesPerSample), 4);
    PutLe(out, static_cast<std::uint32_t>(channels * bytesPerSample), 2);
    PutLe(out, static_cast<std::uint32_t>(bits), 2);
    out += "data";
    PutLe(out, dataBytes, 4);
    for (int f = 0; f < frames; ++f) {
        const double value = 0.5 * std::sin(2.0 * M_PI * 440.0 * f / rate);
        for (int c = 0; c < channels; ++c) {
            if (bits == 8) {
                PutLe(out, static_cast<std::uint32_t>(128 + std::lround(value * 127)), 1);
            } else {
                PutLe(out, static_cast<std::uint32_t>(std::lround(value * 32767)) & 0xffff, 2);
            }
        }
    }
    return out;
}

void WriteFile(const std::string& name, const std::string& bytes) {
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr) {
        std::abort();
    }
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
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
    const std::string tone = ToneWav(44100, 2, 16, 11025);
    WriteFile("a.wav", tone);
    WriteFile("b.mp3", tone);
    WriteFile("c.wav", ToneWav(22050, 1, 8, 4000));
    WriteFile("d.mp3", std::string(4000, '\xff'));
    WriteFile("e.wav", tone.substr(0, 1000));
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
