#include "platform/Decimal.h"

#include "QtPrinters.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QVariant>
#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using Mode = Decimal::RoundingMode;
using Error = Decimal::CalculationError;

Decimal dec(const char *text) { return Decimal::fromString(QString::fromLatin1(text)); }

TEST(Decimal, ParsesAndPrintsCompactly)
{
    struct Case {
        const char *in;
        const char *out;
    };
    const Case cases[] = {
        {"5.6", "5.6"},
        {"-0.48", "-0.48"},
        {"1e3", "1000"},
        {"1E+3", "1000"},
        {"2.5E-2", "0.025"},
        {"0", "0"},
        {"-0", "0"},
        {"0.000", "0"},
        {"5.60", "5.6"},
        {"007.50", "7.5"},
        {".5", "0.5"},
        {"5.", "5"},
        {"+7", "7"},
        {" 12.50 ", "12.5"},
        {"\t-3\n", "-3"},
        {"0.001", "0.001"},
        {"123456789.123456789", "123456789.123456789"},
        // 38 significant digits are kept exactly.
        {"12345678901234567890123456789012345678", "12345678901234567890123456789012345678"},
        {"-0.12345678901234567890123456789012345678", "-0.12345678901234567890123456789012345678"},
        // A 39th digit is rounded away (half away from zero).
        {"123456789012345678901234567890123456789", "123456789012345678901234567890123456790"},
        {"1.00000000000000000000000000000000000050", "1.0000000000000000000000000000000000005"},
        {"1.000000000000000000000000000000000000050", "1.0000000000000000000000000000000000001"},
        {"1.000000000000000000000000000000000000500000001", "1.0000000000000000000000000000000000005"},
    };
    for (const Case &c : cases) {
        const Decimal d = dec(c.in);
        EXPECT_FALSE(d.isNaN()) << c.in;
        EXPECT_EQ(d.toString(), QString::fromLatin1(c.out)) << c.in;
        // What is printed reads back as the same amount.
        EXPECT_EQ(Decimal::fromString(d.toString()), d) << c.in;
    }
}

TEST(Decimal, TextThatIsNotANumberIsNaN)
{
    const char *bad[] = {"",    "   ", "abc", "12abc", "1.2.3", "-",   "+",    ".",     "e5",    "1e",
                         "1e+", "NaN", "inf", "1,5",   "--1",   "1 2", "0x10", "1e999", "-1e200"};
    for (const char *text : bad) {
        EXPECT_TRUE(dec(text).isNaN()) << text;
        EXPECT_FALSE(Decimal::parse(QString::fromLatin1(text)).has_value()) << text;
        EXPECT_EQ(dec(text).toString(), QStringLiteral("NaN")) << text;
    }
    EXPECT_TRUE(Decimal::notANumber().isNaN());
    EXPECT_FALSE(Decimal().isNaN());
}

TEST(Decimal, ConstructsFromMantissaAndExponent)
{
    EXPECT_EQ(Decimal(5600, -3).toString(), QStringLiteral("5.6"));
    EXPECT_EQ(Decimal(-48, -2).toString(), QStringLiteral("-0.48"));
    EXPECT_EQ(Decimal(25, 2).toString(), QStringLiteral("2500"));
    EXPECT_EQ(Decimal(0, -3).toString(), QStringLiteral("0"));
    EXPECT_EQ(Decimal(std::numeric_limits<qint64>::min()).toString(), QStringLiteral("-9223372036854775808"));
    EXPECT_EQ(Decimal::fromMils(1234).toString(), QStringLiteral("1.234"));
    EXPECT_TRUE(Decimal(1, 200).isNaN());
    EXPECT_TRUE(Decimal(1, -200).isZero());
    EXPECT_EQ(Decimal(1, -128).toString(), QStringLiteral("0.") + QString(127, QLatin1Char('0')) + QLatin1Char('1'));
    EXPECT_EQ(Decimal(1, 127).toString(), QStringLiteral("1") + QString(127, QLatin1Char('0')));

    // A 64-bit mantissa gives the same compact parts as the general form.
    const qint64 mantissas[] = {1,
                                -1,
                                5600,
                                -48,
                                1000000,
                                120,
                                10,
                                99999999999,
                                std::numeric_limits<qint64>::max(),
                                std::numeric_limits<qint64>::min()};
    for (qint64 m : mantissas) {
        for (int e : {-128, -127, -3, 0, 2, 120, 126, 127}) {
            const Decimal fast(m, e);
            const bool negative = m < 0;
            const Decimal::Mantissa magnitude = negative ? Decimal::Mantissa(~static_cast<uint64_t>(m) + 1u)
                                                         : Decimal::Mantissa(static_cast<uint64_t>(m));
            const Decimal general = Decimal::fromParts(magnitude, e, negative);
            EXPECT_TRUE(fast.mantissa() == general.mantissa()) << m << "e" << e;
            EXPECT_EQ(fast.exponent(), general.exponent()) << m << "e" << e;
            EXPECT_EQ(fast.isNegative(), general.isNegative()) << m << "e" << e;
            EXPECT_EQ(fast.isNaN(), general.isNaN()) << m << "e" << e;
        }
    }
}

