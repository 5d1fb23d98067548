// The sync engine against the in-memory address book (no network, no disk): the first sync of 10,000
// cards into an empty list, and then a sync with one change on each side. Reported with each: the peak
// of the live heap during the sync (the engine, and the address book's answers it holds) and the size of
// the state it keeps. The real servers, the transport and vdirsyncer beside it are another benchmark's.
#include "HeapCount.h"
#include "exchange/VcardWriter.h"
#include "support/MemoryAddressBook.h"
#include "sync/Records.h"
#include "sync/SyncRun.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int Cards = 10'000;

class MemoryState : public cardsync::StateStore {
public:
    std::optional<std::string> read() override { return text_; }
    void replace(std::string_view text) override { text_ = std::string(text); }
    void append(std::string_view lines) override { text_ = text_.value_or("") + std::string(lines); }
    std::size_t size() const { return text_ ? text_->size() : 0; }

private:
    std::optional<std::string> text_;
};

// As a phone writes a card: vCard 3.0 with a UID, a typed number or two and an address.
std::string phoneCard(int i) {
    const std::string n = std::to_string(i);
    const book::Record record{"M\xFCller" + n,
                              "Anna",
                              i % 3 == 0 ? "Anni" : "",
                              "Hauptstr. " + n + ", 10115 Berlin",
                              "+49 170 " + n + (i % 2 == 0 ? " / +49 30 " + n : ""),
                              "anna" + n + "@example.org",
                              i % 5 == 0 ? "met at the fair" : ""};
    std::string card;
    exchange::appendVcard(card, cardsync::contactView(record));
    card.insert(card.rfind("END:VCARD"), "UID:phone-" + n + "\r\n");
    return card;
}

void applyChanges(std::vector<book::Record>& list, const std::vector<cardsync::LocalChange>& changes,
                  std::vector<bool>& applied) {
    for (const cardsync::LocalChange& change : changes) {
        if (change.kind == cardsync::LocalChange::Kind::Add) {
            list.push_back(change.to);
        } else if (const auto found = std::ranges::find(list, change.from); found != list.end()) {
            change.kind == cardsync::LocalChange::Kind::Change ? void(*found = change.to)
                                                               : void(list.erase(found));
        }
        applied.push_back(true);
    }
}

// One sync to its end; the peak of the live heap it took.
std::size_t sync(testsupport::MemoryAddressBook& book, std::vector<book::Record>& list,
                 cardsync::StateStore& state) {
    const std::size_t before = heapcount::liveBytes();
    heapcount::resetPeak();
    cardsync::SyncRun run("http://memory.test/book/", list, state);
    while (run.stage() != cardsync::SyncRun::Stage::Finished) {
        if (const std::optional<cardsync::Request> request = run.next()) {
            run.answer(book.handle(*request));
        } else if (run.stage() == cardsync::SyncRun::Stage::ApplyLocalChanges) {
            std::vector<bool> applied;
            applyChanges(list, run.localChanges(), applied);
            run.localChangesApplied(applied);
        } else {
            run.confirm();
        }
    }
    return heapcount::peakBytes() - before;
}

testsupport::MemoryAddressBook fullBook() {
    testsupport::MemoryAddressBook book;
    for (int i = 0; i < Cards; ++i) {
        book.put("/book/phone-" + std::to_string(i) + ".vcf", phoneCard(i));
    }
    return book;
}

void report(benchmark::State& state, std::size_t peak, const MemoryState& store) {
    state.counters["peak_heap_MB"] = static_cast<double>(peak) / 1e6;
    state.counters["state_MB"] = static_cast<double>(store.size()) / 1e6;
}

void BM_FirstSyncOf10000CardsIntoAnEmptyList(benchmark::State& state) {
    testsupport::MemoryAddressBook book = fullBook();
    std::size_t peak = 0;
    MemoryState store;
    for (auto _ : state) {
        store = MemoryState();
        std::vector<book::Record> list;
        peak = std::max(peak, sync(book, list, store));
        if (list.size() != Cards) {
            state.SkipWithError("the list did not get every card");
        }
    }
    report(state, peak, store);
    state.SetItemsProcessed(state.iterations() * Cards);
}

void BM_SyncWithOneChangeOnEachSide(benchmark::State& state) {
    testsupport::MemoryAddressBook book = fullBook();
    MemoryState store;
    std::vector<book::Record> list;
    sync(book, list, store);
    std::size_t peak = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        list[static_cast<std::size_t>(round) % list.size()].setField(4, "+49 40 " + std::to_string(round));
        book.put("/book/phone-" + std::to_string((round * 7919) % Cards) + ".vcf", phoneCard(Cards + round));
        state.ResumeTiming();
        peak = std::max(peak, sync(book, list, store));
    }
    report(state, peak, store);
}

} // namespace

BENCHMARK(BM_FirstSyncOf10000CardsIntoAnEmptyList)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SyncWithOneChangeOnEachSide)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_MAIN();
