#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "interfaces/MixOutlets.h"

namespace korvale {

// One audio encoder library behind one small interface: interleaved stereo float frames in,
// the bytes of the encoded stream out. Used by one worker thread at a time; never from the
// audio output callback. Every call may take a few milliseconds of CPU; none blocks on I/O.
class Encoder {
public:
    static constexpr int kChannels = 2;

    virtual ~Encoder() = default;
    // Encodes `frames` stereo frames (2 floats each, nominally -1 .. 1) and appends the bytes
    // that are ready to `out`. False when the library failed (nothing sensible was appended).
    virtual bool encode(const float* frames, std::size_t count,
                        std::vector<unsigned char>& out) = 0;
    // Ends the stream: appends what the library still holds and the stream's end. The next
    // encode() begins a fresh stream (new headers for Ogg, a fresh frame for MP3), so a
    // listener that joins there starts on a clean frame.
    virtual bool finish(std::vector<unsigned char>& out) = 0;
    // Ogg formats: the bytes that follow start a new chained logical stream whose comments
    // carry `title` (returns true). MP3 carries no title in the stream (returns false): its
    // title goes through the server's metadata update.
    virtual bool setTitle(const std::string& title) = 0;
    // The stream's content type ("audio/mpeg", "audio/ogg").
    virtual std::string contentType() const = 0;
};

// The comments an Ogg stream's header carries: who made it, and the title on air.
inline constexpr char kOggTitleTag[] = "TITLE";
inline constexpr char kOggEncoderTag[] = "ENCODER";
inline constexpr char kOggEncoderName[] = "KORVALE";

struct EncoderSettings {
    StreamFormat format = StreamFormat::Mp3;
    int sampleRate = 48000;
    int mp3Kbps = BroadcastSettings::kDefaultMp3Kbps;
    int vorbisQuality = BroadcastSettings::kDefaultVorbisQuality;
    int opusKbps = BroadcastSettings::kDefaultOpusKbps;
};

// Nullptr, with `why`, when the library refuses the settings (a rate it cannot take ...).
std::unique_ptr<Encoder> MakeEncoder(const EncoderSettings& settings, std::string* why);

} // namespace korvale
