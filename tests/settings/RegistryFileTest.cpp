#include "settings/RegistryFile.h"

#include <gtest/gtest.h>

namespace settings {
namespace {

constexpr std::string_view OurKey = "HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE";

RegistryValue dword(std::uint32_t number) {
    return {DwordType, littleEndianBytes(number, 4)};
}

TEST(RegistryFileTest, ReadsWhatRegistryExportsHold) {
    const std::optional<RegistryFile> file =
        RegistryFile::parse("Windows Registry Editor Version 5.00\n"
                            "\n"
                            "; exported by hand\n"
                            "[HKEY_CURRENT_USER\\Software\\Other]\n"
                            "\"path\"=\"C:\\\\Temp \\\"quoted\\\"\"\n"
                            "@=\"default\"\n"
                            "\n"
                            "[hkey_current_user\\software\\obxnumberwell\\value]\n"
                            "\"Left\"=dword:000001BE\n"
                            "\"q\"=hex(b):01,00,00,00,\\\n"
                            "  00,00,00,80\n"
                            "\"empty\"=hex:\n"
                            "\"gone\"=dword:00000001\n"
                            "\"gone\"=-\n"
                            "\"twice\"=dword:1\n"
                            "\"twice\"=dword:2\n");
    ASSERT_TRUE(file);
    const KeyValues other{
        {"path",
         {StringType, {'C', ':', '\\', 'T', 'e', 'm', 'p', ' ', '"', 'q', 'u', 'o', 't', 'e', 'd', '"'}}},
        {"", {StringType, {'d', 'e', 'f', 'a', 'u', 'l', 't'}}}};
    EXPECT_EQ(file->values("HKEY_CURRENT_USER\\Software\\Other"), other);
    const KeyValues ours{{"Left", dword(446)},
                         {"q", {11, {1, 0, 0, 0, 0, 0, 0, 0x80}}},
                         {"empty", {BinaryType, {}}},
                         {"twice", dword(2)}};
    const std::optional<KeyValues> values = file->values(OurKey);
    EXPECT_EQ(values, ours);
    EXPECT_TRUE(values->contains("LEFT"));
    EXPECT_FALSE(file->values("HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL"));
}

class NotAnExportFileTest : public testing::TestWithParam<std::string_view> {};

TEST_P(NotAnExportFileTest, IsRejected) {
    EXPECT_FALSE(RegistryFile::parse(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NotAnExportFileTest,
    testing::Values("", "REGEDIT5\r\n", std::string_view("\xFF\xFER\0E\0", 6),
                    "REGEDIT4\r\n\"left\"=dword:00000001\r\n", // outside any section
                    "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\r\n", "REGEDIT4\r\n[]\r\n",
                    "REGEDIT4\r\n[A]\r\nleft=dword:1\r\n", "REGEDIT4\r\n[A]\r\n\"left\"=dword:123456789\r\n",
                    "REGEDIT4\r\n[A]\r\n\"left\"=dword:1 2\r\n", "REGEDIT4\r\n[A]\r\n\"left\"=hex:01,zz\r\n",
                    "REGEDIT4\r\n[A]\r\n\"left\"=hex:01,,02\r\n", "REGEDIT4\r\n[A]\r\n\"left\"=hex(4:01\r\n",
                    "REGEDIT4\r\n[A]\r\n\"left\"=hex:01,\\\r\n", "REGEDIT4\r\n[A]\r\n\"left\"=\"open\r\n",
                    "REGEDIT4\r\n[A]\r\n\"left\"=\"a\"b\r\n", "REGEDIT4\r\n[A]\r\n\"left\"\r\n"));

TEST(RegistryFileTest, AssignReplacesOnlyItsValuesAndPutsThemFirst) {
    std::optional<RegistryFile> file =
        RegistryFile::parse("REGEDIT4\n"
                            "\n"
                            "[HKEY_CURRENT_USER\\Software\\Other]\n"
                            "\"left\"=dword:00000001\n"
                            "\n"
                            "[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\n"
                            "; ours\n"
                            "\"LEFT\"=dword:00000001\n"
                            "\"foreign\"=\"kept\"\n"
                            "\n"
                            "[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\n"
                            "\"left\"=-\n"
                            "[HKEY_CURRENT_USER\\Software\\Last]\n"
                            "\"x\"=hex:01,\\\n"
                            "  02\n");
    ASSERT_TRUE(file);
    const std::vector<NamedValue> values{{"left", dword(0xFFFFFFEC)},
                                         {"g1", {BinaryType, {0, 0, 0, 0, 0, 0, 0x24, 0x40}}}};
    file->assign(OurKey, values);
    EXPECT_EQ(file->text(), "REGEDIT4\r\n"
                            "\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                            "\"left\"=dword:00000001\r\n"
                            "\r\n"
                            "[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\r\n"
                            "\"left\"=dword:ffffffec\r\n"
                            "\"g1\"=hex:00,00,00,00,00,00,24,40\r\n"
                            "; ours\r\n"
                            "\"foreign\"=\"kept\"\r\n"
                            "\r\n"
                            "[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\r\n"
                            "[HKEY_CURRENT_USER\\Software\\Last]\r\n"
                            "\"x\"=hex:01,\\\r\n"
                            "  02\r\n");
    EXPECT_EQ(file->values(OurKey)->at("left"), dword(0xFFFFFFEC));
}

TEST(RegistryFileTest, AssignAppendsAMissingSectionAfterABlankLine) {
    std::optional<RegistryFile> file = RegistryFile::parse("REGEDIT4\n[A]\n\"a\"=dword:00000001");
    ASSERT_TRUE(file);
    const std::vector<NamedValue> values{{"", {7, {0x61, 0}}}, {"q\"\\", {11, littleEndianBytes(1, 8)}}};
    file->assign(OurKey, values);
    EXPECT_EQ(file->text(), "REGEDIT4\r\n[A]\r\n\"a\"=dword:00000001\r\n"
                            "\r\n"
                            "[HKEY_CURRENT_USER\\SOFTWARE\\OBXNUMBERWELL\\VALUE]\r\n"
                            "@=hex(7):61,00\r\n"
                            "\"q\\\"\\\\\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                            "\r\n");
    const KeyValues readBack{{values[0].name, values[0].value}, {values[1].name, values[1].value}};
    EXPECT_EQ(RegistryFile::parse(file->text())->values(OurKey), readBack);
}

struct TypeCase {
    std::uint32_t type;
    std::string_view line;
};

class TypeNumberTest : public testing::TestWithParam<TypeCase> {};

// A type of more than one hex digit must not lose its upper digits on the way to the file.
TEST_P(TypeNumberTest, IsWrittenInFullAndReadBack) {
    RegistryFile file;
    const std::vector<NamedValue> values{{"v", {GetParam().type, {0x61}}}};
    file.assign("A", values);
    EXPECT_EQ(file.text(), "REGEDIT4\r\n\r\n[A]\r\n" + std::string(GetParam().line) + "\r\n\r\n");
    EXPECT_EQ(RegistryFile::parse(file.text())->values("A")->at("v"), values[0].value);
}

INSTANTIATE_TEST_SUITE_P(Types, TypeNumberTest,
                         testing::Values(TypeCase{0, "\"v\"=hex(0):61"}, TypeCase{11, "\"v\"=hex(b):61"},
                                         TypeCase{0x10, "\"v\"=hex(10):61"},
                                         TypeCase{0xFFFFFFFF, "\"v\"=hex(ffffffff):61"}));

} // namespace
} // namespace settings
