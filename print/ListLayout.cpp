#include "ListLayout.h"

#include <algorithm>
#include <numeric>

namespace print {

ColumnWidths columnWidths(const book::AddressTable& table) {
    ColumnWidths widths{};
    for (int row = 0; row < table.rowCount(); ++row) {
        for (int column = 0; column < book::ColumnCount; ++column) {
            widths[column] = std::max(widths[column], table.cell(column, row).size());
        }
    }
    return widths;
}

std::vector<std::string> composeList(const book::AddressTable& table) {
    const ColumnWidths widths = columnWidths(table);
    // Each column carries one space more than its width.
    const std::size_t lineLength =
        std::accumulate(widths.begin(), widths.end(), std::size_t{book::ColumnCount});

    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(table.rowCount()) + 1);
    for (int row = 0; row < table.rowCount(); ++row) {
        std::string line;
        line.reserve(lineLength);
        for (int column = 0; column < book::ColumnCount; ++column) {
            const std::string_view text = table.cell(column, row);
            line.append(text);
            line.append(widths[column] + 1 - text.size(), ' ');
        }
        lines.push_back(std::move(line));
        if (row == 0) {
            lines.emplace_back();
        }
    }
    return lines;
}

} // namespace print
