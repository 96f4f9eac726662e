// The bus objects over a window on fakes, called asynchronously by clients of their own.
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "app/AutomationServer.h"
#include "app/MprisServer.h"
#include "core/LevelMapping.h"
#include "support/TestWindow.h"
#include "ui/TrackBar.h"

namespace korvale {
namespace {

const QString kName = AutomationServer::kBusName;

// `client` calls `method` of an object of this process; the reply once it has come. The
// process's unique name reaches it whichever well-known names it holds or has given up.
QDBusMessage Call(const QDBusConnection& client, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& args = {}) {
    auto call = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), path,
                                               interface, method);
    call.setArguments(args);
    QDBusPendingCall pending = client.asyncCall(call);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 10000))
        << method.toStdString();
    return pending.reply();
}
QDBusMessage CallFactory(const QDBusConnection& client, const QString& method,
                         const QVariantList& args = {}) {
    return Call(client, AutomationServer::kFactoryPath, AutomationServer::kInterfaceName, method,
                args);
}
QVariantList PathArgument(const QString& path) {
    return {QVariant::fromValue(QDBusObjectPath(path))};
}

// What the media controls' PropertiesChanged signals told: the last Volume, and any Metadata.
class VolumeListener : public QObject {
    Q_OBJECT
public:
    QVariant volume;
    bool metadataTold = false;
public Q_SLOTS:
    void Changed(const QString&, const QVariantMap& changed, const QStringList&) {
        volume = changed.value("Volume", volume);
        metadataTold = metadataTold || changed.contains("Metadata");
    }
};

TEST(AutomationServer, TheCreatorHoldsTheWindowUntilItReleasesOrLeaves) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        GTEST_SKIP() << "run under dbus-run-session";
    for (const bool leaves : {false, true}) { // a client that leaves is one started by a client
        testing::TestWindow t;
        t.w->show();
        AutomationServer server(bus, /*userControl=*/!leaves);
        server.AttachWindow(t.w.get());
        ASSERT_TRUE(server.Publish());
        EXPECT_TRUE(bus.interface()->isServiceRegistered(kName).value());
        QSignalSpy released(&server, &AutomationServer::ObjectReleased);
        const QString creator = QStringLiteral("korvale-creator"),
                      other = QStringLiteral("korvale-other");
        QString path;
        {
            QDBusConnection client =
                QDBusConnection::connectToBus(QDBusConnection::SessionBus, creator);
            const QVariantList made = CallFactory(client, "CreateInstance").arguments();
            path = made.value(0).value<QDBusObjectPath>().path();
        }
        ASSERT_TRUE(path.startsWith(AutomationServer::kObjectPathPrefix));
        EXPECT_TRUE(server.HasObject());
        EXPECT_NE(t.w->AutomationProxy(), nullptr);
        EXPECT_EQ(Call(QDBusConnection(creator), path, AutomationServer::kInterfaceName, "Quit")
                      .errorName(),
                  "org.freedesktop.DBus.Error.UnknownMethod")
            << "the object only holds the window";
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return !bus.interface()->isServiceRegistered(kName).value();
        })) << "one copy serves one object: the name is given up";
        const QDBusConnection stranger =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, other);
        EXPECT_EQ(CallFactory(stranger, "Release", PathArgument(path)).errorName(),
                  "org.freedesktop.DBus.Error.AccessDenied");
        EXPECT_EQ(
            CallFactory(QDBusConnection(creator), "Release", PathArgument(path + "9")).errorName(),
            "org.freedesktop.DBus.Error.UnknownObject");
        EXPECT_TRUE(released.isEmpty());
        if (leaves) {
            QDBusConnection::disconnectFromBus(creator);
        } else {
            EXPECT_EQ(CallFactory(QDBusConnection(creator), "Release", PathArgument(path)).type(),
                      QDBusMessage::ReplyMessage);
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return released.count() == 1; }));
        EXPECT_EQ(t.w->AutomationProxy(), nullptr);
        // Under the user's control the window runs on; started by a client, it ends.
        EXPECT_EQ(QTest::qWaitFor([&] { return t.w->isHidden(); }, leaves ? 5000 : 200), leaves);
        if (leaves) { // told to end: a run of the application clears that for later tests
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
        }
        QDBusConnection::disconnectFromBus(creator);
        QDBusConnection::disconnectFromBus(other);
    }
}

// The media-controls object of a window on fakes, published, and a client of its own.
class MediaControlsServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (!bus.isConnected())
            GTEST_SKIP() << "run under dbus-run-session";
        ASSERT_TRUE(server.Publish());
    }
    void TearDown() override { QDBusConnection::disconnectFromBus(kClient); }
    QDBusMessage Properties(const QString& method, const QVariantList& args) {
        return Call(client, MprisServer::kObjectPath, "org.freedesktop.DBus.Properties", method,
                    args);
    }

    static constexpr char kClient[] = "korvale-media-client";
    const QString player = MprisServer::kPlayerInterface;
    QDBusConnection bus = QDBusConnection::sessionBus();
    testing::TestWindow t;
    Korvale& core = t.w->Core();
    MprisServer server{bus, core.Media(), t.w.get()};
    QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kClient);
};

