#pragma once

#include "book/AddressTable.h"

#include <array>
#include <cstddef>
#include <string>

// The printout as text: plain bytes, one byte a character, so columns padded with spaces line up in a
// monospaced font.
namespace print {

using ColumnWidths = std::array<std::size_t, book::ColumnCount>;

// Widens each column's width to its longest text in rows first .. end-1, so that a long table can be
// measured a piece at a time.
void widenColumns(ColumnWidths& widths, const book::AddressTable& table, int first, int end);

// The printed lines of a table, which must outlive it: the heading row, one empty line, then rows
// 1 .. rowCount()-1 in table order. Every cell is followed by spaces up to its column's width plus one;
// nothing is cut, so all row lines have the same length, trailing spaces included. A column's width is its
// longest text over all rows, the headings included: measured here, or by widenColumns over all rows.
class ListLayout {
public:
    explicit ListLayout(const book::AddressTable& table);
    ListLayout(const book::AddressTable& table, const ColumnWidths& widths);

    int lineCount() const { return table_.rowCount() + 1; }
    std::string line(int index) const;

private:
    const book::AddressTable& table_;
    ColumnWidths widths_;
    std::size_t lineLength_;
};

} // namespace print
