#include "encode/OpusEncoder.h"

#include <opus/opusenc.h>

#include <algorithm>
#include <climits>

namespace korvale {

namespace {

// libopusenc counts its delays in samples at 48 kHz.
constexpr int kOpusRate = 48000;
constexpr int kMillisecondsPerSecond = 1000;
constexpr int kMuxingDelaySamples =
    OpusEncoder::kMuxingDelayMs * kOpusRate / kMillisecondsPerSecond;
// How much audio libopusenc may hold before it decides how to cut a stream's end.
constexpr int kDecisionDelaySamples = kMuxingDelaySamples / 2;
constexpr int kBitsPerKilobit = 1000;
constexpr int kMappingFamilyStereo = 0;
constexpr std::size_t kOpusChunkFrames = 1 << 16;

} // namespace

void OpusEncoder::EncoderDeleter::operator()(OggOpusEnc* encoder) const {
    ope_encoder_destroy(encoder);
}

void OpusEncoder::CommentsDeleter::operator()(OggOpusComments* comments) const {
    ope_comments_destroy(comments);
}

std::unique_ptr<OpusEncoder> OpusEncoder::Create(int sampleRate, int kbps, std::string* why) {
    if (kbps < kMinKbps || kbps > kMaxKbps) {
        *why = "the Opus bit rate must be " + std::to_string(kMinKbps) + " to " +
               std::to_string(kMaxKbps) + " kbit/s";
        return nullptr;
    }
    std::unique_ptr<OpusEncoder> encoder(new OpusEncoder(sampleRate, kbps));
    std::vector<unsigned char> discard;
    encoder->m_sink = &discard;
    int error = OPE_OK;
    if (!encoder->open(&error)) {
        *why = "Opus cannot encode " + std::to_string(sampleRate) + " Hz: " + ope_strerror(error);
        return nullptr;
    }
    encoder->m_sink = nullptr;
    return encoder;
}

OpusEncoder::OpusEncoder(int sampleRate, int kbps) : m_sampleRate(sampleRate), m_kbps(kbps) {}

OpusEncoder::~OpusEncoder() {
    // Destroying an encoder may still write through the callbacks.
    std::vector<unsigned char> discard;
    m_sink = &discard;
    m_handle.reset();
}

int OpusEncoder::Write(void* self, const unsigned char* bytes, int length) {
    auto* encoder = static_cast<OpusEncoder*>(self);
    std::vector<unsigned char>& sink = encoder->m_sink ? *encoder->m_sink : encoder->m_pending;
    sink.insert(sink.end(), bytes, bytes + length);
    return 0;
}

int OpusEncoder::Close(void*) {
    return 0;
}

OpusEncoder::Comments OpusEncoder::makeComments() const {
    Comments comments(ope_comments_create());
    if (comments) {
        ope_comments_add(comments.get(), kOggEncoderTag, kOggEncoderName);
        if (!m_title.empty()) {
            ope_comments_add(comments.get(), kOggTitleTag, m_title.c_str());
        }
    }
    return comments;
}

OpusEncoder::Handle OpusEncoder::open(int* error) {
    const OpusEncCallbacks callbacks{&OpusEncoder::Write, &OpusEncoder::Close};
    Comments comments = makeComments();
    if (!comments) {
        *error = OPE_ALLOC_FAIL;
        return nullptr;
    }
    Handle handle(ope_encoder_create_callbacks(&callbacks, this, comments.get(), m_sampleRate,
                                               kChannels, kMappingFamilyStereo, error));
    if (!handle) {
        return nullptr;
    }
    *error = ope_encoder_ctl(handle.get(), OPUS_SET_BITRATE(m_kbps * kBitsPerKilobit));
    if (*error == OPE_OK) {
        *error = ope_encoder_ctl(handle.get(), OPE_SET_MUXING_DELAY(kMuxingDelaySamples));
    }
    if (*error == OPE_OK) {
        *error = ope_encoder_ctl(handle.get(), OPE_SET_DECISION_DELAY(kDecisionDelaySamples));
    }
    return *error == OPE_OK ? std::move(handle) : nullptr;
}

bool OpusEncoder::encode(const float* frames, std::size_t count, std::vector<unsigned char>& out) {
    out.insert(out.end(), m_pending.begin(), m_pending.end());
    m_pending.clear();
    m_sink = &out;
    bool ok = true;
    if (!m_handle) {
        int error = OPE_OK;
        m_handle = open(&error);
        ok = m_handle != nullptr;
    }
    while (ok && count > 0) {
        const std::size_t chunk = std::min(count, kOpusChunkFrames);
        ok = ope_encoder_write_float(m_handle.get(), frames, static_cast<int>(chunk)) == OPE_OK;
        frames += chunk * kChannels;
        count -= chunk;
    }
    m_sink = nullptr;
    return ok;
}

bool OpusEncoder::finish(std::vector<unsigned char>& out) {
    out.insert(out.end(), m_pending.begin(), m_pending.end());
    m_pending.clear();
    if (!m_handle) {
        return true;
    }
    m_sink = &out;
    const bool ok = ope_encoder_drain(m_handle.get()) == OPE_OK;
    m_handle.reset();
    m_sink = nullptr;
    return ok;
}

bool OpusEncoder::setTitle(const std::string& title) {
    m_title = title;
    if (!m_handle) {
        return true;
    }
    Comments comments = makeComments();
    return comments && ope_encoder_chain_current(m_handle.get(), comments.get()) == OPE_OK;
}

} // namespace korvale
