#include "decode/SndfileDecoder.h"

#include <sndfile.h>

#include <algorithm>

namespace korvale {

namespace {

constexpr std::size_t kScratchFrames = 1024;
constexpr int kMinRate = 1000;
constexpr int kMaxRate = 768000;
constexpr int kMaxChannels = 64;

} // namespace

void SndfileDecoder::FileDeleter::operator()(sf_private_tag* file) const {
    sf_close(file);
}

DecoderOpenResult SndfileDecoder::Open(UniqueFd fd) {
    DecoderOpenResult result;
    result.status = DecoderOpenStatus::UnknownFormat;
    SF_INFO info{};
    // libsndfile closes the descriptor with the file (close_desc = TRUE) from here on.
    const int raw = fd.release();
    File file(sf_open_fd(raw, SFM_READ, &info, SF_TRUE));
    if (!file) {
        ::close(raw);
        return result;
    }
    if (info.samplerate < kMinRate || info.samplerate > kMaxRate || info.channels < 1 ||
        info.channels > kMaxChannels) {
        return result;
    }
    result.status = DecoderOpenStatus::NoAudio;
    if (info.frames <= 0) {
        return result;
    }
    // A header may claim more frames than the file holds; libsndfile caps the length at the
    // data present. Confirm that frames decode at all.
    std::vector<float> probe(static_cast<std::size_t>(info.channels));
    if (sf_readf_float(file.get(), probe.data(), 1) != 1 || sf_seek(file.get(), 0, SEEK_SET) != 0) {
        return result;
    }
    result.status = DecoderOpenStatus::Ok;
    result.decoder.reset(
        new SndfileDecoder(std::move(file), info.samplerate, info.channels, info.frames));
    return result;
}

SndfileDecoder::SndfileDecoder(File file, int rate, int channels, std::int64_t length)
    : m_file(std::move(file)), m_rate(rate), m_channels(channels), m_length(length),
      m_scratch(kScratchFrames * static_cast<std::size_t>(channels)) {}

SndfileDecoder::~SndfileDecoder() = default;

std::size_t SndfileDecoder::read(float* out, std::size_t frames) {
    if (m_failed) {
        return 0;
    }
    std::size_t got = 0;
    while (got < frames) {
        const std::size_t want = std::min(frames - got, kScratchFrames);
        const sf_count_t n =
            sf_readf_float(m_file.get(), m_scratch.data(), static_cast<sf_count_t>(want));
        if (n <= 0) {
            break;
        }
        float* dst = out + got * kChannels;
        for (sf_count_t i = 0; i < n; ++i) {
            const float* src = m_scratch.data() + i * m_channels;
            dst[i * kChannels] = src[0];
            dst[i * kChannels + 1] = m_channels > 1 ? src[1] : src[0];
        }
        got += static_cast<std::size_t>(n);
        if (static_cast<std::size_t>(n) < want) {
            break;
        }
    }
    m_position += static_cast<std::int64_t>(got);
    return got;
}

bool SndfileDecoder::seek(std::int64_t frame) {
    frame = std::clamp<std::int64_t>(frame, 0, m_length);
    const sf_count_t at = sf_seek(m_file.get(), frame, SEEK_SET);
    if (at < 0) {
        m_failed = true;
        return false;
    }
    m_failed = false;
    m_position = at;
    return true;
}

} // namespace korvale
