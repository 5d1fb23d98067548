#include "settings/SettingsKey.h"
#include "ErrorText.h"
#include "tests/support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <csignal>
#include <fstream>
#include <limits>

#ifndef _WIN32
#include "tests/support/FileSizeLimit.h"
#endif

namespace settings {
namespace {

using testing::HasSubstr;
using testsupport::readBytes;
using testsupport::writeBytes;

constexpr std::string_view KeyHeader =
    "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\r\n";

class SettingsKeyTest : public testing::Test {
protected:
    SettingsKeyTest() { std::filesystem::create_directory(folder / "numberwell"); }

    testsupport::TempFolder folder;
    const std::filesystem::path file = folder / "numberwell/user.reg";
};

TEST_F(SettingsKeyTest, ValuesComeBackAsWritten) {
    std::filesystem::remove(file.parent_path()); // the folder is created on writing
    constexpr std::array integers{0, 446, -20, std::numeric_limits<std::int32_t>::min(),
                                  std::numeric_limits<std::int32_t>::max()};
    constexpr std::array floats{10.0,
                                -0.0,
                                632.0 / 63,
                                std::numeric_limits<double>::denorm_min(),
                                -std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN()};
    SettingsWriter writer(file);
    for (std::size_t i = 0; i < integers.size(); ++i) {
        writer.writeInteger("i" + std::to_string(i), integers[i]);
    }
    for (std::size_t i = 0; i < floats.size(); ++i) {
        writer.writeFloat("f" + std::to_string(i), floats[i]);
    }
    writer.writeBool("yes", true);
    writer.writeBool("no", false);
    writer.commit();

    const std::optional<SettingsReader> key = SettingsReader::open(file);
    ASSERT_TRUE(key);
    for (std::size_t i = 0; i < integers.size(); ++i) {
        EXPECT_EQ(key->readInteger("i" + std::to_string(i)), integers[i]);
    }
    for (std::size_t i = 0; i < floats.size(); ++i) {
        EXPECT_EQ(std::bit_cast<std::uint64_t>(key->readFloat("f" + std::to_string(i))),
                  std::bit_cast<std::uint64_t>(floats[i]));
    }
    EXPECT_TRUE(key->readBool("yes"));
    EXPECT_FALSE(key->readBool("no"));
    EXPECT_THAT(readBytes(file), HasSubstr("\r\n\"i3\"=dword:80000000\r\n\"i4\"=dword:7fffffff\r\n"));
}

TEST_F(SettingsKeyTest, ReadsLineFeedFilesAndNamesInAnyCase) {
    writeBytes(file,
               "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\ObxNumberwell\\Value]\n\"LEFT\"=dword:ffffffff\n");
    const std::optional<SettingsReader> key = SettingsReader::open(file);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readInteger("left"), -1);
    EXPECT_TRUE(key->readBool("Left"));
}

struct MissingKeyCase {
    const char* name;
    std::optional<std::string_view> content; // nothing: no file
};

void PrintTo(const MissingKeyCase& row, std::ostream* out) {
    *out << row.name;
}

class MissingKeyTest : public SettingsKeyTest, public testing::WithParamInterface<MissingKeyCase> {};

TEST_P(MissingKeyTest, OpensNothing) {
    if (GetParam().content) {
        writeBytes(file, *GetParam().content);
    }
    EXPECT_FALSE(SettingsReader::open(file));
}

INSTANTIATE_TEST_SUITE_P(
    Files, MissingKeyTest,
    testing::Values(MissingKeyCase{"NoFile", std::nullopt},
                    MissingKeyCase{"OtherKeysOnly",
                                   "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL]\r\n"
                                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\r\n"},
                    MissingKeyCase{"Empty", ""}, MissingKeyCase{"Corrupt", "left=446\r\n"}),
    [](const testing::TestParamInfo<MissingKeyCase>& info) { return info.param.name; });

enum class Read { Integer, Float };

struct ReadErrorCase {
    const char* name;
    std::string_view line; // the value "v" in the key
    Read read;
    std::string_view error;
};

void PrintTo(const ReadErrorCase& row, std::ostream* out) {
    *out << row.name;
}

constexpr std::string_view CannotFetch = "Konnte Daten für 'v' nicht holen";
constexpr std::string_view WrongType = "Ungültiger Datentyp für 'v'";

class ReadErrorTest : public SettingsKeyTest, public testing::WithParamInterface<ReadErrorCase> {};

TEST_P(ReadErrorTest, NamesTheValue) {
    writeBytes(file, std::string(KeyHeader) + std::string(GetParam().line) + "\r\n");
    const std::optional<SettingsReader> key = SettingsReader::open(file);
    ASSERT_TRUE(key);
    const auto read = [&key] {
        GetParam().read == Read::Integer ? key->readInteger("v") : key->readFloat("v");
    };
    EXPECT_EQ(errorText(read), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadErrorTest,
    testing::Values(
        ReadErrorCase{"IntegerMissing", "\"w\"=dword:00000001", Read::Integer, CannotFetch},
        ReadErrorCase{"IntegerDeleted", "\"v\"=-", Read::Integer, CannotFetch},
        ReadErrorCase{"DwordOfFiveBytes", "\"v\"=hex(4):01,00,00,00,00", Read::Integer, CannotFetch},
        ReadErrorCase{"DwordOfTwoBytes", "\"v\"=hex(4):01,00", Read::Integer, WrongType},
        ReadErrorCase{"StringForInteger", "\"v\"=\"446 pixels\"", Read::Integer, WrongType},
        ReadErrorCase{"BinaryForInteger", "\"v\"=hex:be,01,00,00,00,00,00,00", Read::Integer, WrongType},
        ReadErrorCase{"FloatMissing", "", Read::Float, CannotFetch},
        ReadErrorCase{"BinaryOfNineBytes", "\"v\"=hex:00,00,00,00,00,00,24,40,00", Read::Float, CannotFetch},
        ReadErrorCase{"BinaryOfSevenBytes", "\"v\"=hex:00,00,00,00,00,24,40", Read::Float, WrongType},
        ReadErrorCase{"DwordForFloat", "\"v\"=dword:00000001", Read::Float, WrongType},
        ReadErrorCase{"StringForFloat", "\"v\"=\"10.031746031746032\"", Read::Float, WrongType}),
    [](const testing::TestParamInfo<ReadErrorCase>& info) { return info.param.name; });

TEST_F(SettingsKeyTest, WritingKeepsOtherKeysAndForeignValues) {
    writeBytes(
        file,
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Other]\n\"left\"=dword:00000001\n\n"
        "[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\n\"left\"=dword:00000001\n\"mine\"=\"x\"\n");
    SettingsWriter writer(file);
    writer.writeInteger("left", 2);
    writer.commit();
    EXPECT_EQ(readBytes(file),
              "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"left\"=dword:00000001\r\n\r\n"
              "[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\r\n\"left\"=dword:00000002\r\n"
              "\"mine\"=\"x\"\r\n");
}

TEST_F(SettingsKeyTest, AnotherKeyLivesBesideTheWindowsValuesAndHoldsTexts) {
    constexpr std::string_view SyncKey = "SOFTWARE\\OBXNUMBERWELL\\SYNC";
    const std::string window = std::string(KeyHeader) + "\"left\"=dword:00000005\r\n";
    writeBytes(file, window);
    const std::array texts{std::string("https://dav.example/a b"), std::string("C:\\\"x\"\\"),
                           std::string("J\xC3\xBCrgen"), std::string("two\r\nlines"), std::string()};
    SettingsWriter writer(file, SyncKey);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        writer.writeString("s" + std::to_string(i), texts[i]);
    }
    writer.writeInteger("n", 1);
    writer.commit();

    const std::optional<SettingsReader> sync = SettingsReader::open(file, SyncKey);
    ASSERT_TRUE(sync);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(sync->readString("s" + std::to_string(i)), texts[i]);
    }
    EXPECT_EQ(errorText([&sync] { (void)sync->readString("n"); }), "Ungültiger Datentyp für 'n'");
    EXPECT_EQ(SettingsReader::open(file)->readInteger("left"), 5);
    const std::string written = readBytes(file);
    EXPECT_TRUE(written.starts_with(window));
    EXPECT_THAT(written, HasSubstr("\r\n\"s1\"=\"C:\\\\\\\"x\\\"\\\\\"\r\n"));
    EXPECT_THAT(written, HasSubstr("\r\n\"s3\"=hex(1):74,77,6f,0d,0a,6c,69,6e,65,73\r\n"));
}

