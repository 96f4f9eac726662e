#pragma once

#include <string>

namespace korvale {

// Hands a local file to the desktop, which opens it in the user's preferred program.
// Called on the user-interface thread; returns at once; failures are not reported.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void openLocalFile(const std::string& absolutePath) = 0;
};

} // namespace korvale
