#pragma once

#include "encode/Encoder.h"

#include <memory>

struct lame_global_struct;

namespace korvale {

// MP3 through LAME at a constant bit rate. The output rate is the input rate where MPEG
// audio has it (32, 44.1, 48 kHz ...); LAME resamples any other. No ID3 tag and no info
// frame: the bytes are a plain stream of frames that a listener may join anywhere.
class LameEncoder final : public Encoder {
public:
    static constexpr int kMinKbps = BroadcastSettings::kMinMp3Kbps;
    static constexpr int kMaxKbps = BroadcastSettings::kMaxMp3Kbps;

    // Nullptr, with `why`, when LAME refuses the rate or the bit rate.
    static std::unique_ptr<LameEncoder> Create(int sampleRate, int kbps, std::string* why);
    ~LameEncoder() override;

    bool encode(const float* frames, std::size_t count, std::vector<unsigned char>& out) override;
    bool finish(std::vector<unsigned char>& out) override;
    bool setTitle(const std::string&) override { return false; }
    std::string contentType() const override { return "audio/mpeg"; }

private:
    struct HandleDeleter {
        void operator()(lame_global_struct* handle) const;
    };
    using Handle = std::unique_ptr<lame_global_struct, HandleDeleter>;

    LameEncoder(int sampleRate, int kbps);
    // A handle set up for a fresh stream; null when LAME refuses the settings.
    static Handle OpenHandle(int sampleRate, int kbps);

    int m_sampleRate;
    int m_kbps;
    Handle m_handle; // null between finish() and the next encode()
};

} // namespace korvale
