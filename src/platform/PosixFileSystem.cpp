#include "platform/PosixFileSystem.h"

#include <sys/stat.h>

#include "platform/FolderSearch.h"
#include "platform/WholeFile.h"

namespace korvale {

ReadFileResult PosixFileSystem::ReadWholeFile(const std::string& path,
                                              std::uint64_t maxBytes) const {
    return ::korvale::ReadWholeFile(path, maxBytes);
}

WriteFileResult PosixFileSystem::WriteFileReplacing(const std::string& path,
                                                    std::string_view bytes) {
    return ::korvale::WriteFileReplacing(path, bytes);
}

FolderSearchResult PosixFileSystem::SearchFolder(const std::string& folder,
                                                 const std::string& pattern) const {
    return ::korvale::SearchFolder(folder, pattern);
}

bool PosixFileSystem::IsRegularFile(const std::string& path) const {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace korvale
