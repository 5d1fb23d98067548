#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace exchange {

inline constexpr char32_t ReplacementCharacter = 0xFFFD;

struct DecodedCharacter {
    char32_t character;
    std::size_t length; // bytes taken, at least 1
    bool valid;         // false: a malformed sequence, read as U+FFFD for its first byte
};

// The character that starts at text[position]; position must lie inside text.
DecodedCharacter decodeUtf8At(std::string_view text, std::size_t position);

void appendUtf8(std::string& out, char32_t character);

bool isValidUtf8(std::string_view text);

// UTF-16 text as UTF-8, when the bytes start with a UTF-16 byte order mark (as Windows programs
// write "Unicode" files); nothing otherwise. Broken surrogates become U+FFFD.
std::optional<std::string> utf8FromMarkedUtf16(std::string_view bytes);

std::string utf8FromWindows1252(std::string_view bytes);

// Bytes in the named character set as UTF-8. UTF-8 is the default, for an unknown name too, but
// text that is not valid UTF-8 is taken as Windows-1252, as older programs write it unlabelled.
std::string utf8FromCharset(std::string_view bytes, std::string_view charset = {});

} // namespace exchange
