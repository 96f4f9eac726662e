#pragma once

#include <string>

#include "interfaces/MixOutlets.h"

namespace korvale {

// Keeps the secret in the desktop's secret store (the Secret Service on the session bus)
// through QtKeychain, under the service "korvale". QtKeychain answers asynchronously; each
// call runs a local event loop until the answer comes, for at most kWaitMs (a locked store
// that asks the user to unlock it can take that long). UI thread; blocks.
class KeychainSecretStore : public SecretStore {
public:
    static constexpr int kWaitMs = 30000;
    static constexpr const char* kService = "korvale";
    static constexpr const char* kKey = "stream password";

    std::string read() override;
    bool write(const std::string& secret, std::string* why) override;
    std::string where() const override;
};

} // namespace korvale
