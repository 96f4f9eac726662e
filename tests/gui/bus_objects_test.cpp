// The session bus's objects over a window on fakes (the class factory, the media controls),
// called asynchronously by clients on connections of their own: they answer from this thread.
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/AutomationServer.h"
#include "app/MprisServer.h"
#include "support/TestWindow.h"

namespace korvale {
namespace {

const QString kName = AutomationServer::kBusName;

// `client` calls `method` of an object of this process; the reply once it has come. The
// process's unique name reaches it whichever well-known names it holds or has given up.
QDBusMessage Call(const QDBusConnection& client, const QString& path, const QString& interface, const QString& method,
                  const QVariantList& args = {}) {
    auto call = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), path, interface, method);
    call.setArguments(args);
    QDBusPendingCall pending = client.asyncCall(call);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 10000)) << method.toStdString();
    return pending.reply();
}
QDBusMessage CallFactory(const QDBusConnection& client, const QString& method, const QVariantList& args = {}) {
    return Call(client, AutomationServer::kFactoryPath, AutomationServer::kInterfaceName, method, args);
}
QVariantList PathArgument(const QString& path) { return {QVariant::fromValue(QDBusObjectPath(path))}; }

TEST(AutomationServer, TheCreatorHoldsTheWindowUntilItReleasesOrLeaves) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) GTEST_SKIP() << "run under dbus-run-session";
    for (const bool leaves : {false, true}) { // a client that leaves is one started by a client
        test::TestWindow t;
        t.w->show();
        AutomationServer server(bus, /*userControl=*/!leaves);
        server.AttachWindow(t.w.get());
        ASSERT_TRUE(server.Publish());
        EXPECT_TRUE(bus.interface()->isServiceRegistered(kName).value());
        QSignalSpy released(&server, &AutomationServer::ObjectReleased);
        const QString creator = QStringLiteral("korvale-creator"), other = QStringLiteral("korvale-other");
        QString path;
        {
            QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, creator);
            path = CallFactory(client, "CreateInstance").arguments().value(0).value<QDBusObjectPath>().path();
        }
        ASSERT_TRUE(path.startsWith(AutomationServer::kObjectPathPrefix));
        EXPECT_TRUE(server.HasObject() && t.w->AutomationProxy() != nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !bus.interface()->isServiceRegistered(kName).value(); }))
            << "one copy serves one object: the name is given up";
        const QDBusConnection stranger = QDBusConnection::connectToBus(QDBusConnection::SessionBus, other);
        EXPECT_EQ(CallFactory(stranger, "Release", PathArgument(path)).errorName(), "org.freedesktop.DBus.Error.AccessDenied");
        EXPECT_EQ(CallFactory(QDBusConnection(creator), "Release", PathArgument(path + "9")).errorName(),
                  "org.freedesktop.DBus.Error.UnknownObject");
        EXPECT_TRUE(server.HasObject() && released.isEmpty());
        if (leaves) {
            QDBusConnection::disconnectFromBus(creator);
        } else {
            EXPECT_EQ(CallFactory(QDBusConnection(creator), "Release", PathArgument(path)).type(), QDBusMessage::ReplyMessage);
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return released.count() == 1; }));
        EXPECT_FALSE(server.HasObject() || t.w->AutomationProxy() != nullptr);
        // Under the user's control the window runs on; started by a client, it ends.
        EXPECT_EQ(QTest::qWaitFor([&] { return t.w->isHidden(); }, leaves ? 5000 : 200), leaves);
        if (leaves) { // the application was told to end: a run of it clears that for the tests after
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
            QCoreApplication::exec();
        }
        QDBusConnection::disconnectFromBus(creator), QDBusConnection::disconnectFromBus(other);
    }
}

TEST(MediaControlsServer, PropertiesTellTheCoreAndCallsActOnIt) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) GTEST_SKIP() << "run under dbus-run-session";
    test::TestWindow t;
    Korvale& core = t.w->Core();
    for (const char* clip : {"/m/one.mp3", "/m/two.mp3"}) t.deck1.AddClip(clip, 60.0), t.deck2.AddClip(clip, 60.0);
    core.Store().List().AppendMany({"/m/one.mp3", "/m/two.mp3"});
    core.Store().SelectedByUser(0), core.Store().SelectedByUser(1); // one on each deck
    MprisServer server(bus, core.Media(), t.w.get());
    ASSERT_TRUE(server.Publish());
    const QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "korvale-media-client");
    const QString props = QStringLiteral("org.freedesktop.DBus.Properties"), player = MprisServer::kPlayerInterface;
    const auto all = [&](const QString& interface) {
        return qdbus_cast<QVariantMap>(Call(client, MprisServer::kObjectPath, props, "GetAll", {interface}).arguments().value(0));
    };
    const QVariantMap root = all("org.mpris.MediaPlayer2");
    EXPECT_EQ(std::tuple(root.value("Identity").toString(), root.value("CanQuit").toBool(), root.value("CanRaise").toBool()),
              std::tuple(QString("KORVALE"), false, true));
    const QVariantMap state = all(player);
    EXPECT_EQ(std::tuple(state.value("PlaybackStatus").toString(), state.value("CanPlay").toBool()), std::tuple(QString("Paused"), true));
    Call(client, MprisServer::kObjectPath, player, "Play");
    EXPECT_EQ(all(player).value("PlaybackStatus").toString(), "Playing");
    Call(client, MprisServer::kObjectPath, player, "Next"); // as "M I X": into the other deck
    EXPECT_EQ(std::tuple(core.Fade().Phase(), t.deck2.playState()), std::tuple(MixPhase::Fading, VoicePlayState::Playing));
    QDBusConnection::disconnectFromBus("korvale-media-client");
}

} // namespace
} // namespace korvale
