#include "Sort.h"

#include "CodePage.h"
#include "KeyOrder.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace book {

namespace {

// The upper-cased keys of rows 1 .. rowCount()-1, computed once and held in one buffer. Each row also
// gets its first eight key bytes as a big-endian number, so most comparisons touch no string at all.
class SortKeys {
public:
    SortKeys(const AddressTable& table, int column) {
        const std::size_t dataRows = static_cast<std::size_t>(table.rowCount() - 1);
        std::size_t total = 0;
        for (int row = 1; row < table.rowCount(); ++row) {
            total += table.cell(column, row).size();
        }
        keys_.reserve(total);
        ends_.reserve(dataRows + 1);
        ends_.push_back(0);
        entries_.reserve(dataRows);
        for (int row = 1; row < table.rowCount(); ++row) {
            const std::size_t begin = keys_.size();
            for (const char byte : table.cell(column, row)) {
                keys_.push_back(static_cast<char>(upperByte(static_cast<unsigned char>(byte))));
            }
            ends_.push_back(keys_.size());
            entries_.push_back({prefixOf(std::string_view(keys_).substr(begin)), row});
        }
    }

    // Rows in key order, equal keys in their present order.
    std::vector<int> sortedRows() {
        std::stable_sort(entries_.begin(), entries_.end(), [this](const Entry& a, const Entry& b) {
            if (a.prefix != b.prefix) {
                return a.prefix < b.prefix;
            }
            return key(a.row) < key(b.row);
        });
        std::vector<int> rows;
        rows.reserve(entries_.size());
        for (const Entry& entry : entries_) {
            rows.push_back(entry.row);
        }
        return rows;
    }

private:
    struct Entry {
        std::uint64_t prefix;
        int row;
    };

    // Zero padding keeps the order: a key and the same key with a trailing zero byte tie here and are
    // told apart by the full comparison.
    static std::uint64_t prefixOf(std::string_view key) {
        std::uint64_t prefix = 0;
        for (std::size_t i = 0; i < sizeof prefix; ++i) {
            prefix = (prefix << 8) | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0U);
        }
        return prefix;
    }

    // Already upper-cased, so a plain unsigned byte comparison is the key order.
    std::string_view key(int row) const {
        const std::size_t index = static_cast<std::size_t>(row - 1);
        return std::string_view(keys_).substr(ends_[index], ends_[index + 1] - ends_[index]);
    }

    std::string keys_;
    std::vector<std::size_t> ends_;
    std::vector<Entry> entries_;
};

} // namespace

void sortByColumn(AddressTable& table, int column) {
    if (table.rowCount() - 2 <= 0) {
        return;
    }
    SortKeys keys(table, column);
    const std::vector<int> order = keys.sortedRows();
    if (!std::is_sorted(order.begin(), order.end())) {
        table.reorderRecords(order);
    }
}

void sortAfterChange(AddressTable& table, int column, int row) {
    const int last = table.rowCount() - 1;
    if (last < 2) {
        return;
    }
    int previous = 0; // the row before the one being checked, skipping the changed row
    for (int current = 1; current <= last; ++current) {
        if (current == row) {
            continue;
        }
        if (previous != 0 && compareKeys(table.cell(column, previous), table.cell(column, current)) > 0) {
            sortByColumn(table, column);
            return;
        }
        previous = current;
    }
    // The others are in order: a stable sort puts the row after every smaller key and, among equal
    // keys, keeps its place relative to them.
    Record changed = table.record(row);
    table.removeRecord(row);
    const std::string_view key = changed.field(column);
    const int othersLast = table.rowCount() - 1;
    int lower = locateRow(table, column, key, 1, othersLast);
    if (compareKeys(key, table.cell(column, lower)) > 0) {
        lower = othersLast + 1; // after every key
    }
    int upper = lower;
    while (upper <= othersLast && compareKeys(key, table.cell(column, upper)) == 0) {
        ++upper;
    }
    table.insertRecord(std::clamp(row, lower, upper), std::move(changed));
}

int locateRow(const AddressTable& table, int column, std::string_view text, int first, int last) {
    int lo = first;
    int hi = last;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (compareKeys(text, table.cell(column, mid)) > 0) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

int insertionRow(const AddressTable& table, int column, std::string_view text) {
    int row = 1;
    while (row < table.rowCount() && compareKeys(text, table.cell(column, row)) > 0) {
        ++row;
    }
    return row;
}

} // namespace book
