#pragma once

#include "decode/Decoder.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace korvale::fuzz {

// Reads, seeks and reads again as a voice's worker would, checking what the decoder
// promises: a decoder exactly when the open succeeded, a sane rate and length, never more
// frames than asked for.
inline void ExerciseDecoder(DecoderOpenResult result) {
    if ((result.status == DecoderOpenStatus::Ok) != (result.decoder != nullptr)) {
        std::abort();
    }
    if (!result.decoder) {
        return;
    }
    Decoder& decoder = *result.decoder;
    if (decoder.sampleRate() <= 0 || decoder.lengthFrames() < 0) {
        std::abort();
    }
    constexpr std::size_t kChunk = 1024;
    std::vector<float> buffer(kChunk * Decoder::kChannels);
    // Bounded, so that a header claiming hours of audio cannot stall the run.
    const auto readSome = [&](std::size_t limit) {
        for (std::size_t total = 0, got = 1; total < limit && got > 0; total += got) {
            got = decoder.read(buffer.data(), kChunk);
            if (got > kChunk) {
                std::abort();
            }
        }
    };
    readSome(1 << 18);
    const std::int64_t length = decoder.lengthFrames();
    for (const std::int64_t target :
         {length / 2, std::int64_t{0}, length, length + 1, std::int64_t{-1}}) {
        if (decoder.seek(target)) {
            readSome(2 * kChunk);
        }
    }
}

} // namespace korvale::fuzz
