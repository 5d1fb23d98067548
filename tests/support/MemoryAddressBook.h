#pragma once

#include "sync/ServerRequests.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace testsupport {

// An address book in memory that answers the sync's requests as a CardDAV server does: a new ETag on
// every write, cards stored re-serialised (properties reordered, names upper-cased, lines folded
// anew at 60 octets, even inside a character) so that a GET never gives back the bytes of the PUT, sync
// tokens with deltas, 412 on a stale ETag or an existing href with If-None-Match, 404 for a card that is
// gone. Like Radicale it refuses a card without UID or FN (by throwing: a test fails).
class MemoryAddressBook {
public:
    struct Options {
        bool syncCollection = true; // sync tokens and deltas; else every listing is whole
        bool etagsOnWrite = true;   // a PUT answers with the new ETag; else without (fetch again)
    };
    MemoryAddressBook() = default;
    explicit MemoryAddressBook(Options options) : options_(options) {}

    cardsync::Response handle(const cardsync::Request& request);

    // Another client at work: a card put (new or replaced) or removed.
    void put(const std::string& href, std::string_view vcard);
    void remove(const std::string& href);
    // Tokens given so far are refused from now on (a server that keeps a short history).
    void forgetTokens() { oldestToken_ = version_; }

    // href and text of every card, as stored.
    std::map<std::string, std::string> cards() const;
    bool holds(const std::string& href) const { return cards_.contains(href); }

private:
    struct Stored {
        std::string etag;
        std::string vcard;
        std::uint64_t version;
    };
    void store(const std::string& href, std::string_view vcard);

    Options options_;
    std::map<std::string, Stored> cards_;
    std::map<std::string, std::uint64_t> removedAt_;
    std::uint64_t version_ = 0;     // of the last change; a token names one
    std::uint64_t oldestToken_ = 0; // tokens before it are refused
    std::uint64_t etags_ = 0;
};

} // namespace testsupport
