#include "encode/Encoder.h"

#include "encode/LameEncoder.h"
#include "encode/OpusEncoder.h"
#include "encode/VorbisEncoder.h"

namespace korvale {

std::unique_ptr<Encoder> MakeEncoder(const EncoderSettings& settings, std::string* why) {
    std::string reason;
    std::unique_ptr<Encoder> encoder;
    switch (settings.format) {
    case StreamFormat::Mp3:
        encoder = LameEncoder::Create(settings.sampleRate, settings.mp3Kbps, &reason);
        break;
    case StreamFormat::OggVorbis:
        encoder = VorbisEncoder::Create(settings.sampleRate, settings.vorbisQuality, &reason);
        break;
    case StreamFormat::OggOpus:
        encoder = OpusEncoder::Create(settings.sampleRate, settings.opusKbps, &reason);
        break;
    }
    if (!encoder && why != nullptr) {
        *why = reason.empty() ? "no encoder for this format" : reason;
    }
    return encoder;
}

} // namespace korvale