TEST_F(MediaControlsServer, PropertiesTellTheCoreAndCallsActOnIt) {
    for (const char* clip : {"/m/one.mp3", "/m/two.mp3"}) {
        t.deck1.AddClip(clip, 60.0);
        t.deck2.AddClip(clip, 60.0);
    }
    core.Store().List().AppendMany({"/m/one.mp3", "/m/two.mp3"});
    core.Store().SelectedByUser(0); // one on each deck
    core.Store().SelectedByUser(1);
    const auto all = [&](const QString& interface) {
        return qdbus_cast<QVariantMap>(Properties("GetAll", {interface}).arguments().value(0));
    };
    const QVariantMap root = all("org.mpris.MediaPlayer2");
    EXPECT_EQ(root.value("Identity").toString(), QString("KORVALE"));
    EXPECT_FALSE(root.value("CanQuit").toBool());
    EXPECT_TRUE(root.value("CanRaise").toBool());
    t.w->showMinimized(); // and Raise brings it back
    Call(client, MprisServer::kObjectPath, "org.mpris.MediaPlayer2", "Raise");
    EXPECT_FALSE(t.w->isMinimized());
    const QVariantMap state = all(player);
    EXPECT_EQ(state.value("PlaybackStatus").toString(), QString("Paused"));
    QStringList offered; // what the desktop's media controls offer
    for (const QString& name : state.keys()) {
        if (name.startsWith("Can") && state.value(name).toBool())
            offered << name;
    }
    EXPECT_EQ(offered, QStringList({"CanControl", "CanGoNext", "CanPause", "CanPlay"}));
    Call(client, MprisServer::kObjectPath, player, "Play");
    EXPECT_EQ(all(player).value("PlaybackStatus").toString(), "Playing");
    Call(client, MprisServer::kObjectPath, player, "Next"); // as "M I X": into the other deck
    EXPECT_EQ(core.Fade().Phase(), MixPhase::Fading);
    while (core.Fade().Phase() == MixPhase::Fading) {
        core.OnTimer(TimerId::Fade);
    }
    const auto metadata = qdbus_cast<QVariantMap>(all(player).value("Metadata"));
    EXPECT_EQ(metadata.value("xesam:title").toString(), "two");
    // Each call reaches the clip on air, those not offered are taken and do nothing, and a URI
    // that names no file is refused in words.
    struct Step {
        const char* method;
        QVariantList args;
        const char* status;  // afterwards
        const char* refused; // the error's name; empty when taken
    };
    const Step steps[] = {
        {"Pause", {}, "Paused", ""},
        {"PlayPause", {}, "Playing", ""},
        {"Stop", {}, "Paused", ""},
        {"Previous", {}, "Paused", ""},
        {"Seek", {qlonglong(1000000)}, "Paused", ""},
        {"OpenUri", {"http://host/a.mp3"}, "Paused", "org.freedesktop.DBus.Error.InvalidArgs"},
        {"OpenUri", {"file:///m/none.mp3"}, "Paused", "org.freedesktop.DBus.Error.FileNotFound"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.method);
        const QDBusMessage reply =
            Call(client, MprisServer::kObjectPath, player, step.method, step.args);
        EXPECT_EQ(reply.errorName().toStdString(), step.refused);
        EXPECT_EQ(all(player).value("PlaybackStatus").toString().toStdString(), step.status);
    }
}

TEST_F(MediaControlsServer, VolumeIsTheMasterLevelAndRateStaysOne) {
    VolumeListener listener;
    ASSERT_TRUE(client.connect(QString(), MprisServer::kObjectPath,
                               "org.freedesktop.DBus.Properties", "PropertiesChanged", &listener,
                               SLOT(Changed(QString, QVariantMap, QStringList))));
    const auto get = [&](const char* name) {
        const QDBusMessage reply = Properties("Get", {player, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant().toDouble();
    };
    const auto set = [&](const char* name, double value) {
        const QVariantList args{player, name, QVariant::fromValue(QDBusVariant(value))};
        return Properties("Set", args).errorName().toStdString();
    };
    constexpr double kFullChannel = 65535.0, kSame = 1e-12;
    const auto told = [&](double volume) {
        return QTest::qWaitFor([&] {
            return listener.volume.isValid() &&
                   std::abs(listener.volume.toDouble() - volume) < kSame;
        });
    };
    t.w->MasterLevel->setValue(32769); // the user's move
    EXPECT_NEAR(get("Volume"), 32767 / kFullChannel, kSame);
    EXPECT_TRUE(told(32767 / kFullChannel));
    struct Row {
        const char* what;
        double volume;
        int position;
    };
    const Row rows[] = {
        {"half", 0.5, 32768},
        {"not a number: ignored", std::numeric_limits<double>::quiet_NaN(), 32768},
        {"below silent", -0.25, kLevelMax},
        {"above full", 1.5, kLevelMin},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(set("Volume", row.volume), "");
        const int channel = kLevelMax - row.position;
        EXPECT_EQ(t.w->MasterLevel->value(), row.position);
        EXPECT_EQ(t.devices.waveOutWrites.back().left, channel);
        EXPECT_TRUE(told(channel / kFullChannel));
    }
    EXPECT_EQ(set("Rate", 2.0), "");
    EXPECT_EQ(get("Rate"), 1.0);
    EXPECT_FALSE(listener.metadataTold) << "no clip came on air";
}

} // namespace
} // namespace korvale

#include "bus_objects_test.moc"
