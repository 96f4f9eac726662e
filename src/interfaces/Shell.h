#pragma once

#include <string>

namespace korvale {

// Hands a local file to the desktop, which opens it in the user's preferred program.
// Called on the user-interface thread; returns at once, without waiting for the program.
class Shell {
public:
    virtual ~Shell() = default;
    // False when the desktop has no program to open the file with (or the path is empty).
    virtual bool openLocalFile(const std::string& absolutePath) = 0;
};

} // namespace korvale
