#include "book/AddressBook.h"
#include "RecordPrinter.h"
#include "files/LocalTime.h"
#include "tests/support/FailingBook.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <regex>
#include <set>

// Left out on Windows, which has none of it: a folder's permissions as modes, a file that may be
// written but not read, pipes in the file system, the file size limit, utimensat() and the umask.
#ifndef _WIN32
#include "tests/support/FileSizeLimit.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using book::AddressBook;
using book::AddressTable;
using book::IoError;
using book::Record;
using testsupport::filesIn;
using testsupport::readBytes;
using testsupport::TempFolder;
using testsupport::writeBytes;

bool runningAsRoot() {
#ifdef _WIN32
    return false;
#else
    return ::geteuid() == 0;
#endif
}

#define SKIP_AS_ROOT()                                                                                       \
    if (runningAsRoot())                                                                                     \
    GTEST_SKIP() << "root ignores file permissions: AddressBookTest.PermissionFaultsAsNobody runs this"

// Another program's write, with a modification time of its own so that it shows on any file system.
void writeAsAnotherProgram(const fs::path& file, std::string_view bytes) {
    writeBytes(file, bytes);
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(5));
}

const std::string OldText = "Old|Entry|||||\r\n";
const std::string NewText = "New|Entry|||||\r\n";

// A list read (or the example, or the empty list after a failed load) of one record, changed to NewText.
std::optional<std::string> saveNewText(AddressBook& book) {
    book.change(0, Record{"New", "Entry"}, 0);
    return book.save();
}

class AddressBookTest : public testing::Test {
protected:
    TempFolder folder;
    fs::path addresses = folder / book::AddressFileName;
    AddressBook file{folder.path()};

    void expectSaveFailsKeepingOldText() {
        EXPECT_THROW(saveNewText(file), IoError);
        EXPECT_EQ(readBytes(addresses), OldText);
        EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});
    }
};

TEST_F(AddressBookTest, ProbeSucceedsAndLeavesNothing) {
    EXPECT_TRUE(file.folderWritable());
    EXPECT_TRUE(filesIn(folder.path()).empty());
}

// A "test.tst" that is already there is somebody's: it stays as it was, even read-only or a folder,
// and the probe uses a name of its own.
TEST_F(AddressBookTest, ProbeLeavesAFileOfThatNameAlone) {
    writeBytes(folder / "test.tst", "the user's own");
    fs::permissions(folder / "test.tst", fs::perms::owner_read);
    EXPECT_TRUE(file.folderWritable());
    EXPECT_EQ(readBytes(folder / "test.tst"), "the user's own");
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"test.tst"});
    fs::permissions(folder / "test.tst", fs::perms::owner_all); // Windows removes no read-only file
    fs::remove(folder / "test.tst");
    fs::create_directory(folder / "test.tst");
    EXPECT_TRUE(file.folderWritable());
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"test.tst"});
}

TEST_F(AddressBookTest, ProbeFailsWhereNothingCanBeCreated) {
    EXPECT_FALSE(AddressBook(folder / "missing").folderWritable());
    writeBytes(folder / "plain file", "");
    EXPECT_FALSE(AddressBook(folder / "plain file").folderWritable());
}

#ifndef _WIN32
TEST_F(AddressBookTest, ProbeFailsInAReadOnlyFolder) {
    SKIP_AS_ROOT();
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(file.folderWritable());
}
#endif

TEST_F(AddressBookTest, NoFileGivesTheExampleAndWritesNothing) {
    file.load();
    EXPECT_EQ(file.table().recordCount(), 1);
    EXPECT_EQ(file.table().record(0), book::exampleRecord());
    EXPECT_EQ(file.table().cell(0, 0), "Example");
    EXPECT_FALSE(file.table().cell(book::EmailColumn, 0).empty());
    EXPECT_FALSE(file.tableChanged());
    EXPECT_TRUE(filesIn(folder.path()).empty());
}

TEST_F(AddressBookTest, LoadReadsEveryLineAndChangesMarkTheTable) {
    writeBytes(addresses, "a\r\nb\r\nc\r\n");
    file.load();
    EXPECT_EQ(file.table().recordCount(), 3);
    EXPECT_EQ(file.table().cell(0, 2), "c");
    EXPECT_FALSE(file.tableChanged());
    file.sortByColumn(0);
    EXPECT_TRUE(file.tableChanged());
}

