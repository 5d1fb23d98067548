#include "exchange/CsvWriter.h"
#include "exchange/VcardWriter.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using exchange::ContactView;

const std::filesystem::path Golden = NUMBERWELL_EXCHANGE_GOLDEN_DIR;

// Windows-1252, as the address list holds them: umlauts, quotes, separators of both formats, a
// contact known only by its alias or its number, a blank one, a note long enough to fold.
const std::vector<ContactView> Contacts = {
    {"M\xFCller", "J\xFCrgen", "Jo",
     "Hauptstra\xDF"
     "e 1, 12345 Musterstadt",
     "030 555 11 / 030 555 12", "j.mueller@example.de", "Chef; \"bitte\" siezen \\ danke"},
    {"", "", "Mike", "", "", "", ""},
    {"", "", "", "", " 0171 555 / ", "", "Nur Nummer"},
    {"", "", "", "", "", "", ""},
    {"Wei\xDF",
     "Ren\xE9"
     "e",
     "", "", "", "",
     "Ein langer Vermerk \x84mit Anf\xFChrung\x93, der \xFC"
     "ber die Grenze von f\xFCnfundsiebzig Oktetten "
     "hinausgeht \x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80"},
    {"Graf, von", "Friedrich", "", "Schlossweg 1; \"Seitenfl\xFCgel\" ^2", "", "", " Preis 20 \x80 "},
};

template <typename Append> std::string written(Append append) {
    std::string out;
    for (const ContactView& contact : Contacts) {
        EXPECT_EQ(append(out, contact), contact != Contacts[3]) << "only the blank contact is left out";
    }
    return out;
}

TEST(WriterTest, VcardAsExpected) {
    EXPECT_EQ(written(exchange::appendVcard), testsupport::readBytes(Golden / "written.vcf"));
}

TEST(WriterTest, CsvAsExpected) {
    std::string out;
    exchange::appendCsvHeading(out);
    EXPECT_EQ(out + written(exchange::appendCsvRow), testsupport::readBytes(Golden / "written.csv"));
}

// Lines at most 75 octets, a character never split, and unfolding gives the line back.
TEST(WriterTest, FoldsLongLinesBetweenCharacters) {
    std::mt19937 random(13);
    const std::string_view pieces[] = {"a", "\xE4", "\x80", " ", ","};
    for (int round = 0; round < 200; ++round) {
        std::string note;
        const auto length = std::uniform_int_distribution<std::size_t>(60, 400)(random);
        while (note.size() < length) {
            note += pieces[std::uniform_int_distribution<std::size_t>(0, 4)(random)];
        }
        std::string out;
        exchange::appendVcard(out, {"N", "", "", "", "", "", note});
        const std::size_t start = out.find("NOTE:");
        std::string unfolded;
        for (std::size_t at = start; at < out.find("END:VCARD");) {
            const std::size_t end = out.find("\r\n", at);
            const std::string_view line = std::string_view(out).substr(at, end - at);
            ASSERT_LE(line.size(), 75u);
            ASSERT_NE(static_cast<unsigned char>(out[end + 2]) & 0xC0, 0x80) << "a character was split";
            unfolded += at == start ? line : line.substr(1);
            at = end + 2;
        }
        std::string expected;
        for (const char c : note) {
            expected += c == ','      ? "\\,"
                        : c == '\xE4' ? "\xC3\xA4"
                        : c == '\x80' ? "\xE2\x82\xAC"
                                      : std::string(1, c);
        }
        EXPECT_EQ(unfolded, "NOTE:" + expected);
    }
}

// Text a server sent back as it stands need not be UTF-8: a long run of continuation bytes is cut at
// the limit instead of being walked back past the line's start.
TEST(WriterTest, FoldsTextThatIsNotUtf8) {
    const std::string line = "NOTE:" + std::string(200, '\x80');
    std::string out;
    exchange::appendFolded(out, line);
    std::string unfolded;
    for (std::size_t at = 0; at < out.size();) {
        const std::size_t end = out.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        ASSERT_LE(end - at, 75u);
        unfolded += std::string_view(out).substr(at == 0 ? 0 : at + 1, end - at - (at == 0 ? 0 : 1));
        at = end + 2;
    }
    EXPECT_EQ(unfolded, line);
}

} // namespace
