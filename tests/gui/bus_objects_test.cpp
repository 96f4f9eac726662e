// The session bus's objects over a window on fakes (the class factory, the media controls),
// called asynchronously by clients on connections of their own: they answer from this thread.
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

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

// The last Volume the media-controls object's PropertiesChanged signals told.
class VolumeListener : public QObject {
    Q_OBJECT
public:
    std::optional<double> volume;
public Q_SLOTS:
    void Changed(const QString& interface, const QVariantMap& changed,
                 const QStringList& /*invalidated*/) {
        if (interface == MprisServer::kPlayerInterface && changed.contains("Volume")) {
            volume = changed.value("Volume").toDouble();
        }
    }
};

TEST(AutomationServer, TheCreatorHoldsTheWindowUntilItReleasesOrLeaves) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        GTEST_SKIP() << "run under dbus-run-session";
    for (const bool leaves : {false, true}) { // a client that leaves is one started by a client
        test::TestWindow t;
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
            path = CallFactory(client, "CreateInstance")
                       .arguments()
                       .value(0)
                       .value<QDBusObjectPath>()
                       .path();
        }
        ASSERT_TRUE(path.startsWith(AutomationServer::kObjectPathPrefix));
        EXPECT_TRUE(server.HasObject() && t.w->AutomationProxy() != nullptr);
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
        EXPECT_TRUE(server.HasObject() && released.isEmpty());
        if (leaves) {
            QDBusConnection::disconnectFromBus(creator);
        } else {
            EXPECT_EQ(CallFactory(QDBusConnection(creator), "Release", PathArgument(path)).type(),
                      QDBusMessage::ReplyMessage);
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return released.count() == 1; }));
        EXPECT_FALSE(server.HasObject() || t.w->AutomationProxy() != nullptr);
        // Under the user's control the window runs on; started by a client, it ends.
        EXPECT_EQ(QTest::qWaitFor([&] { return t.w->isHidden(); }, leaves ? 5000 : 200), leaves);
        if (leaves) { // the application was told to end: a run of it clears that for the tests
                      // after
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
        }
        QDBusConnection::disconnectFromBus(creator), QDBusConnection::disconnectFromBus(other);
    }
}

TEST(MediaControlsServer, PropertiesTellTheCoreAndCallsActOnIt) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        GTEST_SKIP() << "run under dbus-run-session";
    test::TestWindow t;
    Korvale& core = t.w->Core();
    for (const char* clip : {"/m/one.mp3", "/m/two.mp3"})
        t.deck1.AddClip(clip, 60.0), t.deck2.AddClip(clip, 60.0);
    core.Store().List().AppendMany({"/m/one.mp3", "/m/two.mp3"});
    core.Store().SelectedByUser(0), core.Store().SelectedByUser(1); // one on each deck
    MprisServer server(bus, core.Media(), t.w.get());
    ASSERT_TRUE(server.Publish());
    const QDBusConnection client =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "korvale-media-client");
    const QString props = QStringLiteral("org.freedesktop.DBus.Properties"),
                  player = MprisServer::kPlayerInterface;
    const auto all = [&](const QString& interface) {
        return qdbus_cast<QVariantMap>(
            Call(client, MprisServer::kObjectPath, props, "GetAll", {interface})
                .arguments()
                .value(0));
    };
    const QVariantMap root = all("org.mpris.MediaPlayer2");
    EXPECT_EQ(std::tuple(root.value("Identity").toString(), root.value("CanQuit").toBool(),
                         root.value("CanRaise").toBool()),
              std::tuple(QString("KORVALE"), false, true));
    const QVariantMap state = all(player);
    EXPECT_EQ(std::tuple(state.value("PlaybackStatus").toString(), state.value("CanPlay").toBool()),
              std::tuple(QString("Paused"), true));
    Call(client, MprisServer::kObjectPath, player, "Play");
    EXPECT_EQ(all(player).value("PlaybackStatus").toString(), "Playing");
    Call(client, MprisServer::kObjectPath, player, "Next"); // as "M I X": into the other deck
    EXPECT_EQ(std::tuple(core.Fade().Phase(), t.deck2.playState()),
              std::tuple(MixPhase::Fading, VoicePlayState::Playing));
    QDBusConnection::disconnectFromBus("korvale-media-client");
}

