// A list's life through the session: what a crash leaves is made again at the next start, on the list
// it was made on and no other.
#include "session/ListSession.h"
#include "tests/book/RecordPrinter.h"
#include "tests/support/Tables.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>

// Left out on Windows, which has neither: the crash, staged in a child process that fork() makes, and
// the journal that cannot grow, staged with the file size limit.
#ifndef _WIN32
#include "tests/support/FileSizeLimit.h"

#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using book::Record;
using session::ListSession;
using testsupport::filesIn;
using testsupport::readBytes;
using testsupport::writeBytes;

const std::string Start = "Adler|Zoe|||||\r\nMeier|Max|||||\r\nZorn|Nina|||||\r\n";

class ListSessionTest : public testing::Test {
protected:
    testsupport::TempFolder folder;
    session::Places places{folder.path(), folder / "user.reg"};
    fs::path list = folder / book::AddressFileName;
    fs::path journal = folder / session::JournalFileName;

    void SetUp() override { writeBytes(list, Start); }

#ifndef _WIN32
    // The commands in a process of their own that then ends as under kill -9: nothing saved, nothing
    // closed, and its locks given back by the system.
    template <typename Commands> void runAndCrash(Commands commands) {
        const pid_t child = ::fork();
        if (child == 0) {
            ListSession crashed(places, ListSession::Use::Window);
            crashed.open();
            commands(crashed);
            std::_Exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
    }

    void changeThreeAndCrash() {
        runAndCrash([](ListSession& window) {
            window.add(0, Record{"Berg"});
            window.change(2, Record{"Otto"}, 0); // Meier
            window.remove(3);                    // Zorn
        });
    }
#endif
};

[[maybe_unused]] std::vector<std::string> namesOf(const ListSession& session) { // not on Windows
    std::vector<std::string> names;
    for (int index = 0; index < session.table().recordCount(); ++index) {
        names.emplace_back(session.table().cell(0, index));
    }
    return names;
}

TEST_F(ListSessionTest, ACleanRunLeavesNoJournal) {
    {
        ListSession window(places, ListSession::Use::Window);
        window.open();
        window.add(0, Record{"Berg"});
        EXPECT_TRUE(fs::exists(journal));
        window.save();
    }
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});
}

#ifndef _WIN32
TEST_F(ListSessionTest, TheNextStartMakesTheChangesAgainAndSavesThem) {
    changeThreeAndCrash();
    EXPECT_EQ(readBytes(list), Start);
    ListSession window(places, ListSession::Use::Window);
    ASSERT_TRUE(window.open());
    EXPECT_EQ(namesOf(window), (std::vector<std::string>{"Adler", "Berg", "Otto"}));
    EXPECT_TRUE(window.tableChanged());
    EXPECT_EQ(window.notices(),
              std::vector<std::string>{"3 changes not yet saved when Numberwell last ended were recovered"});
    window.save();
    window.close();
    EXPECT_EQ(readBytes(list), "Adler|Zoe|||||\r\nBerg||||||\r\nOtto||||||\r\n");
    EXPECT_FALSE(fs::exists(journal));
}

// A recovered journal goes on: a second crash loses neither the first changes nor the later ones.
TEST_F(ListSessionTest, RecoveredChangesSurviveASecondCrash) {
    changeThreeAndCrash();
    fs::resize_file(journal, fs::file_size(journal) - 4); // the Delete torn
    runAndCrash([](ListSession& again) {
        if (again.table().recordCount() == 4) { // Adler, Berg, Otto, Zorn
            again.add(0, Record{"Kurz"});
        }
    });
    ListSession window(places, ListSession::Use::Window);
    window.open();
    EXPECT_EQ(namesOf(window), (std::vector<std::string>{"Adler", "Berg", "Kurz", "Otto", "Zorn"}));
}

TEST_F(ListSessionTest, AListChangedSinceIsNotTouchedAndTheJournalIsKept) {
    changeThreeAndCrash();
    writeBytes(list, "Written|elsewhere|||||\r\n");
    fs::last_write_time(list, fs::last_write_time(list) + std::chrono::seconds(5));
    const std::string noted = readBytes(journal);
    ListSession window(places, ListSession::Use::Window);
    window.open();
    EXPECT_EQ(namesOf(window), std::vector<std::string>{"Written"});
    EXPECT_FALSE(window.tableChanged());
    ASSERT_EQ(window.notices().size(), 1U);
    std::set<std::string> kept = filesIn(folder.path());
    kept.erase("Adressen.txt");
    kept.erase("Adressen.journal");
    ASSERT_EQ(kept.size(), 1U);
    EXPECT_NE(window.notices().front().find(*kept.begin()), std::string::npos) << window.notices().front();
    EXPECT_EQ(readBytes(folder / *kept.begin()), noted);
}

// An import after a crash first makes the crash's changes, then adds, and its save covers both.
TEST_F(ListSessionTest, AnImportTakesTheRecoveredChangesAlong) {
    changeThreeAndCrash();
    writeBytes(folder / "new.csv", "Name\r\nNeu\r\n");
    {
        ListSession import(places, ListSession::Use::Import);
        ASSERT_TRUE(import.open());
        EXPECT_EQ(import.addContactsFrom(folder / "new.csv", 0).kind, session::ContactsOutcome::Kind::Added);
        import.save();
    }
    EXPECT_EQ(readBytes(list), "Adler|Zoe|||||\r\nBerg||||||\r\nNeu||||||\r\nOtto||||||\r\n");
    EXPECT_FALSE(fs::exists(journal));
}

TEST_F(ListSessionTest, AnExportReadsTheJournalAndChangesNothing) {
    changeThreeAndCrash();
    const std::string noted = readBytes(journal);
    ListSession exported(places, ListSession::Use::Export);
    exported.open();
    EXPECT_EQ(namesOf(exported), (std::vector<std::string>{"Adler", "Berg", "Otto"}));
    EXPECT_EQ(readBytes(journal), noted);
    EXPECT_EQ(readBytes(list), Start);
}
#endif

// Two windows on one list: the second keeps no journal rather than write into the first one's.
TEST_F(ListSessionTest, OnlyOneWindowKeepsTheJournal) {
    ListSession first(places, ListSession::Use::Window);
    first.open();
    ListSession second(places, ListSession::Use::Window);
    second.open();
    EXPECT_EQ(second.notices().size(), 1U);
    first.add(0, Record{"Berg"});
    second.add(0, Record{"Kurz"});
    const session::JournalContents contents = session::readJournal(readBytes(journal));
    ASSERT_EQ(contents.changes.size(), 1U);
    EXPECT_EQ(contents.changes.front().records.front(), Record{"Berg"});
}

#ifndef _WIN32
// A change the journal cannot take is made all the same and the user is told; none is noted until a
// save, which starts the journal afresh.
TEST_F(ListSessionTest, AJournalThatCannotGrowIsTold) {
    ListSession window(places, ListSession::Use::Window);
    window.open();
    window.add(0, Record{"Berg"});
    {
        const testsupport::FileSizeLimit limit(fs::file_size(journal) + 10);
        EXPECT_THROW(window.add(0, Record{"Kurz"}), book::IoError);
        EXPECT_NO_THROW(window.add(0, Record{"Lang"}));
    }
    EXPECT_EQ(window.table().recordCount(), 6);
    EXPECT_EQ(session::readJournal(readBytes(journal)).changes.size(), 1U);
    window.save();
    window.add(0, Record{"Nach"});
    EXPECT_EQ(session::readJournal(readBytes(journal)).changes.size(), 1U);
}
#endif

} // namespace
