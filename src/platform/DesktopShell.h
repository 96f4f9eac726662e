#pragma once

#include "interfaces/Shell.h"

namespace korvale {

// Opens local files through the desktop (QDesktopServices with the file's URL): the path is
// handed over as an argument, never through a command string. Runs on the user-interface
// thread; returns once the desktop has been asked, failures are not reported.
class DesktopShell : public Shell {
public:
    // `absolutePath` is bytes in the file-system encoding.
    bool openLocalFile(const std::string& absolutePath) override;
};

} // namespace korvale
