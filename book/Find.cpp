#include "Find.h"

#include "CodePage.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace book {

namespace {

constexpr char FieldSeparator = '|';
constexpr char LineEnd = '\r';
constexpr std::string_view NeverInAField = "|\r\x1a";
// Records looked at one by one before the buffers are scanned.
constexpr std::size_t NearRecords = 256;
// What looking up one row's line among the matching ones costs, in bytes of scanning.
constexpr std::size_t BytesPerRowVisited = 32;

const char* lineEnd(const char* from, const char* limit) {
    const void* const end = std::memchr(from, LineEnd, static_cast<std::size_t>(limit - from));
    return end != nullptr ? static_cast<const char*>(end) : limit;
}

// A match past the seventh field is in a field the table ignores.
bool inRecordFields(const char* lineStart, const char* match) {
    return std::count(lineStart, match, FieldSeparator) < ColumnCount;
}

// Sixteen bytes compared at once (SSE2 on x86-64, whatever the processor has elsewhere).
using Bytes16 = unsigned char __attribute__((vector_size(16)));

Bytes16 bytes16At(const char* bytes) {
    Bytes16 loaded;
    std::memcpy(&loaded, bytes, sizeof loaded);
    return loaded;
}

// A record's line without its line end.
std::string_view lineText(const AddressTable& table, AddressTable::Reference line) {
    const std::array<AddressTable::Buffer, 2> buffers = table.buffers();
    const AddressTable::Buffer& buffer = line >= buffers[1].first ? buffers[1] : buffers[0];
    const char* const begin = buffer.bytes.data() + (line - buffer.first);
    return {begin,
            static_cast<std::size_t>(lineEnd(begin, buffer.bytes.data() + buffer.bytes.size()) - begin)};
}

void spend(std::size_t& budget, std::size_t bytes) {
    budget -= std::min(budget, bytes);
}

} // namespace

RecordFinder::RecordFinder(std::string_view text, int afterRecord)
    : needle_(upperCase(text)), after_(std::max(-1, afterRecord)) {
    if (needle_.empty() || needle_.find_first_of(NeverInAField) != std::string::npos) {
        phase_ = Phase::Done;
        return;
    }
    first_ = ByteFilter::of(static_cast<unsigned char>(needle_.front()));
    last_ = ByteFilter::of(static_cast<unsigned char>(needle_.back()));
}

// The bits in which the spellings of the upper-case byte differ from it: a byte that equals it with
// those bits set may be one of them (the check that follows says).
RecordFinder::ByteFilter RecordFinder::ByteFilter::of(unsigned char upper) {
    unsigned char differing = 0;
    for (unsigned int byte = 0; byte < 256; ++byte) {
        if (upperByte(static_cast<unsigned char>(byte)) == upper) {
            differing = static_cast<unsigned char>(differing | (byte ^ upper));
        }
    }
    return {differing, static_cast<unsigned char>(upper | differing)};
}

bool RecordFinder::advance(const AddressTable& table, std::size_t budget) {
    while (phase_ != Phase::Done && budget > 0) {
        switch (phase_) {
        case Phase::Near:
            lookNear(table, budget);
            break;
        case Phase::ScanRead:
            scan(table.buffers()[0], budget);
            break;
        case Phase::ScanEdited:
            scan(table.buffers()[1], budget);
            break;
        case Phase::Walk:
            walk(table, budget);
            break;
        case Phase::Done:
            break;
        }
    }
    return phase_ == Phase::Done;
}

bool RecordFinder::matchesAt(const char* start, const char* limit) const {
    if (static_cast<std::size_t>(limit - start) < needle_.size()) {
        return false;
    }
    for (std::size_t at = 0; at < needle_.size(); ++at) {
        if (upperByte(static_cast<unsigned char>(start[at])) != static_cast<unsigned char>(needle_[at])) {
            return false;
        }
    }
    return true;
}

// The first match that starts in from..to and ends by limit, or nothing. Sixteen starts at a time are
// sifted by their first and last byte; only those that pass are compared in full.
const char* RecordFinder::nextMatch(const char* from, const char* to, const char* limit) const {
    const std::size_t length = needle_.size();
    if (static_cast<std::size_t>(limit - from) < length) {
        return nullptr;
    }
    const char* const end = std::min(to, limit - length + 1);
    const std::size_t last = length - 1;
    const Bytes16 firstDiffering = Bytes16{} + first_.differing;
    const Bytes16 firstFolded = Bytes16{} + first_.folded;
    const Bytes16 lastDiffering = Bytes16{} + last_.differing;
    const Bytes16 lastFolded = Bytes16{} + last_.folded;
    const char* start = from;
    for (; end - start >= 16 && limit - (start + last) >= 16; start += 16) {
        const auto passed =
            reinterpret_cast<Bytes16>(((bytes16At(start) | firstDiffering) == firstFolded) &
                                      ((bytes16At(start + last) | lastDiffering) == lastFolded));
        for (std::size_t half = 0; half < 2; ++half) {
            std::uint64_t candidates = 0;
            std::memcpy(&candidates, reinterpret_cast<const char*>(&passed) + 8 * half, sizeof candidates);
            for (; candidates != 0; candidates &= candidates - 1) {
                const char* const candidate = start + 8 * half + std::countr_zero(candidates) / 8;
                if (matchesAt(candidate, limit)) {
                    return candidate;
                }
            }
        }
    }
    for (; start < end; ++start) {
        if (matchesAt(start, limit)) {
            return start;
        }
    }
    return nullptr;
}

