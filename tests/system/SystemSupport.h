#pragma once

// Helpers of the system tests: waiting for conditions, child processes, the private sound
// server and what its sink plays, and the real program's window on a virtual display.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/RunState.h"
#include "support/ClipFactory.h"
#include "support/SignalAnalysis.h"
#include "support/TempDir.h"
#include "ui/ControlTable.h"

namespace korvale::sys {

using namespace std::chrono_literals;

// Polls `condition` (running Qt's events meanwhile) until it holds or `limit` has passed.
inline bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    for (const QDeadlineTimer deadline(limit); !condition(); QThread::msleep(20)) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents();
    }
    return true;
}

inline QStringList Strings(const std::vector<std::string>& list) {
    QStringList strings;
    for (const std::string& s : list)
        strings << QString::fromStdString(s);
    return strings;
}

// A child process with its output and errors in `logPath` and `env` ("NAME=value") added,
// killed if it still runs when this goes.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& env,
          const std::string& logPath) {
        m_process.setStandardOutputFile(QString::fromStdString(logPath));
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // env(1) adds the assignments and becomes the program, which keeps the child's id.
        m_process.start("env", Strings(env) + Strings(argv));
        m_process.waitForStarted();
    }
    ~Child() {
        m_process.kill();
        m_process.waitForFinished();
    }
    pid_t pid() const { return static_cast<pid_t>(m_process.processId()); }
    // The exit status once the child has ended within `limit` (128 when a signal ended it).
    std::optional<int> WaitExit(std::chrono::milliseconds limit) {
        if (!WaitFor([this] { return m_process.state() == QProcess::NotRunning; }, limit))
            return std::nullopt;
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : 128;
    }

private:
    QProcess m_process;
};

// Writes the settings file a program started with XDG_CONFIG_HOME=`configHome` reads.
inline bool WriteSettings(const std::string& configHome, const std::string& text) {
    std::filesystem::create_directories(configHome + "/korvale");
    return testing::WriteBytes(configHome + "/korvale/korvale.ini", text);
}

// What the sound server's null sink plays, recorded into `path` from now until this goes:
// interleaved float stereo at kSinkRate.
constexpr int kSinkRate = 48000;
class SinkRecording {
public:
    explicit SinkRecording(const std::string& path)
        : m_path(path),
          m_parec({"sh", "-c",
                   "exec parec --device=korvale_null.monitor --format=float32le --channels=2 "
                   "--rate=48000 --raw --latency-msec=20 2>/dev/null"},
                  {}, path) {}

    std::size_t Frames() const {
        std::error_code ignored;
        return std::filesystem::file_size(m_path, ignored) / (2 * sizeof(float));
    }
    // The samples recorded from frame `from` on.
    std::vector<float> Samples(std::size_t from) const {
        const std::string bytes = testing::ReadBytes(m_path);
        const std::size_t skip = std::min(bytes.size(), from * 2 * sizeof(float));
        std::vector<float> stereo((bytes.size() - skip) / sizeof(float));
        std::memcpy(stereo.data(), bytes.data() + skip, stereo.size() * sizeof(float));
        return stereo;
    }
    // The amplitude of each of `tones` on the left channel of the next fifth of a second.
    std::vector<double> NextTones(const std::vector<double>& tones) const {
        const std::size_t from = Frames();
        constexpr std::size_t kFifth = kSinkRate / 5;
        WaitFor([&] { return Frames() >= from + kFifth; }, 5s);
        const std::vector<float> left = testing::Channel(Samples(from), 0, 0, kFifth);
        std::vector<double> amplitudes;
        for (const double tone : tones)
            amplitudes.push_back(testing::ToneAmplitude(left, tone, kSinkRate));
        return amplitudes;
    }

private:
    std::string m_path;
    Child m_parec;
};

// An unattended run as the user starts it: the first clip playing on deck 1 from
// `firstSeconds`, the second waiting on deck 2 and selected, both toggles down, a style of the
// user's own with a cross-fade of a second.
inline RunState UnattendedStart(const std::vector<std::string>& clips, double firstSeconds) {
    RunState begun;
    begun.entries = std::make_shared<const std::vector<std::string>>(clips);
    begun.selected = 1;
    begun.decks[0] = DeckRun{clips[0], true, 0, firstSeconds};
    begun.decks[1] = DeckRun{clips[1], false, 8500, 0.0};
    begun.loadNext = true;
    begun.mixNext = true;
    begun.style = MixStyleRun{7, {2, 400, 10, 1}, true};
    return begun;
}

inline bool KillPulse() {
    return ::kill(std::atoi(std::getenv("KORVALE_PULSE_PID")), SIGKILL) == 0;
}

