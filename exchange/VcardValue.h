#pragma once

#include <string>
#include <string_view>
#include <vector>

// Decoding of vCard values and parameter values.
namespace exchange {

std::string decodeQuotedPrintable(std::string_view value);

// A parameter value's ^n, ^^ and ^' escapes (newline, caret, double quote).
std::string decodeParameterValue(std::string_view value);

// The value split at unescaped ';', each component unescaped (\\ \, \; \n); an unescaped ',' inside a
// component separates list items and becomes listJoiner (pass "," where a value has no lists).
std::vector<std::string> vcardComponents(std::string_view value, std::string_view listJoiner);

// The value unescaped as one text, ';' kept.
std::string vcardText(std::string_view value, std::string_view listJoiner = ",");

} // namespace exchange
