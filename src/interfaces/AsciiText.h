#pragma once

#include <string_view>

namespace korvale {

// Letters, digits and case of ASCII alone, whatever the user's language. The C library's
// isalnum, tolower and strcasecmp follow the locale that the application object sets: under
// Turkish, tolower('I') is 'I', and a single-byte locale takes bytes above 127 for letters.
// Keys, commands and URIs are ASCII and read the same under every language. Pure; any thread.

constexpr bool IsAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

constexpr char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether `text` begins with `lower` (written in lower case), in any case.
constexpr bool StartsWithAnyCase(std::string_view text, std::string_view lower) {
    if (text.size() < lower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < lower.size(); ++i) {
        if (AsciiLower(text[i]) != lower[i]) {
            return false;
        }
    }
    return true;
}

// Whether `text` is `lower` (written in lower case), in any case.
constexpr bool EqualsAnyCase(std::string_view text, std::string_view lower) {
    return text.size() == lower.size() && StartsWithAnyCase(text, lower);
}

} // namespace korvale
