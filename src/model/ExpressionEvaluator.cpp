#include "model/ExpressionEvaluator.h"

#include "model/StringAdditions.h"

namespace {

bool isNumberCharacter(QChar c) { return (c >= u'0' && c <= u'9') || c == u'.' || c == u','; }

bool isOperatorCharacter(QChar c) { return c == u'+' || c == u'-' || c == u'*' || c == u'/' || c == u'(' || c == u')'; }

const CharacterSet &whitespace()
{
    static const CharacterSet set = CharacterSet::whitespaceCharacterSet();
    return set;
}

// How a missing token shows in an error text.
QString describe(const std::optional<QString> &token) { return token ? *token : QStringLiteral("(null)"); }

[[noreturn]] void parseError(const QString &reason) { throw ExpressionError(ExpressionError::InvalidArgument, reason); }

Decimal checked(Decimal (*operation)(const Decimal &, const Decimal &, Decimal::CalculationError *,
                                     Decimal::RoundingMode),
                const Decimal &a, const Decimal &b)
{
    Decimal::CalculationError error = Decimal::CalculationError::NoError;
    const Decimal result = operation(a, b, &error, Decimal::RoundingMode::Plain);
    if (error == Decimal::CalculationError::DivideByZero)
        throw ExpressionError(ExpressionError::DivideByZero,
                              QStringLiteral("NSDecimalNumber divide by zero exception"));
    if (error == Decimal::CalculationError::Overflow)
        throw ExpressionError(ExpressionError::Overflow, QStringLiteral("NSDecimalNumber overflow exception"));
    return result;
}

} // namespace

std::optional<Decimal> ExpressionEvaluator::evaluateExpression(const QString &text)
{
    ExpressionEvaluator evaluator(text);
    return evaluator.evaluate();
}

ExpressionEvaluator::ExpressionEvaluator(const QString &expression)
    : m_expression(expression), m_length(expression.size())
{}

std::optional<Decimal> ExpressionEvaluator::evaluate()
{
    if (m_expression.isEmpty())
        return std::nullopt;
    tokenizeExpression();
    if (m_tokenPosition < m_length) {
        // A character outside both classes stopped the tokenizer.
        const std::optional<QString> last = m_tokens.isEmpty() ? std::nullopt : std::optional<QString>(m_tokens.last());
        parseError(QStringLiteral("parse error after %1").arg(describe(last)));
    }
    return evaluateSum();
}

void ExpressionEvaluator::tokenizeExpression()
{
    if (m_tokenized)
        return;
    m_tokenized = true;
    while (const std::optional<QString> token = nextToken())
        m_tokens.append(*token);
}

std::optional<QString> ExpressionEvaluator::nextToken()
{
    while (m_tokenPosition < m_length && whitespace().characterIsMember(m_expression.at(m_tokenPosition)))
        ++m_tokenPosition;
    if (m_tokenPosition >= m_length)
        return std::nullopt;

    const QChar c = m_expression.at(m_tokenPosition);
    if (isOperatorCharacter(c)) {
        ++m_tokenPosition;
        return QString(c);
    }
    const qsizetype start = m_tokenPosition;
    while (m_tokenPosition < m_length && isNumberCharacter(m_expression.at(m_tokenPosition)))
        ++m_tokenPosition;
    if (m_tokenPosition == start)
        return std::nullopt;
    return m_expression.mid(start, m_tokenPosition - start);
}

bool ExpressionEvaluator::isValidNumber(const QString &token)
{
    for (QChar c : token) {
        if (!isNumberCharacter(c))
            return false;
    }
    return true;
}

bool ExpressionEvaluator::nextArgIsEqual(QStringView text) const { return !noMoreArgs() && m_tokens.at(m_arg) == text; }

bool ExpressionEvaluator::noMoreArgs() const { return m_arg >= m_tokens.size(); }

QString ExpressionEvaluator::tokenBeforeCursor() const
{
    if (m_arg > 0 && m_arg <= m_tokens.size())
        return m_tokens.at(m_arg - 1);
    return describe(std::nullopt);
}

Decimal ExpressionEvaluator::evaluateSum()
{
    Decimal value = evaluateProduct();
    for (;;) {
        if (nextArgIsEqual(u"+")) {
            ++m_arg;
            value = checked(&Decimal::add, value, evaluateProduct());
        } else if (nextArgIsEqual(u"-")) {
            ++m_arg;
            value = checked(&Decimal::subtract, value, evaluateProduct());
        } else {
            return value;
        }
    }
}

Decimal ExpressionEvaluator::evaluateProduct()
{
    Decimal value = evaluateFactor();
    for (;;) {
        if (nextArgIsEqual(u"*")) {
            ++m_arg;
            value = checked(&Decimal::multiply, value, evaluateFactor());
        } else if (nextArgIsEqual(u"/")) {
            ++m_arg;
            value = checked(&Decimal::divide, value, evaluateFactor());
        } else {
            return value;
        }
    }
}

Decimal ExpressionEvaluator::evaluateFactor()
{
    if (noMoreArgs())
        parseError(QStringLiteral("parse error at '%1' missing arguments").arg(tokenBeforeCursor()));

    if (nextArgIsEqual(u"(")) {
        // Each parenthesis costs a few frames of recursion: bounded, so that
        // a pasted or hostile text is refused instead of ending the program.
        if (m_nesting >= kMaximumNesting)
            parseError(QStringLiteral("parse error at '(' nested too deeply"));
        ++m_arg;
        ++m_nesting;
        const Decimal inner = evaluateSum();
        --m_nesting;
        if (!nextArgIsEqual(u")"))
            parseError(QStringLiteral("parse error missing ) after '%1'").arg(tokenBeforeCursor()));
        ++m_arg;
        return inner;
    }

    if (nextArgIsEqual(u"+"))
        ++m_arg;
    bool negate = false;
    if (nextArgIsEqual(u"-")) {
        ++m_arg;
        negate = true;
    }
    // A sign with nothing after it ("5*-").
    if (noMoreArgs())
        parseError(QStringLiteral("parse error at '%1' missing arguments").arg(tokenBeforeCursor()));

    const QString &token = m_tokens.at(m_arg);
    // Every character must be a number character, and the whole token one
    // decimal number ("1.2.3" and "1,000" are not).
    const std::optional<Decimal> number = isValidNumber(token) ? Decimal::parse(token) : std::nullopt;
    if (!number)
        parseError(QStringLiteral("parse error at '%1' is not a valid number").arg(token));
    ++m_arg;
    return negate ? checked(&Decimal::multiply, *number, Decimal(-1)) : *number;
}
