#include "ListLayout.h"

#include <algorithm>
#include <numeric>

namespace print {
namespace {

ColumnWidths columnWidths(const book::AddressTable& table) {
    ColumnWidths widths{};
    widenColumns(widths, table, 0, table.rowCount());
    return widths;
}

} // namespace

void widenColumns(ColumnWidths& widths, const book::AddressTable& table, int first, int end) {
    for (int row = first; row < end; ++row) {
        for (int column = 0; column < book::ColumnCount; ++column) {
            widths[column] = std::max(widths[column], table.cell(column, row).size());
        }
    }
}

ListLayout::ListLayout(const book::AddressTable& table) : ListLayout(table, columnWidths(table)) {}

ListLayout::ListLayout(const book::AddressTable& table, const ColumnWidths& widths)
    : table_(table), widths_(widths),
      // Each column carries one space more than its width.
      lineLength_(std::accumulate(widths_.begin(), widths_.end(), std::size_t{book::ColumnCount})) {}

std::string ListLayout::line(int index) const {
    if (index == 1) {
        return {};
    }
    const int row = index == 0 ? 0 : index - 1;
    std::string line;
    line.reserve(lineLength_);
    for (int column = 0; column < book::ColumnCount; ++column) {
        const std::string_view text = table_.cell(column, row);
        line.append(text);
        line.append(widths_[column] + 1 - text.size(), ' ');
    }
    return line;
}

} // namespace print
