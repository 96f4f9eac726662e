#pragma once

#include <string>

namespace korvale {

// Whether files can be written into a folder. The settings page asks it before it keeps a
// recording folder, so a folder that cannot be written is refused on the spot.
class FolderAccess {
public:
    virtual ~FolderAccess() = default;
    // True when a file can be created in `folder`, or when `folder` does not exist yet and
    // can be created (with any missing parents) where it is named; false, with `why` in plain
    // words, otherwise. Blocks on a few file-system look-ups (microseconds on a local disk,
    // longer on a network folder); any thread.
    virtual bool CanWrite(const std::string& folder, std::string* why) const = 0;
};

} // namespace korvale
