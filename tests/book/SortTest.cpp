#include "book/Sort.h"
#include "LiteralList.h"
#include "RecordPrinter.h"
#include "book/CodePage.h"
#include "tests/support/Tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using book::AddressTable;
using book::ColumnCount;
using book::Record;

using testsupport::literalGreater;
using testsupport::neighbourExchangeSort;
using testsupport::Records;

Record keyed(int column, const std::string& key, const std::string& id) {
    Record record;
    record.setField(column, key);
    record.setField(column == 6 ? 0 : 6, id);
    return record;
}

AddressTable tableOf(const std::vector<std::string>& keys, int column = 0) {
    Records records;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        records.push_back(keyed(column, keys[i], "id" + std::to_string(i + 1)));
    }
    return testsupport::tableOf(records);
}

// Short keys from a few bytes, so that equal keys (also equal only after upper-casing), prefixes and
// the upper half of the code page all turn up often.
std::string randomKey(std::mt19937& random) {
    static constexpr std::string_view Bytes = "aAbB \xe4\xc4\xff\x9f\xdf\x9a\x8a"
                                              "19\x80";
    std::string key;
    const auto length = random() % 4;
    for (unsigned i = 0; i < length; ++i) {
        key.push_back(Bytes[random() % Bytes.size()]);
    }
    return key;
}

// Up to maxRows random records; the "Note" column carries the row number when numbered, so that equal
// records can still be told apart.
Records randomRecords(std::mt19937& random, int maxRows, bool numbered) {
    Records records(1 + random() % static_cast<unsigned>(maxRows));
    for (std::size_t row = 0; row < records.size(); ++row) {
        for (int c = 0; c < ColumnCount; ++c) {
            records[row].setField(c, randomKey(random) + (numbered && c == 6 ? std::to_string(row) : ""));
        }
    }
    return records;
}

void expectRows(const AddressTable& actual, const Records& expected, int round) {
    ASSERT_EQ(actual.recordCount(), static_cast<int>(expected.size()));
    for (std::size_t index = 0; index < expected.size(); ++index) {
        ASSERT_EQ(actual.record(static_cast<int>(index)), expected[index])
            << "round " << round << ", record " << index;
    }
}

TEST(SortByColumn, MatchesTheNeighbourExchangeOnRandomTables) {
    std::mt19937 random(1252);
    for (int round = 0; round < 400; ++round) {
        const int column = static_cast<int>(random() % ColumnCount);
        Records expected = randomRecords(random, 40, false);
        AddressTable table = testsupport::tableOf(expected);
        neighbourExchangeSort(expected, column);
        book::sortByColumn(table, column);
        expectRows(table, expected, round);
    }
}

// Long keys that agree far on, in tables of several chunks of rows: what the sort does in steps.
TEST(SortByColumn, MatchesTheNeighbourExchangeOnLongSharedKeys) {
    std::mt19937 random(6);
    for (const int rows : {300, 70'000, 4 * 32'768}) { // one chunk; two and a short one; four exactly
        Records expected;
        for (int row = 0; row < rows; ++row) {
            const std::string shared(random() % 3 == 0 ? 40 : 3, 'x');
            expected.push_back(
                keyed(3, shared + randomKey(random) + shared + randomKey(random), std::to_string(row)));
        }
        AddressTable table = testsupport::tableOf(expected);
        std::stable_sort(expected.begin(), expected.end(), [](const Record& a, const Record& b) {
            return literalGreater(b.field(3), a.field(3));
        });
        if (rows < 1000) { // the literal exchange is quadratic: it vouches for the stable sort here
            Records literal = expected;
            neighbourExchangeSort(literal, 3);
            ASSERT_EQ(literal, expected);
        }
        book::sortByColumn(table, 3);
        expectRows(table, expected, rows);
    }
}

