#pragma once

#include "book/AddressTable.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// The printout as text: plain bytes, one byte a character, so columns padded with spaces line up in a
// monospaced font.
namespace print {

using ColumnWidths = std::array<std::size_t, book::ColumnCount>;

// The longest text of each column over all rows, the headings included.
ColumnWidths columnWidths(const book::AddressTable& table);

// The heading row, one empty line, then rows 1 .. rowCount()-1 in table order. Every cell is followed
// by spaces up to its column's width plus one; nothing is cut, so all row lines have the same length,
// trailing spaces included.
std::vector<std::string> composeList(const book::AddressTable& table);

} // namespace print