// A folder, and a pipe that would hang a plain open, are refused at once; the list is then empty.
TEST_F(AddressBookTest, UnreadableFileRaisesTheSystemError) {
    fs::create_directory(addresses);
    try {
        file.load();
        FAIL() << "no error raised";
    } catch (const IoError& error) {
        EXPECT_STREQ(error.what(), "E/A-Fehler 21: Is a directory: Adressen.txt");
    }
#ifndef _WIN32
    fs::remove(addresses);
    ASSERT_EQ(::mkfifo(addresses.c_str(), 0600), 0);
    EXPECT_THROW(file.load(), IoError);
#endif
    EXPECT_TRUE(file.table().isEmptyList());
}

#ifndef _WIN32
// A replaced file keeps its mode; a new one gets the user's umask, which nobody changes meanwhile.
TEST_F(AddressBookTest, SaveKeepsTheModeOrFollowsTheUmask) {
    writeBytes(addresses, OldText);
    fs::permissions(addresses, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    file.load();
    EXPECT_EQ(saveNewText(file), std::nullopt);
    EXPECT_EQ(readBytes(addresses), NewText);
    EXPECT_EQ(fs::status(addresses).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});

    fs::remove(addresses);
    const mode_t previous = ::umask(027);
    AddressBook fresh(folder.path());
    fresh.load();
    fresh.save();
    EXPECT_EQ(::umask(previous), 027);
    EXPECT_EQ(fs::status(addresses).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Dates past 2262 do not fit in nanoseconds since 1970: the version read is still told apart rightly.
TEST_F(AddressBookTest, FarFutureFileTimesAreNoOtherVersion) {
    writeBytes(addresses, OldText);
    const timespec times[2] = {{0, UTIME_OMIT}, {10'000'000'000, 999'999'999}}; // the year 2286
    ASSERT_EQ(::utimensat(AT_FDCWD, addresses.c_str(), times, 0), 0);
    file.load();
    EXPECT_EQ(saveNewText(file), std::nullopt);
}

TEST_F(AddressBookTest, SaveFailsInAReadOnlyFolder) {
    SKIP_AS_ROOT();
    writeBytes(addresses, OldText);
    file.load();
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    expectSaveFailsKeepingOldText();
}
#endif

TEST_F(AddressBookTest, SaveFailsOnAWriteProtectedFile) {
    SKIP_AS_ROOT();
    writeBytes(addresses, OldText);
    fs::permissions(addresses, fs::perms::owner_read);
    file.load();
    expectSaveFailsKeepingOldText();
}

TEST_F(AddressBookTest, SaveFailsWhenTheFolderIsGone) {
    const fs::path gone = folder / "gone";
    fs::create_directory(gone);
    AddressBook inGone(gone);
    inGone.load();
    fs::remove(gone);
    EXPECT_THROW(saveNewText(inGone), IoError);
    EXPECT_FALSE(fs::exists(gone));
}

TEST_F(AddressBookTest, SaveFailsWhenTheFileIsAFolder) {
    fs::create_directory(addresses);
    EXPECT_THROW(file.load(), IoError);
    EXPECT_THROW(saveNewText(file), IoError);
    EXPECT_TRUE(fs::is_directory(addresses));
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});
}

TEST_F(AddressBookTest, SaveFailsWhenAFolderTookTheFilesPlace) {
    writeBytes(addresses, OldText);
    file.load();
    fs::remove(addresses);
    fs::create_directory(addresses);
    EXPECT_THROW(saveNewText(file), IoError);
    EXPECT_TRUE(fs::is_directory(addresses));
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});
}

#ifndef _WIN32
TEST_F(AddressBookTest, FailedWriteLeavesTheOldFile) {
    writeBytes(addresses, OldText);
    file.load();
    const std::vector<Record> many(5000, Record{"Somebody", "Else", "", "Some street 1, Some town"});
    file.addAll(0, many);
    {
        const testsupport::FileSizeLimit limit(64 * 1024);
        try {
            file.save();
            FAIL() << "no error raised";
        } catch (const IoError& error) {
            EXPECT_STREQ(error.what(), "E/A-Fehler 27: File too large: Adressen.txt");
        }
    }
    EXPECT_EQ(readBytes(addresses), OldText);
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});
}
#endif

const std::regex KeptName(R"(Adressen \d{4}-\d\d-\d\d \d\d-\d\d-\d\d( \(\d+\))?\.txt)");

TEST_F(AddressBookTest, AnotherProgramsVersionIsKeptOnce) {
    writeBytes(addresses, OldText);
    file.load();
    writeAsAnotherProgram(addresses, "Theirs|||||||\r\n");

    const auto kept = saveNewText(file);
    ASSERT_TRUE(kept.has_value());
    EXPECT_TRUE(std::regex_match(*kept, KeptName)) << *kept;
    EXPECT_EQ(readBytes(folder / *kept), "Theirs|||||||\r\n");
    EXPECT_EQ(readBytes(addresses), NewText);

    EXPECT_EQ(file.save(), std::nullopt) << "our own save is no other program's change";
    EXPECT_EQ(filesIn(folder.path()).size(), 2U);
}

