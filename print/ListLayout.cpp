#include "ListLayout.h"

#include <algorithm>
#include <numeric>

namespace print {
namespace {

ColumnWidths columnWidths(const book::AddressTable& table) {
    ColumnWidths widths = headingWidths();
    widenColumns(widths, table, 0, table.recordCount());
    return widths;
}

} // namespace

ColumnWidths headingWidths() {
    ColumnWidths widths{};
    for (std::size_t column = 0; column < book::ColumnCount; ++column) {
        widths[column] = book::Headings[column].size();
    }
    return widths;
}

void widenColumns(ColumnWidths& widths, const book::AddressTable& table, int first, int end) {
    for (int index = first; index < end; ++index) {
        for (std::size_t column = 0; column < book::ColumnCount; ++column) {
            widths[column] = std::max(widths[column], table.cell(static_cast<int>(column), index).size());
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
    std::string line;
    line.reserve(lineLength_);
    for (std::size_t column = 0; column < book::ColumnCount; ++column) {
        const std::string_view text =
            index == 0 ? book::Headings[column] : table_.cell(static_cast<int>(column), index - 2);
        line.append(text);
        line.append(widths_[column] + 1 - text.size(), ' ');
    }
    return line;
}

} // namespace print
