// The real program started for automation (-Embedding) on a private session bus that goes
// away while a client holds the program's automation object. Nothing can reach or release
// the object after that, so a copy started by a client ends by itself, promptly, instead of
// lingering hidden for ever.

#include "support/ClipFactory.h"
#include "support/TempDir.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace korvale {
namespace {

using namespace std::chrono_literals;
using testing::TempDir;

constexpr auto kStartLimit = 30s;
constexpr auto kExitLimit = 15s;
constexpr int kCallTimeoutMs = 10000;

// A child process, killed by its id (SIGKILL) if it is still running when this goes.
class Child {
public:
    Child(const std::vector<std::string>& argv, const std::vector<std::string>& env,
          const std::string& logPath) {
        m_pid = fork();
        if (m_pid == 0) {
            const int fd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0) {
                dup2(fd, STDOUT_FILENO);
                dup2(fd, STDERR_FILENO);
                ::close(fd);
            }
            for (const auto& assignment : env) {
                putenv(const_cast<char*>(assignment.c_str()));
            }
            std::vector<char*> args;
            for (const auto& a : argv) {
                args.push_back(const_cast<char*>(a.c_str()));
            }
            args.push_back(nullptr);
            execvp(args[0], args.data());
            _exit(127);
        }
    }
    ~Child() {
        if (m_pid > 0 && !m_reaped) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return m_pid; }
    // Waits up to `limit` for the child to end; its exit status, or nothing when it runs on.
    std::optional<int> waitExit(std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_reaped = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(20ms);
        }
        return std::nullopt;
    }

private:
    pid_t m_pid = -1;
    bool m_reaped = false;
};

template <typename Predicate> bool WaitFor(Predicate done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

TEST(AutomationBus, ProgramHeldByAClientEndsWhenTheBusGoesAway) {
    TempDir dir;
    const std::string socket = dir.file("bus");
    const std::string address = "unix:path=" + socket;
    Child daemon({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address},
                 {}, dir.file("dbus.log"));
    ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(socket); }, kStartLimit))
        << "the private bus did not start";

    Child program({KORVALE_BINARY, "-Embedding"},
                  {"DBUS_SESSION_BUS_ADDRESS=" + address, "QT_QPA_PLATFORM=offscreen",
                   "XDG_DATA_HOME=" + dir.file("data")},
                  dir.file("korvale.log"));

    QDBusConnection client = QDBusConnection::connectToBus(QString::fromStdString(address),
                                                           QStringLiteral("korvale-test-client"));
    ASSERT_TRUE(client.isConnected());
    const QString service = QStringLiteral("KORVALE.Application");
    ASSERT_TRUE(WaitFor([&] { return client.interface()->isServiceRegistered(service).value(); },
                        kStartLimit))
        << "the program did not claim its bus name";

    QDBusMessage create = QDBusMessage::createMethodCall(
        service, QStringLiteral("/ClassFactory"),
        QStringLiteral("KORVALE.Application.ClassFactory"), QStringLiteral("CreateInstance"));
    const QDBusMessage reply = client.call(create, QDBus::Block, kCallTimeoutMs);
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
    ASSERT_EQ(reply.arguments().size(), 1);
    const auto objectPath = qvariant_cast<QDBusObjectPath>(reply.arguments().at(0));
    EXPECT_FALSE(objectPath.path().isEmpty());
    // The object is held: the program runs on.
    EXPECT_FALSE(program.waitExit(500ms).has_value());

    // The bus dies under both the program and its client.
    ASSERT_EQ(kill(daemon.pid(), SIGKILL), 0);
    ASSERT_TRUE(daemon.waitExit(kExitLimit).has_value());

    const auto status = program.waitExit(kExitLimit);
    ASSERT_TRUE(status.has_value()) << "the program still runs with no bus to reach it";
    EXPECT_EQ(*status, 0) << testing::ReadBytes(dir.file("korvale.log"));
    QDBusConnection::disconnectFromBus(QStringLiteral("korvale-test-client"));
}

} // namespace
} // namespace korvale
