#include "platform/Decimal.h"

#include <QHash>
#include <QVariant>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// Unsigned integer of any size, little-endian 32-bit limbs. Only what the
// decimal arithmetic needs; operands stay small (a few hundred bits).
class BigUInt
{
public:
    BigUInt() = default;
    explicit BigUInt(Decimal::Mantissa v)
    {
        while (v) {
            m_limbs.push_back(static_cast<uint32_t>(v));
            v >>= 32;
        }
    }

    bool isZero() const { return m_limbs.empty(); }
    bool isOdd() const { return !m_limbs.empty() && (m_limbs[0] & 1u); }
    size_t bitLength() const
    {
        if (m_limbs.empty())
            return 0;
        size_t bits = (m_limbs.size() - 1) * 32;
        uint32_t top = m_limbs.back();
        while (top) {
            ++bits;
            top >>= 1;
        }
        return bits;
    }
    bool fitsMantissa() const { return m_limbs.size() <= 4; }
    Decimal::Mantissa toMantissa() const
    {
        Decimal::Mantissa v = 0;
        for (size_t i = m_limbs.size(); i-- > 0;)
            v = (v << 32) | m_limbs[i];
        return v;
    }

    static int compare(const BigUInt &a, const BigUInt &b)
    {
        if (a.m_limbs.size() != b.m_limbs.size())
            return a.m_limbs.size() < b.m_limbs.size() ? -1 : 1;
        for (size_t i = a.m_limbs.size(); i-- > 0;) {
            if (a.m_limbs[i] != b.m_limbs[i])
                return a.m_limbs[i] < b.m_limbs[i] ? -1 : 1;
        }
        return 0;
    }

    static BigUInt add(const BigUInt &a, const BigUInt &b)
    {
        BigUInt r;
        const size_t n = std::max(a.m_limbs.size(), b.m_limbs.size());
        r.m_limbs.resize(n);
        uint64_t carry = 0;
        for (size_t i = 0; i < n; ++i) {
            uint64_t s = carry;
            if (i < a.m_limbs.size())
                s += a.m_limbs[i];
            if (i < b.m_limbs.size())
                s += b.m_limbs[i];
            r.m_limbs[i] = static_cast<uint32_t>(s);
            carry = s >> 32;
        }
        if (carry)
            r.m_limbs.push_back(static_cast<uint32_t>(carry));
        return r;
    }

    // a - b with a >= b.
    static BigUInt subtract(const BigUInt &a, const BigUInt &b)
    {
        BigUInt r;
        r.m_limbs.resize(a.m_limbs.size());
        int64_t borrow = 0;
        for (size_t i = 0; i < a.m_limbs.size(); ++i) {
            int64_t d = static_cast<int64_t>(a.m_limbs[i]) - borrow;
            if (i < b.m_limbs.size())
                d -= b.m_limbs[i];
            borrow = 0;
            if (d < 0) {
                d += (int64_t(1) << 32);
                borrow = 1;
            }
            r.m_limbs[i] = static_cast<uint32_t>(d);
        }
        r.trim();
        return r;
    }

    static BigUInt multiply(const BigUInt &a, const BigUInt &b)
    {
        if (a.isZero() || b.isZero())
            return {};
        BigUInt r;
        r.m_limbs.assign(a.m_limbs.size() + b.m_limbs.size(), 0);
        for (size_t i = 0; i < a.m_limbs.size(); ++i) {
            uint64_t carry = 0;
            for (size_t j = 0; j < b.m_limbs.size(); ++j) {
                uint64_t t = uint64_t(a.m_limbs[i]) * b.m_limbs[j] + r.m_limbs[i + j] + carry;
                r.m_limbs[i + j] = static_cast<uint32_t>(t);
                carry = t >> 32;
            }
            size_t k = i + b.m_limbs.size();
            while (carry) {
                uint64_t t = uint64_t(r.m_limbs[k]) + carry;
                r.m_limbs[k] = static_cast<uint32_t>(t);
                carry = t >> 32;
                ++k;
            }
        }
        r.trim();
        return r;
    }

    void mulSmallAdd(uint32_t factor, uint32_t addend)
    {
        uint64_t carry = addend;
        for (auto &limb : m_limbs) {
            uint64_t t = uint64_t(limb) * factor + carry;
            limb = static_cast<uint32_t>(t);
            carry = t >> 32;
        }
        if (carry)
            m_limbs.push_back(static_cast<uint32_t>(carry));
    }

