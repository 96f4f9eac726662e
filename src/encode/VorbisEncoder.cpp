#include "encode/VorbisEncoder.h"

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <random>

namespace korvale {

namespace {

// libvorbisenc's quality runs -0.1 .. 1.0 where the usual encoders count 0 .. 10.
constexpr float kLibraryQualityLow = -0.1f;
constexpr float kLibraryQualityHigh = 1.0f;
// The largest block handed to the analysis at once.
constexpr std::size_t kVorbisChunkFrames = 4096;

void AppendPage(const ogg_page& page, std::vector<unsigned char>& out) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

} // namespace

struct VorbisEncoder::Stream {
    vorbis_info info{};
    vorbis_comment comment{};
    vorbis_dsp_state dsp{};
    vorbis_block block{};
    ogg_stream_state ogg{};
    bool dspReady = false;
    bool oggReady = false;

    Stream() {
        vorbis_info_init(&info);
        vorbis_comment_init(&comment);
    }
    ~Stream() {
        if (oggReady) {
            ogg_stream_clear(&ogg);
        }
        if (dspReady) {
            vorbis_block_clear(&block);
            vorbis_dsp_clear(&dsp);
        }
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;
};

std::unique_ptr<VorbisEncoder> VorbisEncoder::Create(int sampleRate, int quality,
                                                     std::string* why) {
    if (quality < kMinQuality || quality > kMaxQuality) {
        *why = "the Vorbis quality must be " + std::to_string(kMinQuality) + " to " +
               std::to_string(kMaxQuality);
        return nullptr;
    }
    const float library = kLibraryQualityLow + (kLibraryQualityHigh - kLibraryQualityLow) *
                                                   float(quality) / float(kMaxQuality);
    Stream probe;
    if (vorbis_encode_init_vbr(&probe.info, kChannels, sampleRate, library) != 0) {
        *why = "Vorbis cannot encode " + std::to_string(sampleRate) + " Hz";
        return nullptr;
    }
    std::random_device seed;
    return std::unique_ptr<VorbisEncoder>(new VorbisEncoder(sampleRate, library, seed()));
}

VorbisEncoder::VorbisEncoder(int sampleRate, float quality, std::uint32_t firstSerial)
    : m_sampleRate(sampleRate), m_quality(quality), m_nextSerial(firstSerial) {}

VorbisEncoder::~VorbisEncoder() = default;

bool VorbisEncoder::begin(std::vector<unsigned char>& out) {
    auto stream = std::make_unique<Stream>();
    if (vorbis_encode_init_vbr(&stream->info, kChannels, m_sampleRate, m_quality) != 0) {
        return false;
    }
    vorbis_comment_add_tag(&stream->comment, kOggEncoderTag, kOggEncoderName);
    if (!m_title.empty()) {
        vorbis_comment_add_tag(&stream->comment, kOggTitleTag, m_title.c_str());
    }
    if (vorbis_analysis_init(&stream->dsp, &stream->info) != 0) {
        return false;
    }
    vorbis_block_init(&stream->dsp, &stream->block);
    stream->dspReady = true;
    ogg_stream_init(&stream->ogg, static_cast<int>(m_nextSerial++));
    stream->oggReady = true;

    ogg_packet identification;
    ogg_packet comments;
    ogg_packet codebooks;
    if (vorbis_analysis_headerout(&stream->dsp, &stream->comment, &identification, &comments,
                                  &codebooks) != 0) {
        return false;
    }
    ogg_stream_packetin(&stream->ogg, &identification);
    ogg_stream_packetin(&stream->ogg, &comments);
    ogg_stream_packetin(&stream->ogg, &codebooks);
    // The headers stand on pages of their own, so the audio starts on a fresh page.
    ogg_page page;
    while (ogg_stream_flush(&stream->ogg, &page) != 0) {
        AppendPage(page, out);
    }
    m_stream = std::move(stream);
    return true;
}

void VorbisEncoder::drain(std::vector<unsigned char>& out, bool flush) {
    Stream& s = *m_stream;
    ogg_packet packet;
    ogg_page page;
    while (vorbis_analysis_blockout(&s.dsp, &s.block) == 1) {
        vorbis_analysis(&s.block, nullptr);
        vorbis_bitrate_addblock(&s.block);
        while (vorbis_bitrate_flushpacket(&s.dsp, &packet) == 1) {
            ogg_stream_packetin(&s.ogg, &packet);
        }
    }
    while ((flush ? ogg_stream_flush(&s.ogg, &page) : ogg_stream_pageout(&s.ogg, &page)) != 0) {
        AppendPage(page, out);
    }
}

bool VorbisEncoder::encode(const float* frames, std::size_t count,
                           std::vector<unsigned char>& out) {
    out.insert(out.end(), m_pending.begin(), m_pending.end());
    m_pending.clear();
    if (!m_stream && !begin(out)) {
        m_stream.reset();
        return false;
    }
    while (count > 0) {
        const std::size_t chunk = std::min(count, kVorbisChunkFrames);
        float** buffer = vorbis_analysis_buffer(&m_stream->dsp, static_cast<int>(chunk));
        for (std::size_t i = 0; i < chunk; ++i) {
            buffer[0][i] = frames[kChannels * i];
            buffer[1][i] = frames[kChannels * i + 1];
        }
        vorbis_analysis_wrote(&m_stream->dsp, static_cast<int>(chunk));
        drain(out, false);
        frames += chunk * kChannels;
        count -= chunk;
    }
    return true;
}

bool VorbisEncoder::end(std::vector<unsigned char>& out) {
    if (!m_stream) {
        return true;
    }
    // Writing no samples marks the end: the last packet carries the end-of-stream flag.
    vorbis_analysis_wrote(&m_stream->dsp, 0);
    drain(out, true);
    m_stream.reset();
    return true;
}

bool VorbisEncoder::finish(std::vector<unsigned char>& out) {
    out.insert(out.end(), m_pending.begin(), m_pending.end());
    m_pending.clear();
    return end(out);
}

bool VorbisEncoder::setTitle(const std::string& title) {
    m_title = title;
    return end(m_pending);
}

} // namespace korvale
