#pragma once

#include "book/AddressTable.h"
#include "exchange/Contacts.h"

#include <cstddef>

// The list's records as the exchange code takes them, and as keys of hash tables.
namespace cardsync {

exchange::ContactView contactView(const book::Record& record);
book::Record recordOf(const exchange::ContactFields& fields);

struct RecordHash {
    std::size_t operator()(const book::Record& record) const;
};

} // namespace cardsync
