#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace korvale {

// What a folder search found.
struct FolderSearchResult {
    // folder + name of every match, in the order the listing gave them.
    std::vector<std::string> paths;
    // Matches refused because folder + name would exceed the play list's 255 characters.
    std::size_t refusedTooLong = 0;
    // The folder could not be opened, or the listing failed part-way; the matches found
    // before the failure are kept in `paths`.
    bool listingError = false;
    std::string errorText; // the reason, for the user; empty without an error
};

// Lists the names in `folder` that match the wildcard `pattern` ignoring letter case
// ("*.mp3" matches "A.MP3", also names starting with a dot; "*.@(mp3|ogg)" either
// ending), in listing order, unsorted,
// without descending into sub-folders. Matches are not examined: a sub-folder named
// "x.mp3" is listed too. "." and ".." are never listed. `folder` should end in "/"; one is
// added when it does not. Blocks for the folder's I/O; any thread.
FolderSearchResult SearchFolder(const std::string& folder, const std::string& pattern);

} // namespace korvale
