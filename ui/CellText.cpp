#include "CellText.h"

#include "book/CodePage.h"

#include <QList>

namespace ui {

QString toDisplay(std::string_view cell) {
    QString text;
    text.reserve(static_cast<qsizetype>(cell.size()));
    for (const char byte : cell) {
        text.append(QChar(static_cast<char16_t>(book::toUnicode(static_cast<unsigned char>(byte)))));
    }
    return text;
}

QString toGridText(std::string_view cell) {
    if (cell.size() <= GridTextLength) {
        return toDisplay(cell);
    }
    return toDisplay(cell.substr(0, GridTextLength)) + QChar(u'\u2026');
}

std::string toCellLossy(const QString& text) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t character : text.toUcs4()) {
        bytes.push_back(static_cast<char>(book::fromUnicode(character).value_or('?')));
    }
    return bytes;
}

} // namespace ui
