#include "book/Find.h"
#include "book/CodePage.h"
#include "book/Sort.h"
#include "tests/support/Tables.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using book::AddressTable;
using book::findRecord;
using book::FoundRecord;
using book::Record;

// The search as the words say it, field by field.
std::optional<FoundRecord> findByFields(const AddressTable& table, std::string_view text, int after) {
    const std::string needle = book::upperCase(text);
    const int records = table.recordCount();
    for (int offset = 0; offset < records && !needle.empty(); ++offset) {
        const int record = (after + 1 + offset) % records;
        for (int column = 0; column < book::ColumnCount; ++column) {
            if (book::upperCase(table.cell(column, record)).find(needle) != std::string::npos) {
                return FoundRecord{record, after + 1 + offset >= records};
            }
        }
    }
    return std::nullopt;
}

void expectFound(const std::optional<FoundRecord>& found, int record, bool wrapped) {
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->record, record);
    EXPECT_EQ(found->wrapped, wrapped);
}

const AddressTable Small = testsupport::tableOf({
    {"Adams", "Bea", "", "Hauptstr. 1, 54290 Trier", "0651 4711", "bea@example.org", ""},
    {"M\xfcller", "Anna", "", "Berg 2, K\xf6ln", "0221 1", "", "kennt Trier"},
    {"Nagel", "Zoe", "", "", "4711 / 4712", "", ""},
    {"Zuse", "Konrad", "", "Berlin", "", "", ""},
});

TEST(FindTest, AnywhereInAnyFieldCaseIgnoredByTheCodePage) {
    expectFound(findRecord(Small, "trier", -1), 0, false);     // within the address
    expectFound(findRecord(Small, "TRIER", 0), 1, false);      // in the note of the next
    expectFound(findRecord(Small, "M\xdcLLER", -1), 1, false); // the code page's capital umlaut
    expectFound(findRecord(Small, "k\xf6ln", -1), 1, false);
    expectFound(findRecord(Small, "@EXAMPLE", -1), 0, false);
    expectFound(findRecord(Small, "rad", -1), 3, false);
}

TEST(FindTest, FromTheRecordAfterTheCurrentOneWrappingAtTheEnd) {
    expectFound(findRecord(Small, "4711", 0), 2, false);
    expectFound(findRecord(Small, "4711", 2), 0, true);
    expectFound(findRecord(Small, "Zuse", 3), 3, true);  // only the current one holds it: found again
    expectFound(findRecord(Small, "Adams", 3), 0, true); // from the last on to the first
}

TEST(FindTest, NothingSpansTwoFieldsOrAFieldTheTableIgnores) {
    EXPECT_FALSE(findRecord(Small, "Anna|Berg", -1));
    EXPECT_FALSE(findRecord(Small, "ZoeB", -1));
    EXPECT_FALSE(findRecord(Small, "", -1));
    EXPECT_FALSE(findRecord(Small, "Kiel", 0));
    const AddressTable extra("Adams|Bea|||||Note|Kiel\r\nBerg||||||\r\n");
    EXPECT_FALSE(findRecord(extra, "Kiel", -1));
    expectFound(findRecord(extra, "note", -1), 0, false);
}

TEST(FindTest, LongCellsAndOddLineEnds) {
    std::string longNote(3'000'000, 'x');
    longNote += "Trier";
    const AddressTable table("Adams||||||" + longNote + "\r\nBerg|a\nTrier|||||\nZ\rZuse||||||");
    expectFound(findRecord(table, "xtrier", -1), 0, false);
    expectFound(findRecord(table, "trier", 0), 1, false); // a lone LF is a byte of its field
    expectFound(findRecord(table, "zuse", 1), 2, false);
    EXPECT_FALSE(findRecord(table, "ZZ", -1));
}

// More records than are looked at one by one, sorted so that lines lie scattered, some changed (their
// old lines stay in the buffer, unseen) and removed: every text and start gives what the fields say,
// also when the work goes in slices of a few bytes.
TEST(FindTest, ScanOfTheBuffersAgreesWithTheFields) {
    std::mt19937 random(7);
    const std::vector<std::string> words = {"Trier", "Berg", "4711", "m\xfcller", "Anna", "Zo", "x", ""};
    const auto word = [&] { return words[random() % words.size()] + std::to_string(random() % 50); };
    std::vector<Record> records;
    for (int index = 0; index < 3000; ++index) {
        records.push_back(Record{word(), word(), "", word(), word(), "", word()});
    }
    AddressTable table = testsupport::tableOf(records);
    book::sortByColumn(table, 1);
    for (int row = 1; row < 600; row += 7) {
        table.setRecord(row, Record{"Neu", word(), "", "", word(), "", ""});
    }
    for (int row = 2000; row < 2100; ++row) {
        table.removeRecord(row);
    }
    for (const std::string text :
         {"TRIER1", "4711", "M\xdcLLER3", "berg4", "nnaZ", "Neu", "zo49", "absent"}) {
        for (const int after : {-1, 0, 255, 256, 1500, 2898, 2899}) {
            const std::optional<FoundRecord> expected = findByFields(table, text, after);
            const std::optional<FoundRecord> whole = findRecord(table, text, after);
            ASSERT_EQ(whole.has_value(), expected.has_value()) << text << " after " << after;
            book::RecordFinder sliced(text, after);
            while (!sliced.advance(table, 1 + random() % 40)) {
            }
            ASSERT_EQ(sliced.found().has_value(), expected.has_value()) << text << " after " << after;
            if (expected) {
                EXPECT_EQ(whole->record, expected->record) << text << " after " << after;
                EXPECT_EQ(whole->wrapped, expected->wrapped) << text << " after " << after;
                EXPECT_EQ(sliced.found()->record, expected->record) << text << " after " << after;
            }
        }
    }
}

} // namespace
