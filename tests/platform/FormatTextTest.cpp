// formatWithArguments: the string-format directives filled safely.
#include "platform/FormatText.h"

#include <gtest/gtest.h>

TEST(FormatText, DirectivesAndHostileFormats)
{
    struct Case {
        QString format;
        QVariantList arguments;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("year %ld."), {2013}, QStringLiteral("year 2013.")},
        {QStringLiteral("%1$@ can't run. Move %1$@."),
         {QStringLiteral("Tolvane")},
         QStringLiteral("Tolvane can't run. Move Tolvane.")},
        {QStringLiteral("%d sheet%@ for %@"),
         {3, QStringLiteral("s"), QStringLiteral("$1.38")},
         QStringLiteral("3 sheets for $1.38")},
        {QStringLiteral("%2$@ before %1$@"), {QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("b before a")},
        {QStringLiteral("100%% sure"), {}, QStringLiteral("100% sure")},
        {QStringLiteral("%x / %X / %05d / %-4d| / %.2f"),
         {255, 255, 42, 7, 3.14159},
         QStringLiteral("ff / FF / 00042 / 7   | / 3.14")},
        // Missing arguments become empty; %n and other unknown directives
        // are copied; nothing reads past the list.
        {QStringLiteral("%@ and %@ and %s"), {QStringLiteral("one")}, QStringLiteral("one and  and ")},
        {QStringLiteral("%n%k%"), {1}, QStringLiteral("%n%k%")},
        {QStringLiteral("%99999$@"), {QStringLiteral("x")}, QString()},
        {QStringLiteral("%999999999d|"), {1}, QString(511, QLatin1Char(' ')) + QStringLiteral("1|")},
        // A text where a number is asked reads as its number, else 0.
        {QStringLiteral("%d/%d"), {QStringLiteral("12"), QStringLiteral("abc")}, QStringLiteral("12/0")},
        {QStringLiteral("%@"), {QStringLiteral("%@%@%n")}, QStringLiteral("%@%@%n")},
    };
    for (const Case &c : cases)
        EXPECT_EQ(formatWithArguments(c.format, c.arguments), c.expected) << c.format.toStdString();
}
