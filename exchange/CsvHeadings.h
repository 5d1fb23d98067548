#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace exchange {

enum class CsvRole {
    Name, // a family name beside a first-name column, a whole name otherwise
    FamilyName,
    GivenName,
    MiddleName,
    FullName,
    Nickname,
    Company,
    FormattedAddress,
    Street,
    ExtendedAddress,
    PoBox,
    Locality,
    Region,
    PostalCode,
    Country,
    Telephone,
    Email,
    Note,
};

struct CsvHeading {
    CsvRole role;
    std::string group; // which address a part belongs to ("home", "work", "#2"), empty for one alone
};

// What a column holds, by its heading as spreadsheets and mail programs write it, English or German,
// in any case: "Last Name", "Nachname", "Home Street", "Telefon geschäftlich", "E-Mail-Adresse", ...
std::optional<CsvHeading> csvHeading(std::string_view heading);

} // namespace exchange
