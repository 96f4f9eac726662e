#include "audio/ReplaceFileText.h"

#include "platform/UniqueFd.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace korvale {

namespace {

constexpr char kTemporarySuffix[] = ".korvale-XXXXXX";
// Readable by the overlays and web servers that pick the file up.
constexpr mode_t kFileMode = 0644;

bool Fail(const std::string& temporary, int error, std::string* why) {
    if (!temporary.empty()) {
        ::unlink(temporary.c_str());
    }
    if (why != nullptr) {
        *why = std::strerror(error);
    }
    return false;
}

} // namespace

bool ReplaceFileText(const std::string& path, const std::string& text, std::string* why) {
    std::string temporary = path + kTemporarySuffix;
    UniqueFd fd(::mkstemp(temporary.data()));
    if (!fd.valid()) {
        return Fail({}, errno, why);
    }
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Fail(temporary, n < 0 ? errno : EIO, why);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fchmod(fd.get(), kFileMode) != 0 || ::fdatasync(fd.get()) != 0) {
        return Fail(temporary, errno, why);
    }
    if (::close(fd.release()) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
        return Fail(temporary, errno, why);
    }
    return true;
}

} // namespace korvale
