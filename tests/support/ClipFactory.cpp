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
#include <vector>

namespace korvale::testing {

namespace {

constexpr std::size_t kBlockFrames = 4096;
constexpr double kMp3Amplitude = 0.5;
constexpr int kLameQuality = 5;
constexpr int kCbrKbps = 128;
constexpr int kVbrQuality = 4;

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
struct LameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

int SndfileFormat(WavFormat format) {
    switch (format) {
    case WavFormat::Pcm24:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    case WavFormat::Float32:
        return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    case WavFormat::Pcm16:
        break;
    }
    return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
}

} // namespace

long long SourceFrames(double seconds, int sampleRate) {
    return std::llround(seconds * sampleRate);
}

bool WriteSineWav(const std::string& path, double seconds, double freqHz, int sampleRate,
                  double amplitude, int channels, WavFormat format) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SndfileFormat(format);
    std::unique_ptr<SNDFILE, SndfileCloser> file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) {
        return false;
    }
    const long long total = SourceFrames(seconds, sampleRate);
    std::vector<float> block(kBlockFrames * static_cast<std::size_t>(channels));
    const double step = 2.0 * std::numbers::pi * freqHz / sampleRate;
    for (long long done = 0; done < total;) {
        const long long n = std::min<long long>(kBlockFrames, total - done);
        for (long long i = 0; i < n; ++i) {
            const auto value = static_cast<float>(amplitude * std::sin(step * (done + i)));
            for (int c = 0; c < channels; ++c) {
                block[static_cast<std::size_t>(i * channels + c)] = value;
            }
        }
        if (sf_writef_float(file.get(), block.data(), n) != n) {
            return false;
        }
        done += n;
    }
    return true;
}

bool WriteSineMp3(const std::string& path, double seconds, double freqHz, int sampleRate,
                  Mp3Mode mode) {
    std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
    if (!lame) {
        return false;
    }
    lame_global_flags* gf = lame.get();
    lame_set_in_samplerate(gf, sampleRate);
    lame_set_out_samplerate(gf, sampleRate);
    lame_set_num_channels(gf, 2);
    lame_set_quality(gf, kLameQuality);
    const bool vbr = mode == Mp3Mode::Vbr || mode == Mp3Mode::VbrNoTag;
    const bool tag = mode == Mp3Mode::Cbr || mode == Mp3Mode::Vbr;
    if (vbr) {
        lame_set_VBR(gf, vbr_default);
        lame_set_VBR_quality(gf, kVbrQuality);
    } else {
        lame_set_VBR(gf, vbr_off);
        lame_set_brate(gf, kCbrKbps);
    }
    lame_set_bWriteVbrTag(gf, tag ? 1 : 0);
    if (lame_init_params(gf) < 0) {
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "w+b"));
    if (!file) {
        return false;
    }
    const long long total = SourceFrames(seconds, sampleRate);
    std::vector<float> left(kBlockFrames);
    std::vector<float> right(kBlockFrames);
    std::vector<unsigned char> mp3(kBlockFrames * 5 / 4 + 7200);
    const double step = 2.0 * std::numbers::pi * freqHz / sampleRate;
    for (long long done = 0; done < total;) {
        const long long n = std::min<long long>(kBlockFrames, total - done);
        for (long long i = 0; i < n; ++i) {
            left[static_cast<std::size_t>(i)] =
                static_cast<float>(kMp3Amplitude * std::sin(step * (done + i)));
            right[static_cast<std::size_t>(i)] = left[static_cast<std::size_t>(i)];
        }
        const int bytes =
            lame_encode_buffer_ieee_float(gf, left.data(), right.data(), static_cast<int>(n),
                                          mp3.data(), static_cast<int>(mp3.size()));
        if (bytes < 0 || std::fwrite(mp3.data(), 1, static_cast<std::size_t>(bytes), file.get()) !=
                             static_cast<std::size_t>(bytes)) {
            return false;
        }
        done += n;
    }
    const int bytes = lame_encode_flush(gf, mp3.data(), static_cast<int>(mp3.size()));
    if (bytes < 0 || std::fwrite(mp3.data(), 1, static_cast<std::size_t>(bytes), file.get()) !=
                         static_cast<std::size_t>(bytes)) {
        return false;
    }
    if (tag) {
        // Rewrites the info frame at the start of the file with the final counts.
        lame_mp3_tags_fid(gf, file.get());
    }
    return std::fflush(file.get()) == 0;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(count, '\0');
    for (auto& b : bytes) {
        b = static_cast<char>(byte(generator));
    }
    return bytes;
}

} // namespace korvale::testing
