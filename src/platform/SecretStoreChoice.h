#pragma once

#include <QDBusConnection>
#include <QString>

#include <memory>

#include "interfaces/MixOutlets.h"

namespace korvale {

// Chooses where the stream's password is kept, once at start-up: the desktop's secret
// store where a secret service runs on the session bus, otherwise a file of mode 0600 beside
// the settings file.
class SecretStoreChoice {
public:
    static constexpr const char* kSecretService = "org.freedesktop.secrets";
    static constexpr const char* kPasswordFileName = "stream-password";

    // Whether a secret service runs on `bus`. Blocks on one bus call;
    // UI thread.
    static bool HasSecretService(const QDBusConnection& bus);
    // The store for this run; `settingsFolder` holds the password file when there is no
    // secret service. Blocks as HasSecretService; UI thread.
    static std::unique_ptr<SecretStore> Make(const QDBusConnection& bus,
                                             const QString& settingsFolder);
};

} // namespace korvale
