// Arbitrary bytes through the sound-file decoder (WAV, AIFF, ...): open, read, seek, read;
// then through the content-sniffing factory, as a clip path would go.
#include "FuzzClipFile.h"
#include "FuzzDecoderRun.h"
#include "decode/DecoderFactory.h"
#include "decode/SndfileDecoder.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvale;
    UniqueFd fd = fuzz::MemoryClip(data, size);
    if (!fd.valid()) {
        return 0;
    }
    // The factory opens the same bytes by path, through the descriptor's /proc link.
    const std::string path = "/proc/self/fd/" + std::to_string(fd.get());
    fuzz::ExerciseDecoder(OpenDecoder(path));
    fuzz::ExerciseDecoder(SndfileDecoder::Open(std::move(fd)));
    return 0;
}
