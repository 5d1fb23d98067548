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

// The value split at unescaped ';', each component as it stands (escapes kept), so that one component
// can be replaced and the others written back unchanged.
std::vector<std::string_view> rawComponents(std::string_view value);

// The value unescaped as one text, ';' kept.
std::string vcardText(std::string_view value, std::string_view listJoiner = ",");

} // namespace exchange
