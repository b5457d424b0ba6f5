#pragma once
// Field formatters for amounts and weights typed as small expressions, and
// the two shared fixed-point formatters for dollar amounts.
#include "model/Formatter.h"
#include "platform/Decimal.h"

#include <QString>
#include <QVariant>

// Dollar amounts: "$1,234.50" and "3*1.25" are read; "$" and "," are
// ignored. The value is a Decimal (an invalid QVariant for an empty text).
class ExpressionFormatter : public QVFormatter
{
public:
    QString stringForObjectValue(const QVariant &object) const override;
    bool getObjectValue(QVariant *object, const QString &string, QString *error) const override;
};

// Weights: "2 lb", "1.5 lbs", "12 oz", "1 lb 8 oz", a bare number of ounces,
// each amount possibly a small expression. Unit words are read in any case.
// The value is the weight in whole ounces (int); a fraction of an ounce
// counts as a whole ounce, so a piece is never priced below its weight.
class QVWeightFormatter : public QVFormatter
{
public:
    QString stringForObjectValue(const QVariant &object) const override;
    bool getObjectValue(QVariant *object, const QString &string, QString *error) const override;
};

// A fixed-point formatter for dollar amounts: "0.00" or "0.000", "." as
// separator, no grouping, a leading "-" for negative amounts, halves rounded
// to even, whatever the locale.
class DollarFormatter : public QVFormatter
{
public:
    explicit DollarFormatter(int fractionDigits) : m_fractionDigits(fractionDigits) {}

    int fractionDigits() const { return m_fractionDigits; }
    // "0.00" or "0.000".
    QString positiveFormat() const;

    QString stringFromNumber(const Decimal &number) const;
    std::optional<Decimal> numberFromString(const QString &string) const;

    // Accepts a Decimal, a number or decimal text; other values give "".
    QString stringForObjectValue(const QVariant &object) const override;
    bool getObjectValue(QVariant *object, const QString &string, QString *error) const override;

private:
    int m_fractionDigits;
};

// The shared formatters, made on first request and kept for the life of the
// process.
const DollarFormatter &twoDigitDollarFormatter();
const DollarFormatter &threeDigitDollarFormatter();
