#include "platform/WritableFolderProbe.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

namespace korvale {

namespace {

bool Refuse(std::string* why, const std::string& words) {
    if (why != nullptr) {
        *why = words;
    }
    return false;
}

} // namespace

bool WritableFolderProbe::CanWrite(const std::string& folder, std::string* why) const {
    namespace fs = std::filesystem;
    fs::path at(folder);
    if (!at.is_absolute()) {
        return Refuse(why, "it is not a full path");
    }
    // The folder itself, or the nearest parent that exists, is where a file or the missing
    // folders get created.
    std::error_code error;
    while (!fs::exists(at, error)) {
        if (error || !at.has_relative_path()) {
            return Refuse(why, "it cannot be reached");
        }
        at = at.parent_path();
    }
    if (!fs::is_directory(at, error)) {
        return Refuse(why, at.string() + " is a file, not a folder");
    }
    if (::access(at.c_str(), W_OK | X_OK) != 0) {
        return Refuse(why, "you may not write in " + at.string());
    }
    return true;
}

} // namespace korvale
