// The real program on the session bus of the run (dbus-run-session): registration, the class
// factory and its objects, and the program's end when its object goes; the window on Xvfb.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <memory>

#include "SystemSupport.h"
#include "app/ActivationFile.h"

namespace korvale {
namespace {

namespace fs = std::filesystem;
using sys::Child;
using sys::WaitFor;
using namespace std::chrono_literals;

const QString kName = QStringLiteral("KORVALE.Application");
const QString kFactory = QStringLiteral("/ClassFactory");

QDBusMessage Call(const QDBusConnection& bus, const QString& service, const QString& path,
                  const QString& interface, const QString& method, const QVariantList& args = {}) {
    auto message = QDBusMessage::createMethodCall(service, path, interface, method);
    message.setArguments(args);
    return bus.call(message, QDBus::Block, 20000);
}
QDBusMessage Factory(const QDBusConnection& bus, const QString& service, const QString& method,
                     const QVariantList& args = {}) {
    return Call(bus, service, kFactory, kName + ".ClassFactory", method, args);
}
QDBusMessage Release(const QDBusConnection& bus, const QString& service, const QString& path) {
    return Factory(bus, service, "Release", {QVariant::fromValue(QDBusObjectPath(path))});
}
QString PathOf(const QDBusMessage& reply) {
    const bool one = reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1;
    return one ? reply.arguments().front().value<QDBusObjectPath>().path() : QString();
}
bool HasOwner(const QDBusConnection& bus) {
    return bus.interface()->isServiceRegistered(kName);
}

class Automation : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr || !m_bus.isConnected()) {
            GTEST_SKIP() << "run under dbus-run-session";
        }
        m_serviceFile =
            ActivationFile::ServicesFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"))
                .value() /
            ActivationFile::kFileName;
    }
    void TearDown() override {
        m_children.clear(); // each killed by its id
        if (m_activated != 0)
            ::kill(m_activated, SIGKILL);
        if (m_bus.isConnected())
            WaitFor([this] { return !HasOwner(m_bus); }, 10s);
    }
    Child& Start(std::vector<std::string> args,
                 std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen"}) {
        args.insert(args.begin(), m_binary);
        const std::string log = m_dir.file("korvale" + std::to_string(m_children.size()) + ".log");
        return *m_children.emplace_back(std::make_unique<Child>(args, env, log));
    }

    QDBusConnection m_bus = QDBusConnection::sessionBus();
    testing::TempDir m_dir;
    std::string m_binary = fs::canonical(KORVALE_BINARY).string();
    fs::path m_serviceFile;
    std::vector<std::unique_ptr<Child>> m_children;
    pid_t m_activated = 0; // a copy the bus started
};

// Which switches make an automated start is the command line's own test.
TEST_F(Automation, OrdinaryStartRepairsTheActivationFileAndPublishesNothing) {
    const auto expected = ActivationFile::Contents(m_binary);
    ASSERT_TRUE(expected.has_value());
    fs::create_directories(m_serviceFile.parent_path());
    ASSERT_TRUE(testing::WriteBytes(m_serviceFile, "[D-BUS Service]\nName=broken\n"));
    Child& child = Start({});
    EXPECT_TRUE(WaitFor([&] { return testing::ReadBytes(m_serviceFile) == *expected; }, 15s));
    // A copy publishes the factory instead of repairing the file, never after it.
    EXPECT_FALSE(HasOwner(m_bus));
    EXPECT_FALSE(child.WaitExit(0ms).has_value());
}

