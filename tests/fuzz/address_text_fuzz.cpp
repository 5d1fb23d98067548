// Address file text: the reader against a literal reading of its line rules, and the round trip
// through the writer.
#include "FuzzCheck.h"
#include "book/AddressTable.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using book::AddressTable;
using book::ColumnCount;

// The line rules taken byte by byte, as slow and plain as possible.
std::vector<std::array<std::string, ColumnCount>> readLiterally(std::string_view bytes) {
    std::vector<std::array<std::string, ColumnCount>> lines;
    std::array<std::string, ColumnCount> fields{};
    int column = 0;
    bool lineOpen = false;
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != 26; ++i) {
        const char c = bytes[i];
        if (c == '\r') {
            lines.push_back(fields);
            fields = {};
            column = 0;
            lineOpen = false;
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i;
            }
            continue;
        }
        lineOpen = true;
        if (c == '|') {
            ++column;
        } else if (column < ColumnCount) {
            fields[static_cast<std::size_t>(column)] += c;
        }
    }
    if (lineOpen) {
        lines.push_back(fields);
    }
    return lines;
}

bool sameRecords(const AddressTable& left, const AddressTable& right) {
    if (left.recordCount() != right.recordCount()) {
        return false;
    }
    for (int index = 0; index < left.recordCount(); ++index) {
        if (!(left.record(index) == right.record(index))) {
            return false;
        }
    }
    return true;
}

void checkAgainstLiteralReading(std::string_view bytes) {
    const AddressTable table{std::string(bytes)};
    const std::vector<std::array<std::string, ColumnCount>> lines = readLiterally(bytes);
    fuzzcheck::require(table.recordCount() == std::max(static_cast<int>(lines.size()), 1),
                       "a record for every line, and the blank record of the empty list without any");
    for (std::size_t line = 0; line < lines.size(); ++line) {
        for (int column = 0; column < ColumnCount; ++column) {
            fuzzcheck::require(table.cell(column, static_cast<int>(line)) ==
                                   lines[line][static_cast<std::size_t>(column)],
                               "a cell holds what the line rules give");
        }
    }
}

void checkRoundTrip(std::string_view bytes) {
    const AddressTable first{std::string(bytes)};
    const std::string written = book::formatAddressText(first);
    const AddressTable second{written};
    fuzzcheck::require(sameRecords(first, second), "reading what was written gives the same table");
    fuzzcheck::require(book::formatAddressText(second) == written, "a second write gives the same text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkAgainstLiteralReading(bytes);
    checkRoundTrip(bytes);
    return 0;
}
