// The sync's changes on the list: in order, each on the first equal record, skipped where the user
// changed that record meanwhile (and its conflict copy with it), every change in the journal.
#include "synchronise/ListUpdate.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

using book::Record;
using cardsync::LocalChange;
using Kind = cardsync::LocalChange::Kind;

std::vector<std::string> namesOf(const session::ListSession& list) {
    std::vector<std::string> names;
    for (int index = 0; index < list.table().recordCount(); ++index) {
        names.emplace_back(list.table().cell(0, index));
    }
    return names;
}

class ListUpdateTest : public testing::Test {
protected:
    testsupport::TempFolder folder;
    session::Places places{folder.path(), folder / "user.reg"};

    std::vector<bool> update(session::ListSession& list, std::vector<LocalChange> changes,
                             bool replaceExample) {
        synchronise::ListUpdate update(list, std::move(changes), replaceExample);
        while (!update.advance(0, std::chrono::steady_clock::duration::zero())) {
        }
        return update.applied();
    }
};

TEST_F(ListUpdateTest, ChangesInOrderSkippingWhatTheUserChangedMeanwhile) {
    testsupport::writeBytes(folder / "Adressen.txt",
                            "Berg|A|||||\r\nBerg|A|||||\r\nOtt|B|||||\r\nZorn|C|||||\r\n");
    {
        session::ListSession list(places, session::ListSession::Use::Sync);
        ASSERT_TRUE(list.open());
        const std::vector<bool> applied =
            update(list,
                   {{Kind::Change, Record{"Berg", "A"}, Record{"Adler", "A"}},
                    {Kind::Change, Record{"Ott", "X"}, Record{"Ott", "Y"}}, // Ott|X is no more
                    {Kind::Add, {}, Record{"Ott", "X", "", "", "", "", "Conflict copy"}, true},
                    {Kind::Remove, Record{"Zorn", "C"}, {}},
                    {Kind::Add, {}, Record{"Mai", "D"}},
                    {Kind::Add, {}, Record{"Abel", "E"}}},
                   false);
        EXPECT_EQ(applied, (std::vector<bool>{true, false, false, true, true, true}));
        EXPECT_EQ(namesOf(list), (std::vector<std::string>{"Abel", "Adler", "Berg", "Mai", "Ott"}));
    } // not saved: the journal keeps them
    session::ListSession again(places, session::ListSession::Use::Sync);
    ASSERT_TRUE(again.open());
    EXPECT_EQ(namesOf(again), (std::vector<std::string>{"Abel", "Adler", "Berg", "Mai", "Ott"}));
}

// The example shown where there is no list yet goes when the first records arrive, unless the user
// made the list their own meanwhile.
TEST_F(ListUpdateTest, ArrivingRecordsReplaceTheUntouchedExample) {
    session::ListSession list(places, session::ListSession::Use::Sync);
    ASSERT_TRUE(list.open());
    ASSERT_EQ(list.table().recordCount(), 1);
    update(list, {{Kind::Add, {}, Record{"Mai", "D"}}}, true);
    EXPECT_EQ(namesOf(list), std::vector<std::string>{"Mai"});

    testsupport::TempFolder other;
    session::ListSession edited({other.path(), other / "user.reg"}, session::ListSession::Use::Sync);
    ASSERT_TRUE(edited.open());
    edited.add(0, Record{"Zorn"});
    update(edited, {{Kind::Add, {}, Record{"Mai", "D"}}}, true);
    EXPECT_EQ(namesOf(edited).size(), 3u);
}

} // namespace
