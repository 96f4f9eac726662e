#pragma once

#include "audio/RecordingFile.h"

#include <cstdint>
#include <sndfile.h>

namespace korvale {

// FLAC or WAV through libsndfile, 16-bit, clipped (never wrapped) where the mix goes over
// full scale. libsndfile writes through this object's own calls on the descriptor, so a
// failed write is known with its reason. A WAV that outgrows 4 GiB is written as RF64.
class SndfileRecordingFile final : public RecordingFile {
public:
    static std::unique_ptr<SndfileRecordingFile> Create(UniqueFd fd, RecordingFormat format,
                                                        int sampleRate, std::string* why);
    ~SndfileRecordingFile() override;

    bool write(const float* frames, std::size_t count) override;
    bool finish() override;
    std::string error() const override { return m_error; }

private:
    struct FileDeleter {
        void operator()(SNDFILE* file) const { sf_close(file); }
    };

    explicit SndfileRecordingFile(UniqueFd fd);

    static sf_count_t Length(void* self);
    static sf_count_t Seek(sf_count_t offset, int whence, void* self);
    static sf_count_t Read(void* out, sf_count_t bytes, void* self);
    static sf_count_t Write(const void* in, sf_count_t bytes, void* self);
    static sf_count_t Tell(void* self);

    UniqueFd m_fd;
    SF_VIRTUAL_IO m_io{};
    std::unique_ptr<SNDFILE, FileDeleter> m_file; // declared last: closed before the rest
    int m_writeErrno = 0;                         // the first failed write's errno
    std::string m_error;
};

} // namespace korvale
