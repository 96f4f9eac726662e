#pragma once

#include <string>

#include "interfaces/FileSystem.h"

namespace korvale {

// Lists the names in `folder` that match the wildcard `pattern`, as FileSystem::SearchFolder
// describes. Blocks for the folder's I/O; any thread.
FolderSearchResult SearchFolder(const std::string& folder, const std::string& pattern);

} // namespace korvale
