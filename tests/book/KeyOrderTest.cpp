#include "book/KeyOrder.h"

#include <gtest/gtest.h>

namespace {

struct OrderRow {
    std::string_view lower;
    std::string_view higher;
};

class KeyOrderTest : public testing::TestWithParam<OrderRow> {};

TEST_P(KeyOrderTest, OrdersBothWays) {
    EXPECT_LT(book::compareKeys(GetParam().lower, GetParam().higher), 0);
    EXPECT_GT(book::compareKeys(GetParam().higher, GetParam().lower), 0);
}

INSTANTIATE_TEST_SUITE_P(KeyOrder, KeyOrderTest,
                         testing::Values(OrderRow{"Smith", "Smithers"}, OrderRow{"10", "9"},
                                         OrderRow{"Muller", "M\xfcller"}, OrderRow{"Zander", "\xc4rger"},
                                         OrderRow{"", "a"}, OrderRow{"", " "}, OrderRow{" z", "0"},
                                         OrderRow{"9", "A"}, OrderRow{"zz", "\xe4"}, // bytes unsigned
                                         OrderRow{"Mo", "m\xfc"}, OrderRow{"\x9a", "\xc0"},
                                         OrderRow{std::string_view("a", 1), std::string_view("a\0", 2)}));

struct EqualRow {
    std::string_view a;
    std::string_view b;
};

class KeyEqualityTest : public testing::TestWithParam<EqualRow> {};

TEST_P(KeyEqualityTest, ComparesEqual) {
    EXPECT_EQ(book::compareKeys(GetParam().a, GetParam().b), 0);
}

INSTANTIATE_TEST_SUITE_P(KeyOrder, KeyEqualityTest,
                         testing::Values(EqualRow{"meier", "MEIER"}, EqualRow{"", ""},
                                         EqualRow{"m\xfc", "M\xdc"}, EqualRow{"\xff", "\x9f"},
                                         EqualRow{"\x9c", "\x8c"}));

} // namespace
