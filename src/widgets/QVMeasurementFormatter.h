#pragma once
// A validator for length fields: a length may be typed with inch marks and
// small sums ("12\"", "12in", "6+2\""). Every double-quote character and
// every "in" is removed, the rest is evaluated as an arithmetic expression
// (ExpressionEvaluator) and its result read as an ordinary number. A text
// that keeps other letters after the removal ("12 inches"), that the
// evaluator cannot read, or that is empty, is no valid length: the field
// accepts it while it is typed (Intermediate) but not as its value.
#include "platform/Decimal.h"

#include <QValidator>

#include <optional>

class QVMeasurementFormatter : public QValidator
{
public:
    explicit QVMeasurementFormatter(QObject *parent = nullptr) : QValidator(parent) {}

    // The length the text stands for; nothing when it is no valid length.
    static std::optional<Decimal> objectValueForString(const QString &text);

    State validate(QString &input, int &position) const override;
};
