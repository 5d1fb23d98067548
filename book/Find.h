#pragma once

#include "AddressTable.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace book {

struct FoundRecord {
    int record;   // from 0
    bool wrapped; // the search passed the last record and went on from the first
};

// Looks for a text anywhere in any of the seven fields, both upper-cased as the key order does, in the
// records after a given one and then from the first on. Records are counted from 0; -1 starts at the
// first.
//
// The work goes in slices, so that a window can repaint between them. The records just after the start
// are looked at one by one, which finds a common text at once. Otherwise the table's line buffers are
// scanned in their own order, far quicker than visiting rows scattered by a sort, and the rows whose
// line matched are then picked out in list order. A text without '|' can only match inside one field.
class RecordFinder {
public:
    RecordFinder(std::string_view text, int afterRecord);

    // Goes on for about `budget` bytes of the table; true once the answer is known. The table must be the
    // same one, unchanged, at every call.
    bool advance(const AddressTable& table, std::size_t budget);
    const std::optional<FoundRecord>& found() const { return found_; }

private:
    using Reference = AddressTable::Reference;
    enum class Phase { Near, ScanRead, ScanEdited, Walk, Done };

    struct ByteFilter {
        unsigned char differing; // the bits in which its spellings differ
        unsigned char folded;    // the byte with those bits set
        static ByteFilter of(unsigned char upper);
    };

    const char* nextMatch(const char* from, const char* to, const char* limit) const;
    bool matchesAt(const char* start, const char* limit) const;
    bool lineMatches(std::string_view line) const;
    void lookNear(const AddressTable& table, std::size_t& budget);
    void scan(AddressTable::Buffer buffer, std::size_t& budget);
    void walk(const AddressTable& table, std::size_t& budget);
    std::size_t startRecord(std::size_t records) const;
    void finish(const AddressTable& table, std::size_t offset);

    std::string needle_; // upper-cased
    ByteFilter first_{}; // the needle's first and last byte in every spelling
    ByteFilter last_{};
    int after_;
    Phase phase_ = Phase::Near;
    std::size_t done_ = 0;         // records looked at, or bytes of the buffer scanned
    std::vector<Reference> lines_; // lines that hold the text, in buffer order
    std::optional<FoundRecord> found_;
};

// The whole search at once.
std::optional<FoundRecord> findRecord(const AddressTable& table, std::string_view text, int afterRecord);

} // namespace book
