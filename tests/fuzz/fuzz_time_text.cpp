// Parses arbitrary text as a time text, and formats the input's first 8 bytes as a double
// (every bit pattern: NaN, infinities, subnormals, huge values).
#include "core/TimeText.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvale;
    (void)ParseTimeText(std::string_view(reinterpret_cast<const char*>(data), size));
    double seconds = 0.0;
    if (size >= sizeof seconds) {
        std::memcpy(&seconds, data, sizeof seconds);
        const std::string formatted = FormatTimeText(seconds);
        // Four parts of at most a sign and two digits each (the hours wrap at 60, frames
        // stay under 25), three separators.
        if (formatted.size() < kTimeTextReset.size() || formatted.size() > 4 * 3 + 3)
            std::abort();
        (void)ParseTimeText(formatted);
    }
    return 0;
}
