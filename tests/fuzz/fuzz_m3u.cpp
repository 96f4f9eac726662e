// Reads arbitrary bytes as a media play list, then checks that what it read survives a
// write as a plain list and a second read unchanged (when it holds no line breaks).
#include "core/PlayListCodec.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvale;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const DecodedPlayList decoded = DecodeM3u(bytes);
    for (const auto& entry : decoded.entries) {
        if (!FitsPathLimit(entry)) {
            std::abort();
        }
    }
    if (!FirstEntryWithLineBreak(decoded.entries)) {
        const DecodedPlayList again = DecodeM3u(EncodePlainList(decoded.entries));
        if (again.entries != decoded.entries) {
            std::abort();
        }
    }
    return 0;
}
