#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// Cells are Windows-1252 bytes; the widgets speak Unicode.
namespace ui {

QString toDisplay(std::string_view cell);

// The bytes of a typed text, or nothing when a character has no byte in the code page.
std::optional<std::string> toCell(const QString& text);

// For search texts: characters without a byte become '?', as the system conversion does.
std::string toCellLossy(const QString& text);

} // namespace ui
