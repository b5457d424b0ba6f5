#include "model/QVWeight.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(QVWeight, Components)
{
    struct Case {
        int ounces;
        int pounds;
        int rest;
        const char *inPounds;
    };
    const Case cases[] = {
        {40, 2, 8, "2.5"}, {24, 1, 8, "1.5"},       {16, 1, 0, "1"},    {15, 0, 15, "0.9375"},
        {0, 0, 0, "0"},    {-5, -1, -5, "-0.3125"}, {-16, -1, 0, "-1"}, {-17, -2, -1, "-1.0625"},
    };
    for (const Case &c : cases) {
        const QVWeight w = QVWeight::weightWithOunces(c.ounces);
        EXPECT_EQ(w.weightInOunces(), c.ounces);
        EXPECT_EQ(w.poundsComponent(), c.pounds) << c.ounces;
        EXPECT_EQ(w.ouncesComponent(), c.rest) << c.ounces;
        EXPECT_EQ(w.componentOfUnit(QVPoundUnitString), c.pounds);
        EXPECT_EQ(w.componentOfUnit(QVOunceUnitString), c.rest);
        EXPECT_EQ(w.totalWeightInPounds(), Decimal::fromString(QLatin1String(c.inPounds))) << c.ounces;
        EXPECT_EQ(w.totalWeightInOunces(), Decimal(c.ounces));
    }
    // Large weights keep every ounce.
    EXPECT_EQ(QVWeight(16 * 1000003 + 7).poundsComponent(), 1000003);
}

TEST(QVWeight, Units)
{
    EXPECT_EQ(QVPoundUnitString, QStringLiteral("lb"));
    EXPECT_EQ(QVOunceUnitString, QStringLiteral("oz"));
    const QVWeight w(40);
    EXPECT_EQ(w.totalWeightInUnit(QStringLiteral("lb")), Decimal(25, -1));
    EXPECT_EQ(w.totalWeightInUnit(QStringLiteral("oz")), Decimal(40));
    EXPECT_FALSE(w.totalWeightInUnit(QStringLiteral("LB")).has_value());
    EXPECT_FALSE(w.totalWeightInUnit(QStringLiteral("kg")).has_value());
    EXPECT_EQ(w.componentOfUnit(QStringLiteral("kg")), 0);
}

TEST(QVWeight, WeightWithValueRoundsFractionsUp)
{
    struct Case {
        float value;
        const char *unit;
        int ounces;
    };
    const Case cases[] = {
        {0.5f, "lb", 8},  {2.0f, "lb", 32}, {1.5f, "lb", 24}, {0.1f, "lb", 2}, // 1.6 oz is charged as 2
        {1.99f, "oz", 2}, // a fraction of an ounce is the next ounce
        {1.01f, "oz", 2}, {3.0f, "oz", 3},  {0.0f, "oz", 0},
    };
    for (const Case &c : cases) {
        const std::optional<QVWeight> w = QVWeight::weightWithValue(c.value, QString::fromLatin1(c.unit));
        ASSERT_TRUE(w.has_value()) << c.value << c.unit;
        EXPECT_EQ(w->weightInOunces(), c.ounces) << c.value << c.unit;
    }
}

TEST(QVWeight, WeightWithValueRefusesUnknownUnitsAndBadValues)
{
    EXPECT_FALSE(QVWeight::weightWithValue(1.0f, QStringLiteral("LB")));
    EXPECT_FALSE(QVWeight::weightWithValue(1.0f, QStringLiteral("Oz")));
    EXPECT_FALSE(QVWeight::weightWithValue(1.0f, QString()));
    EXPECT_FALSE(QVWeight::weightWithValue(std::numeric_limits<float>::quiet_NaN(), QStringLiteral("oz")));
    EXPECT_FALSE(QVWeight::weightWithValue(std::numeric_limits<float>::infinity(), QStringLiteral("lb")));
    EXPECT_FALSE(QVWeight::weightWithValue(3e9f, QStringLiteral("oz")));
}

} // namespace
