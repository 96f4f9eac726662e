#include "platform/SecretStoreChoice.h"

#include <QDBusConnectionInterface>

#include "platform/FileSecretStore.h"
#include "platform/KeychainSecretStore.h"

namespace korvale {

bool SecretStoreChoice::HasSecretService(const QDBusConnection& bus) {
    const QDBusConnectionInterface* busInterface = bus.interface();
    if (!bus.isConnected() || busInterface == nullptr) {
        return false;
    }
    // Only a store that runs: one that the bus would start on demand has no unlocked keyring
    // yet, and starting it would ask the user for a password in a window of its own.
    return busInterface->isServiceRegistered(QString::fromLatin1(kSecretService)).value();
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
