#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

// Cells and the address file hold Windows-1252 bytes; these tables are the only place that knows the code
// page.
namespace book {

// The upper case of every byte, for upperByte.
extern const std::array<unsigned char, 256> UpperTable;

// Upper case of one byte by the code page (letters with diacritics too; bytes without a single-byte
// upper case stay as they are). Inline: sorting and searching call it for every byte of every key.
inline unsigned char upperByte(unsigned char byte) {
    return UpperTable[byte];
}

// The whole text upper-cased byte by byte; the length never changes.
std::string upperCase(std::string_view text);

// The Unicode character a byte stands for. The five bytes Windows-1252 leaves undefined map to the
// C1 control of the same value, so every byte survives a round trip.
char32_t toUnicode(unsigned char byte);

// The byte for a Unicode character, or nothing when the code page has none.
std::optional<unsigned char> fromUnicode(char32_t character);

} // namespace book
