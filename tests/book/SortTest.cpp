#include "book/Sort.h"
#include "book/CodePage.h"

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

// The grid's sort as it stands: R - 2 full passes of neighbour exchanges, cell by cell.
void neighbourExchangeSort(AddressTable& table, int column) {
    const int rows = table.rowCount();
    for (int pass = 0; pass < rows - 2; ++pass) {
        for (int b = 1; b <= rows - 2; ++b) {
            if (literalGreater(table.cell(column, b), table.cell(column, b + 1))) {
                for (int c = 0; c < ColumnCount; ++c) {
                    const std::string upper(table.cell(c, b));
                    const std::string lower(table.cell(c, b + 1));
                    table.setCell(c, b, lower);
                    table.setCell(c, b + 1, upper);
                }
            }
        }
    }
}

AddressTable tableOf(const std::vector<std::string>& keys, int column = 0) {
    AddressTable table;
    table.setRowCount(static_cast<int>(keys.size()) + 1);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        table.setCell(column, row, keys[i]);
        table.setCell(column == 6 ? 0 : 6, row, "id" + std::to_string(row));
    }
    return table;
}

// Short keys from a few bytes, so that equal keys (also equal only after upper-casing), prefixes and
// the upper half of the code page all turn up often.
std::string randomKey(std::mt19937& random) {
    static constexpr std::string_view Bytes = "aAbB \xe4\xc4\xff\x9f\xdf\x9a\x8a"
                                              "19|\x80";
    std::string key;
    const auto length = random() % 4;
    for (unsigned i = 0; i < length; ++i) {
        key.push_back(Bytes[random() % Bytes.size()]);
    }
    return key;
}

// A table of up to maxRows random records; the "Note" column carries the row number when numbered, so
// that equal records can still be told apart.
AddressTable randomTable(std::mt19937& random, int maxRows, bool numbered) {
    AddressTable table;
    table.setRowCount(2 + static_cast<int>(random() % static_cast<unsigned>(maxRows)));
    for (int row = 1; row < table.rowCount(); ++row) {
        for (int c = 0; c < ColumnCount; ++c) {
            table.setCell(c, row, randomKey(random) + (numbered && c == 6 ? std::to_string(row) : ""));
        }
    }
    return table;
}

void expectSameTables(const AddressTable& actual, const AddressTable& expected, int round) {
    ASSERT_EQ(actual.rowCount(), expected.rowCount());
    for (int row = 0; row < actual.rowCount(); ++row) {
        ASSERT_EQ(actual.record(row), expected.record(row)) << "round " << round << ", row " << row;
    }
}

TEST(SortByColumn, MatchesTheNeighbourExchangeOnRandomTables) {
    std::mt19937 random(1252);
    for (int round = 0; round < 400; ++round) {
        const int column = static_cast<int>(random() % ColumnCount);
        AddressTable table = randomTable(random, 40, false);
        AddressTable expected = table;
        neighbourExchangeSort(expected, column);
        book::sortByColumn(table, column);
        expectSameTables(table, expected, round);
    }
}

TEST(SortAfterChange, MatchesTheNeighbourExchangeAfterOneRowChanged) {
    std::mt19937 random(1250);
    for (int round = 0; round < 600; ++round) {
        const int column = static_cast<int>(random() % ColumnCount);
        AddressTable table = randomTable(random, 30, true);
        if (round % 4 != 0) { // mostly the usual case: a sorted table with one record edited
            book::sortByColumn(table, column);
        }
        const int changed = 1 + static_cast<int>(random() % static_cast<unsigned>(table.rowCount() - 1));
        table.setCell(column, changed, randomKey(random));
        AddressTable expected = table;
        neighbourExchangeSort(expected, column);
        book::sortAfterChange(table, column, changed);
        expectSameTables(table, expected, round);
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
