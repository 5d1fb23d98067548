#include "AddressTable.h"

#include <algorithm>
#include <span>
#include <stdexcept>
#include <utility>

namespace book {

namespace {

// The grid's own text for an index outside the table.
constexpr const char* IndexError = "Gitterindex außerhalb des zulässigen Bereichs";

void checkColumn(int column) {
    if (column < 0 || column >= ColumnCount) {
        throw std::out_of_range(IndexError);
    }
}

const Record& emptyRecord() {
    static const Record empty;
    return empty;
}

Record headingRecord() {
    return Record{Headings[0], Headings[1], Headings[2], Headings[3], Headings[4], Headings[5], Headings[6]};
}

} // namespace

Record::Record(std::initializer_list<std::string_view> fields) {
    const std::span<const std::string_view> used(fields.begin(),
                                                 std::min<std::size_t>(fields.size(), ColumnCount));
    std::size_t total = 0;
    for (const std::string_view field : used) {
        total += field.size();
    }
    bytes_.reserve(total);
    for (int column = 0; column < ColumnCount - 1; ++column) {
        if (static_cast<std::size_t>(column) < used.size()) {
            bytes_.append(used[static_cast<std::size_t>(column)]);
        }
        fieldEnds_[column] = bytes_.size();
    }
    if (used.size() == ColumnCount) {
        bytes_.append(used.back());
    }
}

std::size_t Record::fieldBegin(int column) const {
    return column == 0 ? 0 : fieldEnds_[column - 1];
}

std::size_t Record::fieldEnd(int column) const {
    return column == ColumnCount - 1 ? bytes_.size() : fieldEnds_[column];
}

std::string_view Record::field(int column) const {
    checkColumn(column);
    return std::string_view(bytes_).substr(fieldBegin(column), fieldEnd(column) - fieldBegin(column));
}

void Record::setField(int column, std::string_view text) {
    checkColumn(column);
    const std::size_t first = fieldBegin(column);
    const std::size_t oldLength = fieldEnd(column) - first;
    bytes_.replace(first, oldLength, text);
    for (int later = column; later < ColumnCount - 1; ++later) {
        fieldEnds_[later] = fieldEnds_[later] - oldLength + text.size();
    }
}

bool Record::isBlank() const {
    return bytes_.empty();
}

bool operator==(const Record& a, const Record& b) {
    return a.bytes_ == b.bytes_ && a.fieldEnds_ == b.fieldEnds_;
}

AddressTable::AddressTable() {
    rows_.push_back(headingRecord());
}

int AddressTable::rowCount() const {
    return rowCount_;
}

void AddressTable::setRowCount(int n) {
    n = std::max(n, 1);
    if (n < rowCount_ && rows_.size() > static_cast<std::size_t>(n)) {
        rows_.resize(static_cast<std::size_t>(n));
    }
    rowCount_ = n;
}

std::string_view AddressTable::cell(int column, int row) const {
    checkColumn(column);
    return record(row).field(column);
}

void AddressTable::setCell(int column, int row, std::string_view text) {
    checkColumn(column);
    if (row < 0) {
        throw std::out_of_range(IndexError);
    }
    if (static_cast<std::size_t>(row) >= rows_.size()) {
        // The text may be a view of another row, which growing the table moves.
        Record record;
        record.setField(column, text);
        setRecord(row, std::move(record));
        return;
    }
    rows_[static_cast<std::size_t>(row)].setField(column, text);
}

const Record& AddressTable::record(int row) const {
    if (row < 0) {
        throw std::out_of_range(IndexError);
    }
    return static_cast<std::size_t>(row) < rows_.size() ? rows_[static_cast<std::size_t>(row)]
                                                        : emptyRecord();
}

void AddressTable::setRecord(int row, Record record) {
    if (row < 0) {
        throw std::out_of_range(IndexError);
    }
    ensureStored(row + 1);
    rows_[static_cast<std::size_t>(row)] = std::move(record);
}

void AddressTable::insertRecord(int row, Record record) {
    if (row < 1 || row > rowCount_) {
        throw std::out_of_range(IndexError);
    }
    // The grid's way: the count grows by one and the rows move down into it, overwriting whatever was
    // kept in the new last row; rows stored further out stay where they are.
    ensureStored(rowCount_ + 1);
    const auto first = rows_.begin() + row;
    std::move_backward(first, rows_.begin() + rowCount_, rows_.begin() + rowCount_ + 1);
    *first = std::move(record);
    ++rowCount_;
}

void AddressTable::removeRecord(int row) {
    checkDataRow(row);
    if (rowCount_ == 2) {
        setRecord(1, Record());
        return;
    }
    ensureStored(rowCount_);
    std::move(rows_.begin() + row + 1, rows_.begin() + rowCount_, rows_.begin() + row);
    setRowCount(rowCount_ - 1);
}

void AddressTable::reorderRecords(const std::vector<int>& order) {
    const std::size_t dataRows = static_cast<std::size_t>(rowCount_ - 1);
    if (order.size() != dataRows) {
        throw std::invalid_argument("reorderRecords: the order must name every data row once");
    }
    std::vector<bool> named(dataRows, false);
    for (const int row : order) {
        if (row < 1 || row >= rowCount_ || named[static_cast<std::size_t>(row - 1)]) {
            throw std::invalid_argument("reorderRecords: the order must name every data row once");
        }
        named[static_cast<std::size_t>(row - 1)] = true;
    }
    ensureStored(rowCount_);
    std::vector<Record> reordered;
    reordered.reserve(dataRows);
    for (const int row : order) {
        reordered.push_back(std::move(rows_[static_cast<std::size_t>(row)]));
    }
    std::move(reordered.begin(), reordered.end(), rows_.begin() + 1);
}

void AddressTable::checkDataRow(int row) const {
    if (row < 1 || row >= rowCount_) {
        throw std::out_of_range(IndexError);
    }
}

void AddressTable::ensureStored(int rows) {
    if (rows_.size() < static_cast<std::size_t>(rows)) {
        rows_.resize(static_cast<std::size_t>(rows));
    }
}

} // namespace book
