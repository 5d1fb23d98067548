// The sync's rules, each staged against the in-memory address book; the soak mixes them at random.
#include "SyncTesting.h"
#include "exchange/VcardWriter.h"
#include "sync/Records.h"

#include <gtest/gtest.h>

namespace {

using synctest::lines;
using synctest::record;
using Strings = std::vector<std::string>;

// A phone's card: vCard 4.0 with a photo and a category, which the sync must leave alone.
std::string phoneCard(std::string_view uid, std::string_view fields) {
    std::string card;
    exchange::appendVcard(card, cardsync::contactView(record(fields)));
    card.insert(card.rfind("END:VCARD"), "UID:" + std::string(uid) +
                                             "\r\nPHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ==\r\n"
                                             "CATEGORIES:Family\r\n");
    return card;
}

class SyncRunTest : public testing::Test {
protected:
    bool sync(const synctest::Course& course = {}) {
        return synctest::runSync(book, list, store, uids, course, &summary);
    }
    std::size_t requestsOfNextSync() { return synctest::requestsOfSync(book, list, store, uids, &summary); }
    void expectBothSides(const Strings& expected) {
        EXPECT_EQ(lines(list), expected);
        EXPECT_EQ(lines(book), expected);
    }
    std::string hrefOf(std::string_view fields) {
        for (const auto& [href, vcard] : book.cards()) {
            if (cardsync::readCard(vcard).record == record(fields)) {
                return href;
            }
        }
        ADD_FAILURE() << "no card " << fields;
        return {};
    }