    // Divides in place, answers the remainder.
    uint32_t divSmall(uint32_t divisor)
    {
        uint64_t rem = 0;
        for (size_t i = m_limbs.size(); i-- > 0;) {
            uint64_t cur = (rem << 32) | m_limbs[i];
            m_limbs[i] = static_cast<uint32_t>(cur / divisor);
            rem = cur % divisor;
        }
        trim();
        return static_cast<uint32_t>(rem);
    }

    static void divMod(const BigUInt &a, const BigUInt &b, BigUInt &q, BigUInt &r)
    {
        if (b.m_limbs.size() == 1) {
            q = a;
            const uint32_t rem = q.divSmall(b.m_limbs[0]);
            r = BigUInt(static_cast<Decimal::Mantissa>(rem));
            return;
        }
        q = BigUInt();
        r = BigUInt();
        if (compare(a, b) < 0) {
            r = a;
            return;
        }
        q.m_limbs.assign(a.m_limbs.size(), 0);
        for (size_t bit = a.bitLength(); bit-- > 0;) {
            r.shiftLeft1();
            if (a.m_limbs[bit / 32] & (1u << (bit % 32))) {
                if (r.m_limbs.empty())
                    r.m_limbs.push_back(0);
                r.m_limbs[0] |= 1u;
            }
            if (compare(r, b) >= 0) {
                r = subtract(r, b);
                q.m_limbs[bit / 32] |= (1u << (bit % 32));
            }
        }
        q.trim();
        r.trim();
    }

    static const BigUInt &pow10(int n)
    {
        static std::vector<BigUInt> cache = [] {
            std::vector<BigUInt> c;
            BigUInt v(static_cast<Decimal::Mantissa>(1));
            for (int i = 0; i <= 700; ++i) {
                c.push_back(v);
                v.mulSmallAdd(10, 0);
            }
            return c;
        }();
        return cache.at(static_cast<size_t>(n));
    }

    int decimalDigits() const
    {
        if (isZero())
            return 1;
        // Estimate from the bit length, then correct against powers of ten.
        int d = static_cast<int>((bitLength() - 1) * 30103 / 100000) + 1;
        while (d > 1 && compare(*this, pow10(d - 1)) < 0)
            --d;
        while (compare(*this, pow10(d)) >= 0)
            ++d;
        return d;
    }

    std::string toDecimalString() const
    {
        if (isZero())
            return "0";
        BigUInt v = *this;
        std::string out;
        while (!v.isZero()) {
            uint32_t chunk = v.divSmall(1000000000u);
            for (int i = 0; i < 9; ++i) {
                out.push_back(static_cast<char>('0' + chunk % 10));
                chunk /= 10;
                if (v.isZero() && chunk == 0)
                    break;
            }
        }
        while (out.size() > 1 && out.back() == '0')
            out.pop_back();
        std::reverse(out.begin(), out.end());
        return out;
    }

private:
    std::vector<uint32_t> m_limbs;

    void trim()
    {
        while (!m_limbs.empty() && m_limbs.back() == 0)
            m_limbs.pop_back();
    }
    void shiftLeft1()
    {
        uint32_t carry = 0;
        for (auto &limb : m_limbs) {
            const uint32_t next = limb >> 31;
            limb = (limb << 1) | carry;
            carry = next;
        }
        if (carry)
            m_limbs.push_back(carry);
    }
};

using Mode = Decimal::RoundingMode;
using Error = Decimal::CalculationError;

// Whether to add one unit to the kept digits. halfCompare compares the
// dropped part with one half of a unit (-1 below, 0 exactly, 1 above).
bool roundsAway(bool negative, int halfCompare, bool droppedNonZero, bool keptOdd, Mode mode)
{
    if (!droppedNonZero)
        return false;
    switch (mode) {
    case Mode::Plain:
        return halfCompare >= 0;
    case Mode::Bankers:
        return halfCompare > 0 || (halfCompare == 0 && keptOdd);
    case Mode::Down:
        return negative;
    case Mode::Up:
        return !negative;
    }
    return false;
}

