#pragma once

#include "interfaces/MixOutlets.h"
#include "platform/UniqueFd.h"

#include <cstddef>
#include <memory>
#include <string>

namespace korvale {

// The audio file of a recording, written as the mix comes: interleaved stereo float frames
// in, the format's bytes out to an open file. Used by the recording's worker thread; every
// call blocks on the disk.
class RecordingFile {
public:
    static constexpr int kChannels = 2;

    virtual ~RecordingFile() = default;
    // Appends `count` frames. False when a write failed: error() says why; the file takes no
    // more frames then, and finish() still makes what was written a valid file.
    virtual bool write(const float* frames, std::size_t count) = 0;
    // Writes what the encoder still holds and the header, and closes the file. False when
    // that failed (error() says why). Called once; the destructor calls it if nobody did.
    virtual bool finish() = 0;
    // The last failure in plain words (the system's words for it: "No space left on
    // device"); empty when none.
    virtual std::string error() const = 0;

    // A file of `format` at `sampleRate` on `fd` (an empty regular file open for reading and
    // writing, now owned by the result); `mp3Kbps` for MP3. Nullptr, with `why`, when the
    // library refuses.
    static std::unique_ptr<RecordingFile> Create(UniqueFd fd, RecordingFormat format,
                                                 int sampleRate, int mp3Kbps, std::string* why);
};

} // namespace korvale
