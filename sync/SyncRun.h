#pragma once

#include "Pairing.h"
#include "ServerRequests.h"
#include "StateStore.h"
#include "Summary.h"
#include "SyncState.h"
#include "book/AddressTable.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace cardsync {

// A change the session makes to the list. Records are named by their seven fields: Change and Remove act
// on the first record equal to `from`. When there is none (the user changed or deleted it while the sync
// ran), the change is skipped and the next sync sorts it out.
struct LocalChange {
    enum class Kind { Add, Change, Remove };
    Kind kind = Kind::Add;
    book::Record from; // Change, Remove
    book::Record to;   // Add, Change
    // A conflict copy's Add: it holds the other version of the Change before it, so it is made only when
    // that Change was made.
    bool withPrevious = false;
};

// One sync of the list with one address book, without any input or output of its own ("sans-IO"): it
// says which request comes next and what each answer means, and the session carries the requests
// (carddav/) and applies the changes to the list.
//
//     SyncRun run(url, records, stateFile);        // records: the list as it stands now
//     for (;;) {
//         if (std::optional<Request> request = run.next()) {
//             run.answer(send(*request));          // any failure: stop here, drop the run
//         } else if (run.stage() == SyncRun::Stage::ConfirmDeletions) {
//             ask about run.deletions().text(), then run.confirm(), or stop here (--force: confirm)
//         } else if (run.stage() == SyncRun::Stage::ApplyLocalChanges) {
//             apply run.localChanges() in order, make the list safe (saved, or in the crash journal),
//             then run.localChangesApplied(which were applied)
//         } else {
//             break;                               // Stage::Finished: show run.summary().text()
//         }
//     }
//
// Stopping anywhere is safe: a failed request, Cancel, a refused confirmation or a killed process. The
// state file then holds what the completed requests did, and the next run completes the work without
// doubling or losing anything. Requests go one at a time: next() again only after answer().
//
// A run works in rounds: list the address book (its changes since the last sync token, where the server
// offers sync-collection), fetch the cards that changed or that a change here is to be written into,
// pair the list with the records the last sync left (Pairing.h), merge (Merge.h), hand the local
// changes to the session, then write to the server. A change written while the server changed the card
// (412), a card deleted there meanwhile (404) or an answer without a strong ETag needs a further round;
// after four rounds what is left waits for the next sync.
//
// Safety rails: a first sync (no state file, a damaged one, or one of another address book) pairs equal
// records and deletes nothing; a round that would delete all records or cards of a side, or more than half
// of them, stops at ConfirmDeletions; an address book that comes back empty after it held cards is taken
// as a first sync (the list is sent again), never as "delete everything".
class SyncRun {
public:
    enum class Stage {
        Requests,          // next() gives the request to send, answer() takes its answer
        ConfirmDeletions,  // deletions() asks: confirm() goes on; dropping the run changes nothing
        ApplyLocalChanges, // localChanges() for the session, then localChangesApplied()
        Finished,          // summary()
    };

    // Makes a new card's UID (also its file name on the server); tests give predictable ones.
    using UidSource = std::function<std::string()>;
    static std::string randomUid();

    // addressBook: the address book's URL (or its path on the server); records: the list's records as
    // they stand when the sync begins (blank ones are never exchanged). Reads the state from the store:
    // an I/O failure is raised (files::FileError), anything it cannot use is a first sync.
    SyncRun(std::string addressBook, std::vector<book::Record> records, StateStore& store,
            UidSource newUid = randomUid);

    Stage stage() const { return stage_; }

    // The next request, in Stage::Requests; nothing in the other stages.
    std::optional<Request> next();
    // The answer to the request next() gave. The transport maps every other failure to an error of its
    // own and the run ends there. Raises std::runtime_error for an answer that makes no sense.
    void answer(const Response& response);

    const Deletions& deletions() const { return deletions_; }
    void confirm();

    // Each change in order; `applied` tells for each whether the session made it. The state is written
    // then, so call it only once the list with these changes is safe from a crash.
    const std::vector<LocalChange>& localChanges() const { return changes_; }
    void localChangesApplied(const std::vector<bool>& applied);

