#pragma once

#include "book/AddressTable.h"

#include <optional>
#include <string>
#include <string_view>

// Cards on the server and the list's seven fields: reading them, writing new ones, and changing only what
// changed.
namespace cardsync {

struct CardReading {
    std::optional<book::Record> record; // nothing when the card holds nothing the list can hold
    std::string uid;
};

// The first card of the text, read as contact files are (the fields made to fit the address file).
CardReading readCard(std::string_view vcard);

// The card as the server holds it, with each field that differs from `wanted` rewritten where the card
// holds it: Name and Firstname in N (its other parts kept) with FN spelled out from N again, Alias in the
// first NICKNAME, Address in the ADR or LABEL it was read from, Tel / Fax number by number (a number
// changed in place keeps its type, further numbers stay), e-mail in the address that was read, Note in
// the notes. A field emptied here removes what it was read from (a further address then shows). Every
// other line stays as it was: the photo, further addresses, the UID, categories, and a name in a script
// that Windows-1252 cannot hold where the field was not changed. Lines are folded again at 75 octets.
std::string patchedCard(std::string_view vcard, const book::Record& wanted);

// A new card of the record: vCard 3.0 with the UID, N and FN.
std::string newCard(const book::Record& record, std::string_view uid);

} // namespace cardsync
