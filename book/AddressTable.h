#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace book {

inline constexpr int ColumnCount = 7;

// Column headings, also row 0 of the table.
inline constexpr std::array<std::string_view, ColumnCount> Headings = {
    "Name", "Firstname", "Alias", "Address", "Tel / Fax", "e-mail", "Note"};

inline constexpr int EmailColumn = 5;

// The grid's own text for an index outside the table.
inline constexpr const char* GridIndexError = "Gitterindex außerhalb des zulässigen Bereichs";

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

// The grid's cells: row 0 the headings, rows 1 .. rowCount()-1 the records in list order, never fewer
// than one record row (the empty list is one blank row).
//
// The records are lines of text as the address file holds them: the file's bytes as they were read, in
// one buffer, and every record written since in a second buffer that only grows. A row is a 32-bit
// reference to its line, so sorting, inserting and deleting move references, never bytes, and a copy of
// the table shares the file's bytes. Cells are found in their line when they are read.
class AddressTable {
public:
    AddressTable(); // the empty list: headings and one blank row

    // The records of an address file: a line ends at CR (CR LF is one line end), byte 26 ends the file,
    // the end of the file ends the last line and a final line end adds no line; fields past the seventh
    // are ignored, missing ones are empty. No line at all gives the empty list. Raises
    // std::length_error for more than MaxTextBytes.
    explicit AddressTable(std::string fileBytes);
    static constexpr std::size_t MaxTextBytes = (std::size_t{1} << 31) - 1;

    int rowCount() const;
    // Valid until the table is next changed.
    std::string_view cell(int column, int row) const;
    Record record(int row) const;

    // Data rows only. A field cannot hold '|', CR or byte 26 (the file could not give it back): such a
    // record raises std::invalid_argument and the table stays as it was, as it does for any exception.
    void setRecord(int row, const Record& record);
    void insertRecord(int row, const Record& record); // at 1 .. rowCount(); the rows from there move down
    void removeRecord(int row);        // the rows below move up; the only record is emptied instead
    void moveRecord(int from, int to); // the rows in between close up

    // Rows 1 .. rowCount()-1 as the address file's text, handed to the sink in order as pieces that
    // point into the table (valid while it is not changed), a batch at a time.
    using TextSink = std::function<void(std::span<const std::string_view> pieces)>;
    void writeText(const TextSink& sink) const;

private:
    friend void sortByColumn(AddressTable& table, int column);
    friend class RecordFinder; // scans the line buffers in their own order

    using RowRef = std::uint32_t;
    static constexpr RowRef EditedLine = RowRef{1} << 31; // set: the line is in edited_

    // Where each field of a long line lies, so that reading a cell does not walk megabytes.
    struct LongLine {
        RowRef ref;
        std::array<std::uint32_t, ColumnCount> begin;
        std::array<std::uint32_t, ColumnCount> end;
    };

    struct Line {
        const char* begin;
        const char* limit; // the end of its buffer: a last line may end there without a line end
    };

    Line line(RowRef ref) const {
        if ((ref & EditedLine) != 0) {
            return {edited_.data() + (ref & ~EditedLine), edited_.data() + edited_.size()};
        }
        return {read_->data() + ref, read_->data() + read_->size()};
    }
    // For walks over many rows: where to ask the processor for a line ahead of its use. (A function
    // that only prefetches counts as pure for the compiler, and its calls are dropped.)
    const char* lineStart(RowRef ref) const { return line(ref).begin; }
    bool savedAsIs(RowRef ref) const;
    std::string_view cellOf(RowRef ref, int column) const;
    RowRef dataRow(int row) const;
    void checkDataRow(int row) const;
    RowRef appendLine(const Record& record);
    void noteIfLong(RowRef ref, Line line, std::size_t length);

    std::shared_ptr<const std::string> read_; // the address file's bytes, up to any byte 26
    std::string edited_;                      // lines written since, each "f0|f1|...|f6" CR LF
    std::vector<RowRef> rows_;                // rows 1 .. rowCount()-1
    std::vector<LongLine> longLines_;         // by ref: lines are appended in growing ref order
    std::vector<RowRef> irregularLines_;      // file lines that are not saved as they were read, by ref
};

// Rows 1 .. rowCount()-1 as the address file holds them: seven fields joined by '|', CR LF after each.
std::string formatAddressText(const AddressTable& table);

} // namespace book
