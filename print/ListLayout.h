#pragma once

#include "book/AddressTable.h"

#include <array>
#include <cstddef>
#include <string>

// The printout as text: plain bytes, one byte a character, so columns padded with spaces line up in a
// monospaced font.
namespace print {

using ColumnWidths = std::array<std::size_t, book::ColumnCount>;

// The widths of the headings, where measuring starts.
ColumnWidths headingWidths();

// Widens each column's width to its longest text in records first .. end-1, so that a long table can be
// measured a piece at a time.
void widenColumns(ColumnWidths& widths, const book::AddressTable& table, int first, int end);

// The printed lines of a table, which must outlive it: the headings, one empty line, then the records in
// list order. Every cell is followed by spaces up to its column's width plus one; nothing is cut, so all
// lines but the empty one have the same length, trailing spaces included. A column's width is its longest
// text, the heading's included: measured here, or by widenColumns over all records from headingWidths().
class ListLayout {
public:
    explicit ListLayout(const book::AddressTable& table);
    ListLayout(const book::AddressTable& table, const ColumnWidths& widths);

    int lineCount() const { return table_.recordCount() + 2; }
    std::string line(int index) const;

private:
    const book::AddressTable& table_;
    ColumnWidths widths_;
    std::size_t lineLength_;
};

} // namespace print
