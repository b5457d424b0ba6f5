// The amount and weight fields: the small expressions typed into them
// ("3*1.25", "$1,234.50") and the weight texts ("1 lb 8 oz", "2lbs").
#include "FuzzSupport.h"
#include "model/ExpressionEvaluator.h"
#include "model/NumericFormatters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = tolvane::fuzz::textOf(data, size);
    try {
        (void)ExpressionEvaluator::evaluateExpression(text);
    } catch (const ExpressionError &) {
        // A refused expression is an answer.
    }
    QVariant value;
    QString error;
    (void)ExpressionFormatter().getObjectValue(&value, text, &error);
    (void)QVWeightFormatter().getObjectValue(&value, text, &error);
    return 0;
}
