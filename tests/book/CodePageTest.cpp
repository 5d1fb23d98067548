#include "book/CodePage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cwctype>

namespace {

using book::fromUnicode;
using book::toUnicode;
using book::upperByte;

struct CaseRow {
    unsigned char lower;
    unsigned char upper;
};

class UpperByteTest : public testing::TestWithParam<CaseRow> {};

TEST_P(UpperByteTest, MapsTheByte) {
    EXPECT_EQ(upperByte(GetParam().lower), GetParam().upper);
}

INSTANTIATE_TEST_SUITE_P(CodePage, UpperByteTest,
                         testing::Values(CaseRow{'a', 'A'}, CaseRow{'z', 'Z'}, CaseRow{'A', 'A'},
                                         CaseRow{'1', '1'}, CaseRow{'|', '|'}, CaseRow{0xE0, 0xC0},
                                         CaseRow{0xE4, 0xC4},                      // ä
                                         CaseRow{0xFC, 0xDC},                      // ü
                                         CaseRow{0xFE, 0xDE}, CaseRow{0xF7, 0xF7}, // ÷ is no letter
                                         CaseRow{0x9A, 0x8A}, CaseRow{0x9C, 0x8C}, CaseRow{0x9E, 0x8E},
                                         CaseRow{0xFF, 0x9F}, // ÿ -> Ÿ
                                         CaseRow{0xDF, 0xDF}, // ß
                                         CaseRow{0xB5, 0xB5}, // µ
                                         CaseRow{0xDC, 0xDC}, CaseRow{0x80, 0x80}, CaseRow{0x00, 0x00}));

// Every byte against the C library's Unicode case mapping: the upper case of the character, when the
// code page has a byte for it, otherwise the byte itself.
TEST(CodePage, UpperCaseOfEveryByteFollowsUnicode) {
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
        GTEST_SKIP() << "the C.UTF-8 locale is not installed";
    }
    for (int byte = 0; byte < 256; ++byte) {
        const auto character = static_cast<wint_t>(toUnicode(static_cast<unsigned char>(byte)));
        const auto upper = fromUnicode(static_cast<char32_t>(std::towupper(character)));
        EXPECT_EQ(upperByte(static_cast<unsigned char>(byte)),
                  upper.value_or(static_cast<unsigned char>(byte)))
            << "byte " << byte;
    }
    std::setlocale(LC_CTYPE, "C");
}

TEST(CodePage, UpperCaseKeepsTheLength) {
    EXPECT_EQ(book::upperCase("m\xfcller stra\xdf"
                              "e"),
              "M\xdcLLER STRA\xdf"
              "E");
    EXPECT_EQ(book::upperCase(std::string_view("a\0b", 3)), std::string_view("A\0B", 3));
}

TEST(CodePage, EveryByteSurvivesTheRoundTrip) {
    for (int byte = 0; byte < 256; ++byte) {
        EXPECT_EQ(fromUnicode(toUnicode(static_cast<unsigned char>(byte))), byte) << "byte " << byte;
    }
}

struct UnicodeRow {
    unsigned char byte;
    char32_t character;
};

class ToUnicodeTest : public testing::TestWithParam<UnicodeRow> {};

TEST_P(ToUnicodeTest, MapsTheByte) {
    EXPECT_EQ(toUnicode(GetParam().byte), GetParam().character);
}

INSTANTIATE_TEST_SUITE_P(CodePage, ToUnicodeTest,
                         testing::Values(UnicodeRow{0x41, U'A'}, UnicodeRow{0x80, U'\u20AC'},
                                         UnicodeRow{0x81, U'\u0081'}, UnicodeRow{0x8A, U'\u0160'},
                                         UnicodeRow{0x8D, U'\u008D'}, UnicodeRow{0x8F, U'\u008F'},
                                         UnicodeRow{0x90, U'\u0090'}, UnicodeRow{0x92, U'\u2019'},
                                         UnicodeRow{0x9D, U'\u009D'}, UnicodeRow{0x9F, U'\u0178'},
                                         UnicodeRow{0xA0, U'\u00A0'}, UnicodeRow{0xE4, U'\u00E4'},
                                         UnicodeRow{0xFF, U'\u00FF'}));

TEST(CodePage, CharactersWithoutAByteHaveNone) {
    for (const char32_t character : {U'\u0080', U'\u0082', U'\u009F', U'\u0100', U'\u20AD', U'\U0001F600'}) {
        EXPECT_FALSE(fromUnicode(character).has_value()) << static_cast<unsigned>(character);
    }
}

} // namespace
