#include "support/VirtualDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

namespace korvale::test {

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr auto kPollInterval = std::chrono::milliseconds(20);

bool Exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool OnPath(const char* program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (::access((folder + "/" + program).c_str(), X_OK) == 0) {
            return true;
        }
    }
    return false;
}

// Runs `argv` with DISPLAY set, collecting its standard output.
std::string RunCapture(const std::vector<std::string>& argv, const std::string& display,
                       int* exitCode) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return {};
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDERR_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        ::setenv("DISPLAY", display.c_str(), 1);
        std::vector<char*> args;
        for (const auto& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string output;
    std::array<char, 512> buffer{};
    ssize_t n = 0;
    while ((n = ::read(pipeFds[0], buffer.data(), buffer.size())) > 0) {
        output.append(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (exitCode != nullptr) {
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return output;
}

} // namespace

VirtualDisplay::VirtualDisplay(int width, int height) {
    if (!OnPath("Xvfb") || !OnPath("xdotool")) {
        return;
    }
    // Xvfb picks a free display itself and writes its number to the pipe once it accepts
    // connections, so no number is ever shared with a display that is still going away.
    // -noreset: by default the server resets whenever its last client disconnects (every
    // xdotool call is a client), and a program connecting during that reset is dropped.
    int ready[2];
    if (::pipe(ready) != 0) {
        return;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
        const std::string fd = std::to_string(ready[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                 "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(ready[1]);
    if (pid < 0) {
        ::close(ready[0]);
        return;
    }
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd watch{ready[0], POLLIN, 0};
        if (::poll(&watch, 1, static_cast<int>(kPollInterval.count())) <= 0) {
            continue;
        }
        char c = 0;
        if (::read(ready[0], &c, 1) != 1 || c == '\n') {
            break;
        }
        number.push_back(c);
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

std::string VirtualDisplay::xdotool(const std::vector<std::string>& arguments,
                                    int* exitCode) const {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunCapture(argv, m_name, exitCode);
}

std::vector<std::string> VirtualDisplay::visibleWindows(const std::string& title) const {
    std::stringstream lines(xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}));
    std::vector<std::string> ids;
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty()) {
            ids.push_back(line);
        }
    }
    return ids;
}

bool VirtualDisplay::geometry(const std::string& windowId, Geometry& out) const {
    int exitCode = 0;
    std::stringstream lines(xdotool({"getwindowgeometry", "--shell", windowId}, &exitCode));
    if (exitCode != 0) {
        return false;
    }
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            continue;
        }
        const std::string key = line.substr(0, eq);
        const int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X") {
            out.x = value;
        } else if (key == "Y") {
            out.y = value;
        } else if (key == "WIDTH") {
            out.width = value;
        } else if (key == "HEIGHT") {
            out.height = value;
        }
    }
    return out.width > 0 && out.height > 0;
}

bool VirtualDisplay::click(const std::string& windowId, int x, int y) const {
    int exitCode = 0;
    xdotool({"mousemove", "--window", windowId, std::to_string(x), std::to_string(y), "click", "1"},
            &exitCode);
    return exitCode == 0;
}

bool VirtualDisplay::key(const std::string& windowId, const std::string& keyName) const {
    // Keys go through the XTEST extension to the focused window: events sent to a window
    // directly are marked synthetic, and toolkits may ignore them.
    int exitCode = 0;
    xdotool({"windowfocus", windowId}, &exitCode);
    if (exitCode != 0) {
        return false;
    }
    xdotool({"key", keyName}, &exitCode);
    return exitCode == 0;
}

bool VirtualDisplay::type(const std::string& windowId, const std::string& text) const {
    int exitCode = 0;
    xdotool({"windowfocus", windowId}, &exitCode);
    if (exitCode != 0) {
        return false;
    }
    xdotool({"type", "--delay", "5", text}, &exitCode);
    return exitCode == 0;
}

} // namespace korvale::test
