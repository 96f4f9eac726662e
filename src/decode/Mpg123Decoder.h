#pragma once

#include "decode/Decoder.h"
#include "platform/UniqueFd.h"

#include <cstdio>
#include <memory>

struct mpg123_handle_struct;

namespace korvale {

// MPEG audio (MP3) through libmpg123. The length is exact: the whole stream is scanned at
// open, and encoder delay and padding are trimmed when the LAME/Info tag gives them. Seeks
// are exact to the frame (sample) through the scan's frame index.
class Mpg123Decoder final : public Decoder {
public:
    // Takes ownership of `fd` (a regular file open for reading). Blocks while it scans the
    // file. Returns NoAudio unless real MPEG frames decode.
    static DecoderOpenResult Open(UniqueFd fd);
    ~Mpg123Decoder() override;

    int sampleRate() const override { return m_rate; }
    std::int64_t lengthFrames() const override { return m_length; }
    std::size_t read(float* out, std::size_t frames) override;
    bool seek(std::int64_t frame) override;
    // From an ID3v2 "TXXX" frame described "REPLAYGAIN_TRACK_GAIN" (any letter case).
    std::optional<double> replayGainTrackDb() const override { return m_replayGain; }

private:
    struct HandleDeleter {
        void operator()(mpg123_handle_struct* handle) const;
    };
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    using Handle = std::unique_ptr<mpg123_handle_struct, HandleDeleter>;
    using File = std::unique_ptr<std::FILE, FileCloser>;

    Mpg123Decoder(File file, Handle handle, int rate, std::int64_t length);

    // The library reads through a buffered stream: its own reads are frame-sized, far too
    // small to issue as system calls while the whole file is scanned.
    File m_file;
    Handle m_handle; // declared after m_file: closed before the stream
    int m_rate;
    std::int64_t m_length;
    std::int64_t m_position = 0;
    bool m_failed = false;
    std::optional<double> m_replayGain;
};

} // namespace korvale
