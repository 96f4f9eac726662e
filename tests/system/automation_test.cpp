// The real program on the session bus of the test run (dbus-run-session): registration on an
// ordinary start, the class factory on an embedded start, the empty automation object, one
// object per copy with bus activation of the next copy, and the program's end when its
// object goes. Tests that look at the window run it on a private Xvfb display.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <vector>

#include "app/ActivationFile.h"
#include "support/VirtualDisplay.h"

namespace korvale {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBusName = "KORVALE.Application";
constexpr const char* kFactoryPath = "/ClassFactory";
constexpr const char* kFactoryInterface = "KORVALE.Application.ClassFactory";
constexpr const char* kUnknownMethod = "org.freedesktop.DBus.Error.UnknownMethod";
constexpr int kCallTimeoutMs = 20000;
constexpr int kStartTimeoutMs = 15000;
constexpr int kEndTimeoutMs = 10000;
constexpr int kPollMs = 20;
// Long enough for a copy that wrongly ended or published to have done so.
constexpr int kSettleMs = 700;
// The window's template size in dialog units and the centre of its "X" button.
constexpr double kTemplateWidthDu = 421.0;
constexpr double kTemplateHeightDu = 295.0;
constexpr double kExitCentreXDu = 398.0 + 16.0 / 2;
constexpr double kExitCentreYDu = 7.0 + 12.0 / 2;
// A screen width without a placement rule, so the window keeps its template size.
constexpr int kScreenWidth = 1100;
constexpr int kScreenHeight = 900;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents();
        QThread::msleep(kPollMs);
    }
    return true;
}

bool ProcessAlive(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

class AutomationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
            GTEST_SKIP() << "no session bus (run under dbus-run-session)";
        }
        m_bus = QDBusConnection::sessionBus();
        if (!m_bus.isConnected()) {
            GTEST_SKIP() << "the session bus cannot be reached";
        }
        ASSERT_TRUE(m_workDir.isValid());
        m_binary = fs::canonical(KORVALE_BINARY).string();
        const auto folder =
            ActivationFile::ServicesFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
        ASSERT_TRUE(folder.has_value());
        m_serviceFile = *folder / ActivationFile::kFileName;
    }

    void TearDown() override {
        for (auto& process : m_processes) {
            if (process->state() != QProcess::NotRunning) {
                process->kill(); // SIGKILL to this child's own PID
                process->waitForFinished(kEndTimeoutMs);
            }
        }
        for (const qint64 pid : m_foreignPids) {
            if (ProcessAlive(pid)) {
                ::kill(static_cast<pid_t>(pid), SIGKILL);
            }
        }
        // The bus forgets a killed copy's name once it has noticed the closed socket.
        if (m_bus.isConnected()) {
            WaitFor([this] { return !HasOwner(); }, kEndTimeoutMs);
        }
    }

    static QProcessEnvironment HeadlessEnvironment() {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return environment;
    }

    QProcess& Start(const QStringList& arguments,
                    const QProcessEnvironment& environment = HeadlessEnvironment()) {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(m_workDir.path());
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->start(QString::fromStdString(m_binary), arguments);
        EXPECT_TRUE(process->waitForStarted(kStartTimeoutMs));
        m_processes.push_back(std::move(process));
        return *m_processes.back();
    }

    bool HasOwner() const {
        const auto reply = m_bus.interface()->isServiceRegistered(QLatin1String(kBusName));
        return reply.isValid() && reply.value();
    }
    QString Owner() const {
        return m_bus.interface()->serviceOwner(QLatin1String(kBusName)).value();
    }
    qint64 PidOf(const QString& uniqueName) const {
        return m_bus.interface()->servicePid(uniqueName).value();
    }

    // Starts a copy with the given switches and waits until it owns the bus name.
    QString StartEmbedded(QProcess*& process, const QStringList& arguments = {"-Embedding"}) {
        process = &Start(arguments);
        if (!WaitFor([this] { return HasOwner(); }, kStartTimeoutMs)) {
            ADD_FAILURE() << "the embedded copy did not claim " << kBusName;
            return {};
        }
        const QString owner = Owner();
        EXPECT_EQ(PidOf(owner), process->processId());
        return owner;
    }

    static QDBusMessage Call(const QDBusConnection& connection, const QString& service,
                             const QString& path, const QString& interface, const QString& method,
                             const QVariantList& arguments = {}) {
        auto message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return connection.call(message, QDBus::Block, kCallTimeoutMs);
    }
    static QDBusMessage CreateInstance(const QDBusConnection& connection, const QString& service) {
        return Call(connection, service, QLatin1String(kFactoryPath),
                    QLatin1String(kFactoryInterface), QStringLiteral("CreateInstance"));
    }
    static QDBusMessage Release(const QDBusConnection& connection, const QString& service,
                                const QString& path) {
        return Call(connection, service, QLatin1String(kFactoryPath),
                    QLatin1String(kFactoryInterface), QStringLiteral("Release"),
                    {QVariant::fromValue(QDBusObjectPath(path))});
    }
    static QString PathOf(const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
            return {};
        }
        return reply.arguments().front().value<QDBusObjectPath>().path();
    }

    QDBusConnection m_bus{QString()};
    QTemporaryDir m_workDir;
    std::string m_binary;
    fs::path m_serviceFile;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    std::vector<qint64> m_foreignPids;
};

