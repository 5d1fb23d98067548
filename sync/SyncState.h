#pragma once

#include "book/AddressTable.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace cardsync {

// What the last sync left of one card.
struct CardState {
    std::string etag; // as the server sent it; empty when it is not known, and the card is fetched again
    std::string uid;
    book::Record record;  // the seven fields both sides held when they were last in step
    bool pending = false; // a creation with If-None-Match: * is on its way and not yet confirmed
};

// What the last sync left: the address book the cards belong to, its sync token, and every card.
struct SyncState {
    std::string addressBook;                // its URL
    std::string syncToken;                  // empty when the server offers none, or there was no listing yet
    std::map<std::string, CardState> cards; // by href
};

// The state as text, one line each for the address book, the token and every card. A line is
// tab-separated fields (tab, line feed, carriage return and backslash escaped as \t \n \r \\) and ends
// with a checksum of the rest (CRC-32C, as the crash journal's, in hex):
//
//   numberwell-sync-1 <TAB> URL <TAB> checksum
//   token <TAB> sync token <TAB> checksum
//   card <TAB> href <TAB> ETag <TAB> UID <TAB> pending 0|1 <TAB> seven fields <TAB> checksum
//   drop <TAB> href <TAB> checksum
//
// A whole state is the first line, a token line and a card line for every card. Lines added later
// change it: a card line puts a card in (or replaces the card of its href), a drop line takes a card out,
// a token line sets the token.
std::string stateText(const SyncState& state);
std::string cardLine(const std::string& href, const CardState& card);
std::string dropLine(const std::string& href);
std::string tokenLine(std::string_view token);

// The state the text gives. A last line without its line end was cut off while it was written and does
// not count; any other fault (a line that does not add up, not a state at all) gives nothing, and the
// sync starts as the first one.
std::optional<SyncState> parseState(std::string_view text);

} // namespace cardsync
