#pragma once

#include "AddressTable.h"

#include <span>
#include <string_view>
#include <vector>

namespace book {

// The records into key order of the column, stable: exactly the result of the grid's neighbour-exchange
// passes, at O(n log n). It reorders the table's references and nothing else.
void sortByColumn(AddressTable& table, int column);

bool inKeyOrder(const AddressTable& table, int column);

// Where the record at index belongs when every other record is in key order: the place the sort would
// give it, found by halving.
int placeAfterChange(const AddressTable& table, int column, int index);

// Lower bound over records first..last (binary search; assumes key order): the lowest record whose key is
// not less than text, or last when every key is less. No comparison when first == last.
int locateRow(const AddressTable& table, int column, std::string_view text, int first, int last);

// Where Add puts a record with key text: the first record, scanning from the top, whose key is not less
// than text, or recordCount() when none is. A table known to be in key order is searched by halving,
// with the same result; any other is scanned, so that an unsorted table behaves as the command describes.
int insertionIndex(const AddressTable& table, int column, std::string_view text, bool ordered);

// Where Add would put each of these records into the table as it stands (records added before them
// do not change that place among the table's records). At O(n + m log n) for m records into n.
std::vector<int> insertionIndexes(const AddressTable& table, int column, std::span<const Record> records,
                                  bool ordered);

} // namespace book