struct RoundingCase {
    const char *value;
    int scale;
    const char *plain;
    const char *down;
    const char *up;
    const char *bankers;
};

// The published rounding behaviour of the platform decimal: plain rounds half
// away from zero, down toward negative infinity, up toward positive infinity,
// bankers' half to even.
const RoundingCase kRounding[] = {
    {"2.345", 2, "2.35", "2.34", "2.35", "2.34"},
    {"-2.345", 2, "-2.35", "-2.35", "-2.34", "-2.34"},
    {"1.2", 0, "1", "1", "2", "1"},
    {"1.21", 1, "1.2", "1.2", "1.3", "1.2"},
    {"-1.0001", 0, "-1", "-2", "-1", "-1"},
    {"1.5", 0, "2", "1", "2", "2"},
    {"-1.5", 0, "-2", "-2", "-1", "-2"},
    {"2.5", 0, "3", "2", "3", "2"},
    {"-2.5", 0, "-3", "-3", "-2", "-2"},
    {"2.355", 2, "2.36", "2.35", "2.36", "2.36"},
    {"2.3451", 2, "2.35", "2.34", "2.35", "2.35"},
    {"0.001", 2, "0", "0", "0.01", "0"},
    {"-0.001", 2, "0", "-0.01", "0", "0"},
    {"9.995", 2, "10", "9.99", "10", "10"},
    {"1250", -2, "1300", "1200", "1300", "1200"},
    {"1350", -2, "1400", "1300", "1400", "1400"},
    {"5.6", 2, "5.6", "5.6", "5.6", "5.6"},
    {"7", 0, "7", "7", "7", "7"},
};

TEST(Decimal, RoundsToScaleInEveryMode)
{
    for (const RoundingCase &c : kRounding) {
        const Decimal d = dec(c.value);
        EXPECT_EQ(d.rounded(c.scale, Mode::Plain).toString(), QString::fromLatin1(c.plain)) << c.value;
        EXPECT_EQ(d.rounded(c.scale, Mode::Down).toString(), QString::fromLatin1(c.down)) << c.value;
        EXPECT_EQ(d.rounded(c.scale, Mode::Up).toString(), QString::fromLatin1(c.up)) << c.value;
        EXPECT_EQ(d.rounded(c.scale, Mode::Bankers).toString(), QString::fromLatin1(c.bankers)) << c.value;
    }
    EXPECT_TRUE(Decimal::notANumber().rounded(2).isNaN());
}

TEST(Decimal, RoundsToExtremeScales)
{
    // Every scale an int can hold: far to the left of the number it rounds to
    // zero (plain and bankers'), far to the right it changes nothing.
    const int lowest = std::numeric_limits<int>::min();
    const int highest = std::numeric_limits<int>::max();
    EXPECT_EQ(dec("2.345").rounded(lowest, Mode::Plain).toString(), QStringLiteral("0"));
    EXPECT_EQ(dec("-2.345").rounded(lowest, Mode::Bankers).toString(), QStringLiteral("0"));
    EXPECT_EQ(dec("2.345").rounded(-200, Mode::Plain).toString(), QStringLiteral("0"));
    EXPECT_EQ(dec("2.345").rounded(highest, Mode::Up).toString(), QStringLiteral("2.345"));
}