bool RecordFinder::lineMatches(std::string_view line) const {
    const char* const end = line.data() + line.size();
    const char* const match = nextMatch(line.data(), end, end);
    return match != nullptr && inRecordFields(line.data(), match);
}

void RecordFinder::lookNear(const AddressTable& table, std::size_t& budget) {
    const std::size_t records = static_cast<std::size_t>(table.recordCount());
    const std::size_t near = std::min(records, NearRecords);
    const std::size_t start = startRecord(records);
    for (; done_ < near && budget > 0; ++done_) {
        const std::string_view line = lineText(table, table.references()[(start + done_) % records]);
        spend(budget, line.size() + 1);
        if (lineMatches(line)) {
            finish(table, done_);
            return;
        }
    }
    if (done_ == near) {
        phase_ = near == records ? Phase::Done : Phase::ScanRead;
        done_ = 0;
    }
}

// Notes every line of the buffer that holds the text in one of its fields, whether a row still shows
// it or not: the walk asks only about the rows' own lines.
void RecordFinder::scan(AddressTable::Buffer buffer, std::size_t& budget) {
    const char* const begin = buffer.bytes.data();
    const char* const limit = begin + buffer.bytes.size();
    const std::size_t slice = std::min(budget, buffer.bytes.size() - done_);
    spend(budget, slice);
    const char* from = begin + done_;
    const char* const to = from + slice;
    while (from < to) {
        const char* const match = nextMatch(from, to, limit);
        if (match == nullptr) {
            from = to;
            break;
        }
        // A line starts after a line end, CR or CR LF.
        const std::size_t lastEnd =
            std::string_view(begin, static_cast<std::size_t>(match - begin)).rfind(LineEnd);
        const char* lineStart = lastEnd == std::string_view::npos ? begin : begin + lastEnd + 1;
        if (lastEnd != std::string_view::npos && lineStart != limit && *lineStart == '\n') {
            ++lineStart;
        }
        if (match >= lineStart && inRecordFields(lineStart, match)) {
            const Reference ref = buffer.first + static_cast<Reference>(lineStart - begin);
            if (lines_.empty() || lines_.back() != ref) {
                lines_.push_back(ref);
            }
        }
        from = lineEnd(match, limit); // the rest of this line adds nothing
    }
    done_ = static_cast<std::size_t>(from - begin);
    if (done_ >= buffer.bytes.size()) {
        done_ = 0;
        if (phase_ == Phase::ScanRead) {
            phase_ = Phase::ScanEdited;
        } else {
            phase_ = lines_.empty() ? Phase::Done : Phase::Walk;
            done_ = NearRecords;
        }
    }
}

void RecordFinder::walk(const AddressTable& table, std::size_t& budget) {
    const std::size_t records = static_cast<std::size_t>(table.recordCount());
    const std::size_t start = startRecord(records);
    for (; done_ < records && budget > 0; ++done_) {
        spend(budget, BytesPerRowVisited);
        if (std::binary_search(lines_.begin(), lines_.end(), table.references()[(start + done_) % records])) {
            finish(table, done_);
            return;
        }
    }
    if (done_ == records) {
        phase_ = Phase::Done;
    }
}

// Where the search starts: after the given record, or at the first after the last.
std::size_t RecordFinder::startRecord(std::size_t records) const {
    return std::min(static_cast<std::size_t>(after_ + 1), records) % records;
}

void RecordFinder::finish(const AddressTable& table, std::size_t offset) {
    const std::size_t records = static_cast<std::size_t>(table.recordCount());
    const std::size_t passed = std::min(static_cast<std::size_t>(after_ + 1), records) + offset;
    found_ = FoundRecord{static_cast<int>(passed % records), passed >= records};
    phase_ = Phase::Done;
}

std::optional<FoundRecord> findRecord(const AddressTable& table, std::string_view text, int afterRecord) {
    RecordFinder finder(text, afterRecord);
    while (!finder.advance(table, SIZE_MAX)) {
    }
    return finder.found();
}

} // namespace book
