#include "model/DecimalAdditions.h"

Decimal decimalNumberByRoundingToScale(const Decimal &value, int scale, DecimalRoundingMode roundingMode)
{
    return value.rounded(scale, roundingMode);
}

Decimal decimalNumberByRoundingToScale(const Decimal &value, int scale, const Decimal &factor,
                                       DecimalRoundingMode roundingMode)
{
    if (factor.isZero() || factor.isNaN())
        return Decimal::notANumber();
    return (value * factor).rounded(scale, roundingMode) / factor;
}

Decimal decimalNumberByConvertingFromAnnualizedPercentageRateToMonthlyRate(const Decimal &value)
{
    return value / Decimal(1200);
}

Decimal decimalNumberByConvertingFromMonthlyRateToAnnualizedPercentageRate(const Decimal &value)
{
    return value * Decimal(1200);
}

Decimal decimalNumberBySafelyAdding(const Decimal &value, const std::optional<Decimal> &other)
{
    return other ? value + *other : value;
}

Decimal decimalNumberBySafelySubtracting(const Decimal &value, const std::optional<Decimal> &other)
{
    return other ? value - *other : value;
}

std::optional<Decimal> decimalNumberBySafelyMultiplyingBy(const Decimal &value, const std::optional<Decimal> &other)
{
    if (!other)
        return std::nullopt;
    return value * *other;
}

// Each number compares itself with zero; nil answers "equal".
namespace {
int compareWithZero(const std::optional<Decimal> &number) { return number ? number->compare(Decimal::zero()) : 0; }
} // namespace

bool decimalNumberIsEqualToZero(const std::optional<Decimal> &number) { return compareWithZero(number) == 0; }

bool decimalNumberIsNotEqualToZero(const std::optional<Decimal> &number) { return compareWithZero(number) != 0; }

bool decimalNumberIsGreaterThanZero(const std::optional<Decimal> &number) { return compareWithZero(number) > 0; }

bool decimalNumberIsGreaterThanOrEqualToZero(const std::optional<Decimal> &number)
{
    return compareWithZero(number) >= 0;
}

bool numberIsLessThanZero(const std::optional<Decimal> &number) { return compareWithZero(number) < 0; }

bool isGreaterThanDecimalNumber(const Decimal &value, const Decimal &other) { return value.compare(other) > 0; }

bool isLessThanDecimalNumber(const Decimal &value, const Decimal &other) { return value.compare(other) < 0; }

bool isGreaterThanOrEqualToDecimalNumber(const Decimal &value, const Decimal &other)
{
    return value.compare(other) >= 0;
}

bool isLessThanOrEqualToDecimalNumber(const Decimal &value, const Decimal &other) { return value.compare(other) <= 0; }

bool isNotANumber(const Decimal &value) { return value.isNaN(); }
