#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "common/NumberParse.h"

namespace vmf {
namespace {

TEST(NumberParse, TakesTheLongestDecimalPrefix) {
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix("12.7"), 12.7);
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix(" 8192"), 8192.0);
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix(" \t\r\n-3.5e2xyz"), -350.0);
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix("+42abc"), 42.0);
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix("5."), 5.0);
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix("1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix("2E3"), 2000.0);
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix("1,5"), 1.0);  // never a decimal comma
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix("500 "), 500.0);
}

TEST(NumberParse, ExponentWithoutDigitsIsNotPartOfTheNumber) {
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix("1e"), 1.0);
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix("1e+"), 1.0);
    EXPECT_DOUBLE_EQ(ParseDecimalPrefix("7E-x"), 7.0);
}

TEST(NumberParse, NothingValidGivesZero) {
    for (const char* text : {"", "   ", "abc", ".", "-", "+-1", " . 5", "e5", "inf", "nan", "－５"})
        EXPECT_EQ(ParseDecimalPrefix(text), 0.0) << text;
    // "0x1A": only the leading 0 is decimal.
    EXPECT_EQ(ParseDecimalPrefix("0x1A"), 0.0);
}

TEST(NumberParse, OutOfRangeSaturatesOrVanishesLikeStrtod) {
    EXPECT_EQ(ParseDecimalPrefix("1e400"), HUGE_VAL);
    EXPECT_EQ(ParseDecimalPrefix("-1e400"), -HUGE_VAL);
    EXPECT_EQ(ParseDecimalPrefix("1e-400"), 0.0);
    EXPECT_EQ(ParseDecimalPrefix("1e99999999999999999999999"), HUGE_VAL);
    EXPECT_EQ(ParseDecimalPrefix(std::string(400, '9')), HUGE_VAL);
    EXPECT_EQ(ParseDecimalPrefix("0." + std::string(400, '0') + "1"), 0.0);
    EXPECT_EQ(ParseDecimalPrefix("0.000"), 0.0);
}

TEST(ParseIntPrefix, ReadsLikeTheEditBoxes) {
    EXPECT_EQ(ParseIntPrefix("12000"), 12000);
    EXPECT_EQ(ParseIntPrefix("  -25ms"), -25);
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
