#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "app/NumberParse.h"

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

}  // namespace
}  // namespace vmf