TEST(Decimal, ArithmeticIsExact)
{
    EXPECT_EQ(dec("0.1") + dec("0.2"), dec("0.3"));
    EXPECT_EQ((dec("0.1") + dec("0.2")).toString(), QStringLiteral("0.3"));
    EXPECT_EQ((dec("5.6") - dec("5.60")).toString(), QStringLiteral("0"));
    EXPECT_EQ((dec("1.5") * dec("-2")).toString(), QStringLiteral("-3"));
    EXPECT_EQ((dec("0.48") * Decimal(100)).toString(), QStringLiteral("48"));
    EXPECT_EQ((dec("10") / dec("4")).toString(), QStringLiteral("2.5"));
    EXPECT_EQ((dec("-7") / dec("2")).toString(), QStringLiteral("-3.5"));
    EXPECT_EQ((dec("-1.25") - dec("-1.25")).toString(), QStringLiteral("0"));
    EXPECT_EQ((dec("3.50") + dec("-5")).toString(), QStringLiteral("-1.5"));
    Decimal sum;
    for (int i = 0; i < 1000; ++i)
        sum += dec("0.001");
    EXPECT_EQ(sum.toString(), QStringLiteral("1"));
}

TEST(Decimal, KeepsThirtyEightDigits)
{
    EXPECT_EQ((Decimal(1) / Decimal(3)).toString(), QStringLiteral("0.") + QString(38, QLatin1Char('3')));
    EXPECT_EQ((Decimal(2) / Decimal(3)).toString(),
              QStringLiteral("0.") + QString(37, QLatin1Char('6')) + QLatin1Char('7'));
    EXPECT_EQ((Decimal(-2) / Decimal(3)).toString(),
              QStringLiteral("-0.") + QString(37, QLatin1Char('6')) + QLatin1Char('7'));

    Error error = Error::NoError;
    // 10^37 + 1 has 38 digits: exact.
    Decimal r = Decimal::add(dec("1e37"), Decimal(1), &error);
    EXPECT_EQ(r.toString(), QStringLiteral("1") + QString(36, QLatin1Char('0')) + QLatin1Char('1'));
    EXPECT_EQ(error, Error::NoError);
    // 10^38 + 1 needs 39: the 1 is lost.
    r = Decimal::add(dec("1e38"), Decimal(1), &error);
    EXPECT_EQ(r, dec("1e38"));
    EXPECT_EQ(error, Error::LossOfPrecision);
    // 38 nines + 1 carries into a 39th digit, which is a trailing zero.
    r = Decimal::add(dec(QString(38, QLatin1Char('9')).toLatin1().constData()), Decimal(1), &error);
    EXPECT_EQ(r.toString(), QStringLiteral("1") + QString(38, QLatin1Char('0')));
    EXPECT_EQ(error, Error::NoError);
}

TEST(Decimal, OverflowUnderflowAndDivisionByZero)
{
    const Decimal max = dec((QString(38, QLatin1Char('9')) + QStringLiteral("e127")).toLatin1().constData());
    ASSERT_FALSE(max.isNaN());
    Error error = Error::NoError;
    EXPECT_TRUE(Decimal::multiply(max, Decimal(10), &error).isNaN());
    EXPECT_EQ(error, Error::Overflow);
    EXPECT_TRUE(Decimal::add(max, max, &error).isNaN());
    EXPECT_EQ(error, Error::Overflow);
    // Room left in the mantissa is used before overflowing.
    EXPECT_EQ(Decimal::multiply(Decimal(1, 127), Decimal(100), &error), dec("1e129"));
    EXPECT_EQ(error, Error::NoError);

    EXPECT_TRUE(Decimal::divide(Decimal(1), Decimal(), &error).isNaN());
    EXPECT_EQ(error, Error::DivideByZero);
    EXPECT_TRUE((Decimal(0) / Decimal(0)).isNaN());

    const Decimal tiny = Decimal(1, -128);
    EXPECT_TRUE(Decimal::divide(tiny, Decimal(10), &error).isZero());
    EXPECT_EQ(error, Error::Underflow);
    EXPECT_TRUE(Decimal::multiply(tiny, tiny, &error).isZero());
    EXPECT_EQ(error, Error::Underflow);

    // NaN spreads.
    const Decimal nan = Decimal::notANumber();
    EXPECT_TRUE((nan + Decimal(1)).isNaN());
    EXPECT_TRUE((Decimal(1) - nan).isNaN());
    EXPECT_TRUE((nan * Decimal(0)).isNaN());
    EXPECT_TRUE((Decimal(1) / nan).isNaN());
}

