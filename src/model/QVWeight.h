#pragma once
// A weight in whole ounces, with its pound and ounce components.
#include "platform/Decimal.h"

#include <QString>

#include <optional>

inline const QString QVPoundUnitString = QStringLiteral("lb");
inline const QString QVOunceUnitString = QStringLiteral("oz");

class QVWeight
{
public:
    // A weight of `ounces` whole ounces (initWithOunces).
    explicit QVWeight(int ounces = 0) : m_ounces(ounces) {}

    // A weight of `value` in the unit "lb" or "oz" (compared exactly). A
    // fraction of an ounce counts as a whole ounce (USPS charges any fraction
    // as the next ounce), so 1.2 oz is 2 oz and 0.1 lb is 2 oz. Nothing for
    // any other unit, or for a value that is not finite or does not fit.
    static std::optional<QVWeight> weightWithValue(float value, const QString &unit);
    static QVWeight weightWithOunces(int ounces) { return QVWeight(ounces); }

    int weightInOunces() const { return m_ounces; }

    // The ounces as a decimal number.
    Decimal totalWeightInOunces() const;
    // The ounces divided by 16, exactly (24 oz is 1.5).
    Decimal totalWeightInPounds() const;
    // "lb": pounds, "oz": ounces; nothing for another unit.
    std::optional<Decimal> totalWeightInUnit(const QString &unit) const;
    // "lb": poundsComponent(), "oz": ouncesComponent(); 0 for another unit.
    int componentOfUnit(const QString &unit) const;
    // floor(ounces / 16): 40 oz gives 2, -5 oz gives -1.
    int poundsComponent() const;
    // ounces modulo 16 with the sign of the ounces: 40 oz gives 8, -5 oz -5.
    int ouncesComponent() const;

    friend bool operator==(const QVWeight &a, const QVWeight &b) { return a.m_ounces == b.m_ounces; }

private:
    int m_ounces = 0;
};
