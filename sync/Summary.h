#pragma once

#include <cstddef>
#include <string>

namespace cardsync {

// What a sync did, for the one line the user reads.
struct Summary {
    std::size_t addedHere = 0;
    std::size_t sent = 0; // cards created, changed or removed on the server
    std::size_t changedHere = 0;
    std::size_t deletedHere = 0;
    std::size_t conflicts = 0;   // records kept as a conflict copy
    std::size_t leftOver = 0;    // changes left for the next sync (edited here meanwhile, or still refused)
    bool bookWasEmptied = false; // the address book came back empty after it held cards

    // "2 added here, 3 sent, 1 changed here, 1 deleted here, 1 conflict kept as a copy", or "Nothing to
    // synchronise".
    std::string text() const;
};

// What a sync would delete, when it asks first: more than half of either side, or all of it.
struct Deletions {
    std::size_t here = 0; // records of the list
    std::size_t recordsHere = 0;
    std::size_t there = 0; // cards of the address book
    std::size_t cardsThere = 0;

    bool needConfirmation() const;
    // "The sync would delete 6 of the 10 records here and 1 of the 9 cards on the server"
    std::string text() const;
};

} // namespace cardsync
