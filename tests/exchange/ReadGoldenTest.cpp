// Whole files as phones, contact managers, spreadsheets and mail programs write them, against the
// list each should give.
#include "Listing.h"
#include "exchange/Exchange.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

const std::filesystem::path Golden = NUMBERWELL_EXCHANGE_GOLDEN_DIR;

class ReadGoldenTest : public testing::TestWithParam<const char*> {};

TEST_P(ReadGoldenTest, GivesTheExpectedList) {
    const std::filesystem::path input = Golden / GetParam();
    const std::optional<exchange::FileKind> kind = exchange::fileKindOf(input.filename().string());
    ASSERT_TRUE(kind);
    const exchange::ReadResult result = exchange::readContacts(*kind, testsupport::readBytes(input));
    std::filesystem::path expected = input;
    expected.replace_extension(".expected.txt");
    EXPECT_EQ(exchange::listing(result), testsupport::readBytes(expected));
}

INSTANTIATE_TEST_SUITE_P(Samples, ReadGoldenTest,
                         testing::Values("phone-2.1.vcf", "desktop-3.0.vcf", "contacts-4.0.vcf",
                                         "damaged.vcf", "calc-comma.csv", "excel-semicolon.csv",
                                         "excel-ansi.csv", "mail-program.csv"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             std::erase_if(
                                 name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
                             return name;
                         });

} // namespace
