#pragma once

#include <string>

namespace korvale {

// A short notice shown by the desktop (a bubble), outside the program's window.
class DesktopNotices {
public:
    virtual ~DesktopNotices() = default;
    // Non-blocking: hands the notice to the desktop and returns at once; does nothing where
    // the desktop shows no notices. `summary` is one line, `body` a sentence or two.
    // User-interface thread.
    virtual void Notify(const std::string& summary, const std::string& body) = 0;
};

} // namespace korvale
