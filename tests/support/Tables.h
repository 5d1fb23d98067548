#pragma once

#include "book/AddressTable.h"

#include <string>
#include <vector>

namespace testsupport {

// The records as the address file holds them: one line each, seven fields joined by '|', CR LF.
inline std::string addressText(const std::vector<book::Record>& records) {
    std::string text;
    for (const book::Record& record : records) {
        for (int column = 0; column < book::ColumnCount; ++column) {
            text += (column > 0 ? "|" : "") + std::string(record.field(column));
        }
        text += "\r\n";
    }
    return text;
}

// A table of these records in order, read as from a file; no records gives the empty list.
inline book::AddressTable tableOf(const std::vector<book::Record>& records) {
    return book::AddressTable(addressText(records));
}

} // namespace testsupport
