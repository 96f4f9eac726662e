#include "platform/RunStateFiles.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "platform/WholeFile.h"

namespace korvale {

namespace {

constexpr mode_t kRunFolderMode = 0700;
constexpr mode_t kRunFileMode = 0600;
// A state of a million entries of the longest path stays below this.
constexpr std::uint64_t kRunLargestStateBytes = 1ull << 30;
constexpr std::uint64_t kRunLargestPositionsBytes = 4096;
constexpr const char* kRunLockName = "run.lock";
constexpr const char* kRunTemporaryName = "run-state.new";

std::string RunFileError(const std::string& what, int error) {
    return what + ": " + std::generic_category().message(error);
}

bool WriteWholeBuffer(int fd, std::string_view bytes, std::uint64_t offset, int& error) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Makes every folder on the way to `folder`.
bool MakeFolders(const std::string& folder, int& error) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), kRunFolderMode) != 0 && errno != EEXIST) {
            error = errno;
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
    }
}

} // namespace

RunStateFiles::RunStateFiles(std::string folder) : m_folder(std::move(folder)) {}

std::optional<std::string> RunStateFiles::DefaultFolder(const char* xdgStateHome,
                                                        const char* home) {
    // A relative XDG_STATE_HOME does not count: the default under the home folder is used.
    if (xdgStateHome != nullptr && xdgStateHome[0] == '/') {
        return std::string(xdgStateHome) + "/korvale";
    }
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.local/state/korvale";
    }
    return std::nullopt;
}

bool RunStateFiles::Claim(std::string& why) {
    int error = 0;
    if (!MakeFolders(m_folder, error)) {
        why = RunFileError("cannot make " + m_folder, error);
        return false;
    }
    const std::string lockPath = PathOf(kRunLockName);
    UniqueFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kRunFileMode));
    if (!lock.valid()) {
        why = RunFileError("cannot open " + lockPath, errno);
        return false;
    }
    if (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        why = errno == EWOULDBLOCK ? "another copy of KORVALE keeps its run in " + m_folder
                                   : RunFileError("cannot lock " + lockPath, errno);
        return false;
    }
    m_lock = std::move(lock);
    return true;
}

KeptRunFiles RunStateFiles::Read() const {
    KeptRunFiles files;
    files.currentPath = PathOf(kStateName);
    files.previousPath = PathOf(kPreviousName);
    files.current = ReadWholeFile(files.currentPath, kRunLargestStateBytes);
    files.previous = ReadWholeFile(files.previousPath, kRunLargestStateBytes);
    files.positions = ReadWholeFile(PathOf(kPositionsName), kRunLargestPositionsBytes);
    return files;
}

bool RunStateFiles::WriteState(std::string_view bytes, OlderCopies older, std::string& why) {
    const std::string temporary = PathOf(kRunTemporaryName);
    UniqueFd file(
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kRunFileMode));
    int error = 0;
    if (!file.valid()) {
        why = RunFileError("cannot create " + temporary, errno);
        return false;
    }
    if (!WriteWholeBuffer(file.get(), bytes, 0, error) || ::fsync(file.get()) != 0 ||
        file.close() != 0) {
        why = RunFileError("cannot write " + temporary, error != 0 ? error : errno);
        ::unlink(temporary.c_str());
        return false;
    }
    const std::string current = PathOf(kStateName);
    const std::string previous = PathOf(kPreviousName);
    if (::rename(current.c_str(), previous.c_str()) != 0 && errno != ENOENT) {
        why = RunFileError("cannot keep " + previous, errno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), current.c_str()) != 0) {
        why = RunFileError("cannot replace " + current, errno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (older == OlderCopies::Drop) {
        ::unlink(previous.c_str());
        ::unlink(PathOf(kPositionsName).c_str());
    }
    UniqueFd folder(::open(m_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) {
        ::fsync(folder.get()); // the renames reach the disc with the folder
    }
    return true;
}

bool RunStateFiles::WritePositions(std::string_view record, std::uint64_t offset,
                                   std::string& why) {
    const std::string path = PathOf(kPositionsName);
    UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, kRunFileMode));
    int error = 0;
    if (!file.valid() || !WriteWholeBuffer(file.get(), record, offset, error) ||
        ::fdatasync(file.get()) != 0) {
        why = RunFileError("cannot write " + path, error != 0 ? error : errno);
        return false;
    }
    return true;
}

} // namespace korvale
