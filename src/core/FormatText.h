#pragma once

#include <cstdio>
#include <string>

namespace korvale {

// printf-style text of any length: a status text is never cut (a long clip name shows whole).
template <typename... Args> std::string FormatText(const char* format, Args... args) {
    const int length = std::snprintf(nullptr, 0, format, args...);
    if (length <= 0) {
        return std::string();
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

} // namespace korvale
