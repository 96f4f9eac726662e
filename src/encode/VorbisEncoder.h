#pragma once

#include "encode/Encoder.h"

#include <cstdint>
#include <memory>

namespace korvale {

// Ogg Vorbis through libvorbisenc at a variable bit rate, the pages made by libogg. Each
// logical stream gets its own serial number; a title starts a new one in the chain, whose
// comments carry TITLE.
class VorbisEncoder final : public Encoder {
public:
    static constexpr int kMinQuality = 0;
    static constexpr int kMaxQuality = 10;

    // Nullptr, with `why`, when libvorbisenc refuses the rate or the quality.
    static std::unique_ptr<VorbisEncoder> Create(int sampleRate, int quality, std::string* why);
    ~VorbisEncoder() override;

    bool encode(const float* frames, std::size_t count, std::vector<unsigned char>& out) override;
    bool finish(std::vector<unsigned char>& out) override;
    bool setTitle(const std::string& title) override;
    std::string contentType() const override { return "audio/ogg"; }

private:
    struct Stream; // one logical stream: the library's states, cleared by its destructor

    VorbisEncoder(int sampleRate, float quality, std::uint32_t firstSerial);
    // Starts a logical stream and appends its header pages; false when the library fails.
    bool begin(std::vector<unsigned char>& out);
    // Analyses the blocks the library holds and appends the full pages (all of them when
    // `flush`, as at the stream's end).
    void drain(std::vector<unsigned char>& out, bool flush);
    bool end(std::vector<unsigned char>& out);

    int m_sampleRate;
    float m_quality; // libvorbisenc's -0.1 .. 1.0
    std::uint32_t m_nextSerial;
    std::string m_title;
    std::unique_ptr<Stream> m_stream; // null between streams
    // The end of a stream that setTitle() closed, handed out with the next bytes.
    std::vector<unsigned char> m_pending;
};

} // namespace korvale
