#pragma once

#include "book/AddressBook.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace session {

// One confirmed change of the list: what a command did, as the journal keeps it and makes it again
// after a crash. Made again on the list it was first made on, it gives the same list.
struct ListChange {
    enum class Kind : std::uint8_t { Add = 'A', AddAll = 'M', Change = 'C', Remove = 'D', Sort = 'S' };
    Kind kind = Kind::Add;
    int index = 0;                     // Change, Remove
    int column = 0;                    // the key column: Add, AddAll, Change, Sort
    std::vector<book::Record> records; // Add and Change: the one record; AddAll: all of them

    friend bool operator==(const ListChange&, const ListChange&) = default;
};

// Through the book's commands, so that its observers hear of it.
void apply(book::AddressBook& book, const ListChange& change);

std::string encode(const ListChange& change);
// Nothing for bytes that are not a whole change.
std::optional<ListChange> decodeChange(std::string_view bytes);

} // namespace session
