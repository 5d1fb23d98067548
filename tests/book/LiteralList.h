#pragma once

#include "book/AddressTable.h"
#include "book/CodePage.h"

#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The commands as their steps read, slow and literal: what the fast ones must give.
namespace testsupport {

using Records = std::vector<book::Record>;

// a sorts after b: both upper-cased, compared byte by byte, a proper prefix first.
inline bool literalGreater(std::string_view a, std::string_view b) {
    const std::string upperA = book::upperCase(a);
    const std::string upperB = book::upperCase(b);
    return std::lexicographical_compare(
        upperB.begin(), upperB.end(), upperA.begin(), upperA.end(),
        [](char x, char y) { return static_cast<unsigned char>(x) < static_cast<unsigned char>(y); });
}

// The grid's sort: n - 1 full passes of neighbour exchanges over n records, the rows copied cell by cell.
inline void neighbourExchangeSort(Records& rows, int column) {
    const int count = static_cast<int>(rows.size());
    for (int pass = 0; pass < count - 1; ++pass) {
        for (int b = 0; b + 1 < count; ++b) {
            book::Record& upper = rows[static_cast<std::size_t>(b)];
            book::Record& lower = rows[static_cast<std::size_t>(b + 1)];
            if (literalGreater(upper.field(column), lower.field(column))) {
                for (int c = 0; c < book::ColumnCount; ++c) {
                    const std::string upperText(upper.field(c));
                    upper.setField(c, lower.field(c));
                    lower.setField(c, upperText);
                }
            }
        }
    }
}

struct LiteralList {
    Records rows;

    void add(int column, const book::Record& record) {
        if (rows.size() == 1 && rows.front().isBlank()) {
            rows.front() = record;
            return;
        }
        std::size_t at = 0;
        while (at < rows.size() && literalGreater(record.field(column), rows[at].field(column))) {
            ++at;
        }
        rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at), record);
    }
    void addAll(int column, std::span<const book::Record> records) {
        for (const book::Record& record : records) {
            add(column, record);
        }
    }
    void change(int index, const book::Record& record, int column) {
        rows[static_cast<std::size_t>(index)] = record;
        neighbourExchangeSort(rows, column);
    }
    void remove(int index) {
        if (rows.size() == 1) {
            rows.front() = book::Record();
        } else {
            rows.erase(rows.begin() + index);
        }
    }
    void sort(int column) { neighbourExchangeSort(rows, column); }
};

} // namespace testsupport
