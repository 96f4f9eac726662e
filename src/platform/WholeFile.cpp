#include "platform/WholeFile.h"

#include "interfaces/PathLength.h"
#include "platform/UniqueFd.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace korvale {

namespace {

constexpr std::size_t kReadChunkBytes = 64 * 1024;
constexpr mode_t kPermissionBits = 07777;
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kFallbackUmask = 022;
constexpr int kOctal = 8;
constexpr std::string_view kTemporaryName = "/.korvale-save-XXXXXX";

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

ReadFileResult ReadFailure(ReadFileError error, std::string text) {
    ReadFileResult result;
    result.error = error;
    result.errorText = std::move(text);
    return result;
}

mode_t CurrentUmask() {
    // Reading the mask through umask() would change it for a moment under other threads.
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "Umask:") {
            std::string value;
            status >> value;
            return static_cast<mode_t>(std::strtoul(value.c_str(), nullptr, kOctal));
        }
        status.ignore(LONG_MAX, '\n');
    }
    return kFallbackUmask;
}

// The file a save replaces: a symbolic link's target, so the link itself survives.
std::string ResolveTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            std::string resolved(real);
            std::free(real);
            return resolved;
        }
    }
    return path;
}

// Failures of these steps happen once the file exists and data is on its way; every other
// failure means the file could not be created.
bool IsWriteError(int errorNumber) {
    return errorNumber == ENOSPC || errorNumber == EFBIG || errorNumber == EDQUOT ||
           errorNumber == EIO;
}

WriteFileResult WriteFailure(int error, const std::string& what) {
    WriteFileResult result;
    result.writeError = IsWriteError(error);
    result.errorNumber = error;
    result.errorText = what + ": " + ErrnoText(error);
    return result;
}

bool WriteAll(int fd, std::string_view bytes, int& error) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errno;
            return false;
        }
        if (n == 0) {
            error = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd); // best effort: the rename itself has already succeeded
        ::close(fd);
    }
}

} // namespace

ReadFileResult ReadWholeFile(const std::string& path, std::uint64_t maxBytes) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return ReadFailure(ReadFileError::Missing, "The file does not exist");
        }
        if (error == EISDIR) {
            return ReadFailure(ReadFileError::IsDirectory, "This is a folder, not a file");
        }
        return ReadFailure(ReadFileError::Unreadable,
                           "The file cannot be opened: " + ErrnoText(error));
    }
    UniqueFd file(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return ReadFailure(ReadFileError::Unreadable,
                           "The file cannot be examined: " + ErrnoText(errno));
    }
    if (S_ISDIR(st.st_mode)) {
        return ReadFailure(ReadFileError::IsDirectory, "This is a folder, not a file");
    }
    if (!S_ISREG(st.st_mode)) {
        return ReadFailure(ReadFileError::Unreadable, "This is not a regular file");
    }
    const std::string tooLargeText =
        "The file is larger than " + std::to_string(maxBytes) + " bytes";
    if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        return ReadFailure(ReadFileError::TooLarge, tooLargeText);
    }

    ReadFileResult result;
    result.bytes.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[kReadChunkBytes];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return ReadFailure(ReadFileError::Unreadable,
                               "The file cannot be read: " + ErrnoText(errno));
        }
        if (n == 0) {
            break;
        }
        // The file may have grown since fstat.
        if (result.bytes.size() + static_cast<std::uint64_t>(n) > maxBytes) {
            return ReadFailure(ReadFileError::TooLarge, tooLargeText);
        }
        result.bytes.append(chunk, static_cast<std::size_t>(n));
    }
    if (result.bytes.empty()) {
        return ReadFailure(ReadFileError::Empty, "The file is empty");
    }
    return result;
}

WriteFileResult WriteFileReplacing(const std::string& path, std::string_view bytes) {
    IgnoreFileSizeSignal();
    const std::string target = ResolveTarget(path);
    const std::size_t slash = target.rfind(kPathSeparator);
    const std::string folder =
        slash == std::string::npos ? std::string(".") : target.substr(0, slash == 0 ? 1 : slash);
    if (slash + 1 == target.size() || target.empty()) {
        return WriteFailure(EISDIR, "No file name given");
    }

    std::string temporary = (folder == "/" ? std::string() : folder) + std::string(kTemporaryName);
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return WriteFailure(errno, "Cannot create a file in " + folder);
    }
    UniqueFd file(fd);
    auto fail = [&](int error, const std::string& what) {
        file.reset();
        ::unlink(temporary.c_str());
        return WriteFailure(error, what);
    };

    struct stat existing {};
    const mode_t mode = ::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)
                            ? (existing.st_mode & kPermissionBits)
                            : (kNewFileMode & ~CurrentUmask());
    ::fchmod(fd, mode); // the save itself does not depend on it

    int error = 0;
    if (!WriteAll(fd, bytes, error)) {
        return fail(error, "Cannot write the file");
    }
    if (::fsync(fd) != 0) {
        return fail(errno, "Cannot write the file to disc");
    }
    if (file.close() != 0) {
        return fail(errno, "Cannot finish the file");
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        return fail(errno, "Cannot replace " + target);
    }
    SyncFolder(folder);
    WriteFileResult result;
    result.ok = true;
    return result;
}

void IgnoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace korvale
