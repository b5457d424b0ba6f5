#include "model/NumericFormatters.h"

#include "model/ExpressionEvaluator.h"
#include "model/QVWeight.h"
#include "model/StringAdditions.h"
#include "model/TemplateSubstitution.h"

#include <QRegularExpression>

#include <limits>

// ---- ExpressionFormatter ------------------------------------------------

QString ExpressionFormatter::stringForObjectValue(const QVariant &object) const
{
    const std::optional<Decimal> value = decimalFromVariant(object);
    return value ? value->toString() : QString();
}

bool ExpressionFormatter::getObjectValue(QVariant *object, const QString &string, QString *error) const
{
    if (!object)
        return true;
    QString text = stringByReplacingAllOccurrencesOfString(string, QStringLiteral("$"), QString());
    text = stringByReplacingAllOccurrencesOfString(text, QStringLiteral(","), QString());
    try {
        const std::optional<Decimal> value = ExpressionEvaluator::evaluateExpression(text);
        *object = value ? QVariant::fromValue(*value) : QVariant();
        return true;
    } catch (const ExpressionError &e) {
        *object = QVariant();
        if (error)
            *error = e.reason();
        return false;
    }
}

// ---- QVWeightFormatter --------------------------------------------------

namespace {

struct WeightPart {
    QString expression;
    bool pounds = false;
};

QString withoutSpaces(const QString &text)
{
    return stringByRemovingSurroundingWhitespace(
        stringByReplacingAllOccurrencesOfString(text, QStringLiteral(" "), QString()));
}

// Splits a weight text into amounts and their units. Unit words are "lb",
// "lbs", "oz" and "ozs" in any case; a text without one is in ounces. Each
// unit word ends the amount before it ("1 lb 8 oz" is one pound and eight
// ounces); nothing may follow the last unit word, so "1 lb 8" is refused
// rather than read as 18 pounds. A lone unit word before its amount
// ("lb 2") names the unit of that amount.
std::optional<QList<WeightPart>> splitWeight(const QString &text)
{
    static const QRegularExpression unitWords(QStringLiteral("lbs|lb|ozs|oz"),
                                              QRegularExpression::CaseInsensitiveOption);
    QList<WeightPart> parts;
    qsizetype position = 0;
    for (auto it = unitWords.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const bool pounds = m.captured().startsWith(QLatin1Char('l'), Qt::CaseInsensitive);
        parts.append({withoutSpaces(text.mid(position, m.capturedStart() - position)), pounds});
        position = m.capturedEnd();
    }
    const QString tail = withoutSpaces(text.mid(position));
    if (parts.isEmpty())
        return QList<WeightPart>{{tail, false}};
    if (parts.size() == 1 && parts.first().expression.isEmpty()) {
        parts.first().expression = tail;
        return parts;
    }
    if (!tail.isEmpty())
        return std::nullopt;
    for (const WeightPart &part : parts) {
        if (part.expression.isEmpty())
            return std::nullopt;
    }
    return parts;
}

} // namespace

QString QVWeightFormatter::stringForObjectValue(const QVariant &object) const
{
    bool ok = false;
    const qlonglong ounces = object.toLongLong(&ok);
    return ok ? QString::number(ounces) : QString();
}

bool QVWeightFormatter::getObjectValue(QVariant *object, const QString &string, QString *error) const
{
    if (!object)
        return true;
    *object = QVariant();
    auto fail = [&](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };

    const std::optional<QList<WeightPart>> parts = splitWeight(string);
    if (!parts)
        return fail(QStringLiteral("\"%1\" is not a weight.").arg(string));

    Decimal ounces;
    try {
        for (const WeightPart &part : *parts) {
            // An empty amount is no weight: 0.
            const Decimal amount = ExpressionEvaluator::evaluateExpression(part.expression).value_or(Decimal());
            ounces += part.pounds ? amount * Decimal(16) : amount;
        }
    } catch (const ExpressionError &e) {
        return fail(e.reason());
    }
    if (ounces.isNaN())
        return fail(QStringLiteral("\"%1\" is not a weight.").arg(string));

    // Any fraction of an ounce is charged as a whole ounce.
    const std::optional<qint64> whole = ounces.rounded(0, Decimal::RoundingMode::Up).toInt64();
    if (!whole || *whole > std::numeric_limits<int>::max() || *whole < std::numeric_limits<int>::min())
        return fail(QStringLiteral("\"%1\" is too heavy.").arg(string));

    *object = QVWeight::weightWithOunces(int(*whole)).weightInOunces();
    return true;
}

// ---- Dollar formatters --------------------------------------------------

QString DollarFormatter::positiveFormat() const
{
    return QStringLiteral("0.") + QString(m_fractionDigits, QLatin1Char('0'));
}

QString DollarFormatter::stringFromNumber(const Decimal &number) const
{
    if (number.isNaN())
        return QStringLiteral("NaN");
    const Decimal rounded = number.rounded(m_fractionDigits, Decimal::RoundingMode::Bankers);
    QString text = rounded.abs().toString();
    qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0) {
        point = text.size();
        text.append(QLatin1Char('.'));
    }
    const qsizetype fraction = text.size() - point - 1;
    if (fraction < m_fractionDigits)
        text.append(QString(m_fractionDigits - fraction, QLatin1Char('0')));
    if (m_fractionDigits == 0)
        text.chop(1);
    if (rounded.isNegative() && !rounded.isZero())
        text.prepend(QLatin1Char('-'));
    return text;
}

std::optional<Decimal> DollarFormatter::numberFromString(const QString &string) const { return Decimal::parse(string); }

QString DollarFormatter::stringForObjectValue(const QVariant &object) const
{
    const std::optional<Decimal> value = decimalFromVariant(object);
    return value ? stringFromNumber(*value) : QString();
}

bool DollarFormatter::getObjectValue(QVariant *object, const QString &string, QString *error) const
{
    if (!object)
        return true;
    if (string.trimmed().isEmpty()) {
        *object = QVariant();
        return true;
    }
    const std::optional<Decimal> value = numberFromString(string);
    if (!value) {
        *object = QVariant();
        if (error)
            *error = QStringLiteral("\"%1\" is not an amount.").arg(string);
        return false;
    }
    *object = QVariant::fromValue(*value);
    return true;
}

const DollarFormatter &twoDigitDollarFormatter()
{
    static const DollarFormatter formatter(2);
    return formatter;
}

const DollarFormatter &threeDigitDollarFormatter()
{
    static const DollarFormatter formatter(3);
    return formatter;
}
