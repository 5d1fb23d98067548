#pragma once

#include "book/AddressTable.h"

#include <ostream>

namespace book {

// Readable failure messages for records in GoogleTest.
inline void PrintTo(const Record& record, std::ostream* out) {
    for (int column = 0; column < ColumnCount; ++column) {
        *out << (column == 0 ? "{\"" : "\", \"") << record.field(column);
    }
    *out << "\"}";
}

} // namespace book
