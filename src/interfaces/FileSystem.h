#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvale {

enum class ReadFileError {
    None,
    Missing,     // no such file (or a folder on the way does not exist)
    Unreadable,  // cannot be opened or read, or is not a regular file (a pipe, a device)
    IsDirectory, // the path names a folder
    Empty,       // no byte in it
    TooLarge,    // over the size limit
};

struct ReadFileResult {
    ReadFileError error = ReadFileError::None;
    std::string bytes;     // the whole file when error is None
    std::string errorText; // what went wrong, for the user; empty on success

    bool Ok() const { return error == ReadFileError::None; }
};

struct WriteFileResult {
    bool ok = false;
    // The file could be created but its bytes could not all reach the disc (no room left,
    // the file-size limit, an I/O error); false when the failure came before (no folder, no
    // permission) and on success.
    bool writeError = false;
    int errorNumber = 0;   // the system's error number of the failing step, 0 on success
    std::string errorText; // what went wrong, for the user; empty on success
};

// What a folder search found.
struct FolderSearchResult {
    // folder + name of every match, in the order the listing gave them.
    std::vector<std::string> paths;
    // Matches refused because folder + name would exceed kMaxPathCharacters.
    std::size_t refusedTooLong = 0;
    // The folder could not be opened, or the listing failed part-way; the matches found
    // before the failure are kept in `paths`.
    bool listingError = false;
    std::string errorText; // the reason, for the user; empty without an error
};

// The files and folders the core reads and writes: play lists, folder searches and the
// files handed in by the desktop. Paths are file-system paths as bytes. Every method blocks
// for the I/O it does (microseconds on a local disk, longer on a network folder, up to the
// size of the file for whole-file reads and writes); the core calls them on the
// user-interface thread, and an implementation must allow any thread.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Reads a whole file into memory. Never blocks on a pipe or a device (those are refused
    // as Unreadable) and never reads more than `maxBytes` bytes.
    virtual ReadFileResult ReadWholeFile(const std::string& path, std::uint64_t maxBytes) const = 0;

    // Replaces the file at `path` with `bytes`, or creates it, so that a reader sees the old
    // file or the new one, never a part: on any failure an existing file is left exactly as
    // it was and nothing else remains. A symbolic link is followed, so the file it points to
    // is replaced and the link stays. An existing file's permissions are kept; a new file
    // gets the usual permissions under the process's umask. Going over the file-size limit is
    // a failed write, never the end of the program.
    virtual WriteFileResult WriteFileReplacing(const std::string& path, std::string_view bytes) = 0;

    // Lists the names in `folder` that match the wildcard `pattern` ignoring letter case
    // ("*.mp3" matches "A.MP3", also names starting with a dot; "*.@(mp3|ogg)" either
    // ending), in listing order, unsorted, without descending into sub-folders. Matches are
    // not examined: a sub-folder named "x.mp3" is listed too. "." and ".." are never listed.
    // `folder` should end in kPathSeparator; one is added when it does not.
    virtual FolderSearchResult SearchFolder(const std::string& folder,
                                            const std::string& pattern) const = 0;

    // Whether `path` names a regular file, a symbolic link to one included.
    virtual bool IsRegularFile(const std::string& path) const = 0;
};

} // namespace korvale