// Every member of the object's MPRIS 2 interfaces against the interfaces' own tables: the
// argument types of methods and signals, the type and access of properties. Optional members
// may be missing; nothing else may stand under these interfaces.
TEST(MediaControlsServer, ObjectHasTheMprisInterfaces) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        GTEST_SKIP() << "run under dbus-run-session";
    test::TestWindow t;
    MprisServer server(bus, t.w->Core().Media(), t.w.get());
    ASSERT_TRUE(server.Publish());
    const QDBusConnection client =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "korvale-media-client");
    QXmlStreamReader xml(
        Call(client, MprisServer::kObjectPath, "org.freedesktop.DBus.Introspectable", "Introspect")
            .arguments()
            .value(0)
            .toString());
    QMap<QString, QString> published; // "interface kind name": argument types, or "type access"
    QString interface, member;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString tag = xml.name().toString();
        const auto attribute = [&](const char* name) {
            return xml.attributes().value(name).toString();
        };
        if (tag == "interface")
            interface = attribute("name");
        if (!interface.startsWith("org.mpris."))
            continue;
        if (tag == "property") {
            published[interface + " property " + attribute("name")] =
                attribute("type") + " " + attribute("access");
        } else if (tag == "method" || tag == "signal") {
            member = interface + " " + tag + " " + attribute("name");
            published[member] = "";
        } else if (tag == "arg") { // none of the interfaces' methods returns a value
            published[member] += attribute("type");
        }
    }
    const char *root = "org.mpris.MediaPlayer2", *player = "org.mpris.MediaPlayer2.Player";
    struct Member {
        const char* interface;
        const char* kind;
        const char* name;
        const char* expected;
        bool optional = false;
    };
    const Member members[] = {
        {root, "method", "Raise", ""},
        {root, "method", "Quit", ""},
        {root, "property", "CanQuit", "b read"},
        {root, "property", "Fullscreen", "b readwrite", true},
        {root, "property", "CanSetFullscreen", "b read", true},
        {root, "property", "CanRaise", "b read"},
        {root, "property", "HasTrackList", "b read"},
        {root, "property", "Identity", "s read"},
        {root, "property", "DesktopEntry", "s read", true},
        {root, "property", "SupportedUriSchemes", "as read"},
        {root, "property", "SupportedMimeTypes", "as read"},
        {player, "method", "Next", ""},
        {player, "method", "Previous", ""},
        {player, "method", "Pause", ""},
        {player, "method", "PlayPause", ""},
        {player, "method", "Stop", ""},
        {player, "method", "Play", ""},
        {player, "method", "Seek", "x"},
        {player, "method", "SetPosition", "ox"},
        {player, "method", "OpenUri", "s"},
        {player, "signal", "Seeked", "x"},
        {player, "property", "PlaybackStatus", "s read"},
        {player, "property", "LoopStatus", "s readwrite", true},
        {player, "property", "Rate", "d readwrite"},
        {player, "property", "Shuffle", "b readwrite", true},
        {player, "property", "Metadata", "a{sv} read"},
        {player, "property", "Volume", "d readwrite"},
        {player, "property", "Position", "x read"},
        {player, "property", "MinimumRate", "d read"},
        {player, "property", "MaximumRate", "d read"},
        {player, "property", "CanGoNext", "b read"},
        {player, "property", "CanGoPrevious", "b read"},
        {player, "property", "CanPlay", "b read"},
        {player, "property", "CanPause", "b read"},
        {player, "property", "CanSeek", "b read"},
        {player, "property", "CanControl", "b read"},
    };
    for (const Member& m : members) {
        const QString key = QString("%1 %2 %3").arg(m.interface, m.kind, m.name);
        SCOPED_TRACE(key.toStdString());
        if (!m.optional || published.contains(key)) {
            EXPECT_EQ(published.value(key, "(missing)").toStdString(), m.expected);
        }
        published.remove(key);
    }
    EXPECT_EQ(published.keys().join(", ").toStdString(), "")
        << "members the interfaces do not have";
    QDBusConnection::disconnectFromBus("korvale-media-client");
}

// Volume is the master level: the bus reads the slider and is told of its moves, and a
// volume set over the bus moves the slider and the output as the user's move would. Rate
// takes any value without an error and stays 1.0.
TEST(MediaControlsServer, VolumeIsTheMasterLevelAndRateStaysOne) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        GTEST_SKIP() << "run under dbus-run-session";
    test::TestWindow t;
    MprisServer server(bus, t.w->Core().Media(), t.w.get());
    ASSERT_TRUE(server.Publish());
    QDBusConnection client =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, "korvale-media-client");
    const QString props = QStringLiteral("org.freedesktop.DBus.Properties"),
                  player = MprisServer::kPlayerInterface;
    VolumeListener listener;
    ASSERT_TRUE(client.connect(QString(), MprisServer::kObjectPath, props, "PropertiesChanged",
                               &listener, SLOT(Changed(QString, QVariantMap, QStringList))));
    const auto get = [&](const char* name) {
        const QDBusMessage reply =
            Call(client, MprisServer::kObjectPath, props, "Get", {player, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant().toDouble();
    };
    const auto set = [&](const char* name, double value) {
        const QVariantList args{player, name, QVariant::fromValue(QDBusVariant(value))};
        return Call(client, MprisServer::kObjectPath, props, "Set", args).errorName().toStdString();
    };
    constexpr double kFullChannel = 65535.0, kSame = 1e-12;
    const auto told = [&](double volume) {
        return QTest::qWaitFor(
            [&] { return listener.volume && std::abs(*listener.volume - volume) < kSame; });
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
        {"full", 1.0, kLevelMin},
        {"silent", 0.0, kLevelMax},
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
    for (const double rate : {1.0, 2.0, 0.0}) {
        SCOPED_TRACE(rate);
        EXPECT_EQ(set("Rate", rate), "");
        EXPECT_EQ(get("Rate"), 1.0);
    }
    QDBusConnection::disconnectFromBus("korvale-media-client");
}

} // namespace
} // namespace korvale

#include "bus_objects_test.moc"
