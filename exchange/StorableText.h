#pragma once

#include <string>
#include <string_view>

namespace exchange {

struct StorableText {
    std::string bytes; // Windows-1252
    bool changed = false;
};

// UTF-8 text as a field the address file can hold and read back unchanged: a line break becomes "; ",
// '|' becomes '/', a tab a blank, other control characters go; a character without a Windows-1252 byte
// becomes a close equivalent, or '?' when there is none. `changed` tells whether any of that happened.
StorableText storableText(std::string_view utf8);

} // namespace exchange
