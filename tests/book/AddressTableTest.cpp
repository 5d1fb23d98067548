#include "book/AddressTable.h"
#include "RecordPrinter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

using book::AddressTable;
using book::ColumnCount;
using book::Record;

TEST(Record, KeepsSevenFieldsApart) {
    Record record{"Miller", "", "Ann", "", "", "ann@example.com"};
    EXPECT_EQ(record.field(0), "Miller");
    EXPECT_EQ(record.field(2), "Ann");
    EXPECT_EQ(record.field(5), "ann@example.com");
    EXPECT_EQ(record.field(6), "");
    record.setField(1, "Annabel Lee");
    record.setField(6, "x");
    record.setField(0, "");
    EXPECT_EQ(record, (Record{"", "Annabel Lee", "Ann", "", "", "ann@example.com", "x"}));
    EXPECT_FALSE(record.isBlank());
    EXPECT_EQ((Record{"1", "2", "3", "4", "5", "6", "7", "8"}), (Record{"1", "2", "3", "4", "5", "6", "7"}));
}

TEST(Record, EqualityLooksAtFieldBoundaries) {
    EXPECT_NE((Record{"ab", ""}), (Record{"a", "b"}));
    EXPECT_TRUE(Record().isBlank());
    EXPECT_TRUE((Record{"", "", ""}).isBlank());
}

TEST(AddressTable, StartsWithHeadingsAndOneBlankRow) {
    const AddressTable table;
    EXPECT_EQ(table.rowCount(), 2);
    for (int column = 0; column < ColumnCount; ++column) {
        EXPECT_EQ(table.cell(column, 0), book::Headings[static_cast<std::size_t>(column)]);
    }
    EXPECT_TRUE(table.record(1).isBlank());
    EXPECT_TRUE(table.record(1000).isBlank());
}

TEST(AddressTable, RejectsIndicesOutsideTheGrid) {
    AddressTable table;
    EXPECT_THROW(table.cell(ColumnCount, 1), std::out_of_range);
    EXPECT_THROW(table.cell(-1, 1), std::out_of_range);
    EXPECT_THROW(table.setCell(0, -1, "x"), std::out_of_range);
    EXPECT_THROW(table.insertRecord(0, Record{}), std::out_of_range);
    EXPECT_THROW(table.removeRecord(2), std::out_of_range);
}

struct RowCountStep {
    int setTo;
    int expected;
};

class SetRowCountTest : public testing::TestWithParam<RowCountStep> {};

TEST_P(SetRowCountTest, CountsAndKeepsHeadings) {
    AddressTable table;
    table.setRowCount(GetParam().setTo);
    EXPECT_EQ(table.rowCount(), GetParam().expected);
    EXPECT_EQ(table.cell(0, 0), "Name");
}

INSTANTIATE_TEST_SUITE_P(AddressTable, SetRowCountTest,
                         testing::Values(RowCountStep{-5, 1}, RowCountStep{0, 1}, RowCountStep{1, 1},
                                         RowCountStep{2, 2}, RowCountStep{7, 7}));

TEST(AddressTable, RowsWrittenBeyondTheCountAppearWhenRaised) {
    AddressTable table;
    table.setCell(3, 5, "later");
    EXPECT_EQ(table.rowCount(), 2);
    table.setRowCount(6);
    EXPECT_EQ(table.cell(3, 5), "later");
    EXPECT_EQ(table.cell(3, 4), "");
}

TEST(AddressTable, WritingFarRowsWithTextOfNearOnesIsSafe) {
    AddressTable table;
    table.setCell(0, 1, "short");
    table.setCell(0, 500, table.cell(0, 1));
    table.setRowCount(501);
    EXPECT_EQ(table.cell(0, 500), "short");
}

