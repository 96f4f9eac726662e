#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvale {

// What separates the folders and the file name of a path (and of a play-list entry).
inline constexpr char kPathSeparator = '/';

// The longest path (and play-list entry) the program holds, in characters.
inline constexpr std::size_t kMaxPathCharacters = 255;

// Characters of a file-system path given as bytes: its UTF-8 code points, or its bytes
// when it is not valid UTF-8. Pure; any thread.
std::size_t PathCharacterCount(std::string_view path);

// Whether `path` is at most kMaxPathCharacters characters long.
inline bool FitsPathLimit(std::string_view path) {
    return PathCharacterCount(path) <= kMaxPathCharacters;
}

// Whether `text` is well-formed UTF-8 (no over-long forms, surrogates or values past the
// last code point). Pure; any thread.
bool IsValidUtf8(std::string_view text);

// The first `characters` characters of `path` (counted as PathCharacterCount counts them);
// never splits a UTF-8 sequence.
std::string FirstPathCharacters(std::string_view path, std::size_t characters);

} // namespace korvale
