// The three-way merge of a record both sides changed: each case gives the last sync's record, this
// side's, the server's, and the merged record with its conflict copy (empty where there is none).
#include "sync/Merge.h"
#include "SyncTesting.h"

#include <gtest/gtest.h>

namespace {

struct MergeCase {
    const char* name;
    const char* base;
    const char* here;
    const char* there;
    const char* merged;
    const char* copy;
};

class MergeTest : public testing::TestWithParam<MergeCase> {};

TEST_P(MergeTest, Merges) {
    const MergeCase& c = GetParam();
    const cardsync::Merged merged =
        cardsync::mergeRecords(synctest::record(c.base), synctest::record(c.here), synctest::record(c.there));
    EXPECT_EQ(synctest::line(merged.record), c.merged);
    EXPECT_EQ(merged.copy ? synctest::line(*merged.copy) : "", c.copy);
    EXPECT_EQ(merged.copy.has_value(), merged.copy && cardsync::isConflictCopy(*merged.copy));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MergeTest,
    testing::Values(MergeCase{"EachSideItsField", "A|B|C||||", "A2|B|C||||", "A|B|C2||||", "A2|B|C2||||", ""},
                    MergeCase{"TheSameChangeOnBothSides", "A||||1||", "A||||2||", "A||||2||", "A||||2||", ""},
                    MergeCase{"ADeletedFieldIsAChange", "A|B|||||", "A||||||", "A|B|||1||", "A||||1||", ""},
                    MergeCase{"ConflictKeepsTheServersValueAndCopiesOurs", "A||||1||n", "A||||2||n",
                              "A||||3||n", "A||||3||n", "A||||2||Conflict copy: n"},
                    MergeCase{"TheCopyHasTheOtherChangesToo", "A|B|||1||", "A|B2|||2||", "A2|B|||3||",
                              "A2|B2|||3||", "A2|B2|||2||Conflict copy"},
                    MergeCase{"ConflictInTheNote", "A||||||n", "A||||||mine", "A||||||theirs",
                              "A||||||theirs", "A||||||Conflict copy: mine"}),
    [](const testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

} // namespace
