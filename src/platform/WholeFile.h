#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "interfaces/FileSystem.h"

namespace korvale {

// Reads a whole file into memory, as FileSystem::ReadWholeFile describes. Blocks for the
// file's I/O; any thread.
ReadFileResult ReadWholeFile(const std::string& path, std::uint64_t maxBytes);

// Replaces the file at `path` with `bytes`, or creates it, as FileSystem::WriteFileReplacing
// describes: the bytes go to a temporary file in the same folder, every write checked (short
// writes, a full disc, the file-size limit), then flushed to disc and renamed over the
// target; on any failure the temporary file is removed. Ignores SIGXFSZ for the process
// first (IgnoreFileSizeSignal). Blocks for the file's I/O; any thread.
WriteFileResult WriteFileReplacing(const std::string& path, std::string_view bytes);

// Makes the whole process ignore SIGXFSZ, so that a write past the file-size limit fails
// with EFBIG and is reported by its writer instead of ending the program. Every writer of
// the process (saves, recordings) relies on it; the program sets it at start-up. Any thread.
void IgnoreFileSizeSignal();

} // namespace korvale
