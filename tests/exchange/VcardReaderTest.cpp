// The reader's rules one at a time; whole files in the styles of real programs are the golden tests.
#include "exchange/VcardReader.h"
#include "Listing.h"

#include <gtest/gtest.h>

namespace {

class VcardReaderTest : public testing::TestWithParam<exchange::ListingCase> {};

TEST_P(VcardReaderTest, Reads) {
    EXPECT_EQ(exchange::listing(exchange::readVcards(GetParam().input)), GetParam().listing);
}

std::string card(std::string_view version, std::string_view lines) {
    return "BEGIN:VCARD\r\nVERSION:" + std::string(version) + "\r\n" + std::string(lines) + "END:VCARD\r\n";
}

const std::string Folded = card("3.0", "N:Lang;Ju\r\n\tli\xC3\r\n \xA4;;;\r\nNOTE:a\r\n  b\r\n");
const std::string LineEnds = "BEGIN:VCARD\rN:Cr;A\rEND:VCARD\rBEGIN:VCARD\nN:Lf;B\nEND:VCARD";
const std::string Lists21 = card("2.1", "N:Doe;John,Paul\r\nADR:;;Main St,4;Town\r\n");
const std::string Lists40 = card("4.0", "N:Doe;John,Paul;Jim\r\nADR:;;Main St,4;Town\r\n");
const std::string Preferred =
    card("3.0",
         "N:P;A\r\nEMAIL:a@x\r\nEMAIL;TYPE=INTERNET,PREF:b@x\r\nADR:;;One\r\nADR;TYPE=pref:;;Two\r\n") +
    card("4.0", "N:P;B\r\nEMAIL;PREF=5:a@x\r\nEMAIL;PREF=2:b@x\r\nEMAIL:c@x\r\n") +
    card("2.1", "N:P;C\r\nEMAIL:a@x\r\nEMAIL;INTERNET;PREF:b@x\r\n");
const std::string FullNames = card("3.0", "FN:Ann Marie Miller\r\n") + card("4.0", "FN:Miller\\, Ann\r\n") +
                              card("4.0", "FN:Cher\r\n") +
                              card("3.0", "N:;;;;\r\nFN:Acme Ltd\r\nORG:Acme Ltd;Sales\r\n") +
                              card("4.0", "KIND:org\r\nFN:Rote Rose\r\n");
const std::string StandIns = card("4.0", "FN:+49 30 1\r\nTEL;VALUE=uri:tel:+49 30 1\r\n") +
                             card("4.0", "FN:x@y.example\r\nEMAIL:mailto:x@y.example\r\n") +
                             card("3.0", "FN:Bob\r\nNICKNAME:Bob\r\nORG:Bob's Bikes\r\n");
const std::string Charsets = card("2.1", "N;CHARSET=ISO-8859-15:\xA4uro;\xE9\r\nNOTE:unlabelled \xFC\r\n") +
                             card("2.1", "N;CHARSET=UTF-8;QUOTED-PRINTABLE:=C3=\r\n=BC=3D;x\r\n");
const std::string Escapes = card("3.0", "N:Back\\\\slash;Semi\\;colon\r\nNOTE:a\\,b\\nc\\Nd C:\\temp\\\r\n");

INSTANTIATE_TEST_SUITE_P(
    Cases, VcardReaderTest,
    testing::Values(
        exchange::ListingCase{"FoldedLinesJoinEvenInsideACharacter", Folded,
                              "1 contact added\nLang|Juli\xC3\xA4|||||a b\n"},
        exchange::ListingCase{"AnyLineEndWorks", LineEnds, "2 contacts added\nCr|A|||||\nLf|B|||||\n"},
        exchange::ListingCase{
            "CommasAreListsFromVersion3On", Lists21 + Lists40,
            "2 contacts added\nDoe|John,Paul||Main St,4, Town|||\nDoe|John Paul Jim||Main St, 4, Town|||\n"},
        exchange::ListingCase{"PreferredAddressAndEmailWin", Preferred,
                              "3 contacts added\nP|A||Two||b@x|\nP|B||||b@x|\nP|C||||b@x|\n"},
        exchange::ListingCase{"FullNameSplitWhereNoNameParts", FullNames,
                              "5 contacts added\nMiller|Ann Marie|||||\nMiller|Ann|||||\nCher||||||\n"
                              "Acme Ltd||||||\nRote Rose||||||\n"},
        exchange::ListingCase{"FullNameThatStandsInForANameIsNoName", StandIns,
                              "3 contacts added\n||||+49 30 1||\n|||||x@y.example|\nBob's Bikes||Bob||||\n"},
        exchange::ListingCase{
            "CharsetsAndUnlabelledWindowsText", Charsets,
            "2 contacts added\n\xE2\x82\xACuro|\xC3\xA9|||||unlabelled \xC3\xBC\n\xC3\xBC=|x|||||\n"},
        exchange::ListingCase{
            "EscapesUndone", Escapes,
            "1 contact added, 1 changed to fit the address list\nBack\\slash|Semi;colon|||||a,b; c; d "
            "C:\\temp\\\n"},
        exchange::ListingCase{
            "LabelWhereNoAddress", card("3.0", "N:L;M\r\nLABEL;TYPE=HOME:Gasse 1\\n1010 Wien\r\n"),
            "1 contact added, 1 changed to fit the address list\nL|M||Gasse 1; 1010 Wien|||\n"},
        exchange::ListingCase{"EncodedBlocksIgnored", card("3.0", "N:B;C\r\nNOTE;ENCODING=b:SGFsbG8=\r\n"),
                              "1 contact added\nB|C|||||\n"},
        exchange::ListingCase{"ByteOrderMarkAndGroupsIgnored",
                              "\xEF\xBB\xBF" + card("3.0", "item7.N:G;H\r\n"), "1 contact added\nG|H|||||\n"},
        exchange::ListingCase{
            "Utf16", exchange::markedUtf16(u"BEGIN:VCARD\r\nN:\u00dcnal;\U0001F600\xD800\r\nEND:VCARD", true),
            "1 contact added, 1 changed to fit the address list\n\xC3\x9Cnal|??|||||\n"},
        exchange::ListingCase{"EmptyFile", "\r\n \r\n", "No contacts found\n"},
        exchange::ListingCase{"NotAVcard", "Name,Phone\r\nAnn,1\r\n",
                              "No contacts added: the file holds no vCard (no line BEGIN:VCARD)\n"}),
    exchange::caseName);

} // namespace
