#pragma once

#include "platform/Decoder.h"
#include "platform/UniqueFd.h"

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

private:
    struct HandleDeleter {
        void operator()(mpg123_handle_struct* handle) const;
    };
    using Handle = std::unique_ptr<mpg123_handle_struct, HandleDeleter>;

    Mpg123Decoder(Handle handle, UniqueFd fd, int rate, std::int64_t length);

    Handle m_handle; // declared before m_fd: the handle is closed before the descriptor
    UniqueFd m_fd;
    int m_rate;
    std::int64_t m_length;
    std::int64_t m_position = 0;
    bool m_failed = false;
};

} // namespace korvale
