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

namespace {

template <typename OnMissing> std::string convert(const QString& text, OnMissing onMissing) {
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const char32_t character : text.toUcs4()) {
        if (const auto byte = book::fromUnicode(character)) {
            bytes.push_back(static_cast<char>(*byte));
        } else if (!onMissing(bytes)) {
            return {};
        }
    }
    return bytes;
}

} // namespace

std::optional<std::string> toCell(const QString& text) {
    bool representable = true;
    std::string bytes = convert(text, [&](std::string&) { return representable = false; });
    if (!representable) {
        return std::nullopt;
    }
    return bytes;
}

std::string toCellLossy(const QString& text) {
    return convert(text, [](std::string& bytes) {
        bytes.push_back('?');
        return true;
    });
}

} // namespace ui
