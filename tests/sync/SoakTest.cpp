// Random edits on both sides, the same record on both sides too, with a sync between, interrupted at
// random (after k requests, with the last answer lost, or with the local changes made but not reported).
// After every completed sync both sides must hold exactly what a model of the rules expects: every edit
// there or kept as a conflict copy, nothing doubled.
#include "SyncTesting.h"
#include "exchange/VcardWriter.h"
#include "sync/Merge.h"
#include "sync/Records.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>

namespace {

using synctest::lines;
using Records = std::vector<book::Record>;
using Edits = std::map<std::string, std::optional<book::Record>>; // by the synced record's line

constexpr int Rounds = 200;

class Soak {
public:
    explicit Soak(unsigned seed)
        : random_(seed), book_(testsupport::MemoryAddressBook::Options{seed % 3 != 1, seed % 3 != 2}) {}

    void run() {
        for (int i = 0; i < 20; ++i) {
            list_.push_back(freshRecord());
        }
        for (int i = 0; i < 8; ++i) {
            putCard(newHref(), i < 3 ? list_[static_cast<std::size_t>(i)] : freshRecord());
        }
        round_.firstSync = true;
        round_.union_ = unionOfSides();
        syncUntilComplete(false);
        checkSides(0);
        for (int round = 1; round <= Rounds && !testing::Test::HasFailure(); ++round) {
            editBothSides();
            syncUntilComplete(!round_.firstSync && chance(0.1));
            checkSides(round);
        }
    }

private:
    bool chance(double p) { return std::bernoulli_distribution(p)(random_); }
    std::size_t below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }

    std::string fresh(int column) {
        const std::string n = std::to_string(++counter_);
        switch (column) {
        case 0:
            return (chance(0.5) ? "M\xFCller" : "Smith") + n;
        case 1:
            return "Ann" + n;
        case 2:
            return "al" + n;
        case 3:
            return "Street " + n + ", 10115 Berlin";
        case 4:
            return chance(0.3) ? "+49 30 " + n + " / 0170 " + n : "+49 30 " + n;
        case 5:
            return "u" + n + "@example.org";
        default:
            return "note " + n;
        }
    }

    book::Record freshRecord() {
        book::Record record;
        for (int column = 0; column < book::ColumnCount; ++column) {
            record.setField(column, column == 0 || column == 6 || chance(0.7) ? fresh(column) : "");
        }
        return record;
    }

    // A field changed, and perhaps another changed or emptied. The Note stays, so that a change is always
    // recognisable, and a fresh value keeps every record unique, so that the model knows which is which.
    book::Record edited(book::Record record) {
        const int column = static_cast<int>(below(6));
        record.setField(column, fresh(column));
        if (chance(0.5)) {
            const int other = static_cast<int>(below(6));
            record.setField(other, other > 0 && other != column && chance(0.3) ? "" : fresh(other));
        }
        return record;
    }

    // Deletions keep the list at about 40 records.
    bool deletes() { return chance(list_.size() > 40 ? 0.7 : 0.3); }

    std::string newHref() { return "/book/phone-" + std::to_string(++counter_) + ".vcf"; }

    // As a phone writes it: vCard 4.0 with a photo of its own.
    void putCard(const std::string& href, const book::Record& record) {
        std::string card;
        exchange::appendVcard(card, cardsync::contactView(record));
        card.insert(card.rfind("END:VCARD"), "UID:" + href + "\r\nPHOTO;ENCODING=b;TYPE=JPEG:AAAA\r\n");
        book_.put(href, card);
    }

    std::map<std::string, book::Record> cardsByHref() const {
        std::map<std::string, book::Record> cards;
        for (const auto& [href, vcard] : book_.cards()) {
            cards[href] = cardsync::readCard(vcard).record.value_or(book::Record{});
        }
        return cards;
    }