TEST(Decimal, ComparesByAmount)
{
    EXPECT_EQ(dec("5.60"), dec("5.6"));
    EXPECT_EQ(Decimal(5600, -3), dec("5.6"));
    EXPECT_EQ(dec("1e3"), Decimal(1000));
    EXPECT_EQ(dec("-0"), Decimal(0));
    EXPECT_LT(dec("-0.48"), dec("-0.4"));
    EXPECT_LT(dec("-1"), Decimal());
    EXPECT_LT(Decimal(), dec("0.0000001"));
    EXPECT_LT(dec("0.5"), dec("1"));
    EXPECT_GT(dec("100"), dec("99.999"));
    EXPECT_GT(dec("1e20"), dec("99999999999999999999.9"));
    EXPECT_NE(dec("5.6"), dec("5.61"));
    // NaN: equal to itself and below every number.
    const Decimal nan = Decimal::notANumber();
    EXPECT_EQ(nan, Decimal::notANumber());
    EXPECT_LT(nan, dec("-1e100"));
    EXPECT_NE(nan, Decimal());
    EXPECT_EQ(nan.compare(Decimal()), -1);
    EXPECT_EQ(Decimal().compare(nan), 1);
    EXPECT_EQ(qHash(dec("5.60")), qHash(dec("5.6")));
}

TEST(Decimal, ConvertsToIntegersAndDoubles)
{
    EXPECT_EQ(dec("1.2345").toMils(), 1235);
    EXPECT_EQ(dec("-0.0005").toMils(), -1);
    EXPECT_EQ(dec("5.6").toMils(), 5600);
    EXPECT_FALSE(Decimal::notANumber().toMils().has_value());
    EXPECT_EQ(dec("-2.7").toInt64(), -2);
    EXPECT_EQ(dec("2.7").toInt64(), 2);
    EXPECT_EQ(dec("1e18").toInt64(), 1000000000000000000LL);
    EXPECT_EQ(dec("-9223372036854775808").toInt64(), std::numeric_limits<qint64>::min());
    EXPECT_EQ(dec("9223372036854775807").toInt64(), std::numeric_limits<qint64>::max());
    EXPECT_FALSE(dec("9223372036854775808").toInt64().has_value());
    EXPECT_FALSE(dec("1e30").toInt64().has_value());

    EXPECT_EQ(dec("5.6").toDouble(), 5.6);
    EXPECT_EQ(dec("-0.48").toDouble(), -0.48);
    EXPECT_TRUE(std::isnan(Decimal::notANumber().toDouble()));
    EXPECT_EQ(Decimal::fromDouble(0.1).toString(), QStringLiteral("0.1"));
    EXPECT_EQ(Decimal::fromDouble(-1234.5).toString(), QStringLiteral("-1234.5"));
    EXPECT_EQ(Decimal::fromDouble(1e-5).toString(), QStringLiteral("0.00001"));
    EXPECT_TRUE(Decimal::fromDouble(std::nan("")).isNaN());
    EXPECT_TRUE(Decimal::fromDouble(INFINITY).isNaN());
}

TEST(Decimal, QVariantComparesValues)
{
    const QVariant a = QVariant::fromValue(dec("5.60"));
    const QVariant b = QVariant::fromValue(Decimal(56, -1));
    const QVariant c = QVariant::fromValue(dec("5.7"));
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a == c);
    EXPECT_EQ(QVariant::compare(a, c), QPartialOrdering::Less);
    EXPECT_EQ(QVariant::compare(c, a), QPartialOrdering::Greater);
    EXPECT_EQ(a.value<Decimal>().toString(), QStringLiteral("5.6"));
    EXPECT_EQ(QMetaType::fromName("Decimal"), QMetaType::fromType<Decimal>());
    EXPECT_EQ(a.toString(), QStringLiteral("5.6"));
    EXPECT_EQ(QVariant::fromValue(Decimal::fromString(QStringLiteral("-0.48"))).toDouble(), -0.48);

    EXPECT_EQ(decimalFromVariant(a), dec("5.6"));
    EXPECT_EQ(decimalFromVariant(QVariant(QStringLiteral("1.25"))), dec("1.25"));
    EXPECT_EQ(decimalFromVariant(QVariant(qint64(7))), Decimal(7));
    EXPECT_EQ(decimalFromVariant(QVariant(0.5)), dec("0.5"));
    EXPECT_FALSE(decimalFromVariant(QVariant(QStringLiteral("x"))).has_value());
    EXPECT_FALSE(decimalFromVariant(QVariant()).has_value());
}

