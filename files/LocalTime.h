#pragma once

#include <ctime>

namespace files {

// The moment in the user's time zone, safe for threads (the C library's localtime() is not).
std::tm localTime(std::time_t moment);

} // namespace files
