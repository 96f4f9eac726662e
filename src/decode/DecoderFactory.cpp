#include "decode/DecoderFactory.h"

#include "decode/Mpg123Decoder.h"
#include "decode/SndfileDecoder.h"
#include "platform/UniqueFd.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>

namespace korvale {

bool IsSoundFileContainer(std::string_view head) {
    static constexpr std::array<std::string_view, 8> kSignatures = {"RIFF", "RIFX", "RF64", "FORM",
                                                                    "caff", "fLaC", "OggS", ".snd"};
    for (const auto& signature : kSignatures) {
        if (head == signature) {
            return true;
        }
    }
    return false;
}

DecoderOpenResult OpenDecoder(const std::string& path) {
    DecoderOpenResult result;
    if (path.empty() || path.find('\0') != std::string::npos) {
        result.status = DecoderOpenStatus::Missing;
        return result;
    }
    // O_NONBLOCK: opening a FIFO must not wait for a writer; fstat then rejects it.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid()) {
        result.status = (errno == ENOENT || errno == ENOTDIR) ? DecoderOpenStatus::Missing
                        : errno == EISDIR                     ? DecoderOpenStatus::NotARegularFile
                                                              : DecoderOpenStatus::Unreadable;
        return result;
    }
    struct stat st {};
    if (fstat(fd.get(), &st) != 0) {
        result.status = DecoderOpenStatus::Unreadable;
        return result;
    }
    if (!S_ISREG(st.st_mode)) {
        result.status = DecoderOpenStatus::NotARegularFile;
        return result;
    }
    const int flags = fcntl(fd.get(), F_GETFL);
    if (flags >= 0) {
        fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    }

    std::array<char, kContainerMagicBytes> magic{};
    const ssize_t got = ::pread(fd.get(), magic.data(), magic.size(), 0);
    if (got < 0) {
        result.status = DecoderOpenStatus::Unreadable;
        return result;
    }
    if (got == 0) {
        result.status = DecoderOpenStatus::NoAudio;
        return result;
    }
    if (got == static_cast<ssize_t>(kContainerMagicBytes) &&
        IsSoundFileContainer(std::string_view(magic.data(), magic.size()))) {
        return SndfileDecoder::Open(std::move(fd));
    }
    result = Mpg123Decoder::Open(std::move(fd));
    if (result.status != DecoderOpenStatus::Ok) {
        result.status = DecoderOpenStatus::UnknownFormat;
    }
    return result;
}

} // namespace korvale