    // Requests answered, and requests known so far (more may follow as the run learns).
    std::size_t requestsAnswered() const { return requestsAnswered_; }
    std::size_t requestsKnown() const { return requestsKnown_; }

    // What happened so far; complete once finished.
    const Summary& summary() const { return summary_; }

private:
    enum class Phase { Listing, Fetching, Uploading };
    enum class Counted { Nothing, AddedHere, ChangedHere, DeletedHere, Conflict };

    // What the server holds under an href the state knows, as this round found it.
    struct Remote {
        bool exists = false;
        std::optional<book::Record> record; // nothing: gone, or holds nothing the list can hold
        std::string etag;
        std::string uid;
        const std::string* vcard = nullptr; // where a change here is to be written into it
    };

    struct Fetched {
        std::string etag;
        std::optional<book::Record> record;
        std::string uid;
        std::string vcard; // kept only where a change here is to be written into it
    };

    struct Upload {
        Request::Kind kind;
        std::string href;
        std::string etag;                 // Update, Remove
        std::string vcard;                // Update; a new card is written when it is sent
        book::Record record;              // Create, Update: what the card reads as
        std::optional<std::size_t> guard; // the local change it waits for
    };

    // A change of the state, made at the commit when its local change was made.
    struct StateEdit {
        std::string href;
        std::optional<CardState> card; // nothing: the card leaves the state
        std::optional<std::size_t> guard;
    };

    void startRound();
    void answerListing(const Response& response);
    void chooseFetches();
    void answerFetch(const Response& response);
    Remote remoteOf(const std::string& href, const CardState& card) const;
    void plan();
    void planCard(const std::string& href, const CardState& card, std::optional<std::size_t> now,
                  std::vector<std::size_t>& added);
    void planAdded(std::vector<std::size_t> added);
    void planCreate(const book::Record& record, const book::Record& form, const std::string& href,
                    const std::string& uid);
    void planCopy(const book::Record& copy, std::optional<std::size_t> guard);
    std::pair<std::string, std::string> newHref();
    std::size_t change(LocalChange::Kind kind, const book::Record& from, const book::Record& to,
                       Counted counted, bool withPrevious = false);
    void proceed();
    void commit(const std::vector<bool>& applied);
    void applyToList(LocalChange&& change);
    void answerUpload(const Response& response);
    void endRound();
    void write(const std::string& lines);
    void writeWhole();

    std::string addressBook_;
    std::string folder_;             // where new cards go
    std::vector<book::Record> list_; // as the session holds it, once the changes applied are in
    StateStore& store_;
    UidSource newUid_;
    SyncState state_;
    Stage stage_ = Stage::Requests;
    Phase phase_ = Phase::Listing;
    Summary summary_;
    Deletions deletions_;
    int round_ = 0;
    bool confirmed_ = false;
    bool awaiting_ = false;
    bool wroteWhole_ = false;   // this run replaced the whole state once, so lines may be added to it
    bool linesAdded_ = false;   // since the last whole state
    std::size_t unsettled_ = 0; // writes of this round whose card the next round must read again
    std::size_t requestsAnswered_ = 0;
    std::size_t requestsKnown_ = 0;

    // This round's listing and fetches.
    std::string listToken_;
    bool complete_ = true;
    std::map<std::string, std::string> listed_; // href, ETag
    std::set<std::string> removed_;
    std::string newToken_;
    std::vector<std::string> toFetch_;
    std::size_t fetchedUpTo_ = 0;
    std::set<std::string> keepCard_;
    std::map<std::string, Fetched> fetched_;
    std::set<std::string> fetchedGone_;
    Pairing pairing_;

    // This round's plan.
    std::vector<LocalChange> changes_;
    std::vector<Counted> counted_;
    std::vector<StateEdit> edits_;
    std::vector<Upload> creates_, updates_, removes_;
    std::deque<Upload> uploads_;
};

} // namespace cardsync
