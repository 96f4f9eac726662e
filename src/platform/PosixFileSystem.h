#pragma once

#include "interfaces/FileSystem.h"

namespace korvale {

// The core's files on the machine's own file system, through the POSIX calls: whole-file
// reads and replacing writes (platform/WholeFile.h), folder searches
// (platform/FolderSearch.h) and a look at what a path names. Holds no state; any thread.
class PosixFileSystem : public FileSystem {
public:
    ReadFileResult ReadWholeFile(const std::string& path, std::uint64_t maxBytes) const override;
    WriteFileResult WriteFileReplacing(const std::string& path, std::string_view bytes) override;
    FolderSearchResult SearchFolder(const std::string& folder,
                                    const std::string& pattern) const override;
    bool IsRegularFile(const std::string& path) const override;
};

} // namespace korvale
