#pragma once

#include "book/AddressTable.h"

#include <optional>

namespace cardsync {

// What a conflict copy's Note starts with.
inline constexpr std::string_view ConflictMark = "Conflict copy";

bool isConflictCopy(const book::Record& record);

struct Merged {
    book::Record record; // stays in the list and on the server
    std::optional<book::Record>
        copy; // the other version, where a field was changed differently on both sides
};

// A field-by-field three-way merge of a record both sides changed since the last sync. A field changed
// on one side takes that side's value. Where both changed one field differently, the server's value
// stays in the record (the other devices already hold it), and the copy is the record with this side's
// values in those fields and its Note marked: "Conflict copy: " and the Note, or "Conflict copy".
Merged mergeRecords(const book::Record& base, const book::Record& here, const book::Record& there);

} // namespace cardsync
