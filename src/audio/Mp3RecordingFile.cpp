#include "audio/Mp3RecordingFile.h"

#include <cerrno>
#include <cstring>

namespace korvale {

namespace {

constexpr char kEncoderFailed[] = "the MP3 encoder failed";

} // namespace

std::unique_ptr<Mp3RecordingFile> Mp3RecordingFile::Create(UniqueFd fd, int sampleRate, int kbps,
                                                           std::string* why) {
    EncoderSettings settings;
    settings.format = StreamFormat::Mp3;
    settings.sampleRate = sampleRate;
    settings.mp3Kbps = kbps;
    std::unique_ptr<Encoder> encoder = MakeEncoder(settings, why);
    if (!encoder) {
        return nullptr;
    }
    return std::unique_ptr<Mp3RecordingFile>(
        new Mp3RecordingFile(std::move(fd), std::move(encoder)));
}

Mp3RecordingFile::Mp3RecordingFile(UniqueFd fd, std::unique_ptr<Encoder> encoder)
    : m_fd(std::move(fd)), m_encoder(std::move(encoder)) {}

Mp3RecordingFile::~Mp3RecordingFile() {
    finish();
}

bool Mp3RecordingFile::write(const float* frames, std::size_t count) {
    if (m_finished || !m_error.empty()) {
        return false;
    }
    if (!m_encoder->encode(frames, count, m_bytes)) {
        m_error = kEncoderFailed;
        return false;
    }
    return flush();
}

bool Mp3RecordingFile::finish() {
    if (m_finished) {
        return m_error.empty();
    }
    m_finished = true;
    // After a failed write the frames that still fit go out: the file ends on what the
    // disk took.
    if (m_encoder->finish(m_bytes)) {
        flush();
    } else if (m_error.empty()) {
        m_error = kEncoderFailed;
    }
    if (::close(m_fd.release()) != 0 && m_error.empty()) {
        m_error = std::strerror(errno);
    }
    return m_error.empty();
}

bool Mp3RecordingFile::flush() {
    std::size_t done = 0;
    while (done < m_bytes.size()) {
        const ssize_t n = ::write(m_fd.get(), m_bytes.data() + done, m_bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (m_error.empty()) {
                m_error = std::strerror(n < 0 ? errno : EIO);
            }
            m_bytes.clear();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    m_bytes.clear();
    return true;
}

} // namespace korvale
