#pragma once

// System-test helpers: waits, child processes, the private sound server and what it plays.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
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

} // namespace korvale::sys