// Tests that kill the sound server run in a copy of this binary under a server of their own,
// so the server of the run stays up. True inside that copy; elsewhere runs the current test
// in such a copy (or skips it without a server) and checks that it passed.
inline bool InIsolatedCopy() {
    constexpr const char* kIsolatedEnv = "KORVALE_PULSE_ISOLATED";
    if (std::getenv(kIsolatedEnv) != nullptr)
        return true;
    if (std::getenv("KORVALE_PULSE_PID") == nullptr) {
        [] { GTEST_SKIP() << "needs scripts/with-pulseaudio.sh"; }();
        return false;
    }
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string script = KORVALE_SOURCE_DIR "/scripts/with-pulseaudio.sh";
    testing::TempDir dir;
    Child child({script, "env", std::string(kIsolatedEnv) + "=1", "QT_QPA_PLATFORM=offscreen",
                 std::filesystem::read_symlink("/proc/self/exe").string(),
                 "--gtest_filter=" + std::string(test->test_suite_name()) + "." + test->name()},
                {}, dir.file("log"));
    EXPECT_EQ(child.WaitExit(300s).value_or(-1), 0) << testing::ReadBytes(dir.file("log"));
    return false;
}

// The real program's window on an Xvfb server (a display number it picks itself), stopped
// when this goes, with xdotool to find windows, click them and press keys in them. Every call
// blocks; window ids are xdotool's.
class Screen {
public:
    Screen() {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
            QStandardPaths::findExecutable("xdotool").isEmpty()) {
            return;
        }
        // Xvfb writes the number it picked once it accepts connections, never one of a display
        // still going away. -noreset: else the server resets when its last client leaves (every
        // xdotool call is one), dropping a program that connects meanwhile.
        m_server.setStandardErrorFile(QProcess::nullDevice());
        m_server.start("Xvfb", {"-displayfd", "1", "-screen", "0",
                                QStringLiteral("%1x%2x24").arg(kWidth).arg(kHeight), "-nolisten",
                                "tcp", "-noreset"});
        WaitFor(
            [this] {
                m_server.waitForReadyRead(20);
                return m_server.canReadLine() || m_server.state() == QProcess::NotRunning;
            },
            10s);
        m_name = ":" + m_server.readLine().trimmed().toStdString();
    }
    ~Screen() {
        m_server.terminate();
        m_server.waitForFinished();
    }

    // False when Xvfb or xdotool is missing or the server did not come up.
    bool ok() const { return m_name.size() > 1; }
    // The environment that puts a program on this display.
    std::vector<std::string> Environment() const {
        return {"DISPLAY=" + m_name, "QT_QPA_PLATFORM=xcb"};
    }

    // Ids of the visible windows whose whole title matches `title` (a regular expression).
    QStringList Windows(const QString& title) const {
        const auto ids = xdotool({"search", "--onlyvisible", "--name", "^(" + title + ")$"});
        return ids.value_or("").split('\n', Qt::SkipEmptyParts);
    }
    // Waits for a visible window titled `title`; start-up messages about missing sound
    // devices are answered on the way, as a user would.
    QString WaitForWindow(const QString& title, std::chrono::milliseconds limit = 15s) const {
        QString id;
        WaitFor(
            [&] {
                for (const QString& box : Windows("Error!|Audio Device\\(s\\) Not found"))
                    Key(box, "Return");
                id = Windows(title).value(0);
                return !id.isEmpty();
            },
            limit);
        return id;
    }
    // Clicks the middle of control `name` of the main window, wherever the window is placed.
    bool Click(const QString& window, const std::string& name) const {
        const QString shell =
            xdotool({"getwindowgeometry", "--shell", window}).value_or(""); // none: 0 x 0
        const auto value = [&](const char* key) {
            return QRegularExpression(QStringLiteral("%1=(\\d+)").arg(key))
                .match(shell)
                .captured(1)
                .toInt();
        };
        const int width = value("WIDTH"), height = value("HEIGHT");
        for (const ControlSpec& c : WindowControls()) {
            if (c.name == name && width > 0 && height > 0) {
                const int x = width * (2 * c.x + c.width) / (2 * kTemplateWidthDu);
                const int y = height * (2 * c.y + c.height) / (2 * kTemplateHeightDu);
                return xdotool({"mousemove", "--window", window, QString::number(x),
                                QString::number(y), "click", "1"})
                    .has_value();
            }
        }
        return false;
    }
    // Focuses the window and waits for the focus, so no key goes elsewhere (the chain stops if
    // that fails), then presses a key (xdotool's name) through XTEST: events sent to a window
    // directly are marked synthetic, and toolkits may ignore them.
    bool Key(const QString& window, const QString& key) const {
        return xdotool({"windowfocus", "--sync", window, "key", key}).has_value();
    }

private:
    // Runs xdotool on this display; its standard output when it succeeded.
    std::optional<QString> xdotool(const QStringList& arguments) const {
        QProcess tool;
        tool.setStandardErrorFile(QProcess::nullDevice());
        tool.start("env",
                   QStringList{QString::fromStdString("DISPLAY=" + m_name), "xdotool"} + arguments);
        if (!tool.waitForFinished(30000) || tool.exitStatus() != QProcess::NormalExit ||
            tool.exitCode() != 0) {
            return std::nullopt;
        }
        return QString::fromLocal8Bit(tool.readAllStandardOutput());
    }

    static constexpr int kWidth = 1100;
    static constexpr int kHeight = 900;
    QProcess m_server;
    std::string m_name;
};

} // namespace korvale::sys
