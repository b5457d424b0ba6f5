#include "model/DecimalAdditions.h"

#include <gtest/gtest.h>

namespace {

Decimal d(const char *text) { return Decimal::fromString(QString::fromLatin1(text)); }

TEST(DecimalAdditions, RoundingModes)
{
    struct Case {
        const char *value;
        int scale;
        DecimalRoundingMode mode;
        const char *expected;
    };
    const Case cases[] = {
        {"2.345", 2, DecimalRoundingMode::Plain, "2.35"},   {"2.345", 2, DecimalRoundingMode::Down, "2.34"},
        {"2.345", 2, DecimalRoundingMode::Up, "2.35"},      {"2.345", 2, DecimalRoundingMode::Bankers, "2.34"},
        {"2.355", 2, DecimalRoundingMode::Bankers, "2.36"}, {"2.341", 2, DecimalRoundingMode::Up, "2.35"},
        {"2.349", 2, DecimalRoundingMode::Down, "2.34"},    {"2.3", 2, DecimalRoundingMode::Plain, "2.3"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(decimalNumberByRoundingToScale(d(c.value), c.scale, c.mode), d(c.expected))
            << c.value << " mode " << int(c.mode);
    }
}

TEST(DecimalAdditions, RoundingWithFactor)
{
    // To quarters: 1.13 x 4 = 4.52, rounded 5, / 4 = 1.25.
    EXPECT_EQ(decimalNumberByRoundingToScale(d("1.13"), 0, Decimal(4), DecimalRoundingMode::Plain), d("1.25"));
    EXPECT_EQ(decimalNumberByRoundingToScale(d("1.13"), 0, Decimal(4), DecimalRoundingMode::Down), d("1"));
    EXPECT_EQ(decimalNumberByRoundingToScale(d("1.01"), 0, Decimal(4), DecimalRoundingMode::Up), d("1.25"));
    EXPECT_TRUE(decimalNumberByRoundingToScale(d("1.13"), 0, Decimal(0), DecimalRoundingMode::Plain).isNaN());
}

TEST(DecimalAdditions, PercentageRates)
{
    EXPECT_EQ(decimalNumberByConvertingFromAnnualizedPercentageRateToMonthlyRate(d("12")), d("0.01"));
    EXPECT_EQ(decimalNumberByConvertingFromMonthlyRateToAnnualizedPercentageRate(d("0.01")), d("12"));
}

TEST(DecimalAdditions, NilCountsAsZero)
{
    const Decimal value = d("5.60");
    const std::optional<Decimal> nil;

    EXPECT_EQ(decimalNumberBySafelyAdding(value, d("0.48")), d("6.08"));
    EXPECT_EQ(decimalNumberBySafelyAdding(value, nil), value);
    EXPECT_EQ(decimalNumberBySafelySubtracting(value, d("0.60")), d("5"));
    EXPECT_EQ(decimalNumberBySafelySubtracting(value, nil), value);
    EXPECT_EQ(decimalNumberBySafelyMultiplyingBy(value, d("3")), d("16.8"));
    EXPECT_FALSE(decimalNumberBySafelyMultiplyingBy(value, nil).has_value());

    struct Case {
        std::optional<Decimal> number;
        bool equal, notEqual, greater, greaterOrEqual, less;
    };
    const Case cases[] = {
        {nil, true, false, false, true, false},         {Decimal(0), true, false, false, true, false},
        {d("-0.00"), true, false, false, true, false},  {d("0.001"), false, true, true, true, false},
        {d("-0.001"), false, true, false, false, true},
    };
    for (const Case &c : cases) {
        const std::string name = c.number ? c.number->toStdString() : "nil";
        EXPECT_EQ(decimalNumberIsEqualToZero(c.number), c.equal) << name;
        EXPECT_EQ(decimalNumberIsNotEqualToZero(c.number), c.notEqual) << name;
        EXPECT_EQ(decimalNumberIsGreaterThanZero(c.number), c.greater) << name;
        EXPECT_EQ(decimalNumberIsGreaterThanOrEqualToZero(c.number), c.greaterOrEqual) << name;
        EXPECT_EQ(numberIsLessThanZero(c.number), c.less) << name;
    }
}

TEST(DecimalAdditions, Comparisons)
{
    EXPECT_TRUE(isGreaterThanDecimalNumber(d("1.01"), d("1")));
    EXPECT_FALSE(isGreaterThanDecimalNumber(d("1.0"), d("1")));
    EXPECT_TRUE(isGreaterThanOrEqualToDecimalNumber(d("1.0"), d("1")));
    EXPECT_TRUE(isLessThanDecimalNumber(d("-2"), d("1")));
    EXPECT_FALSE(isLessThanDecimalNumber(d("5.60"), d("5.6")));
    EXPECT_TRUE(isLessThanOrEqualToDecimalNumber(d("5.60"), d("5.6")));
    EXPECT_FALSE(isLessThanOrEqualToDecimalNumber(d("5.61"), d("5.6")));

    EXPECT_TRUE(isNotANumber(Decimal::notANumber()));
    EXPECT_TRUE(isNotANumber(d("abc")));
    EXPECT_FALSE(isNotANumber(d("0")));
}

} // namespace
