#include "support/VirtualDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>

namespace korvale::test {

namespace {

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        if (::access((folder + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// Forks `argv` with its standard error dropped and its standard output on `out` (or
// dropped); the child's id.
pid_t Spawn(const std::vector<std::string>& argv, int out, const std::string& display = {}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(out >= 0 ? out : devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        if (!display.empty()) {
            ::setenv("DISPLAY", display.c_str(), 1);
        }
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

} // namespace

VirtualDisplay::VirtualDisplay(int width, int height) {
    int ready[2];
    if (!OnPath("Xvfb") || !OnPath("xdotool") || ::pipe(ready) != 0) {
        return;
    }
    // Xvfb writes the number it picked once it accepts connections, so no number is ever
    // shared with a display still going away. -noreset: by default the server resets when
    // its last client leaves (every xdotool call is a client), dropping a program that
    // connects meanwhile.
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const pid_t pid = Spawn({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0",
                             screen, "-nolisten", "tcp", "-noreset"}, -1);
    ::close(ready[1]);
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (char c = 0; std::chrono::steady_clock::now() < deadline;) {
        pollfd watch{ready[0], POLLIN, 0};
        if (::poll(&watch, 1, 20) > 0 && (::read(ready[0], &c, 1) != 1 || c == '\n')) {
            break;
        }
        if (watch.revents & POLLIN) {
            number.push_back(c);
        }
    }
    ::close(ready[0]);
    if (number.empty()) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return;
    }
    m_pid = pid;
    m_name = ":" + number;
}

VirtualDisplay::~VirtualDisplay() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
    }
}

std::string VirtualDisplay::xdotool(const std::vector<std::string>& arguments, bool* ok) const {
    int out[2];
    if (::pipe(out) != 0) {
        return {};
    }
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const pid_t pid = Spawn(argv, out[1], m_name);
    ::close(out[1]);
    std::string output;
    char buffer[512];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (ok != nullptr) {
        *ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return output;
}

std::vector<std::string> VirtualDisplay::visibleWindows(const std::string& title) const {
    std::stringstream lines(xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}));
    std::vector<std::string> ids;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty()) {
            ids.push_back(line);
        }
    }
    return ids;
}

bool VirtualDisplay::geometry(const std::string& windowId, Geometry& out) const {
    bool ok = false;
    std::stringstream lines(xdotool({"getwindowgeometry", "--shell", windowId}, &ok));
    for (std::string line; ok && std::getline(lines, line);) {
        if (line.rfind("WIDTH=", 0) == 0) {
            out.width = std::atoi(line.c_str() + 6);
        } else if (line.rfind("HEIGHT=", 0) == 0) {
            out.height = std::atoi(line.c_str() + 7);
        }
    }
    return ok && out.width > 0 && out.height > 0;
}

bool VirtualDisplay::click(const std::string& windowId, int x, int y) const {
    bool ok = false;
    xdotool({"mousemove", "--window", windowId, std::to_string(x), std::to_string(y), "click", "1"}, &ok);
    return ok;
}

bool VirtualDisplay::key(const std::string& windowId, const std::string& keyName) const {
    bool ok = false;
    xdotool({"windowfocus", "--sync", windowId}, &ok);
    return ok && (xdotool({"key", keyName}, &ok), ok);
}

bool VirtualDisplay::type(const std::string& windowId, const std::string& text) const {
    bool ok = false;
    xdotool({"windowfocus", "--sync", windowId}, &ok);
    return ok && (xdotool({"type", "--delay", "5", text}, &ok), ok);
}

} // namespace korvale::test
