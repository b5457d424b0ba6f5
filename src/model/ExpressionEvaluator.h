#pragma once
// Evaluates the small sums a user may type into a money or weight field,
// such as 3*1.25 or (2+3)/4: numbers, + - * /, parentheses, a sign before a
// number; all arithmetic on exact decimals, left to right, * and / before
// + and -.
#include "platform/Decimal.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

// A text the evaluator cannot read, or arithmetic that has no result.
class ExpressionError : public std::invalid_argument
{
public:
    // Kinds of failure.
    static inline const QString InvalidArgument = QStringLiteral("NSInvalidArgumentException");
    static inline const QString DivideByZero = QStringLiteral("NSDecimalNumberDivideByZeroException");
    static inline const QString Overflow = QStringLiteral("NSDecimalNumberOverflowException");

    ExpressionError(const QString &name, const QString &reason)
        : std::invalid_argument(reason.toStdString()), m_name(name), m_reason(reason)
    {}
    const QString &name() const { return m_name; }
    const QString &reason() const { return m_reason; }

private:
    QString m_name;
    QString m_reason;
};

class ExpressionEvaluator
{
public:
    // A fresh evaluator's evaluate() of the text.
    static std::optional<Decimal> evaluateExpression(const QString &text);

    // initWithExpression
    explicit ExpressionEvaluator(const QString &expression);

    const QString &expression() const { return m_expression; }

    // The value, or nothing for an empty text. Throws ExpressionError with
    // one of the reasons "parse error after %@", "parse error at '%@' missing
    // arguments", "parse error missing ) after '%@'", "parse error at '%@' is
    // not a valid number", or for a division by zero or an overflow. Tokens
    // left after one complete expression are ignored ("2 3" gives 2). An
    // evaluator is single-use: a second call does not restart the parse.
    // Parentheses nested deeper than kMaximumNesting are refused with "parse
    // error at '(' nested too deeply", so that no text can exhaust the stack.
    std::optional<Decimal> evaluate();

    static constexpr int kMaximumNesting = 200;

private:
    void tokenizeExpression();
    std::optional<QString> nextToken();
    static bool isValidNumber(const QString &token);
    bool nextArgIsEqual(QStringView text) const;
    bool noMoreArgs() const;
    QString tokenBeforeCursor() const;
    Decimal evaluateSum();
    Decimal evaluateProduct();
    Decimal evaluateFactor();

    QString m_expression;
    QStringList m_tokens;
    bool m_tokenized = false;
    qsizetype m_tokenPosition = 0;
    qsizetype m_length = 0;
    qsizetype m_arg = 0;
    int m_nesting = 0;
};
