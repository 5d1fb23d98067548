#pragma once

#include "exchange/StorableText.h"
#include "exchange/Utf8.h"
#include "support/MemoryAddressBook.h"
#include "sync/CardPatch.h"
#include "sync/SyncRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace synctest {

// A record from its fields in UTF-8 between '|', as the tests write them.
inline book::Record record(std::string_view line) {
    book::Record record;
    for (int column = 0; column < book::ColumnCount; ++column) {
        const std::size_t bar = line.find('|');
        record.setField(column, exchange::storableText(line.substr(0, bar)).bytes);
        line.remove_prefix(bar == std::string_view::npos ? line.size() : bar + 1);
    }
    return record;
}

inline std::string line(const book::Record& record) {
    std::string text;
    for (int column = 0; column < book::ColumnCount; ++column) {
        text += (column == 0 ? "" : "|") + exchange::utf8FromWindows1252(record.field(column));
    }
    return text;
}

// Both sides as sorted lines, to compare them as multisets.
inline std::vector<std::string> lines(const std::vector<book::Record>& records) {
    std::vector<std::string> sorted;
    for (const book::Record& record : records) {
        if (!record.isBlank()) {
            sorted.push_back(line(record));
        }
    }
    std::ranges::sort(sorted);
    return sorted;
}

inline std::vector<std::string> lines(const testsupport::MemoryAddressBook& book) {
    std::vector<book::Record> records;
    for (const auto& [href, vcard] : book.cards()) {
        records.push_back(cardsync::readCard(vcard).record.value_or(book::Record{}));
    }
    return lines(records);
}

class MemoryStateStore : public cardsync::StateStore {
public:
    std::optional<std::string> read() override { return text; }
    void replace(std::string_view whole) override { text = std::string(whole); }
    void append(std::string_view added) override { text = text.value_or("") + std::string(added); }

    std::optional<std::string> text;
};

// Predictable UIDs, as a test needs them; copies count on together.
inline cardsync::SyncRun::UidSource countingUids(std::string prefix) {
    return [prefix, count = std::make_shared<int>(0)] { return prefix + std::to_string(++*count); };
}

// The session's part: each change made to the first equal record where there is one, in order.
inline std::vector<bool> applyChanges(std::vector<book::Record>& list,
                                      const std::vector<cardsync::LocalChange>& changes) {
    std::vector<bool> applied;
    for (const cardsync::LocalChange& change : changes) {
        using Kind = cardsync::LocalChange::Kind;
        const auto found = std::ranges::find(list, change.from);
        const bool made =
            change.kind == Kind::Add ? !change.withPrevious || applied.back() : found != list.end();
        if (made && change.kind == Kind::Add) {
            list.push_back(change.to);
        } else if (made && change.kind == Kind::Change) {
            *found = change.to;
        } else if (made) {
            list.erase(found);
        }
        applied.push_back(made);
    }
    return applied;
}

// What befalls a sync: an interruption, and another client at work between its requests.
struct Course {
    std::size_t afterRequests = std::numeric_limits<std::size_t>::max(); // answered before it stops
    bool answerLost = false;   // the request after them reaches the server, its answer never comes back
    bool beforeCommit = false; // stops once the local changes are made, before the run hears of it
    std::function<void(const cardsync::Request&)> meanwhile; // before the server handles each request
};

// A sync to its end, deletions confirmed as --force does; false when it was interrupted.
inline bool runSync(testsupport::MemoryAddressBook& book, std::vector<book::Record>& list,
                    cardsync::StateStore& store, cardsync::SyncRun::UidSource uids, const Course& cut = {},
                    cardsync::Summary* summary = nullptr) {
    cardsync::SyncRun run("http://memory.test/book/", list, store, std::move(uids));
    for (std::size_t answered = 0;;) {
        if (const std::optional<cardsync::Request> request = run.next()) {
            if (answered == cut.afterRequests) {
                if (cut.answerLost) {
                    book.handle(*request);
                }
                return false;
            }
            if (cut.meanwhile) {
                cut.meanwhile(*request);
            }
            run.answer(book.handle(*request));
            ++answered;
        } else if (run.stage() == cardsync::SyncRun::Stage::ConfirmDeletions) {
            run.confirm();
        } else if (run.stage() == cardsync::SyncRun::Stage::ApplyLocalChanges) {
            const std::vector<bool> applied = applyChanges(list, run.localChanges());
            if (cut.beforeCommit) {
                return false;
            }
            run.localChangesApplied(applied);
        } else {
            if (summary) {
                *summary = run.summary();
            }
            return true;
        }
    }
}

// The requests a sync makes, which must complete.
inline std::size_t requestsOfSync(testsupport::MemoryAddressBook& book, std::vector<book::Record>& list,
                                  cardsync::StateStore& store, cardsync::SyncRun::UidSource uids,
                                  cardsync::Summary* summary = nullptr) {
    std::size_t requests = 0;
    Course counting;
    counting.meanwhile = [&](const cardsync::Request&) { ++requests; };
    EXPECT_TRUE(runSync(book, list, store, std::move(uids), counting, summary));
    return requests;
}

} // namespace synctest
