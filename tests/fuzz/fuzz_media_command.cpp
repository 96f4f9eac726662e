// Command strings, one a line, to the cue voice's interpreter on an offline engine rendered 10 ms
// after each, in a folder of clips (a.wav, b.mp3 a WAV, c.wav 8-bit mono, d.mp3 junk, e.wav cut).
#include "audio/AudioEngine.h"
#include "audio/MediaCommandInterpreter.h"
#include "audio/OfflineOutput.h"
#include "support/ClipFactory.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace korvale;
namespace fs = std::filesystem;

constexpr std::size_t kBlockFrames = 480; // 10 ms at 48 kHz
constexpr std::size_t kMaxCommands = 64;

// Lives for the whole process. Rendered by hand, frame-exact: the output never idles.
struct Rig {
    OfflineOutput* output = new OfflineOutput(48000, kBlockFrames);
    AudioEngine engine{std::unique_ptr<AudioOutput>(output), AudioEngine::kNeverIdleStop};
    MediaCommandInterpreter interpreter{engine.voice(VoiceId::Cue)};
    std::vector<float> block = std::vector<float>(kBlockFrames * 2);
    void Render() {
        output->pullInto(block.data(), kBlockFrames);
        if (!std::all_of(block.begin(), block.end(),
                         [](float sample) { return std::isfinite(sample); }))
            std::abort();
    }
}* g_rig = nullptr;

} // namespace

// The clips' folder goes under TMPDIR (scripts/fuzz.sh points it into the build folder).
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static std::string folder = fs::temp_directory_path() / "korvale-fuzz-mci.XXXXXX";
    if (::mkdtemp(folder.data()) == nullptr || ::chdir(folder.c_str()) != 0)
        std::abort();
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }); // removed at the end
    if (!testing::WriteSineWav("a.wav", 0.25, 440.0, 44100, 0.5))
        std::abort();
    fs::copy_file("a.wav", "b.mp3");
    if (!testing::WriteMonoClip("c.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 22050,
                                std::vector<float>(4000, 0.25f)))
        std::abort();
    std::ofstream("d.mp3", std::ios::binary) << std::string(4000, '\xff');
    fs::copy_file("a.wav", "e.wav");
    fs::resize_file("e.wav", 1000);
    g_rig = new Rig();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::size_t start = 0, commands = 0; start <= input.size() && commands < kMaxCommands;
         ++commands) {
        const std::size_t end = std::min(input.find('\n', start), input.size());
        const std::string command(input.substr(start, end - start));
        if (g_rig->interpreter.sendString(command).find_first_not_of("0123456789") !=
            std::string::npos) {
            std::abort(); // replies are decimal milliseconds or nothing
        }
        (void)g_rig->interpreter.shortPath(command);
        g_rig->Render();
        start = end + 1;
    }
    // Every input starts from a closed device.
    g_rig->interpreter.sendString("close all");
    g_rig->Render();
    return 0;
}
