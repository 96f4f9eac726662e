#pragma once

#include "decode/UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace korvale::fuzz {

// The fuzz input as a regular file that lives in memory only: a decoder reads it through
// a file descriptor as it would read a clip on disk. Invalid when it cannot be made.
inline UniqueFd MemoryClip(const std::uint8_t* data, std::size_t size) {
    UniqueFd fd(::memfd_create("korvale-fuzz-clip", MFD_CLOEXEC));
    for (std::size_t written = 0; fd.valid() && written < size;) {
        const ssize_t n = ::write(fd.get(), data + written, size - written);
        if (n <= 0) {
            return UniqueFd();
        }
        written += static_cast<std::size_t>(n);
    }
    if (fd.valid()) {
        ::lseek(fd.get(), 0, SEEK_SET);
    }
    return fd;
}

} // namespace korvale::fuzz
