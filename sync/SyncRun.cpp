#include "SyncRun.h"

#include "CardPatch.h"
#include "Merge.h"
#include "Records.h"

#include <algorithm>
#include <random>
#include <stdexcept>
#include <unordered_map>

namespace cardsync {

namespace {

constexpr int MaxRounds = 4;
constexpr std::size_t FetchBatch = 250;

// Where new cards go: the address book's path, from its URL.
std::string folderOf(const std::string& addressBook) {
    const std::size_t scheme = addressBook.find("://");
    std::string path = addressBook;
    if (scheme != std::string::npos) {
        const std::size_t slash = addressBook.find('/', scheme + 3);
        path = slash == std::string::npos ? "/" : addressBook.substr(slash);
    }
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path;
}

// What a record becomes as a card on the server, read back: the fields as the server will give them.
std::optional<book::Record> exchangeForm(const book::Record& record) {
    return readCard(newCard(record, "uid")).record;
}

std::vector<book::Record> withoutBlanks(std::vector<book::Record> records) {
    std::erase_if(records, [](const book::Record& record) { return record.isBlank(); });
    return records;
}

} // namespace

std::string SyncRun::randomUid() {
    std::random_device random;
    std::string uid;
    constexpr std::string_view Digits = "0123456789abcdef";
    unsigned bits = 0;
    for (int i = 0; i < 32; ++i) {
        if (i % 8 == 0) {
            bits = random(); // 32 bits, eight digits
        }
        unsigned digit = bits & 0xFu;
        bits >>= 4;
        if (i == 12) {
            digit = 4; // version 4: random
        } else if (i == 16) {
            digit = 8 | (digit & 3u); // the variant of RFC 4122
        }
        if (i == 8 || i == 12 || i == 16 || i == 20) {
            uid += '-';
        }
        uid += Digits[digit];
    }
    return uid;
}

SyncRun::SyncRun(std::string addressBook, std::vector<book::Record> records, StateStore& store,
                 UidSource newUid)
    : addressBook_(std::move(addressBook)), folder_(folderOf(addressBook_)),
      list_(withoutBlanks(std::move(records))), store_(store), newUid_(std::move(newUid)) {
    const std::optional<std::string> text = store_.read();
    std::optional<SyncState> state = text ? parseState(*text) : std::nullopt;
    if (state && state->addressBook == addressBook_) {
        state_ = std::move(*state);
    } else {
        state_.addressBook = addressBook_;
    }
    startRound();
}

void SyncRun::startRound() {
    ++round_;
    unsettled_ = 0;
    listToken_ = state_.syncToken;
    listed_.clear();
    removed_.clear();
    toFetch_.clear();
    fetchedUpTo_ = 0;
    keepCard_.clear();
    fetched_.clear();
    fetchedGone_.clear();
    changes_.clear();
    counted_.clear();
    edits_.clear();
    uploads_.clear();
    deletions_ = {};
    std::vector<const book::Record*> synced;
    synced.reserve(state_.cards.size());
    for (const auto& [href, card] : state_.cards) {
        synced.push_back(&card.record);
    }
    pairing_ = pairRecords(synced, list_);
    phase_ = Phase::Listing;
    stage_ = Stage::Requests;
    ++requestsKnown_;
}

std::optional<Request> SyncRun::next() {
    if (stage_ != Stage::Requests) {
        return std::nullopt;
    }
    if (awaiting_) {
        throw std::logic_error("the sync's last request has no answer yet");
    }
    awaiting_ = true;
    Request request;
    switch (phase_) {
    case Phase::Listing:
        request.kind = Request::Kind::List;
        request.syncToken = listToken_;
        break;
    case Phase::Fetching: {
        request.kind = Request::Kind::Fetch;
        const auto from = toFetch_.begin() + static_cast<std::ptrdiff_t>(fetchedUpTo_);
        request.hrefs.assign(
            from, from + static_cast<std::ptrdiff_t>(std::min(FetchBatch, toFetch_.size() - fetchedUpTo_)));
        break;
    }
    case Phase::Uploading: {
        const Upload& upload = uploads_.front();
        request.kind = upload.kind;
        request.href = upload.href;
        request.etag = upload.etag;
        request.vcard = upload.kind == Request::Kind::Create
                            ? newCard(upload.record, state_.cards.at(upload.href).uid)
                            : upload.vcard;
        break;
    }
    }
    return request;
}

void SyncRun::answer(const Response& response) {
    if (!awaiting_) {
        throw std::logic_error("an answer to no request of the sync");
    }
    awaiting_ = false;
    ++requestsAnswered_;
    switch (phase_) {
    case Phase::Listing:
        answerListing(response);
        break;
    case Phase::Fetching:
        answerFetch(response);
        break;
    case Phase::Uploading:
        answerUpload(response);
        break;
    }
}

void SyncRun::answerListing(const Response& response) {
    if (response.outcome == Response::Outcome::TokenInvalid && !listToken_.empty()) {
        listToken_.clear(); // the whole address book instead
        ++requestsKnown_;
        return;
    }
    if (response.outcome != Response::Outcome::Done) {
        throw std::runtime_error("the address book did not list its cards");
    }
    complete_ = response.complete || listToken_.empty();
    for (const CardVersion& card : response.cards) {
        listed_[card.href] = card.etag;
    }
    if (!complete_) {
        removed_.insert(response.removed.begin(), response.removed.end());
    }
    newToken_ = response.syncToken;
    chooseFetches();
}

// A card is fetched when it is new there or its ETag changed, when it is not known whether it is there
// (an ETag that never came), and when a change here is to be written into it.
void SyncRun::chooseFetches() {
    std::size_t index = 0;
    for (const auto& [href, card] : state_.cards) {
        const std::optional<std::size_t> now = pairing_.now[index++];
        const bool changedHere = now && !(list_[*now] == card.record);
        const auto found = listed_.find(href);
        bool fetch = false;
        if (found != listed_.end()) {
            fetch = found->second != card.etag || card.etag.empty() || changedHere;
        } else if (!complete_ && !removed_.contains(href)) {
            fetch = card.etag.empty() || changedHere;
        }
        if (fetch) {
            toFetch_.push_back(href);
            if (changedHere) {
                keepCard_.insert(href);
            }
        }
    }
    for (const auto& [href, etag] : listed_) {
        if (!state_.cards.contains(href)) {
            toFetch_.push_back(href);
        }
    }
    requestsKnown_ += (toFetch_.size() + FetchBatch - 1) / FetchBatch;
    phase_ = Phase::Fetching;
    if (toFetch_.empty()) {
        plan();
    }
}

void SyncRun::answerFetch(const Response& response) {
    if (response.outcome != Response::Outcome::Done) {
        throw std::runtime_error("the address book did not give the cards asked for");
    }
    const std::size_t end = std::min(toFetch_.size(), fetchedUpTo_ + FetchBatch);
    const std::set<std::string> asked(toFetch_.begin() + static_cast<std::ptrdiff_t>(fetchedUpTo_),
                                      toFetch_.begin() + static_cast<std::ptrdiff_t>(end));
    for (const Card& card : response.fetched) {
        if (!asked.contains(card.href)) {
            continue;
        }
        CardReading reading = readCard(card.vcard);
        fetched_[card.href] = {card.etag, std::move(reading.record), std::move(reading.uid),
                               keepCard_.contains(card.href) ? card.vcard : std::string()};
    }
    for (const std::string& href : asked) {
        if (!fetched_.contains(href)) {
            fetchedGone_.insert(href);
        }
    }
    fetchedUpTo_ = end;
    if (fetchedUpTo_ == toFetch_.size()) {
        plan();
    }
}

SyncRun::Remote SyncRun::remoteOf(const std::string& href, const CardState& card) const {
    Remote remote;
    if (const auto found = fetched_.find(href); found != fetched_.end()) {
        remote = {true, found->second.record, found->second.etag, found->second.uid, &found->second.vcard};
    } else if (fetchedGone_.contains(href)) {
        remote.exists = false;
    } else if (complete_) {
        const auto listed = listed_.find(href);
        remote.exists = listed != listed_.end();
        remote.etag = remote.exists ? listed->second : std::string();
    } else {
        remote.exists = !removed_.contains(href);
        remote.etag = card.etag;
    }
    if (remote.exists && !remote.record && !fetched_.contains(href)) {
        remote.record = card.record; // not fetched: unchanged there
    }
    if (remote.uid.empty()) {
        remote.uid = card.uid;
    }
    return remote;
}

void SyncRun::plan() {
    toFetch_ = {};
    keepCard_ = {};
    std::size_t cardsThere = 0;
    bool heldCards = false;
    for (const auto& [href, card] : state_.cards) {
        cardsThere += remoteOf(href, card).exists ? 1u : 0u;
        heldCards = heldCards || !card.pending;
    }
    for (const auto& [href, fetched] : fetched_) {
        cardsThere += state_.cards.contains(href) ? 0u : 1u;
    }
    if (cardsThere == 0 && heldCards && !list_.empty()) {
        // Never read as "delete everything": the list goes to the address book again.
        summary_.bookWasEmptied = true;
        state_.cards.clear();
        pairing_ = pairRecords({}, list_);
    }
    std::vector<std::size_t> added = pairing_.added;
    std::size_t index = 0;
    for (const auto& [href, card] : state_.cards) {
        planCard(href, card, pairing_.now[index++], added);
    }
    planAdded(std::move(added));
    deletions_.recordsHere = list_.size();
    deletions_.cardsThere = cardsThere;
    deletions_.there = removes_.size();
    for (std::vector<Upload>* uploads : {&updates_, &creates_, &removes_}) {
        std::ranges::move(*uploads, std::back_inserter(uploads_));
    }
    creates_.clear();
    updates_.clear();
    removes_.clear();
    fetched_.clear(); // the plan holds what it needs of them
    listed_.clear();
    if (deletions_.needConfirmation() && !confirmed_) {
        stage_ = Stage::ConfirmDeletions;
        return;
    }
    proceed();
}

// One card the last sync left, by what became of it on each side.
void SyncRun::planCard(const std::string& href, const CardState& card, std::optional<std::size_t> now,
                       std::vector<std::size_t>& added) {
    const Remote remote = remoteOf(href, card);
    const book::Record* here = now ? &list_[*now] : nullptr;
    const bool changedHere = here && !(*here == card.record);
    if (!remote.record) { // gone there, or nothing the list can hold is left in it
        if (card.pending && !remote.exists && here) {
            // the creation never arrived: again, to the same href
            planCreate(*here, exchangeForm(*here).value_or(*here), href, card.uid);
        } else if (!here) {
            edits_.push_back({href, std::nullopt, std::nullopt});
        } else if (!changedHere && !card.pending) {
            const std::size_t removal = change(LocalChange::Kind::Remove, *here, {}, Counted::DeletedHere);
            edits_.push_back({href, std::nullopt, removal});
            ++deletions_.here;
        } else { // changed here: the change wins, as a new card
            edits_.push_back({href, std::nullopt, std::nullopt});
            added.push_back(*now);
        }
        return;
    }
    const book::Record& there = *remote.record;
    const bool changedThere = !(there == card.record);
    const CardState settled{remote.etag, remote.uid, there, false}; // the state once both hold `there`
    if (!here) {
        if (changedThere) { // the change wins over the deletion here
            edits_.push_back({href, settled, change(LocalChange::Kind::Add, {}, there, Counted::AddedHere)});
        } else {
            if (remote.etag != card.etag) { // the ETag of the version removed, should the removal wait
                edits_.push_back(
                    {href, CardState{remote.etag, remote.uid, card.record, card.pending}, std::nullopt});
            }
            removes_.push_back({Request::Kind::Remove, href, remote.etag, {}, {}, std::nullopt});
        }
        return;
    }
    if (!changedHere) {
        if (changedThere) {
            edits_.push_back(
                {href, settled, change(LocalChange::Kind::Change, *here, there, Counted::ChangedHere)});
        } else if (remote.etag != card.etag || card.pending) {
            edits_.push_back({href, settled, std::nullopt});
        }
        return;
    }
    // Changed here: written into the card as the server has it, merged where it changed there too.
    if (remote.vcard == nullptr || remote.vcard->empty()) {
        throw std::logic_error("the sync did not fetch a card it changes");
    }
    const Merged merged =
        changedThere ? mergeRecords(card.record, *here, there) : Merged{*here, std::nullopt};
    std::string vcard;
    book::Record wanted = there;
    if (!(merged.record == there)) {
        vcard = patchedCard(*remote.vcard, merged.record);
        wanted = readCard(vcard).record.value_or(merged.record);
    }
    std::optional<std::size_t> guard;
    if (!(wanted == *here)) {
        guard = change(LocalChange::Kind::Change, *here, wanted,
                       changedThere ? Counted::ChangedHere : Counted::Nothing);
    }
    edits_.push_back({href, settled, guard});
    if (!(wanted == there)) {
        updates_.push_back({Request::Kind::Update, href, remote.etag, std::move(vcard), wanted, guard});
    }
    if (merged.copy) {
        planCopy(*merged.copy, guard);
    }
}

// Records new here: paired with an equal new card there, else sent as new cards; then the new cards
// there that are left come here.
void SyncRun::planAdded(std::vector<std::size_t> added) {
    std::ranges::sort(added);
    std::unordered_map<const book::Record*, std::vector<std::string>, RecordHash, RecordsEqual> newThere;
    for (auto found = fetched_.rbegin(); found != fetched_.rend(); ++found) { // back() is the first href
        if (!state_.cards.contains(found->first) && found->second.record) {
            newThere[&*found->second.record].push_back(found->first);
        }
    }
    const auto pairWithNew = [&](const book::Record& record, std::optional<std::size_t> guard) {
        const auto found = newThere.find(&record);
        if (found == newThere.end() || found->second.empty()) {
            return false;
        }
        const std::string href = found->second.back();
        found->second.pop_back();
        const Fetched& fetched = fetched_.at(href);
        edits_.push_back({href, CardState{fetched.etag, fetched.uid, record, false}, guard});
        return true;
    };
    for (const std::size_t index : added) {
        const book::Record& record = list_[index];
        if (pairWithNew(record, std::nullopt)) {
            continue;
        }
        const std::optional<book::Record> form = exchangeForm(record);
        if (!form) {
            continue; // nothing an address book can hold
        }
        if (!(*form == record) && newThere.contains(&*form) && !newThere.at(&*form).empty()) {
            pairWithNew(*form, change(LocalChange::Kind::Change, record, *form, Counted::Nothing));
            continue;
        }
        const auto [href, uid] = newHref();
        planCreate(record, *form, href, uid);
    }
    std::vector<std::string> left;
    for (auto& [record, hrefs] : newThere) {
        std::ranges::move(hrefs, std::back_inserter(left));
    }
    newThere.clear(); // its keys point into the records moved below
    std::ranges::sort(left);
    for (const std::string& href : left) {
        Fetched& fetched = fetched_.at(href);
        const std::size_t addition = change(LocalChange::Kind::Add, {}, *fetched.record, Counted::AddedHere);
        edits_.push_back(
            {href, CardState{fetched.etag, fetched.uid, std::move(*fetched.record), false}, addition});
    }
}

// A new card of a record of the list, recorded as pending before it is sent so that a retry goes to the
// same href (If-None-Match: * there never makes a second card).
void SyncRun::planCreate(const book::Record& record, const book::Record& form, const std::string& href,
                         const std::string& uid) {
    std::optional<std::size_t> guard;
    if (!(form == record)) {
        guard = change(LocalChange::Kind::Change, record, form, Counted::Nothing);
    }
    edits_.push_back({href, CardState{{}, uid, form, true}, guard});
    creates_.push_back({Request::Kind::Create, href, {}, {}, form, guard});
}

void SyncRun::planCopy(const book::Record& copy, std::optional<std::size_t> guard) {
    const std::optional<book::Record> form = exchangeForm(copy);
    if (!form) {
        return;
    }
    const std::size_t addition =
        change(LocalChange::Kind::Add, {}, *form, Counted::Conflict, guard.has_value());
    const auto [href, uid] = newHref();
    edits_.push_back({href, CardState{{}, uid, *form, true}, addition});
    creates_.push_back({Request::Kind::Create, href, {}, {}, *form, addition});
}

// A UID of its own and the href named after it, never one the address book or the state knows.
std::pair<std::string, std::string> SyncRun::newHref() {
    while (true) {
        std::string uid = newUid_();
        std::string href = folder_ + uid + ".vcf";
        if (!state_.cards.contains(href) && !listed_.contains(href) && !fetched_.contains(href)) {
            return {std::move(href), std::move(uid)};
        }
    }
}

std::size_t SyncRun::change(LocalChange::Kind kind, const book::Record& from, const book::Record& to,
                            Counted counted, bool withPrevious) {
    changes_.push_back({kind, from, to, withPrevious});
    counted_.push_back(counted);
    return changes_.size() - 1;
}

void SyncRun::confirm() {
    if (stage_ != Stage::ConfirmDeletions) {
        throw std::logic_error("the sync asks no confirmation");
    }
    confirmed_ = true;
    proceed();
}

void SyncRun::proceed() {
    if (changes_.empty()) {
        commit({});
    } else {
        stage_ = Stage::ApplyLocalChanges;
    }
}

void SyncRun::localChangesApplied(const std::vector<bool>& applied) {
    if (stage_ != Stage::ApplyLocalChanges || applied.size() != changes_.size()) {
        throw std::logic_error("the sync's local changes are not what was applied");
    }
    commit(applied);
}

// The local changes are in the list: the state follows them, then the server.
void SyncRun::commit(const std::vector<bool>& applied) {
    const auto made = [&](const std::optional<std::size_t>& guard) { return !guard || applied[*guard]; };
    std::size_t skipped = 0;
    for (std::size_t i = 0; i < changes_.size(); ++i) {
        if (!applied[i]) {
            ++skipped;
            continue;
        }
        applyToList(std::move(changes_[i]));
        switch (counted_[i]) {
        case Counted::AddedHere:
            ++summary_.addedHere;
            break;
        case Counted::ChangedHere:
            ++summary_.changedHere;
            break;
        case Counted::DeletedHere:
            ++summary_.deletedHere;
            break;
        case Counted::Conflict:
            ++summary_.conflicts;
            break;
        case Counted::Nothing:
            break;
        }
    }
    summary_.leftOver += skipped;
    changes_ = {}; // each step lets go of its memory before the next, for 10,000 cards at a first sync
    counted_ = {};
    bool stateChanged = skipped == 0 && state_.syncToken != newToken_;
    for (StateEdit& edit : edits_) {
        if (!made(edit.guard)) {
            continue;
        }
        stateChanged = true;
        if (edit.card) {
            state_.cards[edit.href] = std::move(*edit.card);
        } else {
            state_.cards.erase(edit.href);
        }
    }
    edits_ = {};
    if (skipped == 0) { // a skipped change must come in the next listing again
        state_.syncToken = newToken_;
    }
    std::erase_if(uploads_, [&](const Upload& upload) { return !made(upload.guard); });
    if (stateChanged || !uploads_.empty()) { // a sync that changes nothing writes nothing
        writeWhole();
    }
    requestsKnown_ += uploads_.size();
    phase_ = Phase::Uploading;
    stage_ = Stage::Requests;
    if (uploads_.empty()) {
        endRound();
    }
}

void SyncRun::applyToList(LocalChange&& change) {
    if (change.kind == LocalChange::Kind::Add) {
        list_.push_back(std::move(change.to));
        return;
    }
    const auto found = std::ranges::find(list_, change.from);
    if (found == list_.end()) {
        return;
    }
    if (change.kind == LocalChange::Kind::Change) {
        *found = std::move(change.to);
    } else {
        list_.erase(found);
    }
}

void SyncRun::answerUpload(const Response& response) {
    const Upload upload = std::move(uploads_.front());
    uploads_.pop_front();
    using Outcome = Response::Outcome;
    const Outcome outcome = response.outcome;
    if (outcome == Outcome::TokenInvalid) {
        throw std::runtime_error("the address book answered a change with a listing's fault");
    }
    const auto found = state_.cards.find(upload.href);
    if (found == state_.cards.end()) {
        throw std::logic_error("the sync wrote a card its state does not know");
    }
    CardState& card = found->second;
    bool unsettled = outcome != Outcome::Done; // a further round reads the card again
    switch (upload.kind) {
    case Request::Kind::Create:
        if (outcome == Outcome::Done || outcome == Outcome::PreconditionFailed) {
            // 412: the card is there already (an earlier try arrived); the next round reads it
            summary_.sent += outcome == Outcome::Done ? 1 : 0;
            card.pending = false;
            card.etag = outcome == Outcome::Done ? response.etag : std::string();
            write(cardLine(upload.href, card));
        }
        unsettled = card.etag.empty();
        break;
    case Request::Kind::Update:
        if (outcome == Outcome::Done) {
            ++summary_.sent;
            card.record = upload.record;
            card.etag = response.etag;
            write(cardLine(upload.href, card));
            unsettled = card.etag.empty();
        } else if (outcome == Outcome::NotFound) { // deleted there: the change wins, as a new card next round
            state_.cards.erase(found);
            write(dropLine(upload.href));
        } else { // changed there meanwhile: fetched and merged again next round, whatever a listing says
            card.etag.clear();
            write(cardLine(upload.href, card));
        }
        break;
    case Request::Kind::Remove:
        if (outcome == Outcome::Done || outcome == Outcome::NotFound) {
            summary_.sent += outcome == Outcome::Done ? 1 : 0;
            state_.cards.erase(found);
            write(dropLine(upload.href));
            unsettled = false;
        } else { // changed there meanwhile: the change wins next round
            card.etag.clear();
            write(cardLine(upload.href, card));
        }
        break;
    case Request::Kind::List:
    case Request::Kind::Fetch:
        break;
    }
    unsettled_ += unsettled ? 1 : 0;
    if (uploads_.empty()) {
        endRound();
    }
}

void SyncRun::endRound() {
    if (unsettled_ > 0 && round_ < MaxRounds) {
        startRound();
        return;
    }
    summary_.leftOver += unsettled_;
    if (linesAdded_) {
        writeWhole();
    }
    stage_ = Stage::Finished;
}

// After the first whole state of the run, each completed operation adds its line; before it, a cut-off
// line an earlier run left could swallow the first new one.
void SyncRun::write(const std::string& lines) {
    if (!wroteWhole_) {
        writeWhole();
        return;
    }
    store_.append(lines);
    linesAdded_ = true;
}

void SyncRun::writeWhole() {
    store_.replace(stateText(state_));
    wroteWhole_ = true;
    linesAdded_ = false;
}

} // namespace cardsync
