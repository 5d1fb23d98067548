#include "exchange/Exchange.h"

#include <gtest/gtest.h>

namespace {

using exchange::ReadResult;

ReadResult result(std::size_t contacts, std::size_t changed, std::vector<std::string> skipped,
                  std::string fault = {}) {
    return {std::vector<exchange::ContactFields>(contacts), changed, std::move(skipped), std::move(fault)};
}

TEST(SummaryTest, WordsWhatHappened) {
    EXPECT_EQ(summaryText(result(1, 0, {})), "1 contact added");
    EXPECT_EQ(
        summaryText(result(12, 2, {"card 7 (line 40) has no END:VCARD"})),
        "12 contacts added, 2 changed to fit the address list, 1 skipped: card 7 (line 40) has no END:VCARD");
    EXPECT_EQ(summaryText(result(0, 0, {"a", "b", "c", "d", "e"})),
              "No contacts added, 5 skipped: a; b; c; and 2 more");
    EXPECT_EQ(summaryText(result(0, 0, {})), "No contacts found");
    EXPECT_EQ(summaryText(result(0, 0, {}, "it is broken")), "No contacts added: it is broken");
}

TEST(SummaryTest, KindByTheNameEnding) {
    EXPECT_EQ(exchange::fileKindOf("/home/a/Kontakte.VCF"), exchange::FileKind::Vcard);
    EXPECT_EQ(exchange::fileKindOf("x.vcard"), exchange::FileKind::Vcard);
    EXPECT_EQ(exchange::fileKindOf("Liste.Csv"), exchange::FileKind::Csv);
    EXPECT_EQ(exchange::fileKindOf("Adressen.txt"), std::nullopt);
    EXPECT_EQ(exchange::fileKindOf("vcf"), std::nullopt);
}

} // namespace
