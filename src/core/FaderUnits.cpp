#include "core/FaderUnits.h"

#include "core/FormatText.h"
#include <algorithm>

namespace korvale {

std::string FaderLabelText(long position) {
    return FormatText("-%ld db", position / kFaderUnitsPerDb);
}

std::string FaderLoadLabelText() {
    return "-85db";
}

int ClampFader(long position) {
    return static_cast<int>(std::clamp<long>(position, kFaderFullLevel, kFaderBottom));
}

} // namespace korvale
