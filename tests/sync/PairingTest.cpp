// How the list is paired with the records of the last sync: each case gives both and the pairing as
// text: "0=1" synced record 0 is list record 1 unchanged, "0~1" changed into it, "0-" deleted, "+1" added.
#include "sync/Pairing.h"
#include "SyncTesting.h"

#include <gtest/gtest.h>

namespace {

struct PairingCase {
    const char* name;
    std::vector<std::string> synced;
    std::vector<std::string> list;
    std::string pairing;
};

std::vector<book::Record> records(const std::vector<std::string>& lines) {
    std::vector<book::Record> records;
    for (const std::string& line : lines) {
        records.push_back(synctest::record(line));
    }
    return records;
}

std::vector<const book::Record*> pointers(const std::vector<book::Record>& records) {
    std::vector<const book::Record*> pointers;
    for (const book::Record& record : records) {
        pointers.push_back(&record);
    }
    return pointers;
}

std::string described(const std::vector<book::Record>& synced, const std::vector<book::Record>& list,
                      const cardsync::Pairing& pairing) {
    std::string text;
    for (std::size_t i = 0; i < pairing.now.size(); ++i) {
        const std::optional<std::size_t> now = pairing.now[i];
        text += (text.empty() ? "" : " ") + std::to_string(i) +
                (!now ? "-" : (synced[i] == list[*now] ? "=" : "~") + std::to_string(*now));
    }
    for (const std::size_t added : pairing.added) {
        text += (text.empty() ? "+" : " +") + std::to_string(added);
    }
    return text;
}

class PairingTest : public testing::TestWithParam<PairingCase> {};

TEST_P(PairingTest, Pairs) {
    const std::vector<book::Record> synced = records(GetParam().synced);
    const std::vector<book::Record> list = records(GetParam().list);
    EXPECT_EQ(described(synced, list, cardsync::pairRecords(pointers(synced), list)), GetParam().pairing);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PairingTest,
    testing::Values(
        PairingCase{"EqualRecordsPairInOrderAlsoTwice", {"A", "A", "B"}, {"B", "A", "A"}, "0=1 1=2 2=0"},
        PairingCase{"OneFieldChangedIsAChange", {"Ann|A|||1||"}, {"Ann|A|||2||"}, "0~0"},
        PairingCase{"TheMostAlikeWins",
                    {"Miller|Ann|||1|a@x|", "Miller|Bob|||2|b@x|"},
                    {"Miller|Bob|||1|b@x|"},
                    "0- 1~0"},
        PairingCase{"EmptyFieldsMakeNoLikeness", {"Meier||||||"}, {"Meyer||||||"}, "0- +0"},
        PairingCase{"FewerDifferingFieldsBreakATie",
                    {"Ann|||||x@y|"},
                    {"Ann||al||1|x@y|", "Ann||al|||x@y|"},
                    "0~1 +0"},
        PairingCase{"AConflictCopyPairsLast",
                    {"Ann|A|||1||n"},
                    {"Ann|A|||2||Conflict copy: n", "Ann|A|||3||m"},
                    "0~1 +0"},
        PairingCase{"EarlierRecordsFirstOnEqualTerms", {"Ann|1", "Ann|2"}, {"Ann|3", "Ann|4"}, "0~0 1~1"}),
    [](const testing::TestParamInfo<PairingCase>& info) { return std::string(info.param.name); });

TEST(PairingCommonValues, AValueThatManyRecordsShareNamesNoOne) {
    std::vector<book::Record> list;
    for (int i = 0; i < 40; ++i) {
        list.push_back(synctest::record("New" + std::to_string(i) + "||||||Kunde"));
    }
    const cardsync::Pairing pairing =
        cardsync::pairRecords(pointers({synctest::record("Old||||||Kunde")}), list);
    EXPECT_FALSE(pairing.now[0]);
    EXPECT_EQ(pairing.added.size(), 40u);
}

} // namespace