TEST(PlaceAfterChange, IsWhereTheNeighbourExchangePutsTheOneChangedRecord) {
    std::mt19937 random(1250);
    for (int round = 0; round < 600; ++round) {
        const int column = static_cast<int>(random() % ColumnCount);
        Records expected = randomRecords(random, 30, true);
        neighbourExchangeSort(expected, column);
        AddressTable table = testsupport::tableOf(expected);
        const auto changed = random() % expected.size();
        expected[changed].setField(column, randomKey(random));
        table.setRecord(static_cast<int>(changed), expected[changed]);
        neighbourExchangeSort(expected, column);
        table.moveRecord(static_cast<int>(changed),
                         book::placeAfterChange(table, column, static_cast<int>(changed)));
        expectRows(table, expected, round);
    }
}

TEST(SortByColumn, KeepsEqualKeysInOrderAndEmptyKeysFirst) {
    AddressTable table = tableOf({"meier", "", "MEIER", "Meier", ""}, book::EmailColumn);
    book::sortByColumn(table, book::EmailColumn);
    const std::vector<std::string> ids = {"id2", "id5", "id1", "id3", "id4"};
    for (int index = 0; index < table.recordCount(); ++index) {
        EXPECT_EQ(table.cell(6, index), ids[static_cast<std::size_t>(index)]);
    }
}

TEST(SortByColumn, LeavesTablesOfOneRowAlone) {
    AddressTable table;
    book::sortByColumn(table, 0);
    EXPECT_TRUE(table.isEmptyList());
    EXPECT_THROW(book::sortByColumn(table, ColumnCount), std::out_of_range);
}

struct LocateRow {
    const char* name;
    std::vector<std::string> keys;
    std::string text;
    int expected;
};

class LocateRowTest : public testing::TestWithParam<LocateRow> {};

TEST_P(LocateRowTest, FindsTheLowerBound) {
    const AddressTable table = tableOf(GetParam().keys);
    EXPECT_EQ(book::locateRow(table, 0, GetParam().text, 0, table.recordCount() - 1), GetParam().expected);
}

const std::vector<std::string> Names = {"Meier", "M\xfcller", "Nagel"};

INSTANTIATE_TEST_SUITE_P(
    Search, LocateRowTest,
    testing::Values(LocateRow{"EmptyText", Names, "", 0}, LocateRow{"Prefix", Names, "na", 2},
                    LocateRow{"UmlautAfterO", Names, "Mo", 1}, LocateRow{"LowerUmlaut", Names, "m\xfc", 1},
                    LocateRow{"UpperUmlaut", Names, "M\xdc", 1}, LocateRow{"AfterEveryKey", Names, "Z", 2},
                    LocateRow{"FirstOfEqualKeys", {"a", "b", "B", "b", "c"}, "B", 1},
                    LocateRow{"BlankRowOnly", {""}, "x", 0},
                    LocateRow{"EveryKeyGreater", {"b", "c"}, "a", 0}),
    [](const testing::TestParamInfo<LocateRow>& info) { return info.param.name; });

TEST(Search, NoComparisonWhenTheRangeIsOneRow) {
    const AddressTable table;
    // An invalid column would throw as soon as a cell were read.
    EXPECT_EQ(book::locateRow(table, ColumnCount, "x", 0, 0), 0);
}

// Halving over a sorted table, and over the running maxima of an unsorted one, stops where the scan
// from the top stops.
TEST(InsertionIndex, IsWhereTheScanFromTheTopStops) {
    std::mt19937 random(4711);
    for (int round = 0; round < 500; ++round) {
        const bool sorted = round % 2 == 0;
        Records records = randomRecords(random, 30, false);
        if (sorted) {
            neighbourExchangeSort(records, 1);
        }
        const AddressTable table = testsupport::tableOf(records);
        const Records added = randomRecords(random, 8, false);
        const std::vector<int> places = book::insertionIndexes(table, 1, added, sorted);
        for (std::size_t at = 0; at < added.size(); ++at) {
            const std::string_view key = added[at].field(1);
            int scan = 0;
            while (scan < table.recordCount() && literalGreater(key, table.cell(1, scan))) {
                ++scan;
            }
            ASSERT_EQ(book::insertionIndex(table, 1, key, sorted), scan) << "round " << round;
            ASSERT_EQ(places[at], scan) << "round " << round;
        }
    }
}

} // namespace
