// Arbitrary bytes as a clip, opened by the content-sniffing factory as a clip path would be (the
// sound-file or the MPEG decoder, which scans the whole stream), then read, seek, read.
#include "decode/DecoderFactory.h"
#include "platform/UniqueFd.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace korvale;

// Checks what a decoder promises: a decoder exactly when the open succeeded, a sane rate and
// length, never more frames than asked for; reads, seeks and reads again as a voice would.
void Exercise(DecoderOpenResult result) {
    if ((result.status == DecoderOpenStatus::Ok) != (result.decoder != nullptr))
        std::abort();
    if (!result.decoder)
        return;
    Decoder& decoder = *result.decoder;
    if (decoder.sampleRate() <= 0 || decoder.lengthFrames() < 0)
        std::abort();
    constexpr std::size_t kChunk = 1024;
    std::vector<float> buffer(kChunk * Decoder::kChannels);
    // Bounded, so that a header claiming hours of audio cannot stall the run.
    const auto readSome = [&](std::size_t limit) {
        for (std::size_t total = 0, got = 1; total < limit && got > 0; total += got) {
            if ((got = decoder.read(buffer.data(), kChunk)) > kChunk)
                std::abort();
        }
    };
    readSome(1 << 18);
    const std::int64_t length = decoder.lengthFrames();
    for (const std::int64_t target :
         {length / 2, std::int64_t{0}, length, length + 1, std::int64_t{-1}}) {
        if (decoder.seek(target))
            readSome(2 * kChunk);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The input as a file in memory only, read through a descriptor as a clip on disk.
    UniqueFd fd(::memfd_create("korvale-fuzz-clip", MFD_CLOEXEC));
    if (!fd.valid() || ::write(fd.get(), data, size) != static_cast<ssize_t>(size) ||
        ::lseek(fd.get(), 0, SEEK_SET) != 0) {
        return 0;
    }
    // The factory opens the bytes by path, through the descriptor's /proc link.
    Exercise(OpenDecoder("/proc/self/fd/" + std::to_string(fd.get())));
    return 0;
}
