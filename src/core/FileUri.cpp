#include "core/FileUri.h"

#include "interfaces/AsciiText.h"

namespace korvale {

namespace {

constexpr std::string_view kScheme = "file:";
constexpr std::string_view kAuthorityStart = "//";
constexpr std::string_view kLocalHost = "localhost";
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr int kNibbleBits = 4;
constexpr unsigned char kNibbleMask = 0x0f;

bool KeptAsIs(unsigned char byte) {
    return IsAsciiLetterOrDigit(static_cast<char>(byte)) || byte == '-' || byte == '.' ||
           byte == '_' || byte == '~' || byte == '/';
}

int HexValue(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    const char lower = AsciiLower(digit);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

} // namespace

std::string FileUriOfPath(std::string_view path) {
    std::string uri = "file://";
    uri.reserve(uri.size() + path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (KeptAsIs(byte)) {
            uri += c;
        } else {
            uri += '%';
            uri += kHexDigits[byte >> kNibbleBits];
            uri += kHexDigits[byte & kNibbleMask];
        }
    }
    return uri;
}

std::optional<std::string> PathOfFileUri(std::string_view uri) {
    if (!StartsWithAnyCase(uri, kScheme)) {
        return std::nullopt;
    }
    std::string_view rest = uri.substr(kScheme.size());
    if (rest.starts_with(kAuthorityStart)) {
        rest.remove_prefix(kAuthorityStart.size());
        const std::size_t slash = rest.find('/');
        const std::string_view host = rest.substr(0, slash);
        if (slash == std::string_view::npos || !(host.empty() || EqualsAnyCase(host, kLocalHost))) {
            return std::nullopt;
        }
        rest.remove_prefix(slash);
    }
    if (!rest.starts_with('/') || rest.find_first_of("?#") != std::string_view::npos) {
        return std::nullopt;
    }
    std::string path;
    path.reserve(rest.size());
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        const int high = i + 2 < rest.size() ? HexValue(rest[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(rest[i + 2]) : -1;
        if (low < 0 || (high == 0 && low == 0)) {
            return std::nullopt;
        }
        path += static_cast<char>((high << kNibbleBits) | low);
        i += 2;
    }
    return path;
}

} // namespace korvale
