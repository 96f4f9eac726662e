#include "platform/FolderSearch.h"

#include "interfaces/PathLength.h"

#include <cerrno>
#include <dirent.h>
#include <fnmatch.h>
#include <memory>
#include <string_view>
#include <system_error>

namespace korvale {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool IsDotOrDotDot(std::string_view name) {
    return name == "." || name == "..";
}

} // namespace

FolderSearchResult SearchFolder(const std::string& folder, const std::string& pattern) {
    FolderSearchResult result;
    if (folder.empty()) {
        result.listingError = true;
        result.errorText = "No folder given";
        return result;
    }
    std::string prefix = folder;
    if (prefix.back() != kPathSeparator) {
        prefix += kPathSeparator;
    }

    DirHandle dir(::opendir(prefix.c_str()));
    if (!dir) {
        result.listingError = true;
        result.errorText = std::generic_category().message(errno);
        return result;
    }
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (entry == nullptr) {
            if (errno != 0) {
                result.listingError = true;
                result.errorText = std::generic_category().message(errno);
            }
            break;
        }
        const std::string_view name(entry->d_name);
        if (IsDotOrDotDot(name) ||
            ::fnmatch(pattern.c_str(), entry->d_name, FNM_CASEFOLD | FNM_EXTMATCH) != 0) {
            continue;
        }
        if (!FitsPathLimit(prefix + std::string(name))) {
            ++result.refusedTooLong;
            continue;
        }
        result.paths.push_back(prefix);
        result.paths.back() += name;
    }
    return result;
}

} // namespace korvale
