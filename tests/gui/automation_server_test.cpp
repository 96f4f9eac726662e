// The class factory in this process on the run's private session bus, over a window on
// fakes, called by clients on connections of their own (asynchronously: the factory answers
// from this thread's event loop).
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/AutomationServer.h"
#include "support/TestWindow.h"

namespace korvale {
namespace {

const QString kName = AutomationServer::kBusName;

// `client` calls `method` of the factory; the reply once it has come. After the well-known
// name is given up, the factory is reached at this process's unique name.
QDBusMessage CallFactory(const QDBusConnection& client, const QString& method, const QVariantList& args = {}) {
    auto call = QDBusMessage::createMethodCall(QDBusConnection::sessionBus().baseService(), AutomationServer::kFactoryPath,
                                               AutomationServer::kInterfaceName, method);
    call.setArguments(args);
    QDBusPendingCall pending = client.asyncCall(call);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pending.isFinished(); }, 10000)) << method.toStdString();
    return pending.reply();
}
QVariantList PathArgument(const QString& path) { return {QVariant::fromValue(QDBusObjectPath(path))}; }

TEST(AutomationServer, TheCreatorHoldsTheWindowUntilItReleasesOrLeaves) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        GTEST_SKIP() << "run under dbus-run-session";
    }
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

} // namespace
} // namespace korvale
