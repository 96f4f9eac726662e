#include "core/ClipDisplayName.h"

#include "interfaces/PathLength.h"

namespace korvale {

namespace {

constexpr std::string_view kNoNameText = "ERR";
constexpr char kExtensionDot = '.';
// A dot and a three-character extension, as in ".mp3".
constexpr std::size_t kClassicExtensionLength = 4;

} // namespace

std::string ClipDisplayName(std::string_view path) {
    const std::size_t slash = path.rfind(kPathSeparator);
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        return std::string(kNoNameText);
    }
    if (name.size() > kClassicExtensionLength &&
        name[name.size() - kClassicExtensionLength] == kExtensionDot) {
        return std::string(name.substr(0, name.size() - kClassicExtensionLength));
    }
    const std::size_t dot = name.rfind(kExtensionDot);
    if (dot != std::string_view::npos && dot > 0) {
        return std::string(name.substr(0, dot));
    }
    return std::string(name);
}

} // namespace korvale
