// Parses arbitrary text as a time text, and formats the input's first 8 bytes as a double
// (every bit pattern: NaN, infinities, subnormals, huge values).
#include "core/TimeText.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvale;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)ParseTimeText(text);

    if (size >= sizeof(double)) {
        double seconds = 0.0;
        std::memcpy(&seconds, data, sizeof seconds);
        const std::string formatted = FormatTimeText(seconds);
        // Four parts of at most a sign and two digits each (the hours wrap at 60, frames
        // stay under 25), three separators.
        constexpr std::size_t kLongestText = 4 * 3 + 3;
        if (formatted.size() < kTimeTextReset.size() || formatted.size() > kLongestText) {
            std::abort();
        }
        (void)ParseTimeText(formatted);
    }
    return 0;
}