    // A first sync: both sides' records once (every record is unique, on each side).
    std::vector<std::string> unionOfSides() const {
        std::vector<std::string> both = lines(list_);
        const std::vector<std::string> there = lines(book_);
        both.insert(both.end(), there.begin(), there.end());
        std::ranges::sort(both);
        both.erase(std::unique(both.begin(), both.end()), both.end());
        return both;
    }

    // Random edits on both sides.
    void editBothSides() {
        round_ = {list_, {}, {}, {}, {}, false, {}};
        const Records& synced = round_.synced;
        Edits& here = round_.here;
        Edits& there = round_.there;
        Records& addedHere = round_.addedHere;
        for (std::size_t i = 0, n = below(4); i < n && !synced.empty(); ++i) {
            const book::Record& base = synced[below(synced.size())];
            if (!here.contains(synctest::line(base))) {
                here[synctest::line(base)] = deletes() ? std::nullopt : std::optional(edited(base));
            }
        }
        for (std::size_t i = 0, n = below(3); i < n; ++i) {
            addedHere.push_back(freshRecord());
        }
        std::map<std::string, book::Record> cards = cardsByHref();
        for (std::size_t i = 0, n = below(4); i < n && !cards.empty(); ++i) {
            auto card = std::next(cards.begin(), static_cast<std::ptrdiff_t>(below(cards.size())));
            if (chance(0.4) && !here.empty()) { // the same record on both sides
                const std::string& line =
                    std::next(here.begin(), static_cast<std::ptrdiff_t>(below(here.size())))->first;
                card = std::ranges::find_if(cards,
                                            [&](const auto& c) { return synctest::line(c.second) == line; });
            }
            if (card == cards.end() || there.contains(synctest::line(card->second))) {
                continue;
            }
            const std::optional<book::Record> now =
                deletes() ? std::nullopt : std::optional(edited(card->second));
            there[synctest::line(card->second)] = now;
            now ? putCard(card->first, *now) : book_.remove(card->first);
            cards.erase(card);
        }
        for (std::size_t i = 0, n = below(3); i < n; ++i) {
            round_.addedThere.push_back(freshRecord());
            putCard(newHref(), round_.addedThere.back());
        }
        for (const auto& edit : here) {
            const auto found = std::ranges::find_if(
                list_, [&](const book::Record& r) { return synctest::line(r) == edit.first; });
            edit.second ? void(*found = *edit.second) : void(list_.erase(found));
        }
        list_.insert(list_.end(), addedHere.begin(), addedHere.end());
        std::shuffle(list_.begin(), list_.end(), random_); // the session keeps its own order
        if (chance(0.05)) {
            store_.text.reset(); // the state file lost
        } else if (chance(0.05)) {
            book_.forgetTokens();
        }
        round_.firstSync = !store_.text || book_.cards().empty();
        round_.union_ = unionOfSides();
    }

    // What the sync must leave on both sides.
    std::vector<std::string> expected() {
        if (round_.firstSync) {
            return round_.union_;
        }
        Edits& here = round_.here;
        Edits& there = round_.there;
        Records expected;
        for (const book::Record& base : round_.synced) {
            const std::string line = synctest::line(base);
            const std::optional<book::Record> mine = here.contains(line) ? here[line] : std::optional(base);
            const std::optional<book::Record> theirs =
                there.contains(line) ? there[line] : std::optional(base);
            if (!mine || !theirs) { // a change wins over a deletion
                const std::optional<book::Record>& left = mine ? mine : theirs;
                if (left && !(*left == base)) {
                    expected.push_back(*left);
                }
                continue;
            }
            const cardsync::Merged merged = cardsync::mergeRecords(base, *mine, *theirs);
            expected.push_back(merged.record);
            if (merged.copy) {
                expected.push_back(*merged.copy);
            }
        }
        expected.insert(expected.end(), round_.addedHere.begin(), round_.addedHere.end());
        expected.insert(expected.end(), round_.addedThere.begin(), round_.addedThere.end());
        return lines(expected);
    }