    testsupport::MemoryAddressBook book;
    std::vector<book::Record> list;
    synctest::MemoryStateStore store;
    cardsync::SyncRun::UidSource uids = synctest::countingUids("uid-");
    cardsync::Summary summary;
};

TEST_F(SyncRunTest, FirstSyncMergesWithoutDoublesAndTheNextOnlyLists) {
    list = {record("Ann|A|||1||"), record("Bob|B|||2||"), record(""), record("Bob|B|||2||")};
    book.put("/book/p1.vcf", phoneCard("p1", "Ann|A|||1||"));
    book.put("/book/p2.vcf", phoneCard("p2", "Cyd|C|||3||"));
    ASSERT_TRUE(sync());
    EXPECT_EQ(summary.text(), "1 added here, 2 sent");
    expectBothSides({"Ann|A|||1||", "Bob|B|||2||", "Bob|B|||2||", "Cyd|C|||3||"});
    EXPECT_EQ(requestsOfNextSync(), 1u);
    EXPECT_EQ(summary.text(), "Nothing to synchronise");
}

// A record that only the card's form tells apart ("tel:2" reads "2") is no double either.
TEST_F(SyncRunTest, ALostDamagedOrForeignStateIsAFirstSyncAgain) {
    list = {record("Ann|A|||1||"), record("Bob|B|||tel:2||")};
    book.put("/book/p1.vcf", phoneCard("p1", "Cyd|C|||3||"));
    ASSERT_TRUE(sync());
    const Strings both = {"Ann|A|||1||", "Bob|B|||2||", "Cyd|C|||3||"};
    expectBothSides(both);
    const std::string foreign = cardsync::stateText({"http://elsewhere.test/book/", "", {}});
    for (const std::optional<std::string>& state :
         {std::optional<std::string>(), std::optional<std::string>("x\n"),
          std::optional<std::string>(store.text->substr(0, 60) + "\n"),
          std::optional<std::string>(foreign)}) {
        store.text = state;
        ASSERT_TRUE(sync());
        EXPECT_EQ(summary.text(), "Nothing to synchronise");
        expectBothSides(both);
    }
}

TEST_F(SyncRunTest, EditsGoBothWaysAndAConflictKeepsACopy) {
    list = {record("Ann|A|||1||"), record("Bob|B|||2||note"), record("Cyd|C|||3||"), record("Dan|D|||4||")};
    ASSERT_TRUE(sync());
    list[0] = record("Ann|A|||11||");             // changed here
    list[1] = record("Bob|B||Street 1|22||note"); // both changed: address here, number there too
    list.erase(list.begin() + 2);                 // deleted here, changed there: the change wins
    book.put(hrefOf("Bob|B|||2||note"), phoneCard("p", "Bob|B|||23||note"));
    book.put(hrefOf("Cyd|C|||3||"), phoneCard("p", "Cyd|C|||33||"));
    book.remove(hrefOf("Dan|D|||4||")); // deleted there
    ASSERT_TRUE(sync());
    EXPECT_EQ(summary.text(),
              "1 added here, 3 sent, 1 changed here, 1 deleted here, 1 conflict kept as a copy");
    expectBothSides({"Ann|A|||11||", "Bob|B||Street 1|22||Conflict copy: note", "Bob|B||Street 1|23||note",
                     "Cyd|C|||33||"});
    EXPECT_EQ(requestsOfNextSync(), 1u);
}

TEST_F(SyncRunTest, AChangeHereIsWrittenIntoTheCardAsTheServerHasIt) {
    book.put("/book/p1.vcf", phoneCard("p1", "Ann|A|||1 / 2||"));
    ASSERT_TRUE(sync());
    list[0] = record("Ann|A|||1 / 3||");
    ASSERT_TRUE(sync());
    const std::string card = book.cards().at("/book/p1.vcf");
    EXPECT_NE(card.find("PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ=="), std::string::npos) << card;
    EXPECT_NE(card.find("CATEGORIES:Family"), std::string::npos) << card;
    EXPECT_NE(card.find("UID:p1"), std::string::npos) << card;
    expectBothSides({"Ann|A|||1 / 3||"});
}

TEST_F(SyncRunTest, MassDeletionWaitsForConfirmation) {
    list = {record("A"), record("B"), record("C"), record("D")};
    ASSERT_TRUE(sync());
    list = {record("A")};
    cardsync::SyncRun run("http://memory.test/book/", list, store, uids);
    while (const std::optional<cardsync::Request> request = run.next()) {
        run.answer(book.handle(*request));
    }
    ASSERT_EQ(run.stage(), cardsync::SyncRun::Stage::ConfirmDeletions);
    EXPECT_EQ(run.deletions().text(), "The sync would delete 3 of the 4 cards on the server");
    EXPECT_EQ(lines(book).size(), 4u); // refused: nothing happened
    ASSERT_TRUE(sync());               // confirmed
    expectBothSides({"A||||||"});
}

TEST_F(SyncRunTest, AnEmptiedAddressBookGetsTheListAgain) {
    list = {record("A"), record("B")};
    ASSERT_TRUE(sync());
    for (const auto& [href, vcard] : book.cards()) {
        book.remove(href);
    }
    ASSERT_TRUE(sync());
    EXPECT_EQ(summary.text(), "The address book was empty: 2 sent");
    expectBothSides({"A||||||", "B||||||"});
}

// Ann's e-mail address added here and synced, while another client acts on her card just before the
// sync writes it.
TEST_F(SyncRunTest, AWriteRefusedAsStaleIsFetchedAndMergedAgainAndADeletedCardCreatedAgain) {
    for (const bool deleted : {false, true}) {
        book = {};
        store.text.reset();
        list = {record("Ann|A|||1||")};
        ASSERT_TRUE(sync());
        const std::string href = hrefOf("Ann|A|||1||");
        list[0] = record("Ann|A|||1|ann@x|");
        synctest::Course course;
        course.meanwhile = [&, acted = false](const cardsync::Request& request) mutable {
            if (request.kind == cardsync::Request::Kind::Update && !acted) {
                acted = true;
                deleted ? book.remove(href) : book.put(href, phoneCard("p", "Ann|A|||2||"));
            }
        };
        ASSERT_TRUE(sync(course));
        expectBothSides({deleted ? "Ann|A|||1|ann@x|" : "Ann|A|||2|ann@x|"});
        EXPECT_EQ(book.holds(href), !deleted);
    }
}

} // namespace
