#pragma once

#include "book/AddressTable.h"

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace cardsync {

// How the list as it stands now relates to the records the last sync left.
struct Pairing {
    // For each record of the last sync, the list record it is now, or nothing when it was deleted here.
    std::vector<std::optional<std::size_t>> now;
    // The list records that are new here, in list order.
    std::vector<std::size_t> added;
};

// Records have no identity, so they are paired by their fields, deterministically:
// 1. Equal records pair first, in order (both sides are multisets: a record may stand twice).
// 2. A record of the last sync that is gone and a list record that is new pair as a change by their
//    likeness: the number of fields that are filled and equal in both. Pairs need a likeness of at least
//    one and are taken best first: the higher likeness, then fewer fields that differ, then a record
//    that is no conflict copy, then the earlier record of the last sync, then the earlier list record.
//    Each gone record weighs the eight most alike new ones, found through the values they share; a
//    value that more than 32 new records share names no one and finds none.
// 3. The rest are deletions and additions.
// The records of the last sync are given by pointer, so that they stay where they are kept.
Pairing pairRecords(std::span<const book::Record* const> synced, std::span<const book::Record> list);

} // namespace cardsync
