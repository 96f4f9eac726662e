// Arbitrary bytes as a play list (ZTL with KORVALE_FUZZ_ZTL, else M3U): every entry fits a path,
// and reads back the same after a write unless the format cannot hold it (a quote, a line break).
#include "core/PlayListCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <tuple>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvale;
#ifdef KORVALE_FUZZ_ZTL
    const auto [decode, encode, unwritable] =
        std::tuple(&DecodeZtl, &EncodeZtl, &FirstEntryWithQuote);
#else
    const auto [decode, encode, unwritable] =
        std::tuple(&DecodeM3u, &EncodePlainList, &FirstEntryWithLineBreak);
#endif
    const DecodedPlayList decoded =
        decode(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!std::all_of(decoded.entries.begin(), decoded.entries.end(), FitsPathLimit))
        std::abort();
    if (!unwritable(decoded.entries)) {
        const DecodedPlayList again = decode(encode(decoded.entries));
        if (again.entries != decoded.entries || again.refusedUnclosed != 0)
            std::abort();
    }
    return 0;
}
