#include "book/AddressFile.h"
#include "RecordPrinter.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <regex>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using book::AddressFile;
using book::AddressTable;
using book::IoError;
using book::Record;
using testsupport::filesIn;
using testsupport::readBytes;
using testsupport::TempFolder;
using testsupport::writeBytes;

bool runningAsRoot() {
    return ::geteuid() == 0;
}

#define SKIP_AS_ROOT()                                                                                       \
    if (runningAsRoot())                                                                                     \
    GTEST_SKIP() << "root ignores file permissions: AddressFileTest.PermissionFaultsAsNobody runs this"

AddressTable tableOf(std::initializer_list<Record> records) {
    AddressTable table;
    int row = 1;
    for (const Record& record : records) {
        table.setRecord(row++, record);
    }
    table.setRowCount(std::max(row, 2));
    return table;
}

// Another program's write, with a modification time of its own so that it shows on any file system.
void writeAsAnotherProgram(const fs::path& file, std::string_view bytes) {
    writeBytes(file, bytes);
    fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(5));
}

const std::string OldText = "Old|Entry|||||\r\n";
const std::string NewText = "New|Entry|||||\r\n";
const AddressTable NewTable = tableOf({Record{"New", "Entry"}});

class AddressFileTest : public testing::Test {
protected:
    TempFolder folder;
    fs::path addresses = folder / book::AddressFileName;
    AddressFile file{folder.path()};

    void expectSaveFailsKeepingOldText() {
        EXPECT_THROW(file.save(NewTable), IoError);
        EXPECT_EQ(readBytes(addresses), OldText);
        EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});
    }
};

TEST_F(AddressFileTest, ProbeSucceedsAndLeavesNothing) {
    writeBytes(folder / "test.tst", "left over");
    EXPECT_FALSE(file.writeProbe());
    EXPECT_TRUE(filesIn(folder.path()).empty());
}

TEST_F(AddressFileTest, ProbeFailsWhereNothingCanBeCreated) {
    EXPECT_TRUE(AddressFile(folder / "missing").writeProbe());
    fs::create_directory(folder / "test.tst");
    EXPECT_TRUE(file.writeProbe());
    EXPECT_TRUE(fs::is_directory(folder / "test.tst"));
}

TEST_F(AddressFileTest, ProbeFailsOnAReadOnlyProbeFile) {
    SKIP_AS_ROOT();
    writeBytes(folder / "test.tst", "");
    fs::permissions(folder / "test.tst", fs::perms::owner_read);
    EXPECT_TRUE(file.writeProbe());
}

TEST_F(AddressFileTest, ProbeFailsInAReadOnlyFolder) {
    SKIP_AS_ROOT();
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_TRUE(file.writeProbe());
}

TEST_F(AddressFileTest, NoFileGivesTheExampleAndWritesNothing) {
    AddressTable table;
    EXPECT_EQ(file.load(table), 2);
    EXPECT_EQ(table.record(1), book::exampleRecord());
    EXPECT_EQ(table.cell(0, 1), "Example");
    EXPECT_FALSE(table.cell(book::EmailColumn, 1).empty());
    EXPECT_TRUE(filesIn(folder.path()).empty());
}

TEST_F(AddressFileTest, LoadReturnsTheLineCounter) {
    writeBytes(addresses, "a\r\nb\r\nc\r\n");
    AddressTable table;
    EXPECT_EQ(file.load(table), 4);
    EXPECT_EQ(table.cell(0, 3), "c");
}

TEST_F(AddressFileTest, UnreadableFileRaisesTheSystemError) {
    fs::create_directory(addresses);
    AddressTable table;
    try {
        file.load(table);
        FAIL() << "no error raised";
    } catch (const IoError& error) {
        EXPECT_STREQ(error.what(), "E/A-Fehler 21: Is a directory: Adressen.txt");
    }
    EXPECT_EQ(table.rowCount(), 2);
}

TEST_F(AddressFileTest, SaveReplacesTheFileAndKeepsItsPermissions) {
    writeBytes(addresses, OldText);
    fs::permissions(addresses, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    AddressTable table;
    file.load(table);
    EXPECT_EQ(file.save(NewTable), std::nullopt);
    EXPECT_EQ(readBytes(addresses), NewText);
    EXPECT_EQ(fs::status(addresses).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});
}

TEST_F(AddressFileTest, SaveFailsInAReadOnlyFolder) {
    SKIP_AS_ROOT();
    writeBytes(addresses, OldText);
    AddressTable table;
    file.load(table);
    fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    expectSaveFailsKeepingOldText();
}

TEST_F(AddressFileTest, SaveFailsOnAWriteProtectedFile) {
    SKIP_AS_ROOT();
    writeBytes(addresses, OldText);
    fs::permissions(addresses, fs::perms::owner_read);
    AddressTable table;
    file.load(table);
    expectSaveFailsKeepingOldText();
}

TEST_F(AddressFileTest, SaveFailsWhenTheFolderIsGone) {
    const fs::path gone = folder / "gone";
    fs::create_directory(gone);
    AddressFile inGone(gone);
    AddressTable table;
    inGone.load(table);
    fs::remove(gone);
    EXPECT_THROW(inGone.save(NewTable), IoError);
    EXPECT_FALSE(fs::exists(gone));
}

