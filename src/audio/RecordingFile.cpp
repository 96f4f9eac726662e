#include "audio/RecordingFile.h"

#include "audio/Mp3RecordingFile.h"
#include "audio/SndfileRecordingFile.h"

namespace korvale {

std::unique_ptr<RecordingFile> RecordingFile::Create(UniqueFd fd, RecordingFormat format,
                                                     int sampleRate, int mp3Kbps,
                                                     std::string* why) {
    if (format == RecordingFormat::Mp3) {
        return Mp3RecordingFile::Create(std::move(fd), sampleRate, mp3Kbps, why);
    }
    return SndfileRecordingFile::Create(std::move(fd), format, sampleRate, why);
}

} // namespace korvale
