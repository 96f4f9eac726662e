#pragma once

#include "interfaces/FolderAccess.h"

namespace korvale {

// Answers FolderAccess from the file system: an existing folder must be writable and
// searchable by this process; a missing one needs its nearest existing parent to be.
class WritableFolderProbe : public FolderAccess {
public:
    bool CanWrite(const std::string& folder, std::string* why) const override;
};

} // namespace korvale
