#pragma once

#include <string_view>

namespace book {

// The one comparison of the program: both texts upper-cased by the code page, compared byte by byte as
// unsigned values, a proper prefix first. Result below, equal to or above 0. Allocates nothing.
int compareKeys(std::string_view a, std::string_view b);

} // namespace book
