#pragma once

#include <cstdint>
#include <string_view>

namespace korvale {

// The CRC-32 of `bytes` (the polynomial of zlib and PNG, reflected, 0xFFFFFFFF in and out).
// Pure; any thread.
std::uint32_t Crc32(std::string_view bytes);

} // namespace korvale
