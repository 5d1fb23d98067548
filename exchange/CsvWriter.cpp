#include "CsvWriter.h"

#include "Utf8.h"

#include <algorithm>

namespace exchange {

namespace {

// Spreadsheets take a file without the mark for their local code page; CRLF is what RFC 4180 and
// every spreadsheet read as the end of a row.
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view RowEnd = "\r\n";

// Quoted where a reader could take it apart or trim it: separators of either kind, quotes, line
// breaks, blanks at an end.
bool needsQuotes(std::string_view text) {
    return text.find_first_of(",;\"\r\n") != std::string_view::npos || text.starts_with(' ') ||
           text.ends_with(' ') || text.starts_with('\t') || text.ends_with('\t');
}

void appendCell(std::string& out, std::string_view utf8) {
    if (!needsQuotes(utf8)) {
        out += utf8;
        return;
    }
    out += '"';
    for (const char c : utf8) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
}

void appendRow(std::string& out, const ContactView& cells, bool fromWindows1252) {
    for (std::size_t column = 0; column < cells.size(); ++column) {
        if (column > 0) {
            out += ',';
        }
        appendCell(out, fromWindows1252 ? utf8FromWindows1252(cells[column]) : std::string(cells[column]));
    }
    out += RowEnd;
}

} // namespace

void appendCsvHeading(std::string& out) {
    out += ByteOrderMark;
    ContactView headings;
    std::ranges::copy(book::Headings, headings.begin());
    appendRow(out, headings, false);
}

bool appendCsvRow(std::string& out, const ContactView& contact) {
    if (isBlank(contact)) {
        return false;
    }
    appendRow(out, contact, true);
    return true;
}

} // namespace exchange
