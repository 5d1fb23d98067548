#pragma once

#include <optional>
#include <string_view>

namespace exchange {

// Windows-1252 bytes that stand in for a character the code page lacks: the letter without its
// accent, a plain space or dash, or nothing for an invisible mark. Nothing when there is no close one.
std::optional<std::string_view> closeEquivalent(char32_t character);

bool isCombiningMark(char32_t character);

// The code page's precomposed letter for an ASCII base letter followed by a combining mark.
std::optional<unsigned char> composedLetter(unsigned char base, char32_t mark);

} // namespace exchange
