#include "platform/FileSecretStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace korvale {

namespace {

constexpr mode_t kOwnerOnly = S_IRUSR | S_IWUSR; // 0600
constexpr const char* kTempSuffix = ".XXXXXX";

bool Fail(std::string* why, const std::string& what) {
    if (why != nullptr) {
        *why = what + ": " + std::strerror(errno);
    }
    return false;
}

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

FileSecretStore::FileSecretStore(std::string path) : m_path(std::move(path)) {}

std::string FileSecretStore::read() {
    std::ifstream in(m_path, std::ios::binary);
    if (!in) {
        return {};
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FileSecretStore::write(const std::string& secret, std::string* why) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(m_path).parent_path();
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, error);
    }
    std::string temp = m_path + kTempSuffix;
    // mkstemp creates the file with mode 0600 before a byte of the secret is in it.
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        return Fail(why, "cannot create " + temp);
    }
    const bool written = ::fchmod(fd, kOwnerOnly) == 0 && WriteAll(fd, secret) && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!written) {
        ::unlink(temp.c_str());
        errno = savedErrno;
        return Fail(why, "cannot write " + temp);
    }
    if (::rename(temp.c_str(), m_path.c_str()) != 0) {
        const int renameErrno = errno;
        ::unlink(temp.c_str());
        errno = renameErrno;
        return Fail(why, "cannot replace " + m_path);
    }
    return true;
}

std::string FileSecretStore::where() const {
    return "the file " + m_path + ", readable by you alone";
}

} // namespace korvale
