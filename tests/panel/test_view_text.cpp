// Numbers typed into the panel's edits.

#include <gtest/gtest.h>

#include <climits>

#include "panel/PanelText.h"

namespace vmf {
namespace {

TEST(ParseIntPrefix, ReadsLikeTheEditBoxes) {
    EXPECT_EQ(ParseIntPrefix("12000"), 12000);
    EXPECT_EQ(ParseIntPrefix("  \t-12abc"), -12);
    EXPECT_EQ(ParseIntPrefix("+7"), 7);
    EXPECT_EQ(ParseIntPrefix("12.9"), 12);
    EXPECT_EQ(ParseIntPrefix("1 2"), 1);
    EXPECT_EQ(ParseIntPrefix("0"), 0);
    // No digits give 0, whatever came before.
    EXPECT_EQ(ParseIntPrefix(""), 0);
    EXPECT_EQ(ParseIntPrefix("abc"), 0);
    EXPECT_EQ(ParseIntPrefix("-"), 0);
    EXPECT_EQ(ParseIntPrefix("- 5"), 0);
    EXPECT_EQ(ParseIntPrefix("+-5"), 0);
    // Full-width digits are not digits.
    EXPECT_EQ(ParseIntPrefix("１２"), 0);
}

TEST(ParseIntPrefix, SaturatesInsteadOfWrapping) {
    EXPECT_EQ(ParseIntPrefix("2147483647"), INT_MAX);
    EXPECT_EQ(ParseIntPrefix("2147483648"), INT_MAX);
    EXPECT_EQ(ParseIntPrefix("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseIntPrefix("-2147483649"), INT_MIN);
    EXPECT_EQ(ParseIntPrefix("99999999999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseIntPrefix("-99999999999999999999999999x"), INT_MIN);
    EXPECT_EQ(ParseIntPrefix("000000000000000000000042"), 42);
}

}  // namespace
}  // namespace vmf