// Random operations checked against Python's decimal module (38 digits,
// half away from zero), an implementation independent of ours.
TEST(Decimal, AgreesWithPythonDecimal)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 not found";

    std::mt19937_64 rng(20141207);
    auto randomDecimal = [&]() {
        std::uniform_int_distribution<int> digitsDist(1, 38);
        std::uniform_int_distribution<int> expDist(-30, 20);
        std::uniform_int_distribution<int> digit(0, 9);
        QString text;
        if (rng() & 1)
            text += QLatin1Char('-');
        const int n = digitsDist(rng);
        for (int i = 0; i < n; ++i)
            text += QChar(QLatin1Char(char('0' + digit(rng))));
        text += QStringLiteral("e") + QString::number(expDist(rng));
        return text;
    };

    const char *ops[] = {"+", "-", "*", "/", "r", "c"};
    const char *modes[] = {"ROUND_HALF_UP", "ROUND_FLOOR", "ROUND_CEILING", "ROUND_HALF_EVEN"};
    QStringList lines;
    QStringList ours;
    for (int i = 0; i < 600; ++i) {
        const QString a = randomDecimal();
        QString b = randomDecimal();
        const char *op = ops[i % 6];
        const Decimal da = Decimal::fromString(a);
        const Decimal db = Decimal::fromString(b);
        Decimal result;
        if (op[0] == 'r') {
            const int scale = int(rng() % 12) - 2;
            const int mode = int(rng() % 4);
            b = QString::number(scale) + QLatin1Char(' ') + QLatin1String(modes[mode]);
            result = da.rounded(scale, static_cast<Mode>(mode));
        } else if (op[0] == 'c') {
            if (i % 12 == 5)
                b = a; // equal amounts, too
            lines << QStringLiteral("%1 %2 %3").arg(a, QLatin1String(op), b);
            ours << QString::number(da.compare(Decimal::fromString(b)));
            continue;
        } else if (op[0] == '+') {
            result = da + db;
        } else if (op[0] == '-') {
            result = da - db;
        } else if (op[0] == '*') {
            result = da * db;
        } else {
            if (db.isZero())
                continue;
            result = da / db;
        }
        lines << QStringLiteral("%1 %2 %3").arg(a, QLatin1String(op), b);
        ours << result.toString();
    }

    const QString script = QStringLiteral(R"(
import sys, decimal
from decimal import Decimal as D
ctx = decimal.Context(prec=38, rounding=decimal.ROUND_HALF_UP, Emax=999999, Emin=-999999)
decimal.setcontext(ctx)
def show(d):
    if d == 0:
        return '0'
    return format(d.normalize(), 'f')
for line in sys.stdin:
    parts = line.split()
    if not parts:
        continue
    a = D(parts[0]) + 0
    op = parts[1]
    if op == 'r':
        scale = int(parts[2]); mode = getattr(decimal, parts[3])
        q = D(1).scaleb(-scale)
        r = a if a.as_tuple().exponent >= -scale else a.quantize(q, rounding=mode)
        print(show(r))
        continue
    b = D(parts[2]) + 0
    if op == 'c':
        print((a > b) - (a < b))
        continue
    print(show({'+': lambda: a + b, '-': lambda: a - b, '*': lambda: a * b, '/': lambda: a / b}[op]()))
)");
    QProcess process;
    process.start(python, {QStringLiteral("-c"), script});
    ASSERT_TRUE(process.waitForStarted());
    process.write(lines.join(QLatin1Char('\n')).toLatin1() + '\n');
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(30000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QStringList theirs =
        QString::fromLatin1(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(theirs.size(), ours.size());
    for (int i = 0; i < ours.size(); ++i)
        EXPECT_EQ(ours[i], theirs[i]) << lines[i].toStdString();
}

} // namespace