TEST_F(SettingsKeyTest, AnUnreadableFileIsKeptAsBackup) {
    const std::string garbage("\xFF\xFE\0garbage\r\n", 12);
    writeBytes(file, garbage);
    SettingsWriter writer(file);
    writer.writeInteger("left", 7);
    writer.commit();
    EXPECT_EQ(readBytes(folder / "numberwell/user.reg.bak"), garbage);
    EXPECT_EQ(readBytes(file), std::string(KeyHeader) + "\"left\"=dword:00000007\r\n\r\n");
}

std::string commitError(const std::filesystem::path& file) {
    SettingsWriter writer(file);
    writer.writeInteger("left", 1);
    writer.writeInteger("top", 2);
    return errorText([&writer] { writer.commit(); });
}

constexpr std::string_view CannotWriteLeft = "Konnte Daten für 'left' nicht setzen";

TEST_F(SettingsKeyTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
    const std::string old = std::string(KeyHeader) + "\"left\"=dword:00000005\r\n";
    writeBytes(file, old);
    {
#ifdef _WIN32
        const std::ifstream reader(file); // Windows moves nothing over a file held open so
#else
        const testsupport::FileSizeLimit limit(16);
#endif
        EXPECT_EQ(commitError(file), CannotWriteLeft);
    }
    EXPECT_EQ(readBytes(file), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1);
}

TEST_F(SettingsKeyTest, AFileThatCannotBeWrittenNamesTheFirstValue) {
    writeBytes(folder / "plain", "not a folder");
    EXPECT_EQ(commitError(folder / "plain/numberwell/user.reg"), CannotWriteLeft);

    std::filesystem::create_directory(file); // exists but cannot be read: must not be replaced
    EXPECT_FALSE(SettingsReader::open(file));
    EXPECT_EQ(commitError(file), CannotWriteLeft);
    EXPECT_TRUE(std::filesystem::is_directory(file));
}

TEST_F(SettingsKeyTest, ANameThatDoesNotFitOnALineCannotBeWritten) {
    SettingsWriter writer(file);
    EXPECT_EQ(errorText([&writer] { writer.writeInteger("two\nlines", 1); }),
              "Konnte Daten für 'two\nlines' nicht setzen");
}

} // namespace
} // namespace settings
