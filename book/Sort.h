#pragma once

#include "AddressTable.h"

#include <string_view>

namespace book {

// Rows 1 .. rowCount()-1 into key order of the column, stable: exactly the result of the grid's
// neighbour-exchange passes, at O(n log n). Row 0 never moves.
void sortByColumn(AddressTable& table, int column);

// The same result as sortByColumn after only `row` was rewritten: when every other row is already in
// key order, the row is moved to its place in O(n) instead of sorting everything again.
void sortAfterChange(AddressTable& table, int column, int row);

// Lower bound over rows first..last (binary search; assumes key order): the lowest row whose key is
// not less than text, or last when every key is less. No comparison when first == last.
int locateRow(const AddressTable& table, int column, std::string_view text, int first, int last);

// Where Add puts a record with key text: the first data row, scanning from row 1, whose key is not
// less than text, or rowCount() when none is. A linear scan, so an unsorted table behaves as the
// command describes.
int insertionRow(const AddressTable& table, int column, std::string_view text);

} // namespace book
