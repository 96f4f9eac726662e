#include "platform/DesktopNotifier.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include <utility>

namespace korvale {

namespace {
constexpr const char* kApplicationName = "KORVALE";
constexpr const char* kIconName = "korvale";
constexpr uint kReplacesNone = 0;
} // namespace

DesktopNotifier::DesktopNotifier(QDBusConnection bus) : m_bus(std::move(bus)) {}

void DesktopNotifier::Notify(const std::string& summary, const std::string& body) {
    if (!m_bus.isConnected()) {
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kService), QStringLiteral("Notify"));
    call << QString::fromLatin1(kApplicationName) << kReplacesNone << QString::fromLatin1(kIconName)
         << QString::fromStdString(summary) << QString::fromStdString(body) << QStringList()
         << QVariantMap() << kShownMs;
    // The answer (the notice's number, or an error where no service runs) is not waited for.
    m_bus.send(call);
}

} // namespace korvale
