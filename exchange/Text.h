#pragma once

#include <string>
#include <string_view>
#include <vector>

// Small string helpers the readers and writers share.
namespace exchange {

std::string lowerAscii(std::string_view text);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix);

// Without the prefix, in any case, however often it comes.
std::string_view withoutPrefix(std::string_view text, std::string_view prefix);

// Without the blanks and tabs at either end.
std::string_view trimmed(std::string_view text);

// The non-empty parts joined by the separator.
std::string joinNonEmpty(const std::vector<std::string>& parts, std::string_view separator);

} // namespace exchange
