#include "RecordPrinter.h"
#include "book/AddressBook.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestData.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace std::string_view_literals;

namespace {

using book::AddressTable;
using book::ColumnCount;
using book::Record;

struct ReadCase {
    const char* name;
    std::string_view bytes;
    std::vector<Record> lines;
};

class ReaderTest : public testing::TestWithParam<ReadCase> {};

// No line at all leaves the empty list's blank record.
TEST_P(ReaderTest, ReadsTheLines) {
    const AddressTable table{std::string(GetParam().bytes)};
    const auto& lines = GetParam().lines;
    EXPECT_EQ(table.recordCount(), std::max(static_cast<int>(lines.size()), 1));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(table.record(static_cast<int>(i)), lines[i]) << "line " << i + 1;
    }
}

const Record Blank{};

INSTANTIATE_TEST_SUITE_P(
    AddressText, ReaderTest,
    testing::Values(
        ReadCase{"EmptyFile", "", {}}, ReadCase{"OneLineEnd", "\r\n", {Blank}},
        ReadCase{"LastLineWithoutEnd", "a\r\nb", {Record{"a"}, Record{"b"}}},
        ReadCase{"LoneCarriageReturns", "a|1\rb|2\r", {Record{"a", "1"}, Record{"b", "2"}}},
        ReadCase{"EmptyLines", "\r\n\r\r\n", {Blank, Blank, Blank}},
        ReadCase{"LoneLineFeedStaysInTheField", "a\nb|c\r\n\nd", {Record{"a\nb", "c"}, Record{"\nd"}}},
        ReadCase{"FewFields", "a|b|c\r\n", {Record{"a", "b", "c"}}},
        ReadCase{"ExtraFieldsDropped", "a|b|c|d|e|f|g|h|i\r\n", {Record{"a", "b", "c", "d", "e", "f", "g"}}},
        ReadCase{"TrailingSeparator", "a|b|c|d|e|f|g|\r\n", {Record{"a", "b", "c", "d", "e", "f", "g"}}},
        ReadCase{"SixSeparators", "||||||\r\n", {Blank}}, ReadCase{"SevenSeparators", "|||||||\r\n", {Blank}},
        ReadCase{"BlanksKept", " a | b \r\n", {Record{" a ", " b "}}},
        ReadCase{"EndOfFileMark",
                 "a\r\nb|c\x1a"
                 "d\r\ne\r\n",
                 {Record{"a"}, Record{"b", "c"}}},
        ReadCase{"EndOfFileMarkAfterLineEnd", "a\r\n\x1a", {Record{"a"}}},
        ReadCase{"EndOfFileMarkFirst",
                 "\x1a"
                 "a\r\n",
                 {}},
        ReadCase{"ZeroBytesAreText", "a\0b|c\r\n"sv, {Record{"a\0b"sv, "c"}}},
        ReadCase{"UpperHalfBytes", "M\xfcller|\x80\xff\r\n", {Record{"M\xfcller", "\x80\xff"}}}),
    [](const testing::TestParamInfo<ReadCase>& info) { return info.param.name; });

TEST(AddressText, WritesSevenFieldsPerRowWithLineEnds) {
    AddressTable table;
    table.setRecord(0, Record{"Miller", "Ann", "", "", "12 34"});
    table.insertRecord(1, Record());
    EXPECT_EQ(book::formatAddressText(table), "Miller|Ann|||12 34||\r\n||||||\r\n");
}

std::string randomField(std::mt19937& random) {
    // Every byte except the three the format cannot hold inside a field.
    std::string field;
    const auto length = random() % 5 == 0 ? 0 : random() % 30;
    while (field.size() < length) {
        const char byte = static_cast<char>(random() % 256);
        if (byte != '|' && byte != '\r' && byte != '\x1a') {
            field.push_back(byte);
        }
    }
    return field;
}

// Rows written since the load lie in a buffer of their own: they are saved the same way.
TEST(AddressText, ThousandRecordsWithBlankRowsComeBackTheSame) {
    std::mt19937 random(1000);
    AddressTable table;
    for (int index = 0; index < 1000; ++index) {
        Record record;
        if ((index + 1) % 97 != 0) {
            for (int column = 0; column < ColumnCount; ++column) {
                record.setField(column, randomField(random));
            }
        }
        table.insertRecord(index, record);
    }
    table.removeRecord(1000); // the blank record of the empty list it started as
    const std::string text = book::formatAddressText(table);
    EXPECT_EQ(std::count(text.begin(), text.end(), '|'), 6 * 1000);
    const AddressTable reread(text);
    ASSERT_EQ(reread.recordCount(), 1000);
    for (int index = 0; index < table.recordCount(); ++index) {
        ASSERT_EQ(reread.record(index), table.record(index)) << "record " << index;
    }
    EXPECT_EQ(book::formatAddressText(reread), text);
}

// Each "<case>.in.txt" in the golden folder is loaded and saved again, which must give
// "<case>.out.txt"; where "<case>.sorted.txt" exists, it is what loading, sorting by Name and saving gives.
struct GoldenCase {
    std::string name;
    std::filesystem::path input;
    std::filesystem::path expected;
    bool sortByName;
};

std::vector<GoldenCase> goldenCases() {
    std::vector<GoldenCase> cases;
    for (const auto& entry : std::filesystem::directory_iterator(testData(NUMBERWELL_GOLDEN_DIR))) {
        const std::string file = entry.path().filename().string();
        if (!file.ends_with(".in.txt")) {
            continue;
        }
        const std::string stem = file.substr(0, file.size() - std::string_view(".in.txt").size());
        for (const bool sorted : {false, true}) {
            const auto expected = entry.path().parent_path() / (stem + (sorted ? ".sorted.txt" : ".out.txt"));
            if (std::filesystem::exists(expected)) {
                cases.push_back({stem + (sorted ? "_sorted" : ""), entry.path(), expected, sorted});
            }
        }
    }
    std::sort(cases.begin(), cases.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return cases;
}

class GoldenFileTest : public testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenFileTest, SavesTheExpectedBytes) {
    const testsupport::TempFolder folder;
    testsupport::writeBytes(folder / book::AddressFileName, testsupport::readBytes(GetParam().input));
    book::AddressBook book(folder.path());
    book.load();
    if (GetParam().sortByName) {
        book.sortByColumn(0);
    }
    EXPECT_EQ(book.save(), std::nullopt);
    EXPECT_EQ(testsupport::readBytes(folder / book::AddressFileName),
              testsupport::readBytes(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(AddressText, GoldenFileTest, testing::ValuesIn(goldenCases()),
                         [](const testing::TestParamInfo<GoldenCase>& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

} // namespace
