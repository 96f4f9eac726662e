#pragma once

#include "encode/Encoder.h"

#include <memory>

struct OggOpusEnc;
struct OggOpusComments;

namespace korvale {

// Opus in Ogg through libopusenc at the given bit rate. libopusenc resamples any input rate
// to Opus's 48 kHz. A title starts a new logical stream in the chain whose comments carry
// TITLE. Pages are cut at least every kMuxingDelayMs so a listener hears the mix soon.
class OpusEncoder final : public Encoder {
public:
    static constexpr int kMinKbps = 6;
    static constexpr int kMaxKbps = 510;
    static constexpr int kMuxingDelayMs = 200;

    // Nullptr, with `why`, when libopusenc refuses the rate or the bit rate.
    static std::unique_ptr<OpusEncoder> Create(int sampleRate, int kbps, std::string* why);
    ~OpusEncoder() override;

    bool encode(const float* frames, std::size_t count, std::vector<unsigned char>& out) override;
    bool finish(std::vector<unsigned char>& out) override;
    bool setTitle(const std::string& title) override;
    std::string contentType() const override { return "audio/ogg"; }

private:
    struct EncoderDeleter {
        void operator()(OggOpusEnc* encoder) const;
    };
    struct CommentsDeleter {
        void operator()(OggOpusComments* comments) const;
    };
    using Handle = std::unique_ptr<OggOpusEnc, EncoderDeleter>;
    using Comments = std::unique_ptr<OggOpusComments, CommentsDeleter>;

    OpusEncoder(int sampleRate, int kbps);
    // A stream's comments: the encoder's name and the title when there is one.
    Comments makeComments() const;
    // An encoder for a fresh stream that writes to `m_sink`; null with `error` set when the
    // library refuses.
    Handle open(int* error);
    static int Write(void* self, const unsigned char* bytes, int length);
    static int Close(void* self);

    int m_sampleRate;
    int m_kbps;
    std::string m_title;
    Handle m_handle;                              // null between finish() and the next encode()
    std::vector<unsigned char>* m_sink = nullptr; // where the library's pages go
    std::vector<unsigned char> m_pending;         // pages written outside encode() and finish()
};

} // namespace korvale