TEST_F(AutomationTest, OrdinaryStartRepairsTheActivationFileAndPublishesNothing) {
    const auto expected = ActivationFile::Contents(m_binary);
    ASSERT_TRUE(expected.has_value());
    // Lower-case switches and a switch without "-" or "/" are ordinary starts too.
    for (const QStringList& arguments :
         {QStringList{}, QStringList{"/automation"}, QStringList{"-embedding", "Embedding"}}) {
        fs::create_directories(m_serviceFile.parent_path());
        std::ofstream(m_serviceFile, std::ios::binary) << "[D-BUS Service]\nName=broken\n";

        QProcess& process = Start(arguments);
        EXPECT_TRUE(WaitFor([&] { return ReadAll(m_serviceFile) == *expected; }, kStartTimeoutMs))
            << arguments.join(' ').toStdString() << ": " << ReadAll(m_serviceFile);
        // A copy publishes the factory instead of repairing the file, never after it.
        EXPECT_FALSE(HasOwner()) << "an ordinary start must not publish the factory";
        EXPECT_EQ(process.state(), QProcess::Running);
        process.kill();
        process.waitForFinished(kEndTimeoutMs);
    }
}

TEST_F(AutomationTest, EmbeddedOrAutomatedStartPublishesTheFactoryWithoutRegistering) {
    for (const QStringList& arguments :
         {QStringList{"-Embedding"}, QStringList{"alpha", "/Automation", "beta"},
          QStringList{"/AutomationExtra"}}) {
        fs::remove(m_serviceFile);
        QProcess* process = nullptr;
        const QString owner = StartEmbedded(process, arguments);
        ASSERT_FALSE(owner.isEmpty()) << arguments.join(' ').toStdString();

        const auto introspection = Call(m_bus, QLatin1String(kBusName), QLatin1String(kFactoryPath),
                                        QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                        QStringLiteral("Introspect"));
        ASSERT_EQ(introspection.type(), QDBusMessage::ReplyMessage);
        const QString xml = introspection.arguments().value(0).toString();
        EXPECT_TRUE(xml.contains(QStringLiteral("name=\"CreateInstance\"")));
        EXPECT_TRUE(xml.contains(QStringLiteral("name=\"Release\"")));
        EXPECT_FALSE(fs::exists(m_serviceFile)) << "an embedded start must not register";

        process->kill();
        process->waitForFinished(kEndTimeoutMs);
        ASSERT_TRUE(WaitFor([this] { return !HasOwner(); }, kEndTimeoutMs));
    }
}

TEST_F(AutomationTest, TheObjectAnswersEveryCallWithUnknownMethodAndTheCopyServesOnlyIt) {
    QProcess* process = nullptr;
    const QString owner = StartEmbedded(process);
    ASSERT_FALSE(owner.isEmpty());

    const auto created = CreateInstance(m_bus, QLatin1String(kBusName));
    const QString path = PathOf(created);
    ASSERT_FALSE(path.isEmpty()) << created.errorMessage().toStdString();
    EXPECT_EQ(created.service(), owner);
    EXPECT_FALSE(HasOwner()) << "the copy keeps the bus name after making its object";

    struct Probe {
        const char* interface;
        const char* method;
        QVariantList arguments;
    };
    const std::vector<Probe> probes = {
        {"KORVALE.Application.Automation", "Play", {}},
        {"", "Quit", {}},
        {"KORVALE.Application.Automation", "Open", {QStringLiteral("/tmp/clip.mp3"), 7}},
        {"org.freedesktop.DBus.Properties",
         "Get",
         {QStringLiteral("KORVALE.Application.Automation"), QStringLiteral("Volume")}},
        {"org.freedesktop.DBus.Properties", "GetAll", {QStringLiteral("")}},
        {"org.freedesktop.DBus.Properties",
         "Set",
         {QStringLiteral("KORVALE.Application.Automation"), QStringLiteral("Visible"),
          QVariant::fromValue(QDBusVariant(true))}},
        {"com.example.Other", "Invoke", {}},
    };
    for (const auto& probe : probes) {
        const auto reply = Call(m_bus, owner, path, QLatin1String(probe.interface),
                                QLatin1String(probe.method), probe.arguments);
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage) << probe.method;
        EXPECT_EQ(reply.errorName(), QLatin1String(kUnknownMethod))
            << probe.interface << "." << probe.method << ": " << reply.errorMessage().toStdString();
    }

    // One copy serves one object.
    const auto second = CreateInstance(m_bus, owner);
    EXPECT_EQ(second.type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(process->state(), QProcess::Running);
}

