// Whole files as phones, contact managers, spreadsheets and mail programs write them, against the
// list each should give.
#include "Listing.h"
#include "exchange/Exchange.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace {

const std::filesystem::path Golden = testData(NUMBERWELL_EXCHANGE_GOLDEN_DIR);

// Every contacts file in the folder but the writers' own ("written.*"): each needs its expected list.
std::vector<std::string> samples() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(Golden)) {
        const std::string name = entry.path().filename().string();
        if (exchange::fileKindOf(name) && !name.starts_with("written.")) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class ReadGoldenTest : public testing::TestWithParam<std::string> {};

TEST_P(ReadGoldenTest, GivesTheExpectedList) {
    const std::filesystem::path input = Golden / GetParam();
    const std::optional<exchange::FileKind> kind = exchange::fileKindOf(input.filename().string());
    ASSERT_TRUE(kind);
    const exchange::ReadResult result = exchange::readContacts(*kind, testsupport::readBytes(input));
    std::filesystem::path expected = input;
    expected.replace_extension(".expected.txt");
    ASSERT_TRUE(std::filesystem::exists(expected)) << "a sample without " << expected.filename();
    EXPECT_EQ(exchange::listing(result), testsupport::readBytes(expected));
}

INSTANTIATE_TEST_SUITE_P(Samples, ReadGoldenTest, testing::ValuesIn(samples()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             std::erase_if(
                                 name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
                             return name;
                         });

} // namespace
