#pragma once

#include <string>
#include <vector>

// What the sync asks of a CardDAV address book, and what it gets back, as plain values: the sync decides
// which request comes next and what an answer means; the transport only carries them. So the sync can
// be tested against an address book kept in memory, and the transport against real servers.
//
// An href is the path of a card as the server names it (absolute, percent-encoded as received); an ETag
// is kept exactly as the server sent it, quotes and a weak mark included.
namespace cardsync {

struct CardVersion {
    std::string href;
    std::string etag;
};

struct Card {
    std::string href;
    std::string etag;
    std::string vcard; // the card's text as the server sent it (UTF-8)
};

struct Request {
    enum class Kind {
        List,   // what the address book holds, or what changed since syncToken
        Fetch,  // the cards of hrefs (addressbook-multiget; a batch at most)
        Create, // vcard to href with If-None-Match: *
        Update, // vcard to href with If-Match: etag
        Remove, // href with If-Match: etag
    };
    Kind kind = Kind::List;
    std::string syncToken;          // List: the token of the last listing, empty for a whole listing
    std::vector<std::string> hrefs; // Fetch
    std::string href;               // Create, Update, Remove
    std::string etag;               // Update, Remove
    std::string vcard;              // Create, Update
};

struct Response {
    enum class Outcome {
        Done,
        PreconditionFailed, // 412: the card is not (or no longer) the version named; fetch and merge again
        NotFound,           // 404 on Update or Remove: the card is gone
        TokenInvalid,       // the sync token was refused: list the whole address book instead
    };
    Outcome outcome = Outcome::Done;

    // List
    bool complete = true;             // true: cards is every card; false: only what changed since the token
    std::vector<CardVersion> cards;   // listed: every card, or those new or changed since the token
    std::vector<std::string> removed; // a delta's removed hrefs
    std::string syncToken;            // empty where the server offers no sync-collection

    // Fetch: the cards found; an href asked for and missing here is gone.
    std::vector<Card> fetched;

    // Create, Update: the new ETag when the server answered with a strong one, else empty (fetch it).
    std::string etag;
};

// Any other answer (no connection, 401, 403, 5xx, a malformed reply) ends the sync run: the transport
// reports it with a message for the user, and the next run starts from the state the last completed
// request left.

} // namespace cardsync
