#include "interfaces/PathLength.h"

#include <algorithm>
#include <vector>

namespace korvale {

namespace {

// Length of the valid UTF-8 sequence starting at `at`, or 0 when none starts there.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    char32_t lowest = 0;
    char32_t point = 0;
    if (lead < 0x80) {
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        lowest = 0x80;
        point = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        lowest = 0x800;
        point = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        lowest = 0x10000;
        point = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return 0;
        }
        point = (point << 6) | (byte(at + i) & 0x3F);
    }
    const bool surrogate = point >= 0xD800 && point <= 0xDFFF;
    if (point < lowest || point > 0x10FFFF || surrogate) {
        return 0;
    }
    return length;
}

// Byte offset where each character of `text` starts, plus the end; empty when `text` is
// not valid UTF-8.
std::vector<std::size_t> CharacterStarts(std::string_view text) {
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = SequenceLength(text, at);
        if (length == 0) {
            return {};
        }
        starts.push_back(at);
        at += length;
    }
    starts.push_back(text.size());
    return starts;
}

} // namespace

std::size_t PathCharacterCount(std::string_view path) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < path.size(); ++count) {
        const std::size_t length = SequenceLength(path, at);
        if (length == 0) {
            return path.size();
        }
        at += length;
    }
    return count;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = SequenceLength(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string FirstPathCharacters(std::string_view path, std::size_t characters) {
    const std::vector<std::size_t> starts = CharacterStarts(path);
    if (starts.empty()) {
        return std::string(path.substr(0, characters));
    }
    return std::string(path.substr(0, starts[std::min(characters, starts.size() - 1)]));
}

} // namespace korvale
