#include "FullName.h"

#include "Text.h"

namespace exchange {

NameParts splitFullName(std::string_view fullName) {
    const std::string_view name = trimmed(fullName);
    if (const std::size_t comma = name.find(','); comma != std::string_view::npos) {
        return {std::string(trimmed(name.substr(0, comma))), std::string(trimmed(name.substr(comma + 1)))};
    }
    const std::size_t lastBlank = name.find_last_of(" \t");
    if (lastBlank == std::string_view::npos) {
        return {std::string(name), {}};
    }
    return {std::string(name.substr(lastBlank + 1)), std::string(trimmed(name.substr(0, lastBlank)))};
}

} // namespace exchange
