#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace korvale {

// The largest play-list file that is read (256 MiB): far above any real list, low enough that
// a wrong pick (a disc image, say) is refused instead of exhausting memory.
inline constexpr std::uint64_t kPlayListFileMaxBytes = 256ull * 1024 * 1024;

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

// Reads a whole file into memory. Never blocks on a pipe or device (those are refused) and
// never reads more than maxBytes. Blocks for the file's I/O; any thread.
ReadFileResult ReadWholeFile(const std::string& path,
                             std::uint64_t maxBytes = kPlayListFileMaxBytes);

struct WriteFileResult {
    bool ok = false;
    int errorNumber = 0;   // errno of the failing step, 0 on success
    std::string errorText; // what went wrong, for the user; empty on success
};

// Replaces the file at `path` with `bytes`, or creates it: the bytes go to a temporary file
// in the same folder, every write checked (short writes, a full disc, the file-size limit),
// then flushed to disc and renamed over the target. On any failure the temporary file is
// removed and an existing file is left exactly as it was. A symbolic link is followed, so
// the file it points to is replaced and the link stays. An existing file's permissions are
// kept; a new file gets the usual permissions under the process's umask. The caller should
// ignore SIGXFSZ so that the file-size limit is reported rather than fatal.
// Blocks for the file's I/O; any thread.
WriteFileResult WriteFileReplacing(const std::string& path, std::string_view bytes);

} // namespace korvale
