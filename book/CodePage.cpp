#include "CodePage.h"

#include <algorithm>
#include <array>

namespace book {

namespace {

// Windows-1252 assigns 0x80..0x9F to punctuation and a few letters; the rest of the code page is
// Latin-1. The five bytes it leaves free stand for the C1 control of the same value.
constexpr std::array<char32_t, 32> UnicodeOf80To9F = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr unsigned char upperOf(unsigned char byte) {
    if ((byte >= 'a' && byte <= 'z') || (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7)) {
        return static_cast<unsigned char>(byte - 0x20);
    }
    switch (byte) {
    case 0x9A: // š
        return 0x8A;
    case 0x9C: // œ
        return 0x8C;
    case 0x9E: // ž
        return 0x8E;
    case 0xFF: // ÿ
        return 0x9F;
    default: // ß and µ have no single-byte upper case
        return byte;
    }
}

} // namespace

const std::array<unsigned char, 256> UpperTable = [] {
    std::array<unsigned char, 256> table{};
    for (std::size_t byte = 0; byte < table.size(); ++byte) {
        table[byte] = upperOf(static_cast<unsigned char>(byte));
    }
    return table;
}();

std::string upperCase(std::string_view text) {
    std::string upper(text.size(), '\0');
    std::transform(text.begin(), text.end(), upper.begin(),
                   [](char byte) { return static_cast<char>(upperByte(static_cast<unsigned char>(byte))); });
    return upper;
}

char32_t toUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        return UnicodeOf80To9F[byte - 0x80];
    }
    return byte;
}

std::optional<unsigned char> fromUnicode(char32_t character) {
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF)) {
        return static_cast<unsigned char>(character);
    }
    const auto found = std::find(UnicodeOf80To9F.begin(), UnicodeOf80To9F.end(), character);
    if (found == UnicodeOf80To9F.end()) {
        return std::nullopt;
    }
    return static_cast<unsigned char>(0x80 + (found - UnicodeOf80To9F.begin()));
}

} // namespace book
