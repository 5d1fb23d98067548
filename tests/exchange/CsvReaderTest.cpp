#include "exchange/CsvReader.h"
#include "Listing.h"
#include "exchange/CsvHeadings.h"

#include <gtest/gtest.h>

namespace {

using exchange::CsvRole;

struct HeadingCase {
    std::string_view heading;
    std::optional<CsvRole> role;
    std::string_view group;
};

class CsvHeadingTest : public testing::TestWithParam<HeadingCase> {};

TEST_P(CsvHeadingTest, NamesWhatTheColumnHolds) {
    const std::optional<exchange::CsvHeading> heading = exchange::csvHeading(GetParam().heading);
    ASSERT_EQ(heading.has_value(), GetParam().role.has_value()) << GetParam().heading;
    if (heading) {
        EXPECT_EQ(heading->role, *GetParam().role) << GetParam().heading;
        EXPECT_EQ(heading->group, GetParam().group) << GetParam().heading;
    }
}

INSTANTIATE_TEST_SUITE_P(Headings, CsvHeadingTest,
                         testing::Values(HeadingCase{"Tel / Fax", CsvRole::Telephone, ""},
                                         HeadingCase{"e-mail", CsvRole::Email, ""},
                                         HeadingCase{"LAST NAME", CsvRole::FamilyName, ""},
                                         HeadingCase{"Weitere Vornamen", CsvRole::MiddleName, ""},
                                         HeadingCase{"STRASSE PRIVAT", CsvRole::Street, "home"},
                                         HeadingCase{"Straße geschäftlich", CsvRole::Street, "work"},
                                         HeadingCase{"STRAẞE", std::nullopt, ""},
                                         HeadingCase{"Home Address 2", CsvRole::Street, "home"},
                                         HeadingCase{"Address", CsvRole::FormattedAddress, ""},
                                         HeadingCase{"Address 2 - Postal Code", CsvRole::PostalCode, "#2"},
                                         HeadingCase{"Address 1 - Type", std::nullopt, ""},
                                         HeadingCase{"Business Country/Region", CsvRole::Country, "work"},
                                         HeadingCase{"PRIMÄRE E-MAIL-ADRESSE", CsvRole::Email, ""},
                                         HeadingCase{"E-mail 2 Address", CsvRole::Email, ""},
                                         HeadingCase{"E-mail Display Name", std::nullopt, ""},
                                         HeadingCase{"Phone 1 - Value", CsvRole::Telephone, ""},
                                         HeadingCase{"Phone 1 - Label", std::nullopt, ""},
                                         HeadingCase{"Assistant's Phone", CsvRole::Telephone, ""},
                                         HeadingCase{"Organization 1 - Name", CsvRole::Company, ""},
                                         HeadingCase{"Birthday", std::nullopt, ""}));

class CsvReaderTest : public testing::TestWithParam<exchange::ListingCase> {};

TEST_P(CsvReaderTest, Reads) {
    EXPECT_EQ(exchange::listing(exchange::readCsv(GetParam().input)), GetParam().listing);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvReaderTest,
    testing::Values(
        exchange::ListingCase{"SeparatorFromTheHeadingLine",
                              "Name;First Name;Notes;\"a,b,c,d\"\r\nA;B,C;D\r\n",
                              "1 contact added\nA|B,C|||||D\n"},
        exchange::ListingCase{"BlankLinesBeforeTheHeadings", "\r\n\r\nName;Vorname\r\nA;B\r\n",
                              "1 contact added\nA|B|||||\n"},
        exchange::ListingCase{"TabsToo", "Last Name\tPhone\nA\t1\n", "1 contact added\nA||||1||\n"},
        exchange::ListingCase{"Utf16WithTabs",
                              exchange::markedUtf16(u"Nachname\tVorname\r\n\u00d6z\tA\r\n", false),
                              "1 contact added\n\xC3\x96z|A|||||\n"},
        exchange::ListingCase{"SeparatorNamedFirst", "sep=|\nName|Vorname\nA|B\n",
                              "1 contact added\nA|B|||||\n"},
        exchange::ListingCase{"QuotesOnlyAtTheStartOfAField", "Name,Note\n\"A\"\"1\"x,5\"\n",
                              "1 contact added\nA\"1x||||||5\"\n"},
        exchange::ListingCase{"NameAloneIsTheWholeName", "Name,Phone\nAnn Miller,1\n",
                              "1 contact added\nMiller|Ann|||1||\n"},
        exchange::ListingCase{"NameBesideLastNameToo", "Name,Last Name\nAnn Miller,\n",
                              "1 contact added\nMiller|Ann|||||\n"},
        exchange::ListingCase{"HomeAddressBeforeWork",
                              "Work City,Home City,Home Street\nX,Bonn,Weg 1\n,,\nY,,\n",
                              "2 contacts added\n|||Weg 1, Bonn|||\n|||Y|||\n"},
        exchange::ListingCase{
            "LinesCountedThroughQuotedBreaks", "Name,Note\nA,\"1\n2\"\nB,\"open\nC,3\n",
            "1 contact added, 1 changed to fit the address list, 1 skipped: line 4 opens a quote that is "
            "never closed, so the rest of the file was not read\nA||||||1; 2\nskipped: line 4 opens a "
            "quote that is never closed, so the rest of the file was not read\n"},
        exchange::ListingCase{
            "NoKnownColumn", "\n\nFoo,Bar\n1,2\n",
            "No contacts added: line 3 names none of the known columns (such as Name, First Name, Phone or "
            "E-mail)\n"},
        exchange::ListingCase{"OnlyBlankLines", "\r\n ,\r\n", "No contacts found\n"}),
    exchange::caseName);

} // namespace
