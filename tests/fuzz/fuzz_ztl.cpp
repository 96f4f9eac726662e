// Reads arbitrary bytes as a ZTL play list, then checks that what it read survives a
// write and a second read unchanged.
#include "core/PlayListCodec.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvale;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const DecodedPlayList decoded = DecodeZtl(bytes);
    for (const auto& entry : decoded.entries) {
        if (!FitsPathLimit(entry)) {
            std::abort();
        }
    }
    if (!FirstEntryWithQuote(decoded.entries)) {
        const DecodedPlayList again = DecodeZtl(EncodeZtl(decoded.entries));
        if (again.entries != decoded.entries || again.refusedUnclosed != 0) {
            std::abort();
        }
    }
    return 0;
}
