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

// The column headings, above the records wherever they are shown.
inline constexpr std::array<std::string_view, ColumnCount> Headings = {
    "Name", "Firstname", "Alias", "Address", "Tel / Fax", "e-mail", "Note"};

inline constexpr int EmailColumn = 5;

// The text for an index outside the list.
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

// The records of the list, 0 .. recordCount()-1 in list order. The headings are the view's, not the list's.
//
// The records are lines of text as the address file holds them: the file's bytes as they were read, in
// one buffer, and every record written since in a second buffer that only grows. A record is a 32-bit
// reference to its line, so sorting, inserting and deleting move references, never bytes, and a copy of
// the table shares the file's bytes. Cells are found in their line when they are read.
class AddressTable {
public:
    // One record's line in the table's buffers.
    using Reference = std::uint32_t;

    AddressTable(); // the empty list

    // The records of an address file: a line ends at CR (CR LF is one line end), byte 26 ends the file,
    // the end of the file ends the last line and a final line end adds no line; fields past the seventh
    // are ignored, missing ones are empty. No line at all gives the empty list. Raises
    // std::length_error for more than MaxTextBytes.
    explicit AddressTable(std::string fileBytes);
    static constexpr std::size_t MaxTextBytes = (std::size_t{1} << 31) - 1;

    int recordCount() const;
    // Valid until the table is next changed.
    std::string_view cell(int column, int index) const;
    Record record(int index) const;

    // The empty list is one blank record, never no record at all: adding to it fills that record, and
    // removing the only record leaves it blank.
    bool isEmptyList() const;

    // A field cannot hold '|', CR or byte 26 (the file could not give it back): such a record raises
    // std::invalid_argument. Every change either completes or raises and leaves the table as it was.
    void setRecord(int index, const Record& record);
    void insertRecord(int index,
                      const Record& record); // at 0 .. recordCount(); the records from there move down
    void removeRecord(int index);            // the records below move up; the only one is emptied
    void moveRecord(int from, int to);       // the records in between close up

    // A change in two steps, so that a view can be told between them: prepare() does all that can fail
    // (checks the fields, writes the line, makes room for one more record), the step itself cannot fail.
    Reference prepare(const Record& record);
    void setPrepared(int index, Reference line) noexcept;
    void insertPrepared(int index, Reference line) noexcept;
    void reserveRecords(std::size_t more);
    void appendPrepared(std::span<const Reference> lines) noexcept; // room reserved beforehand

    // For an operation that only reorders the records (a sort, new records merged into place): their
    // references in list order. Permuting them is the only change allowed.
    std::span<Reference> references() { return rows_; }
    std::span<const Reference> references() const { return rows_; }
    std::string_view cellOf(Reference line, int column) const;
    // For walks over many records: where to ask the processor for a line ahead of its use. (A function
    // that only prefetches counts as pure for the compiler, and its calls are dropped.)
    const char* lineStart(Reference line) const { return this->line(line).begin; }
    // Where each of these lines stands now, in one pass.
    std::vector<int> indexesOf(std::span<const Reference> lines) const;
    // The buffers that hold the lines, each with the reference of its first byte: a search scans them in
    // their own order, lines no record shows any more included, and then asks which records' lines matched.
    struct Buffer {
        std::string_view bytes;
        Reference first;
    };
    std::array<Buffer, 2> buffers() const { return {{{*read_, 0}, {edited_, EditedLine}}}; }

    // Records 0 .. recordCount()-1 as the address file's text, handed to the sink in order as pieces that
    // point into the table (valid while it is not changed), a batch at a time.
    using TextSink = std::function<void(std::span<const std::string_view> pieces)>;
    void writeText(const TextSink& sink) const;

private:
    static constexpr Reference EditedLine = Reference{1} << 31; // set: the line is in edited_

    // Where each field of a long line lies, so that reading a cell does not walk megabytes.
    struct LongLine {
        Reference ref;
        std::array<std::uint32_t, ColumnCount> begin;
        std::array<std::uint32_t, ColumnCount> end;
    };

    struct Line {
        const char* begin;
        const char* limit; // the end of its buffer: a last line may end there without a line end
    };

    Line line(Reference ref) const {
        if ((ref & EditedLine) != 0) {
            return {edited_.data() + (ref & ~EditedLine), edited_.data() + edited_.size()};
        }
        return {read_->data() + ref, read_->data() + read_->size()};
    }
    bool savedAsIs(Reference ref) const;
    Reference at(int index) const;
    void checkIndex(int index) const;
    void noteIfLong(Reference ref, Line line, std::size_t length);

    std::shared_ptr<const std::string> read_; // the address file's bytes, up to any byte 26
    std::string edited_;                      // lines written since, each "f0|f1|...|f6" CR LF
    std::vector<Reference> rows_;             // the records in list order
    std::vector<LongLine> longLines_;         // by ref: lines are appended in growing ref order
    std::vector<Reference> irregularLines_;   // file lines that are not saved as they were read, by ref
};

// The records as the address file holds them: seven fields joined by '|', CR LF after each.
std::string formatAddressText(const AddressTable& table);

} // namespace book
