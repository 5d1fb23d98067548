#include "ListLayout.h"

#include <algorithm>
#include <numeric>

namespace print {
namespace {

ColumnWidths columnWidths(const book::AddressTable& table) {
    ColumnWidths widths{};
    for (int row = 0; row < table.rowCount(); ++row) {
        for (int column = 0; column < book::ColumnCount; ++column) {
            widths[column] = std::max(widths[column], table.cell(column, row).size());
        }
    }
    return widths;
}

} // namespace

ListLayout::ListLayout(const book::AddressTable& table)
    : table_(table), widths_(columnWidths(table)),
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
