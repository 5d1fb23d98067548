#include "files/AppendFile.h"
#include "files/FileError.h"
#include "files/FileLock.h"
#include "files/FolderEntries.h"
#include "files/ReadFile.h"
#include "files/ReplacementFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using testsupport::filesIn;
using testsupport::readBytes;
using testsupport::writeBytes;

struct FolderName {
    const char* label;
    const char8_t* name;
};

void PrintTo(const FolderName& name, std::ostream* out) {
    *out << name.label;
}

// Every operation of the layer in a folder of that name, under a file name of the same kind: a list kept
// in "C:\Benutzer\Jürgen" or under Cyrillic names must work as one in a plain folder does.
class FolderNameTest : public testing::TestWithParam<FolderName> {
protected:
    testsupport::TempFolder temp;
    std::u8string name = GetParam().name;
    fs::path folder = temp.path() / name;
    fs::path file = folder / (name + u8".txt");

    void SetUp() override { fs::create_directory(folder); }
};

TEST_P(FolderNameTest, ReplacedFileReadsBackWithTheFingerprintItWasWrittenWith) {
    files::replaceFile(file, "old");
    files::ReplacementFile replacement(file);
    replacement.write("new");
    const files::FileStatus written = replacement.finish();
    replacement.putInPlace();
    const std::optional<files::FileContents> contents = files::readFile(file);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->bytes, "new");
    EXPECT_EQ(contents->status, written);
    EXPECT_EQ(files::statusOf(file), written);
    EXPECT_EQ(filesIn(folder).size(), 1U);
}

TEST_P(FolderNameTest, NamesAreMadeAndTakenNamesRefused) {
    files::replaceFile(file, "kept");
    const fs::path link = folder / (name + u8" Verknüpfung.txt");
    const fs::path copy = folder / (name + u8" Kopie.txt");
    EXPECT_TRUE(files::linkExclusively(file, link));
    EXPECT_FALSE(files::linkExclusively(file, link));
    EXPECT_TRUE(files::copyExclusively(file, copy));
    EXPECT_FALSE(files::copyExclusively(file, copy));
    EXPECT_EQ(readBytes(link), "kept");
    EXPECT_EQ(readBytes(copy), "kept");

    const files::CreatedFile created = files::createUniquelyNamed(folder, name, ".tmp");
    EXPECT_TRUE(created.path.parent_path() == folder);
    EXPECT_TRUE(created.path.filename().u8string().starts_with(name));
}

TEST_P(FolderNameTest, ErrorsNameTheFileAsGiven) {
    fs::create_directory(file);
    try {
        files::readFile(file);
        FAIL() << "no error raised";
    } catch (const files::FileError& error) {
        EXPECT_EQ(error.code().value(), EISDIR);
        EXPECT_TRUE(error.file() == file) << error.file().string();
    }
}

TEST_P(FolderNameTest, ReadOnlyFilesAreRemovedAndGoneOnesCountAsRemoved) {
    files::replaceFile(file, "x");
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    files::removeFile(file);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_NO_THROW(files::removeFile(file));
}

TEST_P(FolderNameTest, FolderLocksShareOrStandAlone) {
    using Kind = files::FileLock::Kind;
    {
        const files::FileLock shared = files::FileLock::take(folder, Kind::Shared);
        EXPECT_TRUE(files::FileLock::tryTake(folder, Kind::Shared));
        EXPECT_FALSE(files::FileLock::tryTake(folder, Kind::Exclusive));
    }
    const std::optional<files::FileLock> exclusive = files::FileLock::tryTake(folder, Kind::Exclusive);
    EXPECT_TRUE(exclusive);
    EXPECT_FALSE(files::FileLock::tryTake(folder, Kind::Shared));
}

TEST_P(FolderNameTest, AppendedBytesStayThroughTruncationReopeningAndTheLock) {
    {
        files::AppendFile journal(file);
        EXPECT_EQ(journal.size(), 0U);
        journal.append("ab");
        journal.append("cd");
        journal.truncate(3);
        journal.append("e");
        EXPECT_EQ(journal.size(), 4U);
    }
    files::AppendFile reopened(file);
    EXPECT_EQ(reopened.size(), 4U);
    EXPECT_TRUE(reopened.tryLock());
    EXPECT_FALSE(files::AppendFile(file).tryLock());
    EXPECT_EQ(files::statusOf(file), reopened.status());
    reopened.append("f"); // the lock keeps no writer of our own away
    EXPECT_EQ(readBytes(file), "abcef");
}

INSTANTIATE_TEST_SUITE_P(Files, FolderNameTest,
                         testing::Values(FolderName{"Ascii", u8"Adressen"},
                                         FolderName{"Umlauts", u8"Jürgen Müller"},
                                         FolderName{"Cyrillic", u8"Адреса Жукова"}),
                         [](const testing::TestParamInfo<FolderName>& info) { return info.param.label; });

// A reader that holds the file open: POSIX replaces it under the reader, who goes on with the old
// version. Windows moves nothing over a file held open without sharing its deletion: the save fails
// with EACCES, the old version stays, and no temporary file is left behind.
TEST(ReplacementFileTest, ATargetHeldOpenByAReader) {
    const testsupport::TempFolder folder;
    const fs::path file = folder / "Adressen.txt";
    writeBytes(file, "old");
    std::ifstream reader(file, std::ios::binary);
#ifdef _WIN32
    try {
        files::replaceFile(file, "new");
        FAIL() << "no error raised";
    } catch (const files::FileError& error) {
        EXPECT_EQ(error.code().value(), EACCES);
        EXPECT_TRUE(error.file() == file) << error.file().string();
    }
    EXPECT_EQ(readBytes(file), "old");
    EXPECT_EQ(filesIn(folder.path()), std::set<std::string>{"Adressen.txt"});
    reader.close();
#endif
    files::replaceFile(file, "new");
    EXPECT_EQ(readBytes(file), "new");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(reader), {}), reader.is_open() ? "old" : "");
}

} // namespace
