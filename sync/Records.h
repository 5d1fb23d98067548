#pragma once

#include "book/AddressTable.h"
#include "exchange/Contacts.h"

#include <cstddef>

// The list's records as the exchange code takes them, and as keys of hash tables.
namespace cardsync {

exchange::ContactView contactView(const book::Record& record);
book::Record recordOf(const exchange::ContactFields& fields);

// Also for records kept elsewhere, by pointer.
struct RecordHash {
    std::size_t operator()(const book::Record& record) const;
    std::size_t operator()(const book::Record* record) const { return (*this)(*record); }
};

struct RecordsEqual {
    bool operator()(const book::Record* a, const book::Record* b) const { return *a == *b; }
};

} // namespace cardsync
