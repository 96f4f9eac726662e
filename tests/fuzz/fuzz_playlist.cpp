// Reads arbitrary bytes as a play list (a ZTL file when built with KORVALE_FUZZ_ZTL, else a
// media play list), then checks that every entry fits a path and that what was read
// survives a write and a second read unchanged, unless it holds what the format cannot (a
// quote in a ZTL field, a line break in a line).
#include "core/PlayListCodec.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvale;
#ifdef KORVALE_FUZZ_ZTL
    const auto decode = DecodeZtl;
    const auto encode = EncodeZtl;
    const auto unwritable = FirstEntryWithQuote;
#else
    const auto decode = DecodeM3u;
    const auto encode = EncodePlainList;
    const auto unwritable = FirstEntryWithLineBreak;
#endif
    const DecodedPlayList decoded =
        decode(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const auto& entry : decoded.entries) {
        if (!FitsPathLimit(entry)) {
            std::abort();
        }
    }
    if (!unwritable(decoded.entries)) {
        const DecodedPlayList again = decode(encode(decoded.entries));
        if (again.entries != decoded.entries || again.refusedUnclosed != 0) {
            std::abort();
        }
    }
    return 0;
}
