#include "audio/SndfileRecordingFile.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace korvale {

namespace {

SndfileRecordingFile* Self(void* self) {
    return static_cast<SndfileRecordingFile*>(self);
}

} // namespace

std::unique_ptr<SndfileRecordingFile> SndfileRecordingFile::Create(UniqueFd fd,
                                                                   RecordingFormat format,
                                                                   int sampleRate,
                                                                   std::string* why) {
    std::unique_ptr<SndfileRecordingFile> file(new SndfileRecordingFile(std::move(fd)));
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = kChannels;
    info.format =
        (format == RecordingFormat::Wav ? SF_FORMAT_RF64 : SF_FORMAT_FLAC) | SF_FORMAT_PCM_16;
    file->m_file.reset(sf_open_virtual(&file->m_io, SFM_WRITE, &info, file.get()));
    if (!file->m_file) {
        if (why != nullptr) {
            *why =
                file->m_writeErrno != 0 ? std::strerror(file->m_writeErrno) : sf_strerror(nullptr);
        }
        return nullptr;
    }
    SNDFILE* sf = file->m_file.get();
    sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (format == RecordingFormat::Wav) {
        // An ordinary WAV unless the recording outgrows what WAV can hold.
        sf_command(sf, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    }
    return file;
}

SndfileRecordingFile::SndfileRecordingFile(UniqueFd fd) : m_fd(std::move(fd)) {
    m_io.get_filelen = &Length;
    m_io.seek = &Seek;
    m_io.read = &Read;
    m_io.write = &Write;
    m_io.tell = &Tell;
}

SndfileRecordingFile::~SndfileRecordingFile() {
    finish();
}

bool SndfileRecordingFile::write(const float* frames, std::size_t count) {
    if (!m_file || m_writeErrno != 0) {
        return false;
    }
    const auto wanted = static_cast<sf_count_t>(count);
    const sf_count_t written = sf_writef_float(m_file.get(), frames, wanted);
    if (m_writeErrno != 0 || written != wanted) {
        m_error = m_writeErrno != 0 ? std::strerror(m_writeErrno) : sf_strerror(m_file.get());
        return false;
    }
    return true;
}

bool SndfileRecordingFile::finish() {
    if (!m_file) {
        return m_error.empty();
    }
    const int before = m_writeErrno;
    m_file.reset(); // writes the last frames and the header
    const bool closed = ::close(m_fd.release()) == 0;
    if (!closed && m_error.empty()) {
        m_error = std::strerror(errno);
    }
    if (before == 0 && m_writeErrno != 0 && m_error.empty()) {
        m_error = std::strerror(m_writeErrno);
    }
    return m_error.empty();
}

sf_count_t SndfileRecordingFile::Length(void* self) {
    struct stat st {};
    return ::fstat(Self(self)->m_fd.get(), &st) == 0 ? st.st_size : -1;
}

sf_count_t SndfileRecordingFile::Seek(sf_count_t offset, int whence, void* self) {
    return ::lseek(Self(self)->m_fd.get(), offset, whence);
}

sf_count_t SndfileRecordingFile::Read(void* out, sf_count_t bytes, void* self) {
    const ssize_t n = ::read(Self(self)->m_fd.get(), out, static_cast<std::size_t>(bytes));
    return n < 0 ? 0 : n;
}

sf_count_t SndfileRecordingFile::Write(const void* in, sf_count_t bytes, void* self) {
    SndfileRecordingFile* file = Self(self);
    const auto* data = static_cast<const char*>(in);
    sf_count_t done = 0;
    while (done < bytes) {
        const ssize_t n =
            ::write(file->m_fd.get(), data + done, static_cast<std::size_t>(bytes - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (file->m_writeErrno == 0) {
                file->m_writeErrno = n < 0 ? errno : EIO;
            }
            break;
        }
        done += n;
    }
    return done;
}

sf_count_t SndfileRecordingFile::Tell(void* self) {
    return ::lseek(Self(self)->m_fd.get(), 0, SEEK_CUR);
}

} // namespace korvale