TEST_F(Automation, ASecondRequestStartsAFreshCopyAndEachEndsWithItsObject) {
    ASSERT_NE(ActivationFile::WriteOrRepair(m_serviceFile.parent_path(), m_binary),
              ActivationFileOutcome::Failed);
    // The bus starts the copy with its own environment: headless too.
    qDBusRegisterMetaType<QMap<QString, QString>>();
    const QString dbus = QStringLiteral("org.freedesktop.DBus");
    Call(m_bus, dbus, "/org/freedesktop/DBus", dbus, "UpdateActivationEnvironment",
         {QVariant::fromValue(QMap<QString, QString>{{"QT_QPA_PLATFORM", "offscreen"}})});
    Child& first = Start({"-Embedding"});
    ASSERT_TRUE(WaitFor([this] { return HasOwner(m_bus); }, 15s));
    const QString firstOwner = m_bus.interface()->serviceOwner(kName).value();
    EXPECT_EQ(m_bus.interface()->servicePid(firstOwner).value(), static_cast<uint>(first.pid()));
    const QString firstPath = PathOf(Factory(m_bus, kName, "CreateInstance"));
    ASSERT_FALSE(firstPath.isEmpty());

    const auto again = Factory(m_bus, kName, "CreateInstance");
    ASSERT_FALSE(PathOf(again).isEmpty()) << again.errorMessage().toStdString();
    m_activated = static_cast<pid_t>(m_bus.interface()->servicePid(again.service()).value());
    EXPECT_NE(again.service(), firstOwner);
    EXPECT_NE(m_activated, first.pid());

    ASSERT_EQ(Release(m_bus, again.service(), PathOf(again)).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(WaitFor([&] { return ::kill(m_activated, 0) != 0; }, 10s));
    // The first copy answers, so it has handled everything sent to it before.
    EXPECT_EQ(Call(m_bus, firstOwner, "/", "org.freedesktop.DBus.Peer", "Ping").type(),
              QDBusMessage::ReplyMessage);
    ASSERT_EQ(Release(m_bus, firstOwner, firstPath).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(first.WaitExit(10s), 0);
}

TEST_F(Automation, AHeldCopyEndsWhenTheBusGoesAway) {
    const std::string address = "unix:path=" + m_dir.file("bus");
    Child daemon({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + address},
                 {}, m_dir.file("dbus.log"));
    ASSERT_TRUE(WaitFor([&] { return fs::exists(m_dir.file("bus")); }, 15s));
    Child& program =
        Start({"-Embedding"}, {"DBUS_SESSION_BUS_ADDRESS=" + address, "QT_QPA_PLATFORM=offscreen",
                               "XDG_DATA_HOME=" + m_dir.file("data")});
    const QString name = QStringLiteral("korvale-private-client");
    auto client = QDBusConnection::connectToBus(QString::fromStdString(address), name);
    ASSERT_TRUE(WaitFor([&] { return HasOwner(client); }, 15s));
    ASSERT_FALSE(PathOf(Factory(client, kName, "CreateInstance")).isEmpty());
    EXPECT_FALSE(program.WaitExit(0ms).has_value()) << "held, the program runs on";
    ASSERT_EQ(::kill(daemon.pid(), SIGKILL), 0);
    ASSERT_TRUE(daemon.WaitExit(15s).has_value());
    EXPECT_EQ(program.WaitExit(15s), 0) << testing::ReadBytes(m_dir.file("korvale0.log"));
    QDBusConnection::disconnectFromBus(name);
}

TEST_F(Automation, HelpAndVersionAnswerWithoutAWindowABusOrSound) {
    // None of them is there: opening any of them would end the program otherwise.
    const std::vector<std::string> nowhere = {
        "QT_QPA_PLATFORM=korvale-none",
        "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/korvale-bus",
        "PULSE_SERVER=unix:/nonexistent/korvale-pulse"};
    EXPECT_EQ(Start({"--version"}, nowhere).WaitExit(10s), 0);
    EXPECT_EQ(testing::ReadBytes(m_dir.file("korvale0.log")), "KORVALE 1.1\n");
    EXPECT_EQ(Start({"--help"}, nowhere).WaitExit(10s), 0);
    const std::string help = testing::ReadBytes(m_dir.file("korvale1.log"));
    EXPECT_TRUE(help.starts_with("Usage: korvale [options]\n")) << help;
    for (const char* line : {"\n  -h, --help ", "\n  -v, --version ", "\n  --match-loudness ",
                             "\n  --skip-silent-edges "}) {
        EXPECT_NE(help.find(line), std::string::npos) << line;
    }
}

// ---- The window on a virtual display ----

class AutomationOnScreen : public Automation {
protected:
    void SetUp() override {
        Automation::SetUp();
        if (!IsSkipped() && !m_screen.ok())
            GTEST_SKIP() << "Xvfb and xdotool are needed";
    }
    // Starts the program on the screen with `env` added to the screen's.
    Child& StartOnScreen(const std::vector<std::string>& env) {
        std::vector<std::string> all = m_screen.Environment();
        all.insert(all.end(), env.begin(), env.end());
        return Start({}, all);
    }
    sys::Screen m_screen;
};

TEST_F(AutomationOnScreen, WithoutASessionBusTheProgramSaysSoAndEnds) {
    Child& child = StartOnScreen({"DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/korvale-bus",
                                  "XDG_DATA_HOME=" + m_dir.file("data")});
    const QString box = m_screen.WaitForWindow("KORVALE");
    ASSERT_FALSE(box.isEmpty()) << "the failure is shown in a message box";
    EXPECT_FALSE(child.WaitExit(0ms).has_value()) << "the box waits for the user";
    ASSERT_TRUE(m_screen.Key(box, "Return"));
    EXPECT_EQ(child.WaitExit(10s), 1);
    EXPECT_FALSE(fs::exists(m_dir.file("data"))) << "nothing is registered without a bus";
}

// Without a sound device: once every device has been looked for and its box answered, the
// window shows and one line of the program's own tells of it; a stop from outside (a logout,
// a service stop) while such a box waits for the user ends the program at once.
TEST_F(AutomationOnScreen, WithoutASoundDeviceOneLineTellsAndATermSignalEndsAWaitingBox) {
    int card = -1;
    if (snd_card_next(&card) == 0 && card >= 0)
        GTEST_SKIP() << "this machine has a sound card";
    const std::string noServer = "PULSE_SERVER=unix:/nonexistent/korvale-pulse";
    StartOnScreen({noServer});
    ASSERT_FALSE(m_screen.WaitForWindow("KORVALE").isEmpty());
    const std::string log = testing::ReadBytes(m_dir.file("korvale0.log"));
    EXPECT_NE(log.find("KORVALE: the sound output did not open"), std::string::npos) << log;
    EXPECT_EQ(log.find("ALSA lib"), std::string::npos) << log;

    Child& waiting = StartOnScreen({noServer});
    ASSERT_TRUE(WaitFor([&] { return !m_screen.Windows("Error!").isEmpty(); }, 15s));
    ASSERT_EQ(::kill(waiting.pid(), SIGTERM), 0);
    EXPECT_EQ(waiting.WaitExit(10s), 0);
}

} // namespace
} // namespace korvale