    // An edit here while the sync runs counts as made before it: the next sync completes it.
    void editMeanwhile() {
        book::Record& record = list_[below(list_.size())];
        const book::Record before = record;
        record = edited(record);
        if (const auto added = std::ranges::find(round_.addedHere, before); added != round_.addedHere.end()) {
            *added = record;
            return;
        }
        for (auto& [line, now] : round_.here) {
            if (now && *now == before) {
                now = record;
                return;
            }
        }
        round_.here[synctest::line(before)] = record;
    }

    bool sync(const synctest::Course& course) {
        return synctest::runSync(book_, list_, store_, uids_, course);
    }

    // Interrupted up to twice, then to the end; or an edit here while it lists (the model takes that edit as
    // made before the sync, so no earlier try may have brought changes here yet).
    void syncUntilComplete(bool editing) {
        for (int attempt = 0; attempt < 2 && !editing && chance(0.35); ++attempt) {
            synctest::Course cut;
            cut.afterRequests = below(12);
            cut.answerLost = chance(0.5);
            cut.beforeCommit = chance(0.25);
            if (sync(cut)) {
                break;
            }
        }
        synctest::Course course;
        course.meanwhile = [&](const cardsync::Request& request) {
            if (editing && request.kind == cardsync::Request::Kind::List && !list_.empty()) {
                editing = false;
                editMeanwhile();
                pendingEdit_ = true;
            }
        };
        ASSERT_TRUE(sync(course));
        if (pendingEdit_) {
            pendingEdit_ = false;
            ASSERT_TRUE(sync({})); // that edit is the next sync's
        }
    }

    // What one side holds beyond the other, both ways, as a short text.
    static std::string difference(const std::vector<std::string>& actual,
                                  const std::vector<std::string>& expected) {
        std::vector<std::string> extra;
        std::vector<std::string> missing;
        std::ranges::set_difference(actual, expected, std::back_inserter(extra));
        std::ranges::set_difference(expected, actual, std::back_inserter(missing));
        std::string text;
        for (const std::string& line : extra) {
            text += "\n  extra:   " + line;
        }
        for (const std::string& line : missing) {
            text += "\n  missing: " + line;
        }
        return text;
    }

    void checkSides(int round) {
        const std::vector<std::string> wanted = expected();
        ASSERT_EQ(lines(list_), wanted) << "round " << round << ", here:" << difference(lines(list_), wanted);
        ASSERT_EQ(lines(book_), wanted)
            << "round " << round << ", there:" << difference(lines(book_), wanted);
        ASSERT_EQ(synctest::requestsOfSync(book_, list_, store_, uids_), 1u)
            << "round " << round << ": a sync after a sync only lists";
    }

    std::mt19937 random_;
    testsupport::MemoryAddressBook book_;
    Records list_;
    synctest::MemoryStateStore store_;
    cardsync::SyncRun::UidSource uids_ = synctest::countingUids("soak-");
    int counter_ = 0;
    bool pendingEdit_ = false;
    struct Round {
        Records synced; // both sides after the last sync
        Edits here;
        Edits there;
        Records addedHere;
        Records addedThere;
        bool firstSync; // no state, or nothing left there
        std::vector<std::string> union_;
    } round_;
};

// One seed for each kind of server; NUMBERWELL_SOAK_SEEDS=100 runs seeds 1 to 100.
TEST(SyncSoak, BothSidesEndAsTheRulesSay) {
    const char* seeds = std::getenv("NUMBERWELL_SOAK_SEEDS");
    const unsigned last = seeds ? static_cast<unsigned>(std::strtoul(seeds, nullptr, 10)) : 3u;
    for (unsigned seed = 1; seed <= last; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        Soak(seed).run();
        if (testing::Test::HasFailure()) {
            return;
        }
    }
}

} // namespace
