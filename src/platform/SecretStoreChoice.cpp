#include "platform/SecretStoreChoice.h"

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QStringList>

#include "platform/FileSecretStore.h"
#include "platform/KeychainSecretStore.h"

namespace korvale {

bool SecretStoreChoice::HasSecretService(const QDBusConnection& bus) {
    const QDBusConnectionInterface* busInterface = bus.interface();
    if (!bus.isConnected() || busInterface == nullptr) {
        return false;
    }
    const QString service = QString::fromLatin1(kSecretService);
    if (busInterface->isServiceRegistered(service).value()) {
        return true;
    }
    const QDBusReply<QStringList> activatable = busInterface->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(service);
}

std::unique_ptr<SecretStore> SecretStoreChoice::Make(const QDBusConnection& bus,
                                                     const QString& settingsFolder) {
    if (HasSecretService(bus)) {
        return std::make_unique<KeychainSecretStore>();
    }
    return std::make_unique<FileSecretStore>(
        (settingsFolder + QLatin1Char('/') + QLatin1String(kPasswordFileName)).toStdString());
}

} // namespace korvale
