#include "core/FaderUnits.h"

#include <algorithm>
#include <cstdio>

namespace korvale {

std::string FaderLabelText(long position) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "-%ld db", position / kFaderUnitsPerDb);
    return buffer;
}

std::string FaderLoadLabelText() {
    return "-85db";
}

int ClampFader(long position) {
    return static_cast<int>(std::clamp<long>(position, kFaderFullLevel, kFaderBottom));
}

} // namespace korvale
