#include "Crc32c.h"

#include <array>

namespace files {

namespace {

constexpr std::uint32_t ReflectedPolynomial = 0x82F63B78U;

constexpr std::array<std::uint32_t, 256> makeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t byte = 0; byte < table.size(); ++byte) {
        std::uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1U) != 0 ? (crc >> 1) ^ ReflectedPolynomial : crc >> 1;
        }
        table[byte] = crc;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> Table = makeTable();

} // namespace

std::uint32_t crc32c(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFU;
    for (const char byte : bytes) {
        crc = Table[(crc ^ static_cast<unsigned char>(byte)) & 0xFFU] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFU;
}

} // namespace files