TEST_F(AddressFileTest, SaveFailsWhenTheFileIsAFolder) {
    fs::create_directory(addresses);
    AddressTable table;
    EXPECT_THROW(file.load(table), IoError);
    EXPECT_THROW(file.save(NewTable), IoError);
    EXPECT_TRUE(fs::is_directory(addresses));
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});
}

TEST_F(AddressFileTest, SaveFailsWhenAFolderTookTheFilesPlace) {
    writeBytes(addresses, OldText);
    AddressTable table;
    file.load(table);
    fs::remove(addresses);
    fs::create_directory(addresses);
    EXPECT_THROW(file.save(NewTable), IoError);
    EXPECT_TRUE(fs::is_directory(addresses));
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});
}

// A disk that fills up during the write: the file size limit makes write() fail with EFBIG.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : oldHandler_(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        const rlimit limited{bytes, old_.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int);
};

TEST_F(AddressFileTest, FailedWriteLeavesTheOldFile) {
    writeBytes(addresses, OldText);
    AddressTable table;
    file.load(table);
    AddressTable large;
    large.setRowCount(5001);
    for (int row = 1; row < large.rowCount(); ++row) {
        large.setRecord(row, Record{"Somebody", "Else", "", "Some street 1, Some town"});
    }
    {
        const FileSizeLimit limit(64 * 1024);
        try {
            file.save(large);
            FAIL() << "no error raised";
        } catch (const IoError& error) {
            EXPECT_STREQ(error.what(), "E/A-Fehler 27: File too large: Adressen.txt");
        }
    }
    EXPECT_EQ(readBytes(addresses), OldText);
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});
}

const std::regex KeptName(R"(Adressen \d{4}-\d\d-\d\d \d\d-\d\d-\d\d( \(\d+\))?\.txt)");

TEST_F(AddressFileTest, AnotherProgramsVersionIsKeptOnce) {
    writeBytes(addresses, OldText);
    AddressTable table;
    file.load(table);
    writeAsAnotherProgram(addresses, "Theirs|||||||\r\n");

    const auto kept = file.save(NewTable);
    ASSERT_TRUE(kept.has_value());
    EXPECT_TRUE(std::regex_match(*kept, KeptName)) << *kept;
    EXPECT_EQ(readBytes(folder / *kept), "Theirs|||||||\r\n");
    EXPECT_EQ(readBytes(addresses), NewText);

    EXPECT_EQ(file.save(NewTable), std::nullopt) << "our own save is no other program's change";
    EXPECT_EQ(filesIn(folder.path()).size(), 2U);
}

TEST_F(AddressFileTest, FileCreatedAfterALoadThatFoundNoneIsKept) {
    AddressTable table;
    file.load(table);
    writeBytes(addresses, "Theirs\r\n");
    const auto kept = file.save(NewTable);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(readBytes(folder / *kept), "Theirs\r\n");
    EXPECT_EQ(readBytes(addresses), NewText);
}

TEST_F(AddressFileTest, FileThatVanishedIsJustWritten) {
    writeBytes(addresses, OldText);
    AddressTable table;
    file.load(table);
    fs::remove(addresses);
    EXPECT_EQ(file.save(NewTable), std::nullopt);
    EXPECT_EQ(readBytes(addresses), NewText);
}

TEST_F(AddressFileTest, FileUnreadableAtLoadIsKept) {
    // Unreadable at start (here: a folder in its place), readable again by the time of the save.
    fs::create_directory(addresses);
    AddressTable table;
    EXPECT_THROW(file.load(table), IoError);
    fs::remove(addresses);
    writeBytes(addresses, OldText);

    const auto kept = file.save(NewTable);
    ASSERT_TRUE(kept.has_value());
    EXPECT_EQ(readBytes(folder / *kept), OldText);
    EXPECT_EQ(readBytes(addresses), NewText);
}

TEST_F(AddressFileTest, FileStillUnreadableAtSaveIsKept) {
    SKIP_AS_ROOT();
    writeBytes(addresses, OldText);
    fs::permissions(addresses, fs::perms::owner_write);
    AddressTable table;
    try {
        file.load(table);
        FAIL() << "no error raised";
    } catch (const IoError& error) {
        EXPECT_STREQ(error.what(), "E/A-Fehler 13: Permission denied: Adressen.txt");
    }
    const auto kept = file.save(NewTable);
    ASSERT_TRUE(kept.has_value());
    fs::permissions(folder / *kept, fs::perms::owner_read, fs::perm_options::add);
    EXPECT_EQ(readBytes(folder / *kept), OldText);
    EXPECT_EQ(readBytes(addresses), NewText);
}

TEST_F(AddressFileTest, TakenNamesForTheKeptCopyAreNumbered) {
    writeBytes(addresses, OldText);
    AddressTable table;
    file.load(table);
    writeAsAnotherProgram(addresses, "Theirs\r\n");
    // Names for this second and the next two, so the save finds its name taken whenever it runs.
    const std::time_t now = std::time(nullptr);
    for (std::time_t second = now; second < now + 3; ++second) {
        std::tm local{};
        ::localtime_r(&second, &local);
        char name[64];
        std::strftime(name, sizeof name, "Adressen %Y-%m-%d %H-%M-%S.txt", &local);
        writeBytes(folder / name, "taken");
    }
    const auto kept = file.save(NewTable);
    ASSERT_TRUE(kept.has_value());
    EXPECT_TRUE(kept->ends_with(" (2).txt")) << *kept;
    EXPECT_EQ(readBytes(folder / *kept), "Theirs\r\n");
}

} // namespace
