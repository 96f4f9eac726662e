#include "app/AutomationObject.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

#include <utility>

#include "ui/CKORVALEDlg.h"

namespace korvale {

AutomationObject::AutomationObject(CKORVALEDlg* window, QString ownerName, QString path)
    : m_window(window), m_ownerName(std::move(ownerName)), m_path(std::move(path)) {
    if (m_window != nullptr) {
        m_window->SetAutomationProxy(this);
    }
}

AutomationObject::~AutomationObject() {
    if (m_window != nullptr && m_window->AutomationProxy() == this) {
        m_window->SetAutomationProxy(nullptr);
    }
}

QString AutomationObject::introspect(const QString& /*path*/) const {
    return QStringLiteral("  <interface name=\"%1\">\n  </interface>\n")
        .arg(QLatin1String(kInterfaceName));
}

bool AutomationObject::handleMessage(const QDBusMessage& message,
                                     const QDBusConnection& connection) {
    if (message.type() != QDBusMessage::MethodCallMessage) {
        return false;
    }
    if (message.isReplyRequired()) {
        const QString interfaceName =
            message.interface().isEmpty() ? QLatin1String(kInterfaceName) : message.interface();
        connection.send(message.createErrorReply(
            QDBusError::UnknownMethod,
            QStringLiteral("No such method '%1' in interface '%2' at object path '%3'")
                .arg(message.member(), interfaceName, m_path)));
    }
    return true;
}

} // namespace korvale
