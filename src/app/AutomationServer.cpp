#include "app/AutomationServer.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QMetaObject>

#include <utility>

#include "app/AutomationObject.h"
#include "ui/CKORVALEDlg.h"

namespace korvale {

namespace {

// How often a held object checks that the bus is still there, in milliseconds.
constexpr int kBusCheckPeriodMs = 500;

} // namespace

AutomationServer::AutomationServer(QDBusConnection connection, bool userControl)
    : m_connection(std::move(connection)), m_userControl(userControl) {
    m_clientWatcher.setConnection(m_connection);
    m_clientWatcher.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&m_clientWatcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &AutomationServer::OnClientLeft);
    m_busCheck.setInterval(kBusCheckPeriodMs);
    connect(&m_busCheck, &QTimer::timeout, this, &AutomationServer::OnBusCheck);
}

AutomationServer::~AutomationServer() {
    if (m_object != nullptr) {
        m_connection.unregisterObject(m_object->Path());
        m_object.reset();
    }
    m_connection.unregisterObject(QLatin1String(kFactoryPath));
    GiveUpName();
}

bool AutomationServer::Publish() {
    if (!m_connection.isConnected()) {
        return false;
    }
    // The object first, so that a client woken by the name finds the factory in place.
    if (!m_connection.registerObject(QLatin1String(kFactoryPath), this,
                                     QDBusConnection::ExportScriptableSlots)) {
        return false;
    }
    m_nameHeld = m_connection.registerService(QLatin1String(kBusName));
    if (!m_nameHeld) {
        m_connection.unregisterObject(QLatin1String(kFactoryPath));
    }
    return m_nameHeld;
}

void AutomationServer::AttachWindow(CKORVALEDlg* window) {
    m_window = window;
}

QDBusObjectPath AutomationServer::CreateInstance() {
    if (m_object != nullptr) {
        sendErrorReply(QDBusError::LimitsExceeded,
                       QStringLiteral("This copy of KORVALE already serves an automation "
                                      "object; ask KORVALE.Application for a new copy"));
        return {};
    }
    if (m_window == nullptr) {
        sendErrorReply(QDBusError::Failed, QStringLiteral("The KORVALE window is not ready"));
        return {};
    }
    const QString owner = calledFromDBus() ? message().service() : QString();
    const QString path = QLatin1String(kObjectPathPrefix) + QString::number(++m_objectsMade);
    auto object = std::make_unique<AutomationObject>(m_window.data(), owner, path);
    if (!m_connection.registerVirtualObject(path, object.get())) {
        sendErrorReply(QDBusError::Failed,
                       QStringLiteral("The automation object could not be published"));
        return {};
    }
    m_object = std::move(object);
    m_busCheck.start();

    // One copy serves one object: the next request for the name starts another copy.
    GiveUpName();

    if (!owner.isEmpty()) {
        m_clientWatcher.setWatchedServices({owner});
        // The client may have left before the watch was in place.
        const auto registered = m_connection.interface()->isServiceRegistered(owner);
        if (registered.isValid() && !registered.value()) {
            QMetaObject::invokeMethod(
                this, [this, owner] { OnClientLeft(owner); }, Qt::QueuedConnection);
        }
    }
    return QDBusObjectPath(path);
}

void AutomationServer::Release(const QDBusObjectPath& path) {
    if (m_object == nullptr || path.path() != m_object->Path()) {
        sendErrorReply(QDBusError::UnknownObject,
                       QStringLiteral("No automation object at '%1'").arg(path.path()));
        return;
    }
    if (calledFromDBus() && message().service() != m_object->OwnerName()) {
        sendErrorReply(
            QDBusError::AccessDenied,
            QStringLiteral("Only the client that created '%1' may release it").arg(path.path()));
        return;
    }
    ReleaseObject();
}

void AutomationServer::OnClientLeft(const QString& uniqueName) {
    if (m_object != nullptr && m_object->OwnerName() == uniqueName) {
        ReleaseObject();
    }
}

void AutomationServer::OnBusCheck() {
    if (m_object != nullptr && !m_connection.isConnected()) {
        ReleaseObject();
    }
}

void AutomationServer::ReleaseObject() {
    m_busCheck.stop();
    m_clientWatcher.setWatchedServices({});
    m_connection.unregisterObject(m_object->Path());
    m_object.reset(); // clears the window's proxy
    Q_EMIT ObjectReleased();
    // Ended after the reply to the current call has gone out.
    QMetaObject::invokeMethod(this, &AutomationServer::EndProgramIfUnheld, Qt::QueuedConnection);
}

void AutomationServer::GiveUpName() {
    if (m_nameHeld) {
        m_connection.unregisterService(QLatin1String(kBusName));
        m_nameHeld = false;
    }
}

void AutomationServer::EndProgramIfUnheld() {
    if (m_object != nullptr || m_window == nullptr) {
        return;
    }
    // A copy started by a client ends with its object. A copy under the user's control
    // carries on as an ordinary window, unless the window was already hidden: the user
    // closed it while it was held, and nothing else could show it again.
    if (m_userControl && !m_window->isHidden()) {
        return;
    }
    m_window->done(QDialog::Rejected);
    // Also ends any message box or file dialog that is open over the (hidden) window.
    QCoreApplication::exit(0);
}

} // namespace korvale
