#pragma once

#include "decode/Decoder.h"
#include "platform/UniqueFd.h"

#include <memory>
#include <vector>

struct sf_private_tag;

namespace korvale {

// WAV (and the other RIFF/AIFF/CAF forms libsndfile reads) through libsndfile: every PCM
// and float sample format, sample-exact length and seek.
class SndfileDecoder final : public Decoder {
public:
    // Takes ownership of `fd` (a regular file open for reading). Returns NoAudio for a file
    // that libsndfile recognises but that holds no frames, UnknownFormat otherwise.
    static DecoderOpenResult Open(UniqueFd fd);
    ~SndfileDecoder() override;

    int sampleRate() const override { return m_rate; }
    std::int64_t lengthFrames() const override { return m_length; }
    std::size_t read(float* out, std::size_t frames) override;
    bool seek(std::int64_t frame) override;

private:
    struct FileDeleter {
        void operator()(sf_private_tag* file) const;
    };
    using File = std::unique_ptr<sf_private_tag, FileDeleter>;

    SndfileDecoder(File file, int rate, int channels, std::int64_t length);

    File m_file;
    int m_rate;
    int m_channels;
    std::int64_t m_length;
    std::int64_t m_position = 0;
    bool m_failed = false;
    std::vector<float> m_scratch; // native-channel frames, sized once at open
};

} // namespace korvale
