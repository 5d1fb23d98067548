#include "ListUpdate.h"

namespace synchronise {

namespace {

// Additions go in a few hundred at a time: each run is one entry of the journal, which it encodes whole,
// and one step of the event loop.
constexpr std::size_t AdditionsAtOnce = 250;

} // namespace

int firstRecordEqualTo(const book::AddressTable& table, const book::Record& record) {
    const int count = table.recordCount();
    for (int index = 0; index < count; ++index) {
        int column = 0;
        while (column < book::ColumnCount && table.cell(column, index) == record.field(column)) {
            ++column;
        }
        if (column == book::ColumnCount) {
            return index;
        }
    }
    return -1;
}

ListUpdate::ListUpdate(session::ListSession& list, std::vector<cardsync::LocalChange> changes,
                       bool replaceExample)
    : list_(list), changes_(std::move(changes)), applied_(changes_.size(), false),
      replaceExample_(replaceExample) {}

bool ListUpdate::advance(int keyColumn, std::chrono::steady_clock::duration budget) {
    const auto end = std::chrono::steady_clock::now() + budget;
    do {
        if (done()) {
            break;
        }
        if (changes_[next_].kind == cardsync::LocalChange::Kind::Add) {
            addRun(keyColumn);
        } else {
            changeOne(next_++, keyColumn);
        }
    } while (std::chrono::steady_clock::now() < end);
    return done();
}

// A conflict copy belongs to the change before it.
bool ListUpdate::mayAdd(std::size_t index) const {
    return !changes_[index].withPrevious || (index > 0 && applied_[index - 1]);
}

void ListUpdate::addRun(int keyColumn) {
    std::vector<book::Record> records;
    for (; next_ < changes_.size() && changes_[next_].kind == cardsync::LocalChange::Kind::Add &&
           records.size() < AdditionsAtOnce;
         ++next_) {
        if (mayAdd(next_)) {
            records.push_back(std::move(changes_[next_].to));
            applied_[next_] = true; // should the addition fail, the sync fails with it
        }
    }
    if (!records.empty()) {
        dropExample();
        list_.addAll(keyColumn, std::move(records));
    }
}

void ListUpdate::changeOne(std::size_t index, int keyColumn) {
    const cardsync::LocalChange& change = changes_[index];
    const int record = firstRecordEqualTo(list_.table(), change.from);
    if (record < 0) {
        return;
    }
    if (change.kind == cardsync::LocalChange::Kind::Change) {
        list_.change(record, change.to, keyColumn);
    } else {
        list_.remove(record);
    }
    applied_[index] = true;
}

void ListUpdate::dropExample() {
    if (replaceExample_ && !list_.book().fileWasThere() && !list_.tableChanged()) {
        list_.remove(0); // the only record: emptied, and the first addition fills it
    }
    replaceExample_ = false;
}

} // namespace synchronise
