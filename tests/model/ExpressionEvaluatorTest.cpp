#include "model/ExpressionEvaluator.h"

#include <gtest/gtest.h>

namespace {

Decimal d(const char *text) { return Decimal::fromString(QString::fromLatin1(text)); }

TEST(ExpressionEvaluator, Results)
{
    struct Case {
        const char *text;
        const char *value;
    };
    const Case cases[] = {
        {"7", "7"},
        {"2+3*4", "14"},
        {"(2+3)*4", "20"},
        {"10-2-3", "5"},
        {"8/2/2", "2"},
        {"2*-3", "-6"},
        {"+-5", "-5"},
        {"+5", "5"},
        {" 1 + 2 ", "3"},
        {"\t1\t+ 2", "3"},
        {"3*1.25", "3.75"},
        {"(2+3)/4", "1.25"},
        {"((1))", "1"},
        {".5+.25", "0.75"},
        {"0.1+0.2", "0.3"}, // exact decimals, no binary rounding
        // Tokens after one complete expression are ignored.
        {"2 3", "2"},
        {"2)", "2"},
    };
    for (const Case &c : cases) {
        const std::optional<Decimal> value = ExpressionEvaluator::evaluateExpression(QString::fromLatin1(c.text));
        ASSERT_TRUE(value.has_value()) << c.text;
        EXPECT_EQ(*value, d(c.value)) << c.text << " gave " << value->toStdString();
    }
}

TEST(ExpressionEvaluator, EmptyTextHasNoValue)
{
    EXPECT_FALSE(ExpressionEvaluator::evaluateExpression(QString()).has_value());
    EXPECT_FALSE(ExpressionEvaluator::evaluateExpression(QStringLiteral("")).has_value());
}

TEST(ExpressionEvaluator, ParseErrors)
{
    struct Case {
        const char *text;
        const char *reason;
    };
    const Case cases[] = {
        {"12abc", "parse error after 12"},
        {"(1+2", "parse error missing ) after '2'"},
        {"1+", "parse error at '+' missing arguments"},
        {"1+x", "parse error after +"},
        {"-(3)", "parse error at '(' is not a valid number"},
        {"--5", "parse error at '-' is not a valid number"},
        {"x", "parse error after (null)"},
        {"1.2.3", "parse error at '1.2.3' is not a valid number"},
        {"1,000", "parse error at '1,000' is not a valid number"},
        {"1\n+2", "parse error after 1"}, // a line break is not white space here
    };
    for (const Case &c : cases) {
        try {
            ExpressionEvaluator::evaluateExpression(QString::fromLatin1(c.text));
            ADD_FAILURE() << c.text << " was accepted";
        } catch (const ExpressionError &e) {
            EXPECT_EQ(e.name(), ExpressionError::InvalidArgument) << c.text;
            EXPECT_EQ(e.reason(), QLatin1String(c.reason)) << c.text;
        }
    }
}

TEST(ExpressionEvaluator, OpenCasesStillFail)
{
    // White space only, and a sign as the last token: refused either way.
    for (const char *text : {"   ", "5*-", "5*+", "()"})
        EXPECT_THROW(ExpressionEvaluator::evaluateExpression(QString::fromLatin1(text)), ExpressionError) << text;
}

QString nested(int depth, const QString &inner)
{
    return QString(depth, QLatin1Char('(')) + inner + QString(depth, QLatin1Char(')'));
}

TEST(ExpressionEvaluator, DeepNestingIsRefusedNotFatal)
{
    // Up to the bound the value comes through.
    EXPECT_EQ(
        ExpressionEvaluator::evaluateExpression(nested(ExpressionEvaluator::kMaximumNesting, QStringLiteral("2*3"))),
        Decimal(6));
    // Past it (a pasted or hostile text), a parse error like any other, and
    // the stack is never exhausted.
    for (const QString &text :
         {nested(ExpressionEvaluator::kMaximumNesting + 1, QStringLiteral("1")), nested(100000, QStringLiteral("1")),
          QString(100000, QLatin1Char('(')), QStringLiteral("1+") + nested(100000, QStringLiteral("-2"))}) {
        try {
            ExpressionEvaluator::evaluateExpression(text);
            ADD_FAILURE() << "nesting of " << text.size() << " characters was accepted";
        } catch (const ExpressionError &e) {
            EXPECT_EQ(e.name(), ExpressionError::InvalidArgument);
            EXPECT_EQ(e.reason(), QStringLiteral("parse error at '(' nested too deeply"));
        }
    }
}

TEST(ExpressionEvaluator, DivisionByZero)
{
    try {
        ExpressionEvaluator::evaluateExpression(QStringLiteral("1/(2-2)"));
        FAIL() << "division by zero was accepted";
    } catch (const ExpressionError &e) {
        EXPECT_EQ(e.name(), ExpressionError::DivideByZero);
    }
}

TEST(ExpressionEvaluator, SingleUse)
{
    ExpressionEvaluator evaluator(QStringLiteral("1+2"));
    EXPECT_EQ(evaluator.expression(), QStringLiteral("1+2"));
    EXPECT_EQ(evaluator.evaluate(), Decimal(3));
    // The cursor is not reset: the tokens are used up.
    EXPECT_THROW(evaluator.evaluate(), ExpressionError);
}

} // namespace
