#include "exchange/StorableText.h"

#include <gtest/gtest.h>

namespace {

struct FitCase {
    const char* name;
    std::string_view utf8;
    std::string_view bytes; // Windows-1252
    bool changed;
};

class StorableTextTest : public testing::TestWithParam<FitCase> {};

TEST_P(StorableTextTest, FitsTheAddressFile) {
    const exchange::StorableText fitted = exchange::storableText(GetParam().utf8);
    EXPECT_EQ(fitted.bytes, GetParam().bytes);
    EXPECT_EQ(fitted.changed, GetParam().changed);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StorableTextTest,
    testing::Values(FitCase{"CodePageLettersStay", "Grüße, € „x“ – ÿ\u00a0",
                            "Gr\xFC\xDF"
                            "e, \x80 \x84x\x93 \x96 \xFF\xA0",
                            false},
                    FitCase{"LineBreaksBecomeSemicolons", "a\r\nb\nc\rd\u2028e\u0085f", "a; b; c; d; e; f",
                            true},
                    FitCase{"BlankLinesAndBlanksAroundBreaksGo", "\n a  \r\n\r\n  b \n", "a; b", true},
                    FitCase{"SeparatorBecomesSlash", "a|b", "a/b", true},
                    FitCase{"FullWidthSeparatorToo", "a\uff5cb \uff21\uff11", "a/b A1", true},
                    FitCase{"TabBecomesBlank", "a\tb", "a b", true},
                    FitCase{"ControlsGo", "a\x1a\x01\x7f\u0081b", "ab", true},
                    FitCase{"LettersLoseTheirAccent", "Łódź Ő ő ș Ğ ı ễ",
                            "L\xF3"
                            "dz O o s G i e",
                            true},
                    FitCase{"PunctuationAndSpacesFindTheirKin", "a\u2010b\u2011c\u2212d\u2003e\u2015",
                            "a-b-c-d e\x97", true},
                    FitCase{"InvisibleMarksGo", "a\u200bb\ufeffc\u200e", "abc", true},
                    FitCase{"DecomposedAccentsJoinTheirLetter", "Mu\u0308ller Jose\u0301 S\u030c",
                            "M\xFCller Jos\xE9 \x8A", false},
                    FitCase{"AnAccentWithoutALetterGoes", "o\u030b \u0308x", "o x", true},
                    FitCase{"NoKinGivesQuestionMark", "Ж \U0001F634 日本", "? ? ??", true},
                    FitCase{"BrokenUtf8GivesQuestionMark", "a\xC3(b\xFF", "a?(b?", true}),
    [](const testing::TestParamInfo<FitCase>& info) { return std::string(info.param.name); });

} // namespace
