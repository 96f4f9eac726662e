#pragma once

#include "audio/RecordingFile.h"
#include "encode/Encoder.h"

#include <vector>

namespace korvale {

// MP3 at a constant bit rate through the project's MP3 encoder: a plain stream of frames
// that any player reads, even when a failed write cut it short.
class Mp3RecordingFile final : public RecordingFile {
public:
    static std::unique_ptr<Mp3RecordingFile> Create(UniqueFd fd, int sampleRate, int kbps,
                                                    std::string* why);
    ~Mp3RecordingFile() override;

    bool write(const float* frames, std::size_t count) override;
    bool finish() override;
    std::string error() const override { return m_error; }

private:
    Mp3RecordingFile(UniqueFd fd, std::unique_ptr<Encoder> encoder);
    // Writes m_bytes out; false (m_error set) when a write failed.
    bool flush();

    UniqueFd m_fd;
    std::unique_ptr<Encoder> m_encoder;
    std::vector<unsigned char> m_bytes;
    bool m_finished = false;
    std::string m_error;
};

} // namespace korvale
