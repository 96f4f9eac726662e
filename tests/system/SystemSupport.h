#pragma once

// Helpers shared by the system tests: waiting for conditions, child processes, the private
// sound server, and the real program's window on a virtual display.

#include <QCoreApplication>
#include <QThread>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/ClipFactory.h"
#include "support/TempDir.h"
#include "support/VirtualDisplay.h"
#include "ui/ControlTable.h"

namespace korvale::sys {

using namespace std::chrono_literals;

// Polls `condition` (running Qt's events meanwhile) until it holds or `limit` has passed.
inline bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
    return true;
}

// A child process with its output in `logPath` and `env` added, killed (SIGKILL, by its
// own id) if it still runs when this goes.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& env,
          const std::string& logPath, bool stderrToo = true) {
        m_pid = ::fork();
        if (m_pid == 0) {
            const int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, STDOUT_FILENO);
            if (stderrToo) {
                ::dup2(fd, STDERR_FILENO);
            }
            for (const std::string& assignment : env) {
                ::putenv(const_cast<char*>(assignment.c_str()));
            }
            std::vector<char*> args;
            for (const std::string& a : argv) {
                args.push_back(const_cast<char*>(a.c_str()));
            }
            args.push_back(nullptr);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
    }
    ~Child() {
        if (m_pid > 0 && !m_status) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    pid_t pid() const { return m_pid; }
    // The exit status once the child has ended within `limit` (128 + signal when killed).
    std::optional<int> WaitExit(std::chrono::milliseconds limit) {
        WaitFor([this] {
            int status = 0;
            if (!m_status && ::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            return m_status.has_value();
        }, limit);
        return m_status;
    }

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

inline bool PulseRunning() { return std::getenv("KORVALE_PULSE_PID") != nullptr; }

// Tests that kill the sound server run in a copy of this binary under a server of their
// own, so the server of the run stays up: true inside that copy.
constexpr const char* kIsolatedEnv = "KORVALE_PULSE_ISOLATED";
inline bool Isolated() { return std::getenv(kIsolatedEnv) != nullptr; }
// Runs test `name` of this binary under its own server; its exit status and its output.
inline std::pair<int, std::string> RunIsolated(const std::string& name) {
    const auto script = std::filesystem::path(__FILE__).parent_path() /
                        "../../scripts/with-pulseaudio.sh";
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    testing::TempDir dir;
    Child child({script.string(), "env", std::string(kIsolatedEnv) + "=1",
                 "QT_QPA_PLATFORM=offscreen", self, "--gtest_filter=" + name},
                {}, dir.file("log"));
    const int status = child.WaitExit(300s).value_or(-1);
    return {status, testing::ReadBytes(dir.file("log"))};
}

// The real program's window on a virtual display.
struct Screen {
    test::VirtualDisplay display;
    explicit Screen(int width = 1100, int height = 900) : display(width, height) {}

    // Waits for a visible window titled `title` (a regular expression); start-up messages
    // about missing sound devices are answered on the way, as a user would.
    std::string WaitForWindow(const std::string& title, std::chrono::milliseconds limit = 15s) const {
        std::string id;
        WaitFor([&] {
            for (const char* box : {"Error!", "Audio Device\\(s\\) Not found"}) {
                for (const std::string& boxId : display.visibleWindows(box)) {
                    display.key(boxId, "Return");
                }
            }
            const auto ids = display.visibleWindows(title);
            id = ids.empty() ? std::string() : ids.front();
            return !id.empty();
        }, limit);
        return id;
    }
    // Clicks the middle of control `name` of the main window, wherever the window is placed.
    bool Click(const std::string& window, const std::string& name) const {
        test::VirtualDisplay::Geometry g;
        for (const ControlSpec& c : WindowControls()) {
            if (c.name == name && display.geometry(window, g)) {
                return display.click(window, g.width * (2 * c.x + c.width) / (2 * kTemplateWidthDu),
                                     g.height * (2 * c.y + c.height) / (2 * kTemplateHeightDu));
            }
        }
        return false;
    }
    // The environment that puts a program on this display.
    std::vector<std::string> Environment() const {
        return {"DISPLAY=" + display.name(), "QT_QPA_PLATFORM=xcb"};
    }
};

} // namespace korvale::sys
