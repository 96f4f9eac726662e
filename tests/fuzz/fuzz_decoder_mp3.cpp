// Arbitrary bytes through the MPEG audio decoder: open (full scan), read, seek, read.
#include "FuzzClipFile.h"
#include "FuzzDecoderRun.h"
#include "decode/Mpg123Decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvale;
    UniqueFd fd = fuzz::MemoryClip(data, size);
    if (!fd.valid()) {
        return 0;
    }
    fuzz::ExerciseDecoder(Mpg123Decoder::Open(std::move(fd)));
    return 0;
}