// Drops `drop` decimal digits from m with rounding; answers whether anything
// nonzero was dropped.
bool dropDigits(BigUInt &m, int drop, bool negative, Mode mode)
{
    if (drop <= 0)
        return false;
    if (drop > 690) {
        // Everything goes; only the direction of rounding is left.
        const bool nonZero = !m.isZero();
        m = BigUInt();
        if (nonZero && roundsAway(negative, -1, true, false, mode))
            m = BigUInt(static_cast<Decimal::Mantissa>(1));
        return nonZero;
    }
    BigUInt q, r;
    BigUInt::divMod(m, BigUInt::pow10(drop), q, r);
    const bool nonZero = !r.isZero();
    if (nonZero) {
        BigUInt twice = BigUInt::add(r, r);
        const int half = BigUInt::compare(twice, BigUInt::pow10(drop));
        if (roundsAway(negative, half, true, q.isOdd(), mode))
            q = BigUInt::add(q, BigUInt(static_cast<Decimal::Mantissa>(1)));
    }
    m = q;
    return nonZero;
}

void setError(Error *error, Error value)
{
    if (error)
        *error = value;
}

// m x 10^power in 128 bits, when it fits.
bool scaleFits(Decimal::Mantissa m, int power, Decimal::Mantissa &out)
{
    if (power < 0 || power > 38)
        return false;
    Decimal::Mantissa factor = 1;
    for (int i = 0; i < power; ++i)
        factor *= 10;
    const Decimal::Mantissa max = ~Decimal::Mantissa(0);
    if (m != 0 && m > max / factor)
        return false;
    out = m * factor;
    return true;
}

} // namespace

struct DecimalAccess {
    static Decimal nan()
    {
        Decimal d;
        d.m_nan = true;
        return d;
    }

    // Brings m x 10^exponent into the representable, compact form.
    static Decimal make(BigUInt m, long long exponent, bool negative, Mode mode, Error *error)
    {
        setError(error, Error::NoError);
        if (m.isZero())
            return Decimal();
        bool lost = false;
        int digits = m.decimalDigits();
        if (digits > Decimal::kMaxDigits) {
            const int drop = digits - Decimal::kMaxDigits;
            lost = dropDigits(m, drop, negative, mode) || lost;
            exponent += drop;
            if (BigUInt::compare(m, BigUInt::pow10(Decimal::kMaxDigits)) >= 0) {
                m.divSmall(10); // exactly 10^38: one more trailing zero
                ++exponent;
            }
        }
        if (exponent < Decimal::kMinExponent) {
            const long long drop = Decimal::kMinExponent - exponent;
            lost = dropDigits(m, static_cast<int>(std::min<long long>(drop, 1000)), negative, mode) || lost;
            exponent = Decimal::kMinExponent;
            if (m.isZero()) {
                setError(error, Error::Underflow);
                return Decimal();
            }
            if (BigUInt::compare(m, BigUInt::pow10(Decimal::kMaxDigits)) >= 0) {
                m.divSmall(10);
                ++exponent;
            }
        }
        if (exponent > Decimal::kMaxExponent) {
            // Trade exponent for mantissa digits while there is room.
            const int room = Decimal::kMaxDigits - m.decimalDigits();
            const long long need = exponent - Decimal::kMaxExponent;
            if (need > room) {
                setError(error, Error::Overflow);
                return nan();
            }
            BigUInt grown = BigUInt::multiply(m, BigUInt::pow10(static_cast<int>(need)));
            m = grown;
            exponent = Decimal::kMaxExponent;
        }
        // Compact: no trailing zeros in the mantissa where the exponent allows.
        while (exponent < Decimal::kMaxExponent) {
            BigUInt t = m;
            if (t.divSmall(10) != 0)
                break;
            m = t;
            ++exponent;
        }
        Decimal d;
        d.m_mantissa = m.toMantissa();
        d.m_exponent = static_cast<int>(exponent);
        d.m_negative = negative;
        if (lost)
            setError(error, Error::LossOfPrecision);
        return d;
    }

    static BigUInt big(const Decimal &d) { return BigUInt(d.m_mantissa); }
};

Decimal::Decimal(int value) : Decimal(static_cast<qint64>(value), 0) {}

Decimal::Decimal(qint64 value) : Decimal(value, 0) {}

Decimal::Decimal(qint64 mantissa, int exponent)
{
    const bool negative = mantissa < 0;
    uint64_t magnitude = negative ? (~static_cast<uint64_t>(mantissa) + 1u) : static_cast<uint64_t>(mantissa);
    if (magnitude == 0 || exponent < kMinExponent || exponent > kMaxExponent) {
        *this = fromParts(magnitude, exponent, negative);
        return;
    }
    // At most 20 digits and an exponent in range: only the trailing zeros go
    // (what the general path does too, without its wide arithmetic; prices
    // are made this way at every re-price).
    while (exponent < kMaxExponent && magnitude % 10 == 0) {
        magnitude /= 10;
        ++exponent;
    }
    m_mantissa = magnitude;
    m_exponent = exponent;
    m_negative = negative;
}

