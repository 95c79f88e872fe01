#include <gtest/gtest.h>

#include "common/Numbers.h"

using common::NumericValue;
using common::RoundHalfEven;
using common::ToInteger;

TEST(NumericValue, TakesTheLongestLeadingNumberAfterBlanks) {
    EXPECT_EQ(NumericValue("150"), 150);
    EXPECT_EQ(NumericValue("  72dpi"), 72);
    EXPECT_EQ(NumericValue("\t-3.5x"), -3.5);
    EXPECT_EQ(NumericValue("+.5"), 0.5);
    EXPECT_EQ(NumericValue("1e3"), 1000);
    EXPECT_EQ(NumericValue("2e"), 2);
    EXPECT_EQ(NumericValue("7."), 7);
    EXPECT_EQ(NumericValue("1,5"), 1);
}

TEST(NumericValue, IsZeroWhenTheTextDoesNotBeginWithANumber) {
    EXPECT_EQ(NumericValue(""), 0);
    EXPECT_EQ(NumericValue("abc"), 0);
    EXPECT_EQ(NumericValue("x12"), 0);
    EXPECT_EQ(NumericValue("-"), 0);
    EXPECT_EQ(NumericValue("."), 0);
}

TEST(RoundHalfEven, ExactHalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(2.5001), 3);
    EXPECT_EQ(RoundHalfEven(-2.6), -3);
}

TEST(ToInteger, ConvertsWholeNumbersAndFailsOnAnythingElse) {
    EXPECT_EQ(ToInteger("42"), 42);
    EXPECT_EQ(ToInteger(" 42 "), 42);
    EXPECT_EQ(ToInteger("2.5"), 2);
    EXPECT_EQ(ToInteger("3.5"), 4);
    EXPECT_EQ(ToInteger("-7"), -7);
    EXPECT_EQ(ToInteger("2147483647"), 2147483647);
    EXPECT_FALSE(ToInteger(""));
    EXPECT_FALSE(ToInteger("  "));
    EXPECT_FALSE(ToInteger("12a"));
    EXPECT_FALSE(ToInteger("abc"));
    EXPECT_FALSE(ToInteger("2147483648"));
    EXPECT_FALSE(ToInteger("1e400"));
}
