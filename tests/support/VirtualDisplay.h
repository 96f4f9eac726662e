#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace korvale::test {

// An Xvfb server on a free display number, started by the constructor and stopped (by its
// own PID) by the destructor, with small xdotool helpers to find and click windows on it.
// Every call blocks; used only from the test's main thread.
class VirtualDisplay {
public:
    static constexpr int kDefaultWidth = 1280;
    static constexpr int kDefaultHeight = 1024;

    explicit VirtualDisplay(int width = kDefaultWidth, int height = kDefaultHeight);
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // False when Xvfb or xdotool is missing or the server did not come up.
    bool ok() const { return m_pid > 0; }
    // ":<number>", for DISPLAY.
    const std::string& name() const { return m_name; }

    // Ids of the visible windows whose title is exactly `title`.
    std::vector<std::string> visibleWindows(const std::string& title) const;
    struct Geometry {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };
    bool geometry(const std::string& windowId, Geometry& out) const;
    // Moves the pointer to (x, y) relative to the window and clicks the left button.
    bool click(const std::string& windowId, int x, int y) const;
    // Focuses the window and presses one key (an xdotool key name).
    bool key(const std::string& windowId, const std::string& keyName) const;

    // Focuses the window and types `text` into it through the XTEST extension.
    bool type(const std::string& windowId, const std::string& text) const;

    // Runs an xdotool command with this display; returns its standard output.
    std::string xdotool(const std::vector<std::string>& arguments, int* exitCode = nullptr) const;

private:
    pid_t m_pid = -1;
    std::string m_name;
};

} // namespace korvale::test
