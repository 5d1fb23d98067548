#pragma once

#include <cstdint>
#include <string_view>

namespace files {

// CRC-32C (Castagnoli), as journals and storage formats use it to tell a torn or damaged entry.
std::uint32_t crc32c(std::string_view bytes);

} // namespace files
