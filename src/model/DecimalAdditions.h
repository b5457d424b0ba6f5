#pragma once
// Nil-tolerant arithmetic, zero tests, comparisons and rounding on the exact
// decimal numbers that carry every money amount. "Nil" is std::nullopt: the
// zero tests count it as zero, adding or subtracting it leaves the value as
// it is, multiplying by it answers nil.
#include "platform/Decimal.h"

#include <optional>

using DecimalRoundingMode = Decimal::RoundingMode;

// Rounded to `scale` decimal places: plain (half away from zero), down,
// up or bankers'.
Decimal decimalNumberByRoundingToScale(const Decimal &value, int scale, DecimalRoundingMode roundingMode);
// (value x factor) rounded to the scale, then divided by the factor, so a
// factor of 4 with scale 0 rounds to quarters. A zero factor gives
// not-a-number.
Decimal decimalNumberByRoundingToScale(const Decimal &value, int scale, const Decimal &factor,
                                       DecimalRoundingMode roundingMode);

// value / 1200 and value x 1200.
Decimal decimalNumberByConvertingFromAnnualizedPercentageRateToMonthlyRate(const Decimal &value);
Decimal decimalNumberByConvertingFromMonthlyRateToAnnualizedPercentageRate(const Decimal &value);

// value + other, or the value itself when the other is nil.
Decimal decimalNumberBySafelyAdding(const Decimal &value, const std::optional<Decimal> &other);
// value - other, or the value itself when the other is nil.
Decimal decimalNumberBySafelySubtracting(const Decimal &value, const std::optional<Decimal> &other);
// value x other, or nil when the other is nil.
std::optional<Decimal> decimalNumberBySafelyMultiplyingBy(const Decimal &value, const std::optional<Decimal> &other);

// Zero tests; nil answers as zero would.
bool decimalNumberIsEqualToZero(const std::optional<Decimal> &number);
bool decimalNumberIsNotEqualToZero(const std::optional<Decimal> &number);
bool decimalNumberIsGreaterThanZero(const std::optional<Decimal> &number);
bool decimalNumberIsGreaterThanOrEqualToZero(const std::optional<Decimal> &number);
bool numberIsLessThanZero(const std::optional<Decimal> &number);

bool isGreaterThanDecimalNumber(const Decimal &value, const Decimal &other);
bool isLessThanDecimalNumber(const Decimal &value, const Decimal &other);
bool isGreaterThanOrEqualToDecimalNumber(const Decimal &value, const Decimal &other);
bool isLessThanOrEqualToDecimalNumber(const Decimal &value, const Decimal &other);

bool isNotANumber(const Decimal &value);
