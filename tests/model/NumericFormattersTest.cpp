#include "model/NumericFormatters.h"

#include <gtest/gtest.h>

namespace {

TEST(ExpressionFormatter, ReadsDollarTexts)
{
    const ExpressionFormatter formatter;
    struct Case {
        const char *text;
        const char *value;
    };
    const Case cases[] = {
        {"$1,234.50", "1234.50"},
        {"3*1.25", "3.75"},
        {"$2 + $3", "5"},
        {"12", "12"},
    };
    for (const Case &c : cases) {
        QVariant value;
        ASSERT_TRUE(formatter.getObjectValue(&value, QString::fromLatin1(c.text), nullptr)) << c.text;
        EXPECT_EQ(value.value<Decimal>(), Decimal::fromString(QLatin1String(c.value))) << c.text;
    }

    // A lone dollar sign hands no text on: no value.
    QVariant value = 5;
    EXPECT_TRUE(formatter.getObjectValue(&value, QStringLiteral("$"), nullptr));
    EXPECT_FALSE(value.isValid());
}

TEST(ExpressionFormatter, RejectsBadTexts)
{
    const ExpressionFormatter formatter;
    for (const char *text : {"12abc", "1+", "(1", "1/0", "abc"}) {
        QVariant value;
        QString error;
        EXPECT_FALSE(formatter.getObjectValue(&value, QString::fromLatin1(text), &error)) << text;
        EXPECT_FALSE(value.isValid()) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
    }
    EXPECT_EQ(formatter.stringForObjectValue(QVariant::fromValue(Decimal(125, -2))), QStringLiteral("1.25"));
}

TEST(QVWeightFormatter, ReadsWeights)
{
    const QVWeightFormatter formatter;
    struct Case {
        const char *text;
        int ounces;
    };
    const Case cases[] = {
        {"2 lb", 32},
        {"1.5 lb", 24},
        {"1.5lbs", 24},
        {"12 oz", 12},
        {"12ozs", 12},
        {"12", 12},
        {"", 0},
        // Both units: pounds and ounces add up.
        {"1 lb 8 oz", 24},
        {"1lb8oz", 24},
        {"2 lbs 3 ozs", 35},
        {"8 oz 1 lb", 24},
        // A fraction of an ounce is charged as the next whole ounce.
        {"2.9 oz", 3},
        {"2.9", 3},
        {"2.1", 3},
        {"0.1 lb", 2},
        {"1 lb 0.5 oz", 17},
        // Unit words in any case.
        {"5 LB", 80},
        {"3 Oz", 3},
        // A lone unit word before its amount.
        {"lb 2", 32},
        {"lb", 0},
        // Amounts may be small sums.
        {"2*3 oz", 6},
        {"1+1 lb", 32},
    };
    for (const Case &c : cases) {
        QVariant value;
        QString error;
        ASSERT_TRUE(formatter.getObjectValue(&value, QString::fromLatin1(c.text), &error))
            << c.text << ": " << error.toStdString();
        EXPECT_EQ(value.toInt(), c.ounces) << c.text;
    }
}

TEST(QVWeightFormatter, RejectsBadWeights)
{
    const QVWeightFormatter formatter;
    for (const char *text :
         {"heavy", "1 lb 8", "2 oz 3", "lb 8 oz", "1 lb lb", "2 kg", "1/0 oz", "1 lb x oz", "99999999999 lb"}) {
        QVariant value = 7;
        QString error;
        EXPECT_FALSE(formatter.getObjectValue(&value, QString::fromLatin1(text), &error)) << text;
        EXPECT_FALSE(value.isValid()) << text;
        EXPECT_FALSE(error.isEmpty()) << text;
    }
    EXPECT_EQ(formatter.stringForObjectValue(24), QStringLiteral("24"));
}

TEST(NumericFormatters, DeeplyNestedTextAnswersNo)
{
    // 100,000 nested parentheses in an amount or weight field: the field
    // answers NO with a message, and the program goes on.
    const QString text = QString(100000, QLatin1Char('(')) + QStringLiteral("1") + QString(100000, QLatin1Char(')'));
    const ExpressionFormatter amount;
    const QVWeightFormatter weight;
    for (const QVFormatter *formatter : std::initializer_list<const QVFormatter *>{&amount, &weight}) {
        QVariant value = 7;
        QString error;
        EXPECT_FALSE(formatter->getObjectValue(&value, text, &error));
        EXPECT_FALSE(value.isValid());
        EXPECT_TRUE(error.contains(QStringLiteral("nested too deeply"))) << error.toStdString();
    }
}

TEST(DollarFormatters, SharedFixedPointFormatters)
{
    EXPECT_EQ(&twoDigitDollarFormatter(), &twoDigitDollarFormatter());
    EXPECT_EQ(&threeDigitDollarFormatter(), &threeDigitDollarFormatter());
    EXPECT_EQ(twoDigitDollarFormatter().positiveFormat(), QStringLiteral("0.00"));
    EXPECT_EQ(threeDigitDollarFormatter().positiveFormat(), QStringLiteral("0.000"));

    struct Case {
        const char *value;
        const char *two;
        const char *three;
    };
    const Case cases[] = {
        {"5.6", "5.60", "5.600"},
        {"0", "0.00", "0.000"},
        {"12", "12.00", "12.000"},
        {"0.48", "0.48", "0.480"},
        {"-3.5", "-3.50", "-3.500"},
        {"1234567.891", "1234567.89", "1234567.891"},
        // Halves go to the even neighbour.
        {"2.345", "2.34", "2.345"},
        {"2.355", "2.36", "2.355"},
        {"0.0005", "0.00", "0.000"},
        {"-0.001", "0.00", "-0.001"},
    };
    for (const Case &c : cases) {
        const Decimal value = Decimal::fromString(QLatin1String(c.value));
        EXPECT_EQ(twoDigitDollarFormatter().stringFromNumber(value), QLatin1String(c.two)) << c.value;
        EXPECT_EQ(threeDigitDollarFormatter().stringFromNumber(value), QLatin1String(c.three)) << c.value;
    }
    EXPECT_EQ(twoDigitDollarFormatter().stringForObjectValue(QVariant::fromValue(Decimal(5600, -3))),
              QStringLiteral("5.60"));
    EXPECT_EQ(twoDigitDollarFormatter().numberFromString(QStringLiteral("7.25")), Decimal(725, -2));
    EXPECT_FALSE(twoDigitDollarFormatter().numberFromString(QStringLiteral("seven")));
}

} // namespace
