#include "core/Crc32.h"

#include <array>

namespace korvale {

namespace {

constexpr std::uint32_t kReflectedPolynomial = 0xEDB88320u;
constexpr std::uint32_t kAllOnes = 0xFFFFFFFFu;
constexpr int kBitsPerByte = 8;
constexpr std::size_t kTableSize = 256;
constexpr std::size_t kSlices = 4;

// Four tables: each word of input is folded in at once ("slicing by four").
using CrcTables = std::array<std::array<std::uint32_t, kTableSize>, kSlices>;

constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (std::uint32_t byte = 0; byte < kTableSize; ++byte) {
        std::uint32_t crc = byte;
        for (int bit = 0; bit < kBitsPerByte; ++bit) {
            crc = (crc & 1u) != 0 ? (crc >> 1) ^ kReflectedPolynomial : crc >> 1;
        }
        tables[0][byte] = crc;
    }
    for (std::size_t slice = 1; slice < kSlices; ++slice) {
        for (std::size_t byte = 0; byte < kTableSize; ++byte) {
            const std::uint32_t previous = tables[slice - 1][byte];
            tables[slice][byte] = (previous >> kBitsPerByte) ^ tables[0][previous & 0xFFu];
        }
    }
    return tables;
}

constexpr CrcTables kCrcTables = MakeCrcTables();

} // namespace

std::uint32_t Crc32(std::string_view bytes) {
    std::uint32_t crc = kAllOnes;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t left = bytes.size();
    for (; left >= kSlices; left -= kSlices, data += kSlices) {
        crc ^= static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
               static_cast<std::uint32_t>(data[2]) << 16 |
               static_cast<std::uint32_t>(data[3]) << 24;
        crc = kCrcTables[3][crc & 0xFFu] ^ kCrcTables[2][(crc >> 8) & 0xFFu] ^
              kCrcTables[1][(crc >> 16) & 0xFFu] ^ kCrcTables[0][crc >> 24];
    }
    for (; left > 0; --left, ++data) {
        crc = (crc >> kBitsPerByte) ^ kCrcTables[0][(crc ^ *data) & 0xFFu];
    }
    return crc ^ kAllOnes;
}

} // namespace korvale
