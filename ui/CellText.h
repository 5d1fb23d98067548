#pragma once

#include <QString>

#include <string>
#include <string_view>

// Cells are Windows-1252 bytes; the widgets speak Unicode.
namespace ui {

QString toDisplay(std::string_view cell);

// More characters than a grid column shows at any usual width; a cell of megabytes laid out on every
// paint would stall the window.
inline constexpr std::size_t GridTextLength = 1024;

// What the grid shows of a cell: all of it, or its first GridTextLength bytes and an ellipsis. For
// display only: the cell itself keeps every byte.
QString toGridText(std::string_view cell);

// The bytes of a typed text: characters without a byte become '?', as the system conversion does.
std::string toCellLossy(const QString& text);

} // namespace ui
