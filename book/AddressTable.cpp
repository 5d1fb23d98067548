#include "AddressTable.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <span>
#include <stdexcept>

namespace book {

namespace {

constexpr char FieldSeparator = '|';
constexpr char LineEnd = '\r';
constexpr std::string_view SavedLineEnd = "\r\n";
constexpr char EndOfFile = 26;
constexpr std::string_view BlankLine = "||||||\r\n";
// Lines longer than the grid ever shows of a cell get their fields indexed once.
constexpr std::size_t LongLineBytes = 1024;
constexpr std::size_t PiecesPerBatch = 1024;
// After a sort the rows' lines lie all over the buffer: asking for them this many rows ahead hides most
// of the wait for memory.
constexpr std::size_t PrefetchDistance = 16;

void checkColumn(int column) {
    if (column < 0 || column >= ColumnCount) {
        throw std::out_of_range(GridIndexError);
    }
}

// Eight bytes at a time: every line is looked at when the file is read and whenever a cell of it is.
constexpr std::uint64_t Ones = 0x0101010101010101U;
constexpr std::uint64_t Low7 = 0x7F7F7F7F7F7F7F7FU;

// 0x80 in every byte of the word that equals the byte, and nowhere else.
std::uint64_t bytesEqualTo(std::uint64_t word, char byte) {
    const std::uint64_t x = word ^ (Ones * static_cast<unsigned char>(byte));
    return ~(((x & Low7) + Low7) | x | Low7);
}

std::uint64_t wordAt(const char* bytes) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// The first '|' or CR from here, or the limit.
const char* fieldEnd(const char* from, const char* limit) {
    static_assert(std::endian::native == std::endian::little, "the first byte is the lowest");
    for (; limit - from >= 8; from += 8) {
        const std::uint64_t word = wordAt(from);
        if (const std::uint64_t stops = bytesEqualTo(word, FieldSeparator) | bytesEqualTo(word, LineEnd)) {
            return from + std::countr_zero(stops) / 8;
        }
    }
    while (from != limit && *from != FieldSeparator && *from != LineEnd) {
        ++from;
    }
    return from;
}

// Where the line's text ends: at its CR, or at the end of the buffer.
const char* lineTextEnd(const char* begin, const char* limit) {
    const void* const end = std::memchr(begin, LineEnd, static_cast<std::size_t>(limit - begin));
    return end != nullptr ? static_cast<const char*>(end) : limit;
}

std::size_t separatorCount(std::string_view text) {
    std::size_t count = 0;
    std::size_t index = 0;
    for (; index + 8 <= text.size(); index += 8) {
        // One in every matching byte: the multiplication adds them up in the top byte.
        const std::uint64_t matches = bytesEqualTo(wordAt(text.data() + index), FieldSeparator) >> 7;
        count += static_cast<std::size_t>((matches * Ones) >> 56);
    }
    return count + static_cast<std::size_t>(std::count(text.begin() + static_cast<std::ptrdiff_t>(index),
                                                       text.end(), FieldSeparator));
}

void checkStorable(const Record& record) {
    for (int column = 0; column < ColumnCount; ++column) {
        if (record.field(column).find_first_of("|\r\x1a") != std::string_view::npos) {
            throw std::invalid_argument("A field cannot hold '|', CR or byte 26");
        }
    }
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
        fieldEnds_[static_cast<std::size_t>(column)] = bytes_.size();
    }
    if (used.size() == ColumnCount) {
        bytes_.append(used.back());
    }
}

std::size_t Record::fieldBegin(int column) const {
    return column == 0 ? 0 : fieldEnds_[static_cast<std::size_t>(column - 1)];
}

std::size_t Record::fieldEnd(int column) const {
    return column == ColumnCount - 1 ? bytes_.size() : fieldEnds_[static_cast<std::size_t>(column)];
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
    for (auto later = static_cast<std::size_t>(column); later < fieldEnds_.size(); ++later) {
        fieldEnds_[later] = fieldEnds_[later] - oldLength + text.size();
    }
}

bool Record::isBlank() const {
    return bytes_.empty();
}

bool operator==(const Record& a, const Record& b) {
    return a.bytes_ == b.bytes_ && a.fieldEnds_ == b.fieldEnds_;
}

AddressTable::AddressTable() : read_(std::make_shared<const std::string>()), edited_(BlankLine) {
    rows_.push_back(EditedLine);
}

AddressTable::AddressTable(std::string fileBytes) {
    fileBytes.resize(std::min(fileBytes.find(EndOfFile), fileBytes.size()));
    if (fileBytes.size() > MaxTextBytes) {
        throw std::length_error("The address file is larger than 2 GB");
    }
    read_ = std::make_shared<const std::string>(std::move(fileBytes));
    const char* const first = read_->data();
    const char* const limit = first + read_->size();
    // Room for lines of 48 bytes on average, which the system hands out only as it is used: no pass over
    // the file to count its lines first, and the rows of an ordinary list never grow into twice their size.
    rows_.reserve(read_->size() / 48 + 1);
    for (const char* begin = first; begin != limit;) {
        const char* const end = lineTextEnd(begin, limit);
        const auto ref = static_cast<Reference>(begin - first);
        rows_.push_back(ref);
        const std::string_view text(begin, static_cast<std::size_t>(end - begin));
        noteIfLong(ref, {begin, limit}, text.size());
        const std::string_view rest(end, static_cast<std::size_t>(limit - end));
        if (separatorCount(text) != ColumnCount - 1 || !rest.starts_with(SavedLineEnd)) {
            irregularLines_.push_back(ref);
        }
        begin = end == limit ? limit : end + 1;
        if (begin != limit && *begin == '\n') {
            ++begin;
        }
    }
    if (rows_.empty()) {
        edited_ = BlankLine;
        rows_.push_back(EditedLine);
    }
}

int AddressTable::recordCount() const {
    return static_cast<int>(rows_.size());
}

bool AddressTable::isEmptyList() const {
    return rows_.size() == 1 && record(0).isBlank();
}

bool AddressTable::savedAsIs(Reference ref) const {
    return (ref & EditedLine) != 0 ||
           !std::binary_search(irregularLines_.begin(), irregularLines_.end(), ref);
}

std::string_view AddressTable::cellOf(Reference ref, int column) const {
    if (!longLines_.empty()) {
        const auto found =
            std::lower_bound(longLines_.begin(), longLines_.end(), ref,
                             [](const LongLine& entry, Reference key) { return entry.ref < key; });
        if (found != longLines_.end() && found->ref == ref) {
            const char* const begin = line(ref).begin;
            const auto index = static_cast<std::size_t>(column);
            return {begin + found->begin[index], found->end[index] - found->begin[index]};
        }
    }
    const Line text = line(ref);
    const char* field = text.begin;
    for (int skipped = 0; skipped < column; ++skipped) {
        field = fieldEnd(field, text.limit);
        if (field == text.limit || *field == LineEnd) {
            return {}; // the line ends before this field
        }
        ++field;
    }
    return {field, static_cast<std::size_t>(fieldEnd(field, text.limit) - field)};
}

void AddressTable::noteIfLong(Reference ref, Line text, std::size_t length) {
    if (length <= LongLineBytes) {
        return;
    }
    LongLine entry{ref, {}, {}};
    const std::string_view bytes(text.begin, length);
    std::size_t begin = 0;
    for (std::size_t column = 0; column < ColumnCount; ++column) {
        const std::size_t end = std::min(bytes.find(FieldSeparator, begin), bytes.size());
        entry.begin[column] = static_cast<std::uint32_t>(begin);
        entry.end[column] = static_cast<std::uint32_t>(end);
        begin = std::min(end + 1, bytes.size());
    }
    longLines_.push_back(entry);
}

void AddressTable::checkIndex(int index) const {
    if (index < 0 || index >= recordCount()) {
        throw std::out_of_range(GridIndexError);
    }
}

AddressTable::Reference AddressTable::at(int index) const {
    checkIndex(index);
    return rows_[static_cast<std::size_t>(index)];
}

std::string_view AddressTable::cell(int column, int index) const {
    checkColumn(column);
    return cellOf(at(index), column);
}

Record AddressTable::record(int index) const {
    const Reference ref = at(index);
    return Record{cellOf(ref, 0), cellOf(ref, 1), cellOf(ref, 2), cellOf(ref, 3),
                  cellOf(ref, 4), cellOf(ref, 5), cellOf(ref, 6)};
}

AddressTable::Reference AddressTable::prepare(const Record& record) {
    checkStorable(record);
    reserveRecords(1);
    const std::size_t offset = edited_.size();
    std::size_t length = ColumnCount - 1;
    for (int column = 0; column < ColumnCount; ++column) {
        length += record.field(column).size();
    }
    if (offset + length + SavedLineEnd.size() > MaxTextBytes) {
        throw std::length_error("The address list cannot grow beyond 2 GB");
    }
    edited_.reserve(offset + length + SavedLineEnd.size()); // grows by doubling, as append would
    for (int column = 0; column < ColumnCount; ++column) {
        if (column > 0) {
            edited_.push_back(FieldSeparator);
        }
        edited_.append(record.field(column));
    }
    edited_.append(SavedLineEnd);
    const Reference ref = EditedLine | static_cast<Reference>(offset);
    try {
        noteIfLong(ref, line(ref), length);
    } catch (...) {
        edited_.resize(offset);
        throw;
    }
    return ref;
}

void AddressTable::reserveRecords(std::size_t more) {
    if (rows_.capacity() - rows_.size() < more) {
        rows_.reserve(std::max(rows_.size() + more, rows_.size() + rows_.size() / 2 + 1));
    }
}

void AddressTable::setPrepared(int index, Reference line) noexcept {
    rows_[static_cast<std::size_t>(index)] = line;
}

void AddressTable::insertPrepared(int index, Reference line) noexcept {
    rows_.insert(rows_.begin() + index, line); // room was made, so nothing is allocated
}

void AddressTable::appendPrepared(std::span<const Reference> lines) noexcept {
    rows_.insert(rows_.end(), lines.begin(), lines.end());
}

void AddressTable::setRecord(int index, const Record& record) {
    checkIndex(index);
    setPrepared(index, prepare(record));
}

void AddressTable::insertRecord(int index, const Record& record) {
    if (index < 0 || index > recordCount()) {
        throw std::out_of_range(GridIndexError);
    }
    insertPrepared(index, prepare(record));
}

void AddressTable::removeRecord(int index) {
    checkIndex(index);
    if (rows_.size() == 1) {
        setRecord(0, Record());
        return;
    }
    rows_.erase(rows_.begin() + index);
}

void AddressTable::moveRecord(int from, int to) {
    checkIndex(from);
    checkIndex(to);
    const auto source = rows_.begin() + from;
    const auto target = rows_.begin() + to;
    if (from < to) {
        std::rotate(source, source + 1, target + 1);
    } else {
        std::rotate(target, source, source + 1);
    }
}

std::vector<int> AddressTable::indexesOf(std::span<const Reference> lines) const {
    std::vector<std::pair<Reference, std::size_t>> wanted; // line, its place in lines
    wanted.reserve(lines.size());
    for (std::size_t place = 0; place < lines.size(); ++place) {
        wanted.emplace_back(lines[place], place);
    }
    std::sort(wanted.begin(), wanted.end());
    std::vector<int> indexes(lines.size(), -1);
    for (std::size_t index = 0; index < rows_.size(); ++index) {
        auto found = std::lower_bound(wanted.begin(), wanted.end(), std::pair{rows_[index], std::size_t{0}});
        for (; found != wanted.end() && found->first == rows_[index]; ++found) {
            indexes[found->second] = static_cast<int>(index);
        }
    }
    return indexes;
}

void AddressTable::writeText(const TextSink& sink) const {
    std::vector<std::string_view> pieces;
    pieces.reserve(PiecesPerBatch + 2 * ColumnCount);
    // Pieces that follow each other in a buffer go as one: a list in file order is one piece.
    const auto add = [&pieces](std::string_view piece) {
        if (piece.empty()) {
            return;
        }
        if (!pieces.empty() && pieces.back().data() + pieces.back().size() == piece.data()) {
            pieces.back() = std::string_view(pieces.back().data(), pieces.back().size() + piece.size());
        } else {
            pieces.push_back(piece);
        }
    };
    for (std::size_t index = 0; index < rows_.size(); ++index) {
        if (index + PrefetchDistance < rows_.size()) {
            __builtin_prefetch(lineStart(rows_[index + PrefetchDistance]));
        }
        const Reference ref = rows_[index];
        if (savedAsIs(ref)) {
            const Line text = line(ref);
            add(std::string_view(text.begin,
                                 static_cast<std::size_t>(lineTextEnd(text.begin, text.limit) - text.begin) +
                                     SavedLineEnd.size()));
        } else {
            for (int column = 0; column < ColumnCount; ++column) {
                if (column > 0) {
                    pieces.push_back("|");
                }
                add(cellOf(ref, column));
            }
            pieces.push_back(SavedLineEnd);
        }
        if (pieces.size() >= PiecesPerBatch) {
            sink(pieces);
            pieces.clear();
        }
    }
    if (!pieces.empty()) {
        sink(pieces);
    }
}

std::string formatAddressText(const AddressTable& table) {
    std::string text;
    table.writeText([&text](std::span<const std::string_view> pieces) {
        for (const std::string_view piece : pieces) {
            text.append(piece);
        }
    });
    return text;
}

} // namespace book
