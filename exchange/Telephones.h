#pragma once

#include <string>
#include <string_view>
#include <vector>

// The "Tel / Fax" field holds several numbers, one " / " between two.
namespace exchange {

// The numbers of a field, without blanks at their ends or a "tel:" before them (vCard 4.0 writes
// numbers as tel: addresses); empty ones are left out.
std::vector<std::string_view> telephoneParts(std::string_view field);

// The field with its numbers joined again by " / ": what reading the numbers back gives.
std::string tidyTelephones(std::string_view field);

} // namespace exchange