TEST_F(AddressBookTest, FileCreatedAfterALoadThatFoundNoneIsKept) {
    file.load();
    writeBytes(addresses, "Theirs\r\n");
    const auto kept = saveNewText(file);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(readBytes(folder / *kept), "Theirs\r\n");
    EXPECT_EQ(readBytes(addresses), NewText);
}

TEST_F(AddressBookTest, FileThatVanishedIsJustWritten) {
    writeBytes(addresses, OldText);
    file.load();
    fs::remove(addresses);
    EXPECT_EQ(saveNewText(file), std::nullopt);
    EXPECT_EQ(readBytes(addresses), NewText);
}

TEST_F(AddressBookTest, FileUnreadableAtLoadIsKept) {
    // Unreadable at start (here: a folder in its place), readable again by the time of the save.
    fs::create_directory(addresses);
    EXPECT_THROW(file.load(), IoError);
    fs::remove(addresses);
    writeBytes(addresses, OldText);

    const auto kept = saveNewText(file);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(readBytes(folder / *kept), OldText);
    EXPECT_EQ(readBytes(addresses), NewText);
}

#ifndef _WIN32
TEST_F(AddressBookTest, FileStillUnreadableAtSaveIsKept) {
    SKIP_AS_ROOT();
    writeBytes(addresses, OldText);
    fs::permissions(addresses, fs::perms::owner_write);
    try {
        file.load();
        FAIL() << "no error raised";
    } catch (const IoError& error) {
        EXPECT_STREQ(error.what(), "E/A-Fehler 13: Permission denied: Adressen.txt");
    }
    const auto kept = saveNewText(file);
    ASSERT_TRUE(kept.has_value());
    fs::permissions(folder / *kept, fs::perms::owner_read, fs::perm_options::add);
    EXPECT_EQ(readBytes(folder / *kept), OldText);
    EXPECT_EQ(readBytes(addresses), NewText);
}
#endif

TEST_F(AddressBookTest, TakenNamesForTheKeptCopyAreNumbered) {
    writeBytes(addresses, OldText);
    file.load();
    writeAsAnotherProgram(addresses, "Theirs\r\n");
    // Names for this second and the next two, so the save finds its name taken whenever it runs.
    const std::time_t now = std::time(nullptr);
    for (std::time_t second = now; second < now + 3; ++second) {
        const std::tm local = files::localTime(second);
        char name[64];
        std::strftime(name, sizeof name, "Adressen %Y-%m-%d %H-%M-%S.txt", &local);
        writeBytes(folder / name, "taken");
    }
    const auto kept = saveNewText(file);
    ASSERT_TRUE(kept.has_value());
    EXPECT_TRUE(kept->ends_with(" (2).txt")) << *kept;
    EXPECT_EQ(readBytes(folder / *kept), "Theirs\r\n");
}

} // namespace

namespace {

class FailureTest : public testing::TestWithParam<testsupport::Failure> {
protected:
    TempFolder folder;
    fs::path addresses = folder / book::AddressFileName;
    testsupport::FailingBook book{folder.path()};
};

// Whatever breaks off the save, the old file stays and no temporary file is left; the next save works.
TEST_P(FailureTest, AtSaveKeepsTheOldFile) {
    writeBytes(addresses, OldText);
    book.load();
    book.failWrite = GetParam().raise;
    EXPECT_ANY_THROW(saveNewText(book));
    EXPECT_EQ(readBytes(addresses), OldText);
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});
    EXPECT_TRUE(book.tableChanged());
    book.failWrite = nullptr;
    EXPECT_EQ(book.save(), std::nullopt);
    EXPECT_EQ(readBytes(addresses), NewText);
}

// Whatever breaks off the load leaves the empty list, and the file it did not read is kept before a
// save replaces it.
TEST_P(FailureTest, AtLoadLeavesTheEmptyListAndKeepsTheFile) {
    writeBytes(addresses, OldText);
    book.failRead = GetParam().raise;
    EXPECT_ANY_THROW(book.load());
    EXPECT_TRUE(book.table().isEmptyList());
    const auto kept = saveNewText(book);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(readBytes(folder / *kept), OldText);
    EXPECT_EQ(readBytes(addresses), NewText);
}

INSTANTIATE_TEST_SUITE_P(AddressBook, FailureTest, testing::ValuesIn(testsupport::everyKindOfFailure()),
                         [](const testing::TestParamInfo<testsupport::Failure>& info) {
                             return info.param.name;
                         });

} // namespace