Decimal Decimal::fromParts(Mantissa mantissa, int exponent, bool negative)
{
    return DecimalAccess::make(BigUInt(mantissa), exponent, negative, RoundingMode::Plain, nullptr);
}

Decimal Decimal::notANumber() { return DecimalAccess::nan(); }

std::optional<Decimal> Decimal::parse(const QString &text)
{
    const QString trimmed = text.trimmed();
    const int n = static_cast<int>(trimmed.size());
    int i = 0;
    bool negative = false;
    if (i < n && (trimmed[i] == QLatin1Char('+') || trimmed[i] == QLatin1Char('-'))) {
        negative = trimmed[i] == QLatin1Char('-');
        ++i;
    }
    // Keep the first 40 significant digits; beyond them only note whether
    // anything nonzero follows (enough to round correctly to 38).
    std::string kept;
    bool stickyNonZero = false;
    long long exponent = 0;
    int digitCount = 0;
    bool seenPoint = false;
    for (; i < n; ++i) {
        const QChar c = trimmed[i];
        if (c == QLatin1Char('.')) {
            if (seenPoint)
                return std::nullopt;
            seenPoint = true;
            continue;
        }
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        ++digitCount;
        const char digit = static_cast<char>(c.unicode());
        if (kept.empty() && digit == '0') {
            if (seenPoint)
                --exponent;
            continue;
        }
        if (kept.size() < 40) {
            kept.push_back(digit);
            if (seenPoint)
                --exponent;
        } else {
            if (digit != '0')
                stickyNonZero = true;
            if (!seenPoint)
                ++exponent;
        }
    }
    if (digitCount == 0)
        return std::nullopt;
    if (i < n && (trimmed[i] == QLatin1Char('e') || trimmed[i] == QLatin1Char('E'))) {
        ++i;
        bool expNegative = false;
        if (i < n && (trimmed[i] == QLatin1Char('+') || trimmed[i] == QLatin1Char('-'))) {
            expNegative = trimmed[i] == QLatin1Char('-');
            ++i;
        }
        long long value = 0;
        int expDigits = 0;
        for (; i < n && trimmed[i] >= QLatin1Char('0') && trimmed[i] <= QLatin1Char('9'); ++i) {
            ++expDigits;
            value = std::min<long long>(value * 10 + (trimmed[i].unicode() - '0'), 1000000);
        }
        if (expDigits == 0)
            return std::nullopt;
        exponent += expNegative ? -value : value;
    }
    if (i != n)
        return std::nullopt;
    if (kept.empty())
        return Decimal();
    if (stickyNonZero) {
        kept.push_back('1');
        --exponent;
    }
    BigUInt m;
    for (char c : kept)
        m.mulSmallAdd(10, static_cast<uint32_t>(c - '0'));
    Error error = Error::NoError;
    Decimal d = DecimalAccess::make(m, exponent, negative, RoundingMode::Plain, &error);
    if (d.isNaN())
        return std::nullopt;
    return d;
}

Decimal Decimal::fromString(const QString &text) { return parse(text).value_or(notANumber()); }

Decimal Decimal::fromDouble(double value)
{
    if (!std::isfinite(value))
        return notANumber();
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (result.ec != std::errc())
        return notANumber();
    return fromString(QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer)));
}

bool Decimal::isInteger() const { return !m_nan && (m_mantissa == 0 || m_exponent >= 0); }

int Decimal::sign() const
{
    if (m_nan || m_mantissa == 0)
        return 0;
    return m_negative ? -1 : 1;
}

std::string Decimal::toStdString() const
{
    if (m_nan)
        return "NaN";
    const std::string digits = BigUInt(m_mantissa).toDecimalString();
    std::string out;
    if (m_negative && m_mantissa != 0)
        out.push_back('-');
    if (m_exponent >= 0) {
        out += digits;
        if (m_mantissa != 0)
            out.append(static_cast<size_t>(m_exponent), '0');
        return out;
    }
    const size_t places = static_cast<size_t>(-m_exponent);
    if (digits.size() > places) {
        out += digits.substr(0, digits.size() - places);
        out.push_back('.');
        out += digits.substr(digits.size() - places);
    } else {
        out += "0.";
        out.append(places - digits.size(), '0');
        out += digits;
    }
    return out;
}

QString Decimal::toString() const { return QString::fromStdString(toStdString()); }

