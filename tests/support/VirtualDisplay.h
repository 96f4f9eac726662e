#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace korvale::test {

// An Xvfb server on a display number it picks itself, started by the constructor and
// stopped (by its own id) by the destructor, with xdotool helpers to find windows on it,
// click them and type into them. Every call blocks; test's main thread only.
class VirtualDisplay {
public:
    VirtualDisplay(int width, int height);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // False when Xvfb or xdotool is missing or the server did not come up.
    bool ok() const { return m_pid > 0; }
    // ":<number>", for DISPLAY.
    const std::string& name() const { return m_name; }

    // Ids of the visible windows whose whole title matches `title` (a regular expression).
    std::vector<std::string> visibleWindows(const std::string& title) const;
    struct Geometry {
        int width = 0;
        int height = 0;
    };
    bool geometry(const std::string& windowId, Geometry& out) const;
    // Clicks the left button at (x, y) of the window.
    bool click(const std::string& windowId, int x, int y) const;
    // Focuses the window, waiting until it has the focus so that no key goes elsewhere, and
    // presses one key (an xdotool key name) or types `text` through the XTEST extension
    // (events sent to a window directly are marked synthetic; toolkits may ignore them).
    bool key(const std::string& windowId, const std::string& keyName) const;
    bool type(const std::string& windowId, const std::string& text) const;

private:
    // Runs xdotool on this display; its standard output, and whether it succeeded.
    std::string xdotool(const std::vector<std::string>& arguments, bool* ok = nullptr) const;

    pid_t m_pid = -1;
    std::string m_name;
};

} // namespace korvale::test
