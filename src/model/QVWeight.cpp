#include "model/QVWeight.h"

#include <cmath>
#include <limits>

std::optional<QVWeight> QVWeight::weightWithValue(float value, const QString &unit)
{
    double ounces;
    // float x 16 is exact in double, so only a true fraction is rounded up.
    if (unit == QVPoundUnitString)
        ounces = double(value) * 16.0;
    else if (unit == QVOunceUnitString)
        ounces = double(value);
    else
        return std::nullopt;
    if (!std::isfinite(ounces))
        return std::nullopt;
    const double whole = std::ceil(ounces);
    if (whole < double(std::numeric_limits<int>::min()) || whole > double(std::numeric_limits<int>::max()))
        return std::nullopt;
    return QVWeight(int(whole));
}

Decimal QVWeight::totalWeightInOunces() const { return Decimal(m_ounces); }

Decimal QVWeight::totalWeightInPounds() const
{
    static const Decimal sixteen(16);
    return Decimal(m_ounces) / sixteen;
}

std::optional<Decimal> QVWeight::totalWeightInUnit(const QString &unit) const
{
    if (unit == QVPoundUnitString)
        return totalWeightInPounds();
    if (unit == QVOunceUnitString)
        return totalWeightInOunces();
    return std::nullopt;
}

int QVWeight::componentOfUnit(const QString &unit) const
{
    if (unit == QVPoundUnitString)
        return poundsComponent();
    if (unit == QVOunceUnitString)
        return ouncesComponent();
    return 0;
}

int QVWeight::poundsComponent() const
{
    // Floor division in integers (exact for every int, where single
    // precision would lose ounces above 2^24).
    int pounds = m_ounces / 16;
    if (m_ounces % 16 != 0 && m_ounces < 0)
        --pounds;
    return pounds;
}

int QVWeight::ouncesComponent() const { return m_ounces % 16; }
