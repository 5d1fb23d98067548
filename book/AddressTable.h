#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace book {

inline constexpr int ColumnCount = 7;

// Column headings, also row 0 of the table.
inline constexpr std::array<std::string_view, ColumnCount> Headings = {
    "Name", "Firstname", "Alias", "Address", "Tel / Fax", "e-mail", "Note"};

inline constexpr int EmailColumn = 5;

// One address: seven byte strings in column order.
class Record {
public:
    Record() = default;
    Record(std::initializer_list<std::string_view> fields); // missing fields empty, extra ones ignored

    std::string_view field(int column) const;
    void setField(int column, std::string_view text);
    bool isBlank() const; // all seven fields empty

    friend bool operator==(const Record& a, const Record& b);

private:
    std::size_t fieldBegin(int column) const;
    std::size_t fieldEnd(int column) const;

    // The seven fields back to back in one string, so a record costs one allocation; fieldEnds_[c] is
    // where field c ends and field c + 1 begins (field 6 ends at the end of bytes_).
    std::string bytes_;
    std::array<std::size_t, ColumnCount - 1> fieldEnds_{};
};

// The grid's cells: row 0 the headings, rows 1 .. rowCount()-1 the records in list order.
// Rows and columns are signed indices as the grid uses them. A cell never written reads as empty.
class AddressTable {
public:
    AddressTable(); // row count 2, headings in row 0, blank row 1

    int rowCount() const;
    // n <= 0 counts as 1; rows at and above n leave the table; rows exposed by raising the count hold
    // what was written to them beyond the old count, or nothing.
    void setRowCount(int n);

    std::string_view cell(int column, int row) const;
    // Writing at or beyond rowCount() is allowed: the text is kept for a later raise of the count.
    void setCell(int column, int row, std::string_view text);

    const Record& record(int row) const; // an empty record for a row never written
    void setRecord(int row, Record record);

    // Row moves done in one step; the result is the one the grid's cell-by-cell copies give.
    void insertRecord(int row, Record record); // rows row.. move down, count + 1
    void removeRecord(int row);                // rows row+1.. move up, count - 1 (never below 2)
    // Rows 1 .. rowCount()-1 rearranged: new row k (k from 1) is old row order[k-1].
    void reorderRecords(const std::vector<int>& order);

private:
    void checkDataRow(int row) const;
    void ensureStored(int rows); // rows_ holds at least that many rows

    std::vector<Record> rows_; // may hold rows beyond rowCount_ written before a raise
    int rowCount_ = 2;
};

} // namespace book
