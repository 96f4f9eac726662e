#pragma once

#include <string>
#include <string_view>

namespace korvale {

// The short name of a clip path ("/" separates folders): the name after the last "/",
// without its extension. Rules:
//  - empty text, or a path ending in "/" (no name at all), gives "ERR";
//  - a name ending in a dot and three characters (".mp3") loses those four characters;
//  - a name with another extension loses everything from its last dot ("a.flac" -> "a",
//    "a." -> "a"), unless that dot is the name's first character;
//  - a name without such a dot is kept whole, and so is a name that would otherwise come
//    out empty (".mp3" stays ".mp3").
// Pure; any thread.
std::string ClipDisplayName(std::string_view path);

} // namespace korvale
