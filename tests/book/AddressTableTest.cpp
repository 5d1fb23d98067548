#include "book/AddressTable.h"
#include "RecordPrinter.h"
#include "tests/support/Tables.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using book::AddressTable;
using book::ColumnCount;
using book::Record;
using testsupport::tableOf;

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

TEST(AddressTable, StartsAsTheEmptyListOfOneBlankRecord) {
    for (const AddressTable& table : {AddressTable(), AddressTable(""),
                                      AddressTable("\x1a"
                                                   "a|b\r\n")}) {
        EXPECT_EQ(table.recordCount(), 1);
        EXPECT_TRUE(table.isEmptyList());
        EXPECT_TRUE(table.record(0).isBlank());
        EXPECT_EQ(book::formatAddressText(table), "||||||\r\n");
    }
    EXPECT_FALSE(tableOf({Record{}, Record{}}).isEmptyList()); // blank records of a longer list are records
    EXPECT_FALSE(tableOf({Record{"", "", "x"}}).isEmptyList());
}

TEST(AddressTable, RejectsIndicesOutsideTheGrid) {
    AddressTable table;
    EXPECT_THROW(table.cell(ColumnCount, 0), std::out_of_range);
    EXPECT_THROW(table.cell(-1, 0), std::out_of_range);
    EXPECT_THROW(table.cell(0, 1), std::out_of_range);
    EXPECT_THROW(table.cell(0, -1), std::out_of_range);
    EXPECT_THROW(table.setRecord(1, Record{"x"}), std::out_of_range);
    EXPECT_THROW(table.insertRecord(-1, Record{}), std::out_of_range);
    EXPECT_THROW(table.insertRecord(2, Record{}), std::out_of_range);
    EXPECT_THROW(table.removeRecord(1), std::out_of_range);
    EXPECT_THROW(table.moveRecord(0, 1), std::out_of_range);
}

// What the file cannot give back is refused, and the table stays as it was.
TEST(AddressTable, RefusesFieldsTheFileCannotHold) {
    AddressTable table = tableOf({Record{"keep"}});
    for (const std::string_view field : {"a|b", "a\rb", "a\x1a"}) {
        EXPECT_THROW(table.setRecord(0, Record{"x", field}), std::invalid_argument) << field;
        EXPECT_THROW(table.insertRecord(0, Record{field}), std::invalid_argument) << field;
    }
    EXPECT_EQ(table.recordCount(), 1);
    EXPECT_EQ(table.record(0), Record{"keep"});
    table.setRecord(0, Record{"a\nb"}); // a lone line feed is text in a field
    EXPECT_EQ(table.cell(0, 0), "a\nb");
}

TEST(AddressTable, RemovingTheOnlyRecordLeavesTheEmptyList) {
    AddressTable table = tableOf({Record{"only"}});
    table.removeRecord(0);
    EXPECT_TRUE(table.isEmptyList());
}

// A copy is a list of its own: the file's bytes are shared, changes are not.
TEST(AddressTable, CopiesChangeApart) {
    AddressTable original = tableOf({Record{"a"}, Record{"b"}});
    const AddressTable copy = original;
    original.setRecord(0, Record{"changed"});
    original.removeRecord(1);
    EXPECT_EQ(copy.recordCount(), 2);
    EXPECT_EQ(copy.cell(0, 0), "a");
    EXPECT_EQ(copy.cell(0, 1), "b");
    EXPECT_EQ(original.cell(0, 0), "changed");
}

// The cells of lines far longer than the grid shows come from their index: the same as a short line's.
TEST(AddressTable, LongLinesReadLikeShortOnes) {
    const std::string longField(100'000, 'x');
    const std::vector<Record> records = {Record{longField, "b", "", longField, "e"}, Record{"short"},
                                         Record{"a", "b", "c", "d", "e", "f", longField}};
    AddressTable table = tableOf(records);
    table.insertRecord(1, Record{"new", longField});
    const std::vector<Record> expected = {records[0], Record{"new", longField}, records[1], records[2]};
    for (std::size_t index = 0; index < expected.size(); ++index) {
        EXPECT_EQ(table.record(static_cast<int>(index)), expected[index]) << "record " << index;
    }
}

// Random edits side by side with a plain list of records: inserts, removals, changes and moves.
TEST(AddressTable, RowMovesGiveThePlainListsResult) {
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        std::vector<Record> plain;
        for (int row = 1 + static_cast<int>(random() % 6); row > 0; --row) {
            plain.push_back(Record{"r" + std::to_string(row), std::to_string(round)});
        }
        AddressTable table = tableOf(plain);
        for (int step = 0; step < 6; ++step) {
            const auto rows = static_cast<unsigned>(plain.size());
            const int row = static_cast<int>(random() % rows);
            const Record record{"new", std::to_string(step)};
            switch (random() % 4) {
            case 0: {
                const int at = static_cast<int>(random() % (rows + 1));
                table.insertRecord(at, record);
                plain.insert(plain.begin() + at, record);
                break;
            }
            case 1:
                table.removeRecord(row);
                if (plain.size() == 1) {
                    plain.front() = Record();
                } else {
                    plain.erase(plain.begin() + row);
                }
                break;
            case 2:
                table.setRecord(row, record);
                plain[static_cast<std::size_t>(row)] = record;
                break;
            default: {
                const int to = static_cast<int>(random() % rows);
                table.moveRecord(row, to);
                const Record moved = plain[static_cast<std::size_t>(row)];
                plain.erase(plain.begin() + row);
                plain.insert(plain.begin() + to, moved);
            }
            }
            ASSERT_EQ(table.recordCount(), static_cast<int>(plain.size()));
            for (std::size_t index = 0; index < plain.size(); ++index) {
                ASSERT_EQ(table.record(static_cast<int>(index)), plain[index]) << "round " << round;
            }
            ASSERT_EQ(book::formatAddressText(table), testsupport::addressText(plain));
        }
    }
}

} // namespace
