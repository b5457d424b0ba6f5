#include "widgets/QVMeasurementFormatter.h"

#include "model/ExpressionEvaluator.h"

std::optional<Decimal> QVMeasurementFormatter::objectValueForString(const QString &text)
{
    QString expression = text;
    expression.remove(QLatin1Char('"'));
    expression.remove(QLatin1String("in"));
    // The evaluator stops after one complete expression; letters left over
    // (a unit spelled out) must not be read as part of the length.
    for (const QChar c : std::as_const(expression))
        if (c.isLetter())
            return std::nullopt;
    std::optional<Decimal> value;
    try {
        value = ExpressionEvaluator::evaluateExpression(expression);
    } catch (const ExpressionError &) {
        return std::nullopt;
    }
    if (!value || value->isNaN())
        return std::nullopt;
    // The result read as the number formatter reads it.
    return Decimal::parse(value->toString());
}

QValidator::State QVMeasurementFormatter::validate(QString &input, int &position) const
{
    (void)position;
    return objectValueForString(input) ? Acceptable : Intermediate;
}
