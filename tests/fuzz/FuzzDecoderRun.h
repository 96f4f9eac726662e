#pragma once

#include "decode/Decoder.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace korvale::fuzz {

// Reads, seeks and reads again as a voice's worker would, checking what the decoder
// promises: never more frames than asked, a sane rate and length.
inline void ExerciseDecoder(DecoderOpenResult result) {
    if (result.status != DecoderOpenStatus::Ok) {
        if (result.decoder) {
            std::abort();
        }
        return;
    }
    if (!result.decoder) {
        std::abort();
    }
    Decoder& decoder = *result.decoder;
    if (decoder.sampleRate() <= 0 || decoder.lengthFrames() < 0) {
        std::abort();
    }
    constexpr std::size_t kChunkFrames = 1024;
    // Enough to reach the end of any clip a small input can describe, bounded so that a
    // header claiming hours of audio cannot stall the run.
    constexpr std::size_t kMaxFramesRead = 1 << 18;
    std::vector<float> buffer(kChunkFrames * Decoder::kChannels);
    auto readSome = [&](std::size_t limit) {
        std::size_t total = 0;
        while (total < limit) {
            const std::size_t got = decoder.read(buffer.data(), kChunkFrames);
            if (got > kChunkFrames) {
                std::abort();
            }
            if (got == 0) {
                break;
            }
            total += got;
        }
    };
    readSome(kMaxFramesRead);
    const std::int64_t length = decoder.lengthFrames();
    for (const std::int64_t target :
         {length / 2, std::int64_t{0}, length, length + 1, std::int64_t{-1}}) {
        if (decoder.seek(target)) {
            readSome(kChunkFrames * 2);
        }
    }
}

} // namespace korvale::fuzz