TEST(AddressTable, LoweringTheCountDropsTheRows) {
    AddressTable table;
    table.setRowCount(6);
    table.setCell(0, 2, "two");
    table.setCell(0, 5, "five");
    table.setCell(0, 9, "nine, beyond the count");
    table.setRowCount(3);
    table.setRowCount(10);
    EXPECT_EQ(table.cell(0, 2), "two");
    EXPECT_EQ(table.cell(0, 5), "");
    EXPECT_EQ(table.cell(0, 9), "");
}

TEST(AddressTable, RemovingTheOnlyRecordLeavesABlankRow) {
    AddressTable table;
    table.setRecord(1, Record{"only"});
    table.removeRecord(1);
    EXPECT_EQ(table.rowCount(), 2);
    EXPECT_TRUE(table.record(1).isBlank());
}

TEST(AddressTable, ReorderRefusesAnOrderThatIsNoPermutation) {
    AddressTable table;
    table.setRowCount(4);
    table.setRecord(1, Record{"a"});
    table.setRecord(2, Record{"b"});
    table.setRecord(3, Record{"c"});
    EXPECT_THROW(table.reorderRecords({1, 1, 3}), std::invalid_argument);
    EXPECT_THROW(table.reorderRecords({1, 2}), std::invalid_argument);
    EXPECT_THROW(table.reorderRecords({1, 2, 4}), std::invalid_argument);
    EXPECT_EQ(table.cell(0, 2), "b");
    table.reorderRecords({3, 1, 2});
    EXPECT_EQ(table.cell(0, 1), "c");
    EXPECT_EQ(table.cell(0, 2), "a");
    EXPECT_EQ(table.cell(0, 3), "b");
}

// The grid's own way of inserting and deleting: rows copied cell by cell.
void insertCellByCell(AddressTable& table, int row, const Record& record) {
    table.setRowCount(table.rowCount() + 1);
    for (int b = table.rowCount() - 2; b >= row; --b) {
        for (int column = 0; column < ColumnCount; ++column) {
            table.setCell(column, b + 1, std::string(table.cell(column, b)));
        }
    }
    for (int column = 0; column < ColumnCount; ++column) {
        table.setCell(column, row, record.field(column));
    }
}

void removeCellByCell(AddressTable& table, int row) {
    if (table.rowCount() == 2) {
        table.setRecord(1, Record());
        return;
    }
    for (int b = row; b <= table.rowCount() - 2; ++b) {
        for (int column = 0; column < ColumnCount; ++column) {
            table.setCell(column, b, std::string(table.cell(column, b + 1)));
        }
    }
    table.setRowCount(table.rowCount() - 1);
}

void expectSameRows(const AddressTable& actual, const AddressTable& expected, int upTo) {
    ASSERT_EQ(actual.rowCount(), expected.rowCount());
    for (int row = 0; row < upTo; ++row) {
        EXPECT_EQ(actual.record(row), expected.record(row)) << "row " << row;
    }
}

// Random tables, some with rows kept beyond the count, changed both ways side by side.
TEST(AddressTable, RowMovesGiveTheGridsResult) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        AddressTable fast;
        fast.setRowCount(2 + static_cast<int>(random() % 6));
        const int stored = fast.rowCount() + static_cast<int>(random() % 3);
        for (int row = 1; row < stored; ++row) {
            fast.setRecord(row, Record{"r" + std::to_string(row), std::to_string(round)});
        }
        AddressTable literal = fast;
        for (int step = 0; step < 4; ++step) {
            if (random() % 2 == 0) {
                const int row = 1 + static_cast<int>(random() % static_cast<unsigned>(fast.rowCount()));
                const Record record{"new", std::to_string(step)};
                fast.insertRecord(row, record);
                insertCellByCell(literal, row, record);
            } else {
                const int row = 1 + static_cast<int>(random() % static_cast<unsigned>(fast.rowCount() - 1));
                fast.removeRecord(row);
                removeCellByCell(literal, row);
            }
            expectSameRows(fast, literal, stored + 5);
        }
    }
}

} // namespace
