#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace korvale {

// Why opening a clip for decoding gave no decoder.
enum class DecoderOpenStatus {
    Ok,
    Missing,         // no such path
    NotARegularFile, // a directory, a device, a pipe ...
    Unreadable,      // exists but cannot be read (permissions, I/O error)
    UnknownFormat,   // neither a sound file nor MPEG audio
    NoAudio,         // recognised, but not one frame decodes
};

// A clip decoder: one library behind one small interface. Always delivers interleaved
// stereo float frames at the clip's own rate (mono is duplicated, extra channels dropped).
//
// A decoder is used by one thread at a time: the opening thread, then the voice's worker.
// All calls may block on file I/O; none is called from the audio output callback.
class Decoder {
public:
    static constexpr int kChannels = 2;

    virtual ~Decoder() = default;

    // Source sample rate in frames per second.
    virtual int sampleRate() const = 0;
    // Exact length in frames, known at open.
    virtual std::int64_t lengthFrames() const = 0;
    // Reads up to `frames` stereo frames into `out` (2 floats per frame). Returns the frames
    // read; 0 at the end of what can be decoded (end of clip, truncated file, read error).
    virtual std::size_t read(float* out, std::size_t frames) = 0;
    // Moves to `frame` (clamped to 0..length); the next read starts exactly there.
    // Returns false when the file no longer allows it (reads then return 0).
    virtual bool seek(std::int64_t frame) = 0;
    // The ReplayGain track gain (dB) that the clip's tags carry, read at open; nullopt
    // when the format's tags are not read or hold none. Does not block.
    virtual std::optional<double> replayGainTrackDb() const { return std::nullopt; }
};

struct DecoderOpenResult {
    DecoderOpenStatus status = DecoderOpenStatus::Missing;
    std::unique_ptr<Decoder> decoder; // set exactly when status is Ok
};

} // namespace korvale
