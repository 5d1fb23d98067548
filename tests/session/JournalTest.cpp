// The journal's entries as a crash can leave them: whole, torn, damaged.
#include "session/Journal.h"
#include "tests/book/RecordPrinter.h"

#include <gtest/gtest.h>

namespace {

using session::ListChange;

const session::FileVersion Base{session::FileVersion::State::Read, {2049, 131, 91, 1765000000, 123456789}};

const std::vector<ListChange> Changes = {
    {ListChange::Kind::Add, 0, 1, {book::Record{"Berg", "Bo", "", "", "", "", "x"}}},
    {ListChange::Kind::Change, 3, 0, {book::Record{"M\xfcller", "", "", "a\nb"}}},
    {ListChange::Kind::Remove, 7, 0, {}},
    {ListChange::Kind::Sort, 0, 4, {}},
    {ListChange::Kind::AddAll,
     0,
     2,
     {book::Record{"a"}, book::Record{}, book::Record{"", "", "", "", "", "", "z"}}},
};

std::string wholeJournal() {
    std::string bytes = session::journalStart(Base);
    for (const ListChange& change : Changes) {
        bytes += session::journalEntry(session::encode(change));
    }
    return bytes;
}

struct Damage {
    const char* name;
    std::function<std::string(std::string)> apply;
    bool baseRead;
    std::size_t changesKept;
};

class JournalDamageTest : public testing::TestWithParam<Damage> {};

// Whatever the crash did to the end, every entry before the damage is kept, and nothing after it.
TEST_P(JournalDamageTest, KeepsTheIntactEntriesBeforeIt) {
    const std::string bytes = GetParam().apply(wholeJournal());
    const session::JournalContents contents = session::readJournal(bytes);
    ASSERT_EQ(contents.base.has_value(), GetParam().baseRead);
    if (contents.base) {
        EXPECT_EQ(*contents.base, Base);
    }
    ASSERT_EQ(contents.changes.size(), GetParam().changesKept);
    for (std::size_t at = 0; at < contents.changes.size(); ++at) {
        EXPECT_EQ(contents.changes[at], Changes[at]);
    }
    // What is kept is a prefix that reads back the same.
    EXPECT_EQ(session::readJournal(bytes.substr(0, contents.intactBytes)).changes, contents.changes);
}

std::size_t lastEntrySize() {
    return session::journalEntry(session::encode(Changes.back())).size();
}

INSTANTIATE_TEST_SUITE_P(
    Journal, JournalDamageTest,
    testing::Values(
        Damage{"Whole", [](std::string bytes) { return bytes; }, true, 5},
        Damage{"Empty", [](std::string) { return std::string(); }, false, 0},
        Damage{"StartTorn", [](std::string bytes) { return bytes.substr(0, 20); }, false, 0},
        Damage{"OnlyTheStart", [](std::string) { return session::journalStart(Base); }, true, 0},
        Damage{"LastEntryTorn", [](std::string bytes) { return bytes.substr(0, bytes.size() - 3); }, true, 4},
        Damage{"LastEntryHeadTorn",
               [](std::string bytes) { return bytes.substr(0, bytes.size() - lastEntrySize() + 5); }, true,
               4},
        Damage{"LastEntryFlipped",
               [](std::string bytes) {
                   bytes[bytes.size() - 2] = static_cast<char>(bytes[bytes.size() - 2] ^ 0x10);
                   return bytes;
               },
               true, 4},
        Damage{"MiddleEntryFlipped",
               [](std::string bytes) {
                   const std::size_t second = session::journalStart(Base).size() +
                                              session::journalEntry(session::encode(Changes[0])).size();
                   bytes[second + 12] = static_cast<char>(bytes[second + 12] ^ 1);
                   return bytes;
               },
               true, 1},
        Damage{"LengthBeyondTheEnd",
               [](std::string bytes) { return bytes + std::string("\xff\xff\xff\x7f\0\0\0\0", 8); }, true, 5},
        Damage{"ZerosAfterTheEnd", [](std::string bytes) { return bytes + std::string(64, '\0'); }, true, 5},
        Damage{"ChecksumFineButNoChange",
               [](std::string bytes) { return bytes + session::journalEntry("X garbage"); }, true, 5},
        Damage{"AnotherFile", [](std::string) { return std::string("Adler|Zoe|||||\r\n"); }, false, 0}),
    [](const testing::TestParamInfo<Damage>& info) { return info.param.name; });

} // namespace
