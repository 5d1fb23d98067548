// The book's commands against their literal steps, on random lists sorted and unsorted, with an observer
// that follows every notice and must end up with the list as it is.
#include "LiteralList.h"
#include "RecordPrinter.h"
#include "book/AddressBook.h"
#include "tests/support/Tables.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using book::Record;
using testsupport::Records;

// Keeps its own copy of the records by the notices alone: what an insert or a change brings is read
// from the list, everything else is moved where the notice says.
class MirrorObserver : public book::ListObserver {
public:
    explicit MirrorObserver(const book::AddressBook& book) : book_(book) {}

    Records rows;

    void recordsInserting(int first, int count) override { pending_ = {first, count}; }
    void recordsInserted() override {
        for (int at = pending_.first; at < pending_.first + pending_.second; ++at) {
            rows.insert(rows.begin() + at, book_.table().record(at));
        }
    }
    void recordRemoving(int index) override { pending_ = {index, 1}; }
    void recordRemoved() override { rows.erase(rows.begin() + pending_.first); }
    void recordMoving(int from, int to) override { pending_ = {from, to}; }
    void recordMoved() override {
        const Record moved = rows[static_cast<std::size_t>(pending_.first)];
        rows.erase(rows.begin() + pending_.first);
        rows.insert(rows.begin() + pending_.second, moved);
    }
    void recordChanged(int index) override {
        rows[static_cast<std::size_t>(index)] = book_.table().record(index);
    }
    std::vector<int> recordsReordering() override {
        std::vector<int> all(rows.size());
        for (std::size_t index = 0; index < all.size(); ++index) {
            all[index] = static_cast<int>(index);
        }
        return all;
    }
    void recordsReordered(std::span<const int> newIndexes) override {
        Records moved(rows.size());
        for (std::size_t index = 0; index < rows.size(); ++index) {
            moved[static_cast<std::size_t>(newIndexes[index])] = rows[index];
        }
        rows = std::move(moved);
    }
    void listReplacing() override {}
    void listReplaced() override {
        rows.clear();
        for (int index = 0; index < book_.table().recordCount(); ++index) {
            rows.push_back(book_.table().record(index));
        }
    }

private:
    const book::AddressBook& book_;
    std::pair<int, int> pending_;
};

// Few distinct keys, so that equal keys and prefixes are common; the Note tells records apart.
Record randomRecord(std::mt19937& random, int id) {
    static const std::vector<std::string> keys = {"", "a", "A", "ab", "b", "\xe4", "B", "ba"};
    Record record;
    for (int column = 0; column < book::ColumnCount - 1; ++column) {
        record.setField(column, keys[random() % keys.size()]);
    }
    record.setField(book::ColumnCount - 1, std::to_string(id));
    return record;
}

TEST(Commands, GiveWhatTheirStepsGiveAndTellEveryChangeWhereItHappens) {
    std::mt19937 random(2026);
    int id = 0;
    for (int round = 0; round < 150; ++round) {
        const testsupport::TempFolder folder;
        testsupport::LiteralList literal;
        for (int count = static_cast<int>(random() % 12); count > 0; --count) {
            literal.rows.push_back(randomRecord(random, ++id));
        }
        const int column = static_cast<int>(random() % 3);
        if (round % 3 != 0) { // mostly a list in the order of its search field
            literal.sort(column);
        }
        testsupport::writeBytes(folder / book::AddressFileName, testsupport::addressText(literal.rows));
        if (literal.rows.empty()) {
            literal.rows.push_back(Record());
        }
        book::AddressBook book(folder.path());
        MirrorObserver mirror(book);
        book.addObserver(mirror);
        book.load();
        for (int step = 0; step < 12; ++step) {
            const int index = static_cast<int>(random() % literal.rows.size());
            switch (random() % 6) {
            case 0:
            case 1: {
                const Record record = randomRecord(random, ++id);
                book.add(column, record);
                literal.add(column, record);
                break;
            }
            case 2: {
                Records records;
                for (int count = static_cast<int>(random() % 6); count > 0; --count) {
                    records.push_back(randomRecord(random, ++id));
                }
                book.addAll(column, records);
                literal.addAll(column, records);
                break;
            }
            case 3: {
                const Record record = randomRecord(random, ++id);
                book.change(index, record, column);
                literal.change(index, record, column);
                break;
            }
            case 4:
                book.remove(index);
                literal.remove(index);
                break;
            default:
                book.sortByColumn(column);
                literal.sort(column);
            }
            ASSERT_EQ(book.table().recordCount(), static_cast<int>(literal.rows.size())) << "round " << round;
            for (int at = 0; at < book.table().recordCount(); ++at) {
                ASSERT_EQ(book.table().record(at), literal.rows[static_cast<std::size_t>(at)])
                    << "round " << round << ", step " << step << ", record " << at;
            }
            ASSERT_EQ(mirror.rows, literal.rows) << "round " << round << ", step " << step;
        }
        EXPECT_TRUE(book.tableChanged());
    }
}

} // namespace
