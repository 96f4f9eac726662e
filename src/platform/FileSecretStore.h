#pragma once

#include <string>

#include "interfaces/MixOutlets.h"

namespace korvale {

// Keeps the secret in a file of mode 0600 that only its owner can read, where no secret
// service runs. The file is replaced whole: a new file is created with mode 0600 before
// anything is written to it, synced, and renamed over the old one. UI thread; blocks on the
// file's I/O.
class FileSecretStore : public SecretStore {
public:
    // `path`: the file, beside the settings file; its folder is created when missing.
    explicit FileSecretStore(std::string path);

    std::string read() override;
    bool write(const std::string& secret, std::string* why) override;
    std::string where() const override;

private:
    std::string m_path;
};

} // namespace korvale
