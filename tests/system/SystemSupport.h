#pragma once

// Helpers shared by the system tests: waiting for conditions, child processes, the private
// sound server, and the real program's window on a virtual display.

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <QStandardPaths>
#include <QThread>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/ClipFactory.h"
#include "support/TempDir.h"
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

// A child process with its output in `logPath` (standard error too unless `stderrToo` is
// false, when it is dropped) and `env` added, killed if it still runs when this goes.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& env,
          const std::string& logPath, bool stderrToo = true) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const std::string& assignment : env) {
            const std::size_t eq = assignment.find('=');
            environment.insert(QString::fromStdString(assignment.substr(0, eq)),
                               QString::fromStdString(assignment.substr(eq + 1)));
        }
        m_process.setProcessEnvironment(environment);
        m_process.setStandardOutputFile(QString::fromStdString(logPath));
        if (stderrToo) {
            m_process.setProcessChannelMode(QProcess::MergedChannels);
        } else {
            m_process.setStandardErrorFile(QProcess::nullDevice());
        }
        m_process.start(QString::fromStdString(argv.front()), Arguments(argv, 1));
        m_process.waitForStarted();
    }
    ~Child() {
        m_process.kill();
        m_process.waitForFinished();
    }
    pid_t pid() const { return static_cast<pid_t>(m_process.processId()); }
    // The exit status once the child has ended within `limit` (128 when a signal ended it).
    std::optional<int> WaitExit(std::chrono::milliseconds limit) {
        if (!WaitFor([this] { return m_process.state() == QProcess::NotRunning; }, limit)) {
            return std::nullopt;
        }
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : 128;
    }
    // argv[from...] as a program's arguments.
    static QStringList Arguments(const std::vector<std::string>& argv, std::size_t from = 0) {
        QStringList arguments;
        for (std::size_t i = from; i < argv.size(); ++i) {
            arguments << QString::fromStdString(argv[i]);
        }
        return arguments;
    }

private:
    QProcess m_process;
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

// An Xvfb server on a display number it picks itself, stopped when this goes, with xdotool
// helpers to find windows on it, click them and type into them. Every call blocks.
class VirtualDisplay {
public:
    VirtualDisplay(int width, int height) {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
            QStandardPaths::findExecutable("xdotool").isEmpty()) {
            return;
        }
        // Xvfb writes the number it picked once it accepts connections, so no number is ever
        // shared with a display still going away. -noreset: by default the server resets when
        // its last client leaves (every xdotool call is a client), dropping a program that
        // connects meanwhile.
        m_server.setStandardErrorFile(QProcess::nullDevice());
        m_server.start("Xvfb", {"-displayfd", "1", "-screen", "0",
                                QStringLiteral("%1x%2x24").arg(width).arg(height), "-nolisten",
                                "tcp", "-noreset"});
        WaitFor([this] {
            m_server.waitForReadyRead(20);
            return m_server.canReadLine() || m_server.state() == QProcess::NotRunning;
        }, 10s);
        m_name = ":" + m_server.readLine().trimmed().toStdString();
    }
    ~VirtualDisplay() {
        m_server.terminate();
        m_server.waitForFinished();
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    // False when Xvfb or xdotool is missing or the server did not come up.
    bool ok() const { return m_name.size() > 1; }
    // ":<number>", for DISPLAY.
    const std::string& name() const { return m_name; }

    // Ids of the visible windows whose whole title matches `title` (a regular expression).
    std::vector<std::string> visibleWindows(const std::string& title) const {
        std::vector<std::string> ids;
        for (const QString& id : QString::fromStdString(xdotool({"search", "--onlyvisible", "--name", "^" + title + "$"}))
                                     .split('\n', Qt::SkipEmptyParts)) {
            ids.push_back(id.toStdString());
        }
        return ids;
    }
    // The window's size; empty when xdotool cannot tell it.
    QSize geometry(const std::string& windowId) const {
        bool ok = false;
        const QString shell = QString::fromStdString(xdotool({"getwindowgeometry", "--shell", windowId}, &ok));
        const auto value = [&](const char* key) {
            return QRegularExpression(QStringLiteral("%1=(\\d+)").arg(key)).match(shell).captured(1).toInt();
        };
        return ok ? QSize(value("WIDTH"), value("HEIGHT")) : QSize();
    }
    // Clicks the left button at (x, y) of the window.
    bool click(const std::string& windowId, int x, int y) const {
        bool ok = false;
        xdotool({"mousemove", "--window", windowId, std::to_string(x), std::to_string(y), "click", "1"}, &ok);
        return ok;
    }
    // Focuses the window, waiting until it has the focus so that no key goes elsewhere, and
    // presses one key (an xdotool key name) or types `text` through the XTEST extension
    // (events sent to a window directly are marked synthetic; toolkits may ignore them).
    bool key(const std::string& windowId, const std::string& keyName) const {
        return focusThen(windowId, {"key", keyName});
    }
    bool type(const std::string& windowId, const std::string& text) const {
        return focusThen(windowId, {"type", "--delay", "5", text});
    }

private:
    bool focusThen(const std::string& windowId, const std::vector<std::string>& command) const {
        bool ok = false;
        xdotool({"windowfocus", "--sync", windowId}, &ok);
        if (ok) {
            xdotool(command, &ok);
        }
        return ok;
    }
    // Runs xdotool on this display; its standard output, and whether it succeeded.
    std::string xdotool(const std::vector<std::string>& arguments, bool* ok = nullptr) const {
        QProcess tool;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", QString::fromStdString(m_name));
        tool.setProcessEnvironment(environment);
        tool.setStandardErrorFile(QProcess::nullDevice());
        tool.start("xdotool", Child::Arguments(arguments));
        const bool finished = tool.waitForFinished(30000);
        if (ok != nullptr) {
            *ok = finished && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
        }
        return tool.readAllStandardOutput().toStdString();
    }

    QProcess m_server;
    std::string m_name;
};

// The real program's window on a virtual display.
struct Screen {
    VirtualDisplay display;
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
        const QSize g = display.geometry(window);
        for (const ControlSpec& c : WindowControls()) {
            if (c.name == name && !g.isEmpty()) {
                return display.click(window, g.width() * (2 * c.x + c.width) / (2 * kTemplateWidthDu),
                                     g.height() * (2 * c.y + c.height) / (2 * kTemplateHeightDu));
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
