#include "support/ClipFactory.h"

#include <lame/lame.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <numbers>
#include <random>

namespace korvale::testing {

namespace {

constexpr long long kBlockFrames = 4096;
using SoundFile = std::unique_ptr<SNDFILE, int (*)(SNDFILE*)>;

SoundFile OpenForWriting(const std::string& path, int sfFormat, int rate, int channels) {
    SF_INFO info{.samplerate = rate, .channels = channels, .format = sfFormat};
    return SoundFile(sf_open(path.c_str(), SFM_WRITE, &info), sf_close);
}

// Calls `write(samples, frames)` for each block of a sine tone, one channel, in blocks so
// that long clips never sit whole in memory; false when a write fails.
template <typename Write>
bool ForEachBlock(double seconds, double freqHz, int rate, double amplitude, Write write) {
    std::vector<float> block(kBlockFrames);
    for (long long done = 0, n = 0, total = std::llround(seconds * rate); done < total; done += n) {
        n = std::min(kBlockFrames, total - done);
        for (long long i = 0; i < n; ++i)
            block[std::size_t(i)] = float(
                amplitude * std::sin(2.0 * std::numbers::pi * freqHz / rate * double(done + i)));
        if (!write(block.data(), n))
            return false;
    }
    return true;
}

} // namespace

bool WriteMonoClip(const std::string& path, int sfFormat, int sampleRate,
                   const std::vector<float>& samples) {
    const SoundFile file = OpenForWriting(path, sfFormat, sampleRate, 1);
    return file && sf_writef_float(file.get(), samples.data(), sf_count_t(samples.size())) ==
                       sf_count_t(samples.size());
}

bool WriteSineWav(const std::string& path, double seconds, double freqHz, int sampleRate,
                  double amplitude, int channels, WavFormat format) {
    const int sample = format == WavFormat::Float32 ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_16;
    const SoundFile file = OpenForWriting(path, SF_FORMAT_WAV | sample, sampleRate, channels);
    std::vector<float> frames;
    return file && ForEachBlock(seconds, freqHz, sampleRate, amplitude,
                                [&](const float* mono, long long n) {
                                    frames.clear();
                                    for (long long i = 0; i < n * channels; ++i)
                                        frames.push_back(mono[i / channels]);
                                    return sf_writef_float(file.get(), frames.data(), n) == n;
                                });
}

bool WriteSineMp3(const std::string& path, double seconds, double freqHz, int sampleRate,
                  Mp3Mode mode, int cbrKbps) {
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), lame_close);
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "w+b"),
                                                         std::fclose);
    if (!lame || !file)
        return false;
    lame_global_flags* gf = lame.get();
    lame_set_in_samplerate(gf, sampleRate);
    lame_set_out_samplerate(gf, sampleRate);
    lame_set_num_channels(gf, 2);
    lame_set_quality(gf, 5);
    const bool vbr = mode == Mp3Mode::Vbr || mode == Mp3Mode::VbrNoTag;
    const bool tag = mode == Mp3Mode::Cbr || mode == Mp3Mode::Vbr;
    if (vbr) {
        lame_set_VBR(gf, vbr_default);
        lame_set_VBR_quality(gf, 4);
    } else {
        lame_set_VBR(gf, vbr_off);
        lame_set_brate(gf, cbrKbps);
    }
    lame_set_bWriteVbrTag(gf, tag ? 1 : 0);
    std::vector<unsigned char> mp3(kBlockFrames * 5 / 4 + 7200);
    const auto put = [&](int bytes) {
        return bytes >= 0 &&
               std::fwrite(mp3.data(), 1, std::size_t(bytes), file.get()) == std::size_t(bytes);
    };
    const bool encoded = lame_init_params(gf) >= 0 &&
                         ForEachBlock(seconds, freqHz, sampleRate, 0.5,
                                      [&](const float* mono, long long n) {
                                          return put(lame_encode_buffer_ieee_float(
                                              gf, mono, mono, int(n), mp3.data(), int(mp3.size())));
                                      }) &&
                         put(lame_encode_flush(gf, mp3.data(), int(mp3.size())));
    if (encoded && tag)
        lame_mp3_tags_fid(gf, file.get()); // the info frame with the final counts
    return encoded && std::fflush(file.get()) == 0;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    return static_cast<bool>(std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(count, '\0');
    for (auto& b : bytes)
        b = static_cast<char>(byte(generator));
    return bytes;
}

std::string CommandOutput(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
            output += buffer;
        ::pclose(pipe);
    }
    return output.substr(0, output.find_last_not_of('\n') + 1);
}

} // namespace korvale::testing
