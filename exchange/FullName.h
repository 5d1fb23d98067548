#pragma once

#include <string>
#include <string_view>

namespace exchange {

struct NameParts {
    std::string family;
    std::string given;
};

// A name written in one piece, for files that have no separate parts: "Miller, Ann" and "Ann Miller"
// both give family name Miller, given name Ann; one word is taken as the family name.
NameParts splitFullName(std::string_view fullName);

} // namespace exchange