double Decimal::toDouble() const
{
    if (m_nan)
        return std::numeric_limits<double>::quiet_NaN();
    const std::string text = toStdString();
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

std::optional<qint64> Decimal::toInt64() const
{
    if (m_nan)
        return std::nullopt;
    const Decimal whole = rounded(0, m_negative ? RoundingMode::Up : RoundingMode::Down);
    if (whole.m_mantissa == 0)
        return 0;
    if (whole.m_exponent > 19)
        return std::nullopt;
    unsigned __int128 magnitude = whole.m_mantissa;
    const unsigned __int128 limit =
        static_cast<unsigned __int128>(std::numeric_limits<qint64>::max()) + (whole.m_negative ? 1 : 0);
    if (magnitude > limit)
        return std::nullopt;
    for (int i = 0; i < whole.m_exponent; ++i) {
        magnitude *= 10;
        if (magnitude > limit)
            return std::nullopt;
    }
    if (whole.m_negative)
        return static_cast<qint64>(~static_cast<uint64_t>(magnitude) + 1u);
    return static_cast<qint64>(static_cast<uint64_t>(magnitude));
}

std::optional<qint64> Decimal::toMils() const
{
    if (m_nan)
        return std::nullopt;
    return multiplyByPowerOf10(*this, 3).rounded(0, RoundingMode::Plain).toInt64();
}

Decimal Decimal::rounded(int scale, RoundingMode mode) const
{
    // In long long: -scale does not fit an int for the lowest int.
    const long long place = -static_cast<long long>(scale);
    if (m_nan || m_mantissa == 0 || m_exponent >= place)
        return *this;
    BigUInt m(m_mantissa);
    const long long drop = place - m_exponent;
    dropDigits(m, static_cast<int>(std::min<long long>(drop, 1000)), m_negative, mode);
    return DecimalAccess::make(m, place, m_negative, mode, nullptr);
}

Decimal Decimal::abs() const
{
    Decimal d = *this;
    d.m_negative = false;
    return d;
}

Decimal Decimal::operator-() const
{
    Decimal d = *this;
    if (!d.m_nan && d.m_mantissa != 0)
        d.m_negative = !d.m_negative;
    return d;
}

Decimal Decimal::add(const Decimal &a, const Decimal &b, CalculationError *error, RoundingMode mode)
{
    setError(error, CalculationError::NoError);
    if (a.m_nan || b.m_nan)
        return notANumber();
    if (b.m_mantissa == 0)
        return a;
    if (a.m_mantissa == 0)
        return b;
    const int exponent = std::min(a.m_exponent, b.m_exponent);
    const BigUInt ma = BigUInt::multiply(BigUInt(a.m_mantissa), BigUInt::pow10(a.m_exponent - exponent));
    const BigUInt mb = BigUInt::multiply(BigUInt(b.m_mantissa), BigUInt::pow10(b.m_exponent - exponent));
    if (a.m_negative == b.m_negative)
        return DecimalAccess::make(BigUInt::add(ma, mb), exponent, a.m_negative, mode, error);
    const int c = BigUInt::compare(ma, mb);
    if (c == 0)
        return Decimal();
    if (c > 0)
        return DecimalAccess::make(BigUInt::subtract(ma, mb), exponent, a.m_negative, mode, error);
    return DecimalAccess::make(BigUInt::subtract(mb, ma), exponent, b.m_negative, mode, error);
}

Decimal Decimal::subtract(const Decimal &a, const Decimal &b, CalculationError *error, RoundingMode mode)
{
    return add(a, -b, error, mode);
}

Decimal Decimal::multiply(const Decimal &a, const Decimal &b, CalculationError *error, RoundingMode mode)
{
    setError(error, CalculationError::NoError);
    if (a.m_nan || b.m_nan)
        return notANumber();
    const BigUInt m = BigUInt::multiply(BigUInt(a.m_mantissa), BigUInt(b.m_mantissa));
    return DecimalAccess::make(m, static_cast<long long>(a.m_exponent) + b.m_exponent, a.m_negative != b.m_negative,
                               mode, error);
}

Decimal Decimal::divide(const Decimal &a, const Decimal &b, CalculationError *error, RoundingMode mode)
{
    setError(error, CalculationError::NoError);
    if (a.m_nan || b.m_nan)
        return notANumber();
    if (b.m_mantissa == 0) {
        setError(error, CalculationError::DivideByZero);
        return notANumber();
    }
    if (a.m_mantissa == 0)
        return Decimal();
    const BigUInt ma(a.m_mantissa);
    const BigUInt mb(b.m_mantissa);
    // Scale the dividend so that the quotient has at least 40 digits.
    const int k = 41 + mb.decimalDigits() - ma.decimalDigits();
    BigUInt q, r;
    BigUInt::divMod(BigUInt::multiply(ma, BigUInt::pow10(k)), mb, q, r);
    long long exponent = static_cast<long long>(a.m_exponent) - b.m_exponent - k;
    if (!r.isZero()) {
        // A nonzero remainder becomes a final 1 digit: it can never sit at
        // the half-way position, so the rounding sees "above" or "below".
        q.mulSmallAdd(10, 1);
        --exponent;
    }
    CalculationError local = CalculationError::NoError;
    Decimal d = DecimalAccess::make(q, exponent, a.m_negative != b.m_negative, mode, &local);
    if (local == CalculationError::NoError && !r.isZero())
        local = CalculationError::LossOfPrecision;
    setError(error, local);
    return d;
}

Decimal Decimal::multiplyByPowerOf10(const Decimal &a, int power, CalculationError *error, RoundingMode mode)
{
    setError(error, CalculationError::NoError);
    if (a.m_nan)
        return notANumber();
    if (a.m_mantissa == 0)
        return a;
    return DecimalAccess::make(BigUInt(a.m_mantissa), static_cast<long long>(a.m_exponent) + power, a.m_negative, mode,
                               error);
}

int Decimal::compare(const Decimal &other) const
{
    if (m_nan || other.m_nan) {
        if (m_nan && other.m_nan)
            return 0;
        return m_nan ? -1 : 1;
    }
    const int sa = sign();
    const int sb = other.sign();
    if (sa != sb)
        return sa < sb ? -1 : 1;
    if (sa == 0)
        return 0;
    int magnitude;
    if (m_exponent == other.m_exponent) {
        magnitude = m_mantissa == other.m_mantissa ? 0 : (m_mantissa < other.m_mantissa ? -1 : 1);
    } else {
        const int exponent = std::min(m_exponent, other.m_exponent);
        Mantissa sa128 = 0;
        Mantissa sb128 = 0;
        if (scaleFits(m_mantissa, m_exponent - exponent, sa128) &&
            scaleFits(other.m_mantissa, other.m_exponent - exponent, sb128)) {
            magnitude = sa128 == sb128 ? 0 : (sa128 < sb128 ? -1 : 1);
            return sa < 0 ? -magnitude : magnitude;
        }
        const BigUInt ma = BigUInt::multiply(BigUInt(m_mantissa), BigUInt::pow10(m_exponent - exponent));
        const BigUInt mb = BigUInt::multiply(BigUInt(other.m_mantissa), BigUInt::pow10(other.m_exponent - exponent));
        magnitude = BigUInt::compare(ma, mb);
    }
    return sa < 0 ? -magnitude : magnitude;
}

std::optional<Decimal> decimalFromVariant(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    if (value.metaType() == QMetaType::fromType<Decimal>())
        return value.value<Decimal>();
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::LongLong:
        return Decimal(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::UShort:
    case QMetaType::ULongLong:
        return Decimal::fromParts(value.toULongLong(), 0, false);
    case QMetaType::Double:
    case QMetaType::Float: {
        const Decimal d = Decimal::fromDouble(value.toDouble());
        if (d.isNaN())
            return std::nullopt;
        return d;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return Decimal::parse(value.toString());
    default:
        return std::nullopt;
    }
}

QDebug operator<<(QDebug debug, const Decimal &value)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "Decimal(" << value.toString() << ')';
    return debug;
}

QDataStream &operator<<(QDataStream &out, const Decimal &value) { return out << value.toString(); }

QDataStream &operator>>(QDataStream &in, Decimal &value)
{
    QString text;
    in >> text;
    value = Decimal::fromString(text);
    return in;
}

size_t qHash(const Decimal &value, size_t seed) noexcept
{
    // The compact form is unique for each amount, so its text is canonical.
    return qHash(value.toString(), seed);
}

namespace {
// Registers the type by name (for values streamed in by name) and lets a
// QVariant holding a Decimal answer toString() with its text and toDouble()
// with its nearest double. Text is not turned into a Decimal implicitly: use
// decimalFromVariant() or Decimal::parse().
const bool g_decimalRegistered = [] {
    qRegisterMetaType<Decimal>("Decimal");
    QMetaType::registerConverter<Decimal, QString>(&Decimal::toString);
    QMetaType::registerConverter<Decimal, double>(&Decimal::toDouble);
    return true;
}();
} // namespace
