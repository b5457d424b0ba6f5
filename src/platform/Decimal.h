#pragma once
// Exact decimal numbers for money and other amounts.
//
// A Decimal is sign x mantissa x 10^exponent with a mantissa of at most 38
// significant decimal digits and an exponent in [-128, 127], plus a
// not-a-number state. Money never goes through binary floating point: build
// amounts from integers (mantissa and exponent, mils) or from text, and keep
// them as Decimal; toDouble()/fromDouble() exist only for display and for the
// few places that are given a double from outside.
//
// Arithmetic keeps 38 significant digits and rounds the 39th away plainly
// (half away from zero). A result too large for the exponent range, and any
// division by zero, gives not-a-number; the checked forms (add(), divide(), …)
// also say which error happened. A result too small to represent becomes zero
// (underflow). Not-a-number in, not-a-number out.
//
// Comparison: values compare by amount, so 5.60 == 5.6 and 0 == -0. For
// ordering and equality not-a-number equals itself and sorts before every
// number; this gives containers and QVariant a total order. Use isNaN() to
// test for it.
#include <QDataStream>
#include <QDebug>
#include <QMetaType>
#include <QString>

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

class Decimal
{
public:
    using Mantissa = unsigned __int128;

    static constexpr int kMaxDigits = 38;
    static constexpr int kMinExponent = -128;
    static constexpr int kMaxExponent = 127;

    enum class RoundingMode {
        Plain = 0,   // half away from zero
        Down = 1,    // toward negative infinity
        Up = 2,      // toward positive infinity
        Bankers = 3, // half to even
    };

    enum class CalculationError {
        NoError = 0,
        LossOfPrecision, // digits beyond the 38th were rounded away
        Underflow,       // the result was too small and became zero
        Overflow,        // the result was too large: not-a-number
        DivideByZero,    // not-a-number
    };

    // Zero.
    Decimal() = default;
    // An integer.
    Decimal(int value);
    Decimal(qint64 value);
    // value x 10^exponent, e.g. Decimal(5600, -3) is 5.6.
    Decimal(qint64 mantissa, int exponent);
    // mantissa x 10^exponent with a separate sign; a mantissa of more than 38
    // digits is rounded plainly, an exponent out of range gives not-a-number.
    static Decimal fromParts(Mantissa mantissa, int exponent, bool negative);

    static Decimal zero() { return Decimal(); }
    static Decimal one() { return Decimal(1); }
    static Decimal notANumber();
    // Thousandths of a dollar.
    static Decimal fromMils(qint64 mils) { return Decimal(mils, -3); }

    // Parses "5.6", "-0.48", "+12", ".5", "1e3", "2.5E-2". Leading and
    // trailing white space is skipped. Any other text that is not wholly a
    // number (empty, "abc", "12abc", "1.2.3", "1e999") gives not-a-number;
    // "NaN" gives not-a-number too. More than 38 significant digits are rounded
    // plainly. Only "." is a decimal separator, whatever the locale.
    static Decimal fromString(const QString &text);
    // As fromString(), but answers nothing where fromString() answers NaN.
    static std::optional<Decimal> parse(const QString &text);
    // The nearest decimal of at most 17 significant digits that reads back as
    // the same double (shortest round trip); NaN and infinities give NaN.
    static Decimal fromDouble(double value);

    bool isNaN() const { return m_nan; }
    bool isZero() const { return !m_nan && m_mantissa == 0; }
    bool isNegative() const { return m_negative; } // false for zero and NaN
    bool isInteger() const;
    Mantissa mantissa() const { return m_mantissa; }
    int exponent() const { return m_exponent; }
    // -1, 0 or 1; 0 for zero and for NaN.
    int sign() const;

    // Compact text: "5.6", "-0.48", "1000", "0", "0.001", "NaN". No exponent
    // notation, no grouping, "." as separator.
    QString toString() const;
    std::string toStdString() const;

    // Nearest double (for display and measurement only); NaN gives a quiet NaN.
    double toDouble() const;
    // Integer part, truncated toward zero; nothing for NaN or beyond 64 bits.
    std::optional<qint64> toInt64() const;
    // The amount in thousandths, rounded plainly; nothing for NaN or beyond
    // 64 bits.
    std::optional<qint64> toMils() const;

    // Rounded to `scale` decimal places (a negative scale rounds to tens,
    // hundreds, …). A number with no more places than `scale` is unchanged.
    Decimal rounded(int scale, RoundingMode mode = RoundingMode::Plain) const;

    Decimal abs() const;
    Decimal operator-() const;

    // Checked arithmetic; error (when given) receives what went wrong, or
    // NoError / LossOfPrecision.
    static Decimal add(const Decimal &a, const Decimal &b, CalculationError *error = nullptr,
                       RoundingMode mode = RoundingMode::Plain);
    static Decimal subtract(const Decimal &a, const Decimal &b, CalculationError *error = nullptr,
                            RoundingMode mode = RoundingMode::Plain);
    static Decimal multiply(const Decimal &a, const Decimal &b, CalculationError *error = nullptr,
                            RoundingMode mode = RoundingMode::Plain);
    static Decimal divide(const Decimal &a, const Decimal &b, CalculationError *error = nullptr,
                          RoundingMode mode = RoundingMode::Plain);
    // value x 10^power
    static Decimal multiplyByPowerOf10(const Decimal &a, int power, CalculationError *error = nullptr,
                                       RoundingMode mode = RoundingMode::Plain);

    friend Decimal operator+(const Decimal &a, const Decimal &b) { return add(a, b); }
    friend Decimal operator-(const Decimal &a, const Decimal &b) { return subtract(a, b); }
    friend Decimal operator*(const Decimal &a, const Decimal &b) { return multiply(a, b); }
    friend Decimal operator/(const Decimal &a, const Decimal &b) { return divide(a, b); }
    Decimal &operator+=(const Decimal &o) { return *this = *this + o; }
    Decimal &operator-=(const Decimal &o) { return *this = *this - o; }
    Decimal &operator*=(const Decimal &o) { return *this = *this * o; }
    Decimal &operator/=(const Decimal &o) { return *this = *this / o; }

    // -1, 0, 1 by amount (NaN equal to NaN and below every number).
    int compare(const Decimal &other) const;
    friend bool operator==(const Decimal &a, const Decimal &b) { return a.compare(b) == 0; }
    friend std::strong_ordering operator<=>(const Decimal &a, const Decimal &b)
    {
        const int c = a.compare(b);
        return c < 0 ? std::strong_ordering::less
                     : (c > 0 ? std::strong_ordering::greater : std::strong_ordering::equal);
    }
    // Spelled out for QMetaType, which looks for operator< itself.
    friend bool operator<(const Decimal &a, const Decimal &b) { return a.compare(b) < 0; }

private:
    Mantissa m_mantissa = 0;
    int m_exponent = 0;
    bool m_negative = false;
    bool m_nan = false;

    friend struct DecimalAccess;
};

// Reads a decimal from a QVariant holding a Decimal, a number (integers
// exactly; doubles through fromDouble()) or decimal text; nothing when the
// variant holds anything else or text that is not a number.
std::optional<Decimal> decimalFromVariant(const QVariant &value);

QDebug operator<<(QDebug debug, const Decimal &value);
QDataStream &operator<<(QDataStream &out, const Decimal &value);
QDataStream &operator>>(QDataStream &in, Decimal &value);

size_t qHash(const Decimal &value, size_t seed = 0) noexcept;

Q_DECLARE_METATYPE(Decimal)