TEST_F(AutomationTest, ASecondRequestStartsAFreshCopyThroughBusActivation) {
    ASSERT_NE(ActivationFile::WriteOrRepair(m_serviceFile.parent_path(), m_binary),
              ActivationFileOutcome::Failed);
    // The bus daemon starts the copy with its own environment: make it headless too.
    qDBusRegisterMetaType<QMap<QString, QString>>();
    Call(m_bus, QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
         QStringLiteral("org.freedesktop.DBus"), QStringLiteral("UpdateActivationEnvironment"),
         {QVariant::fromValue(QMap<QString, QString>{
             {QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")}})});
    Call(m_bus, QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
         QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ReloadConfig"));

    QProcess* first = nullptr;
    const QString firstOwner = StartEmbedded(first);
    ASSERT_FALSE(firstOwner.isEmpty());
    const QString firstPath = PathOf(CreateInstance(m_bus, QLatin1String(kBusName)));
    ASSERT_FALSE(firstPath.isEmpty());

    const auto again = CreateInstance(m_bus, QLatin1String(kBusName));
    const QString secondPath = PathOf(again);
    ASSERT_FALSE(secondPath.isEmpty())
        << again.errorName().toStdString() << " " << again.errorMessage().toStdString();
    const QString secondOwner = again.service();
    const qint64 secondPid = PidOf(secondOwner);
    m_foreignPids.push_back(secondPid);
    EXPECT_NE(secondOwner, firstOwner);
    EXPECT_NE(secondPid, first->processId());
    EXPECT_GT(secondPid, 0);
    EXPECT_EQ(first->state(), QProcess::Running);

    // Each copy ends with its own object.
    ASSERT_EQ(Release(m_bus, secondOwner, secondPath).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(WaitFor([&] { return !ProcessAlive(secondPid); }, kEndTimeoutMs));
    EXPECT_EQ(first->state(), QProcess::Running);
    ASSERT_EQ(Release(m_bus, firstOwner, firstPath).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(first->waitForFinished(kEndTimeoutMs));
}

TEST_F(AutomationTest, ReleasingTheObjectEndsTheProgramOnlyForItsCreator) {
    QProcess* process = nullptr;
    const QString owner = StartEmbedded(process);
    ASSERT_FALSE(owner.isEmpty());
    const QString path = PathOf(CreateInstance(m_bus, QLatin1String(kBusName)));
    ASSERT_FALSE(path.isEmpty());

    // Another client cannot release it, and an unknown path is refused.
    {
        auto other = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                   QStringLiteral("korvale-other-client"));
        ASSERT_TRUE(other.isConnected());
        const auto refused = Release(other, owner, path);
        EXPECT_EQ(refused.type(), QDBusMessage::ErrorMessage);
        EXPECT_EQ(refused.errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
        QDBusConnection::disconnectFromBus(QStringLiteral("korvale-other-client"));
    }
    const auto unknown = Release(m_bus, owner, QStringLiteral("/KORVALE/Application/99"));
    EXPECT_EQ(unknown.errorName(), QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"));
    QThread::msleep(kSettleMs);
    ASSERT_EQ(process->state(), QProcess::Running);

    const auto released = Release(m_bus, owner, path);
    EXPECT_EQ(released.type(), QDBusMessage::ReplyMessage) << released.errorMessage().toStdString();
    ASSERT_TRUE(process->waitForFinished(kEndTimeoutMs));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process->exitCode(), 0);
}

TEST_F(AutomationTest, AClientThatLeavesTheBusReleasesItsObject) {
    QProcess* process = nullptr;
    const QString owner = StartEmbedded(process);
    ASSERT_FALSE(owner.isEmpty());
    const QString name = QStringLiteral("korvale-leaving-client");
    {
        auto client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        ASSERT_TRUE(client.isConnected());
        ASSERT_FALSE(PathOf(CreateInstance(client, QLatin1String(kBusName))).isEmpty());
    }
    QThread::msleep(kSettleMs);
    ASSERT_EQ(process->state(), QProcess::Running);
    QDBusConnection::disconnectFromBus(name);
    ASSERT_TRUE(process->waitForFinished(kEndTimeoutMs));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
}

// ---- On a display: the window itself ----

class AutomationDisplayTest : public AutomationTest {
protected:
    void SetUp() override {
        AutomationTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        m_display = std::make_unique<test::VirtualDisplay>(kScreenWidth, kScreenHeight);
        if (!m_display->ok()) {
            GTEST_SKIP() << "Xvfb and xdotool are needed";
        }
    }
    void TearDown() override {
        AutomationTest::TearDown();
        m_display.reset(); // after the programs on it have gone
    }

    QProcessEnvironment DisplayEnvironment() const {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(m_display->name()));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        return environment;
    }
    // Waits for a visible window titled "KORVALE". Start-up messages about missing sound
    // devices are answered on the way, as a user would.
    std::string WaitForWindow() const {
        std::string id;
        WaitFor(
            [&] {
                for (const char* title : {"Error!", "Audio Device\\(s\\) Not found"}) {
                    for (const auto& box : m_display->visibleWindows(title)) {
                        m_display->key(box, "Return");
                    }
                }
                const auto ids = m_display->visibleWindows("KORVALE");
                id = ids.empty() ? std::string() : ids.front();
                return !id.empty();
            },
            kStartTimeoutMs);
        return id;
    }
    bool ClickExit(const std::string& window) const {
        test::VirtualDisplay::Geometry geometry;
        if (!m_display->geometry(window, geometry)) {
            return false;
        }
        const int x = static_cast<int>(geometry.width * kExitCentreXDu / kTemplateWidthDu);
        const int y = static_cast<int>(geometry.height * kExitCentreYDu / kTemplateHeightDu);
        return m_display->click(window, x, y);
    }
    bool WindowGone() const { return m_display->visibleWindows("KORVALE").empty(); }

    std::unique_ptr<test::VirtualDisplay> m_display;
};

TEST_F(AutomationDisplayTest, XEndsAnOrdinaryCopy) {
    QProcess& process = Start({}, DisplayEnvironment());
    const std::string window = WaitForWindow();
    ASSERT_FALSE(window.empty());
    ASSERT_TRUE(ClickExit(window));
    ASSERT_TRUE(process.waitForFinished(kEndTimeoutMs));
    EXPECT_EQ(process.exitCode(), 0);
}

TEST_F(AutomationDisplayTest, XWhileHeldOnlyHidesTheWindowUntilTheClientLetsGo) {
    QProcess& process = Start({"-Embedding"}, DisplayEnvironment());
    ASSERT_TRUE(WaitFor([this] { return HasOwner(); }, kStartTimeoutMs));
    const QString owner = Owner();
    const std::string window = WaitForWindow();
    ASSERT_FALSE(window.empty()) << "an embedded start shows its window as usual";
    const QString path = PathOf(CreateInstance(m_bus, QLatin1String(kBusName)));
    ASSERT_FALSE(path.isEmpty());

    ASSERT_TRUE(ClickExit(window));
    EXPECT_TRUE(WaitFor([this] { return WindowGone(); }, kEndTimeoutMs));
    QThread::msleep(kSettleMs);
    EXPECT_EQ(process.state(), QProcess::Running) << "held: the window hides, the program stays";

    const auto released = Release(m_bus, owner, path);
    ASSERT_EQ(released.type(), QDBusMessage::ReplyMessage)
        << released.errorName().toStdString() << ": " << released.errorMessage().toStdString();
    ASSERT_TRUE(process.waitForFinished(kEndTimeoutMs));
    EXPECT_EQ(process.exitCode(), 0);
}

TEST_F(AutomationDisplayTest, WithoutASessionBusTheProgramSaysSoAndEndsWithoutItsWindow) {
    QTemporaryDir dataHome;
    ASSERT_TRUE(dataHome.isValid());
    auto environment = DisplayEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=/nonexistent/korvale-bus"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome.path());
    QProcess& process = Start({}, environment);

    const std::string box = WaitForWindow();
    ASSERT_FALSE(box.empty()) << "the failure is shown in a message box";
    QThread::msleep(kSettleMs);
    EXPECT_EQ(process.state(), QProcess::Running) << "the box waits for the user";
    ASSERT_TRUE(m_display->key(box, "Return"));
    ASSERT_TRUE(process.waitForFinished(kEndTimeoutMs));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_FALSE(fs::exists(fs::path(dataHome.path().toStdString()) / "dbus-1"))
        << "nothing is registered when the bus is missing";
}

} // namespace
} // namespace korvale
