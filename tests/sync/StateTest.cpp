// The state file: what is written reads back, lines added later change it, and anything damaged is a
// first sync (nothing), never a crash.
#include "SyncTesting.h"
#include "files/FileError.h"
#include "support/TempFolder.h"
#include "sync/StateStore.h"
#include "sync/SyncState.h"

#include <gtest/gtest.h>

namespace {

cardsync::SyncState sample() {
    cardsync::SyncState state;
    state.addressBook = "https://dav.example/user/contacts/";
    state.syncToken = "http://dav.example.org/sync/7";
    state.cards["/c/a.vcf"] = {"\"1\"", "uid-a", synctest::record("M\xC3\xBCller|Ann|||1||a\\b"), false};
    book::Record awkward = synctest::record("Tab");
    awkward.setField(1, "\t\n\\t\\");
    state.cards["/c/b\tc.vcf"] = {"W/\"2\"", "", awkward, true};
    return state;
}

void expectEqual(const cardsync::SyncState& a, const cardsync::SyncState& b) {
    EXPECT_EQ(a.addressBook, b.addressBook);
    EXPECT_EQ(a.syncToken, b.syncToken);
    ASSERT_EQ(a.cards.size(), b.cards.size());
    for (const auto& [href, card] : a.cards) {
        ASSERT_TRUE(b.cards.contains(href)) << href;
        const cardsync::CardState& other = b.cards.at(href);
        EXPECT_EQ(card.etag, other.etag);
        EXPECT_EQ(card.uid, other.uid);
        EXPECT_EQ(card.record, other.record);
        EXPECT_EQ(card.pending, other.pending);
    }
}

TEST(StateText, ReadsBackWithTheLinesAddedLater) {
    cardsync::SyncState state = sample();
    std::string text = cardsync::stateText(state);
    const std::optional<cardsync::SyncState> read = cardsync::parseState(text);
    ASSERT_TRUE(read);
    expectEqual(state, *read);

    state.cards["/c/a.vcf"].etag = "\"3\"";
    state.cards.erase("/c/b\tc.vcf");
    state.syncToken = "http://dav.example.org/sync/8";
    text += cardsync::cardLine("/c/a.vcf", state.cards["/c/a.vcf"]) + cardsync::dropLine("/c/b\tc.vcf") +
            cardsync::tokenLine(state.syncToken);
    const std::optional<cardsync::SyncState> changed = cardsync::parseState(text);
    ASSERT_TRUE(changed);
    expectEqual(state, *changed);
}

TEST(StateText, ALineCutOffWhileWrittenDoesNotCount) {
    const std::string whole = cardsync::stateText(sample());
    const std::string added = cardsync::dropLine("/c/a.vcf");
    const std::optional<cardsync::SyncState> read =
        cardsync::parseState(whole + added.substr(0, added.size() - 1));
    ASSERT_TRUE(read);
    expectEqual(sample(), *read);
}

TEST(StateText, AnythingDamagedIsNoState) {
    const std::string whole = cardsync::stateText(sample());
    std::string flipped = whole;
    flipped[whole.size() / 2] ^= 0x20;
    for (const std::string& text :
         {std::string(), std::string("garbage\n"), flipped, whole.substr(whole.find('\n') + 1),
          whole + "card\t/x\t00000000\n", std::string(1000, '\n')}) {
        EXPECT_FALSE(cardsync::parseState(text)) << text;
    }
}

TEST(StateFile, ReplacedAndAddedToOnTheDisk) {
    const testsupport::TempFolder folder;
    cardsync::StateFile file(folder / std::string(cardsync::StateFileName));
    EXPECT_FALSE(file.read());
    file.replace("one\n");
    file.append("two\n");
    file.replace("three\n"); // the file added to before is gone: additions go to the new one
    file.append("four\n");
    EXPECT_EQ(file.read(), "three\nfour\n");
    EXPECT_THROW(cardsync::StateFile(folder.path()).read(), files::FileError); // a folder in its place
}

} // namespace
