#include "book/Sort.h"
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

bool literalGreater(std::string_view a, std::string_view b) {
    const std::string upperA = book::upperCase(a);
    const std::string upperB = book::upperCase(b);
    return std::lexicographical_compare(
        upperB.begin(), upperB.end(), upperA.begin(), upperA.end(),
        [](char x, char y) { return static_cast<unsigned char>(x) < static_cast<unsigned char>(y); });
}

using Records = std::vector<Record>;

// The grid's sort as it stands: R - 2 full passes of neighbour exchanges, the rows copied cell by cell.
void neighbourExchangeSort(Records& rows, int column) {
    const int count = static_cast<int>(rows.size()) + 1; // the grid's row count, headings included
    for (int pass = 0; pass < count - 2; ++pass) {
        for (int b = 0; b + 1 < count - 1; ++b) {
            Record& upper = rows[static_cast<std::size_t>(b)];
            Record& lower = rows[static_cast<std::size_t>(b + 1)];
            if (literalGreater(upper.field(column), lower.field(column))) {
                for (int c = 0; c < ColumnCount; ++c) {
                    const std::string upperText(upper.field(c));
                    upper.setField(c, lower.field(c));
                    lower.setField(c, upperText);
                }
            }
        }
    }
}

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
    ASSERT_EQ(actual.rowCount(), static_cast<int>(expected.size()) + 1);
    for (std::size_t index = 0; index < expected.size(); ++index) {
        ASSERT_EQ(actual.record(static_cast<int>(index) + 1), expected[index])
            << "round " << round << ", row " << index + 1;
    }
    EXPECT_EQ(actual.cell(0, 0), "Name");
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
    for (const int rows : {300, 70'000, 2 * 65'536}) { // one chunk, two and a short block, two exactly
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

TEST(SortAfterChange, MatchesTheNeighbourExchangeAfterOneRowChanged) {
    std::mt19937 random(1250);
    for (int round = 0; round < 600; ++round) {
        const int column = static_cast<int>(random() % ColumnCount);
        Records expected = randomRecords(random, 30, true);
        if (round % 4 != 0) { // mostly the usual case: a sorted table with one record edited
            neighbourExchangeSort(expected, column);
        }
        AddressTable table = testsupport::tableOf(expected);
        const auto changed = random() % expected.size();
        expected[changed].setField(column, randomKey(random));
        table.setRecord(static_cast<int>(changed) + 1, expected[changed]);
        neighbourExchangeSort(expected, column);
        book::sortAfterChange(table, column, static_cast<int>(changed) + 1);
        expectRows(table, expected, round);
    }
}

TEST(SortByColumn, KeepsEqualKeysInOrderAndEmptyKeysFirst) {
    AddressTable table = tableOf({"meier", "", "MEIER", "Meier", ""}, book::EmailColumn);
    book::sortByColumn(table, book::EmailColumn);
    const std::vector<std::string> ids = {"id2", "id5", "id1", "id3", "id4"};
    for (int row = 1; row < table.rowCount(); ++row) {
        EXPECT_EQ(table.cell(6, row), ids[static_cast<std::size_t>(row - 1)]);
    }
    EXPECT_EQ(table.cell(book::EmailColumn, 0), "e-mail");
}

TEST(SortByColumn, LeavesTablesOfOneRowAlone) {
    AddressTable table;
    book::sortByColumn(table, 0);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_TRUE(table.record(1).isBlank());
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
    EXPECT_EQ(book::locateRow(table, 0, GetParam().text, 1, table.rowCount() - 1), GetParam().expected);
}

const std::vector<std::string> Names = {"Meier", "M\xfcller", "Nagel"};

INSTANTIATE_TEST_SUITE_P(
    Search, LocateRowTest,
    testing::Values(LocateRow{"EmptyText", Names, "", 1}, LocateRow{"Prefix", Names, "na", 3},
                    LocateRow{"UmlautAfterO", Names, "Mo", 2}, LocateRow{"LowerUmlaut", Names, "m\xfc", 2},
                    LocateRow{"UpperUmlaut", Names, "M\xdc", 2}, LocateRow{"AfterEveryKey", Names, "Z", 3},
                    LocateRow{"FirstOfEqualKeys", {"a", "b", "B", "b", "c"}, "B", 2},
                    LocateRow{"BlankRowOnly", {""}, "x", 1},
                    LocateRow{"EveryKeyGreater", {"b", "c"}, "a", 1}),
    [](const testing::TestParamInfo<LocateRow>& info) { return info.param.name; });

TEST(Search, NoComparisonWhenTheRangeIsOneRow) {
    const AddressTable table;
    // An invalid column would throw as soon as a cell were read.
    EXPECT_EQ(book::locateRow(table, ColumnCount, "x", 1, 1), 1);
}

TEST(InsertionRow, ScansAnUnsortedTableFromTheTop) {
    const AddressTable table = tableOf({"M", "C", "Z"});
    EXPECT_EQ(book::insertionRow(table, 0, "D"), 1);
    EXPECT_EQ(book::insertionRow(table, 0, "N"), 3);
    EXPECT_EQ(book::insertionRow(table, 0, "zz"), 4);
    EXPECT_EQ(book::insertionRow(table, 0, ""), 1);
    EXPECT_EQ(book::insertionRow(table, 0, "m"), 1);
}

TEST(InsertionRow, GoesBeforeEqualKeys) {
    const AddressTable table = tableOf({"a", "B", "b", "c"});
    EXPECT_EQ(book::insertionRow(table, 0, "b"), 2);
}

} // namespace
