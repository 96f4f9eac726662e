#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interfaces/PathLength.h"

namespace korvale {

// Header fields at the start of a ZTL play list.
inline constexpr std::size_t kZtlHeaderFieldCount = 9;

// Entries read from a play-list file, and what was refused on the way.
struct DecodedPlayList {
    std::vector<std::string> entries;
    // Fields or lines longer than kMaxPathCharacters: refused whole, never cut.
    std::size_t refusedTooLong = 0;
    // A ZTL entry field opened by a quote that no later quote closes (a cut-off file):
    // 0 or 1, never appended.
    std::size_t refusedUnclosed = 0;
};

// A ZTL play list, byte for byte: nine header lines ("Zantor Play List", "Date: ", "Owner: ",
// "Clips: <n>", "Duration: ", "Style: ", "Description: ", "Date to play: ",
// "Time to play: "), then one line per entry, each field in double quotes and every line
// ending in CR CR LF. An entry holding a double quote would corrupt the file: callers check
// FirstEntryWithQuote first. Pure; any thread.
std::string EncodeZtl(const std::vector<std::string>& entries);

// A plain list: each entry followed by CR LF, nothing else. An entry holding a CR or LF would
// read back as several: callers check FirstEntryWithLineBreak first. Pure; any thread.
std::string EncodePlainList(const std::vector<std::string>& entries);

// Reads a ZTL play list: every run of bytes between a double quote and the next one is a
// field; bytes outside fields mean nothing; the first nine fields are the header, whatever
// they say; every later field is an entry (an empty field gives an empty entry). A last field
// without its closing quote is not appended (counted in refusedUnclosed). Never reads past
// `bytes`. Pure; any thread.
DecodedPlayList DecodeZtl(std::string_view bytes);

// Reads a media play list: one entry per line, lines ending in LF; a CR in front of the LF
// is dropped with it, any other byte is kept (LF-only files keep every character). Nothing
// else is removed: "#" lines are entries like any other, and an empty line (CR LF or a lone
// LF) is an empty entry. A last line without LF is appended when it is not empty (a CR at
// its end is dropped first). Never reads past `bytes`. Pure; any thread.
DecodedPlayList DecodeM3u(std::string_view bytes);

// Index of the first entry that holds a double quote, which a ZTL file cannot store.
std::optional<std::size_t> FirstEntryWithQuote(const std::vector<std::string>& entries);

// Index of the first entry that holds a CR or LF, which a plain list cannot store.
std::optional<std::size_t> FirstEntryWithLineBreak(const std::vector<std::string>& entries);

} // namespace korvale
