#include "encode/LameEncoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <array>
#include <climits>

namespace korvale {

namespace {

// The rates an MPEG audio stream can carry as they are.
constexpr std::array kMpegRates = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
// LAME's advice for the output buffer: 1.25 bytes a sample plus 7200.
constexpr double kBufferBytesPerFrame = 1.25;
constexpr std::size_t kBufferSlack = 7200;
// The largest block handed to LAME at once (its counts are ints).
constexpr std::size_t kLameChunkFrames = 1 << 16;

} // namespace

void LameEncoder::HandleDeleter::operator()(lame_global_struct* handle) const {
    lame_close(handle);
}

LameEncoder::Handle LameEncoder::OpenHandle(int sampleRate, int kbps) {
    Handle handle(lame_init());
    if (!handle) {
        return nullptr;
    }
    lame_t gf = handle.get();
    lame_set_in_samplerate(gf, sampleRate);
    lame_set_num_channels(gf, kChannels);
    lame_set_mode(gf, JOINT_STEREO);
    lame_set_VBR(gf, vbr_off);
    lame_set_brate(gf, kbps);
    if (std::find(kMpegRates.begin(), kMpegRates.end(), sampleRate) != kMpegRates.end()) {
        lame_set_out_samplerate(gf, sampleRate);
    }
    lame_set_bWriteVbrTag(gf, 0);
    lame_set_write_id3tag_automatic(gf, 0);
    if (lame_init_params(gf) < 0) {
        return nullptr;
    }
    return handle;
}

std::unique_ptr<LameEncoder> LameEncoder::Create(int sampleRate, int kbps, std::string* why) {
    if (kbps < kMinKbps || kbps > kMaxKbps) {
        *why = "the MP3 bit rate must be " + std::to_string(kMinKbps) + " to " +
               std::to_string(kMaxKbps) + " kbit/s";
        return nullptr;
    }
    if (!OpenHandle(sampleRate, kbps)) {
        *why = "LAME cannot encode " + std::to_string(sampleRate) + " Hz at " +
               std::to_string(kbps) + " kbit/s";
        return nullptr;
    }
    return std::unique_ptr<LameEncoder>(new LameEncoder(sampleRate, kbps));
}

LameEncoder::LameEncoder(int sampleRate, int kbps) : m_sampleRate(sampleRate), m_kbps(kbps) {}

LameEncoder::~LameEncoder() = default;

bool LameEncoder::encode(const float* frames, std::size_t count, std::vector<unsigned char>& out) {
    if (!m_handle) {
        m_handle = OpenHandle(m_sampleRate, m_kbps);
        if (!m_handle) {
            return false;
        }
    }
    while (count > 0) {
        const std::size_t chunk = std::min(count, kLameChunkFrames);
        const std::size_t room =
            static_cast<std::size_t>(kBufferBytesPerFrame * double(chunk)) + kBufferSlack;
        const std::size_t start = out.size();
        out.resize(start + room);
        const int wrote = lame_encode_buffer_interleaved_ieee_float(
            m_handle.get(), frames, static_cast<int>(chunk), out.data() + start,
            static_cast<int>(room));
        if (wrote < 0) {
            out.resize(start);
            return false;
        }
        out.resize(start + static_cast<std::size_t>(wrote));
        frames += chunk * kChannels;
        count -= chunk;
    }
    return true;
}

bool LameEncoder::finish(std::vector<unsigned char>& out) {
    if (!m_handle) {
        return true;
    }
    const std::size_t start = out.size();
    out.resize(start + kBufferSlack);
    const int wrote =
        lame_encode_flush(m_handle.get(), out.data() + start, static_cast<int>(kBufferSlack));
    out.resize(start + static_cast<std::size_t>(std::max(wrote, 0)));
    m_handle.reset();
    return wrote >= 0;
}

} // namespace korvale
