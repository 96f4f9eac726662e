// The stream's password in a real secret service (GNOME Keyring with a login keyring of its
// own) on the run's session bus; where none runs, the password file's own tests apply.
#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/SecretStoreChoice.h"
#include "support/TempDir.h"

namespace korvale {
namespace {

constexpr int kBusWaitMs = 10000;

bool SecretServiceRuns() {
    return SecretStoreChoice::HasSecretService(QDBusConnection::sessionBus());
}

// Starts gnome-keyring-daemon serving the secret service on the session bus, its login keyring
// created and unlocked in a home of its own. Called once a process: the secret library keeps
// its session with the first service it met, so the service stays until the application
// ends. True once the service is on the bus.
bool StartSecretService(const testing::TempDir& dir) {
    static auto* daemon = new QProcess;
    std::filesystem::create_directories(dir.file("runtime"));
    std::filesystem::permissions(dir.file("runtime"), std::filesystem::perms::owner_all);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", QString::fromStdString(dir.path()));
    env.insert("XDG_DATA_HOME", QString::fromStdString(dir.file("data")));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(dir.file("runtime")));
    daemon->setProcessEnvironment(env);
    daemon->setStandardOutputFile(QProcess::nullDevice());
    daemon->setStandardErrorFile(QProcess::nullDevice());
    daemon->start("gnome-keyring-daemon", {"--foreground", "--unlock", "--components=secrets"});
    // --unlock reads the keyring's password until its input ends.
    daemon->write("login password");
    daemon->closeWriteChannel();
    qAddPostRoutine([] {
        daemon->terminate();
        daemon->waitForFinished();
        delete daemon;
    });
    return QTest::qWaitFor(SecretServiceRuns, kBusWaitMs);
}

TEST(SecretServiceStore, ThePasswordIsKeptInTheServiceWhereOneRuns) {
    if (!QDBusConnection::sessionBus().isConnected() ||
        QStandardPaths::findExecutable("gnome-keyring-daemon").isEmpty()) {
        GTEST_SKIP() << "needs a session bus and gnome-keyring-daemon";
    }
    // Never the desktop's own: its keyring is the user's.
    static const bool desktopsOwn = SecretServiceRuns();
    if (desktopsOwn) {
        GTEST_SKIP() << "a secret service of the desktop's own runs on this bus";
    }
    static const testing::TempDir serviceHome;
    static const bool started = StartSecretService(serviceHome);
    ASSERT_TRUE(started);
    const testing::TempDir dir;
    const QString settingsFolder = QString::fromStdString(dir.file("settings"));

    std::unique_ptr<SecretStore> store =
        SecretStoreChoice::Make(QDBusConnection::sessionBus(), settingsFolder);
    EXPECT_EQ(store->where(), "the desktop's secret store");
    std::string why;
    ASSERT_TRUE(store->write("first secret", &why)) << why;
    ASSERT_TRUE(store->write("second secret", &why)) << why;
    EXPECT_FALSE(std::filesystem::exists(dir.file("settings/stream-password")));

    // The next run's store finds the last one written.
    std::unique_ptr<SecretStore> nextRun =
        SecretStoreChoice::Make(QDBusConnection::sessionBus(), settingsFolder);
    EXPECT_EQ(nextRun->read(), "second secret");
}

} // namespace
} // namespace korvale
