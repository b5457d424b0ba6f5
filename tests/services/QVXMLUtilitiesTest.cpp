// QVXMLUtilities: escaping, the line and record forms and their value rules.
#include "platform/Decimal.h"
#include "services/QVXMLUtilities.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {

TEST(QVXMLUtilities, SpecialCharactersBecomeEntitiesAmpersandFirst)
{
    EXPECT_EQ(QVXMLUtilities::stringByXMLSpecialChars(QStringLiteral("A&B <C> \"D\" 'E' &amp;")),
              QStringLiteral("A&amp;B &lt;C&gt; &quot;D&quot; &apos;E&apos; &amp;amp;"));
    EXPECT_EQ(QVXMLUtilities::stringByXMLSpecialChars(QString()), QString());
}

TEST(QVXMLUtilities, LinesAndRecordsFollowTheValueRules)
{
    struct Case {
        const char *name;
        QVariant value;
        bool convert;
        const char *line;
        const char *record;
    };
    const Case cases[] = {
        {"escaped text", QStringLiteral("Smith & <Sons>"), true, "<Firm>Smith &amp; &lt;Sons&gt;</Firm>\n",
         "<Firm>\nSmith &amp; &lt;Sons&gt;\n</Firm>\n"},
        {"unescaped text", QStringLiteral("Smith & <Sons>"), false, "<Firm>Smith & <Sons></Firm>\n",
         "<Firm>\nSmith & <Sons>\n</Firm>\n"},
        {"nil", QVariant(), true, "<Firm></Firm>\n", "<Firm>\n\n</Firm>\n"},
        {"integer", QVariant(20770), true, "<Firm>20770</Firm>\n", "<Firm>\n20770\n</Firm>\n"},
        {"real", QVariant(1.5), true, "<Firm>1.5</Firm>\n", "<Firm>\n1.5\n</Firm>\n"},
        {"decimal", QVariant::fromValue(Decimal(5600, -3)), true, "<Firm>5.6</Firm>\n", "<Firm>\n5.6\n</Firm>\n"},
        {"text with %1", QStringLiteral("100%1 %2"), true, "<Firm>100%1 %2</Firm>\n", "<Firm>\n100%1 %2\n</Firm>\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QVXMLUtilities::createXMLLineWithTag(QStringLiteral("Firm"), c.value, c.convert),
                  QString::fromUtf8(c.line));
        EXPECT_EQ(QVXMLUtilities::createXMLRecordWithTag(QStringLiteral("Firm"), c.value, c.convert),
                  QString::fromUtf8(c.record));
    }
    // The two-argument forms escape; the tag never is.
    EXPECT_EQ(QVXMLUtilities::createXMLLineWithTag(QStringLiteral("A&B"), QStringLiteral("&")),
              QStringLiteral("<A&B>&amp;</A&B>\n"));
    EXPECT_EQ(QVXMLUtilities::createXMLRecordWithTag(QStringLiteral("Address"), QStringLiteral("<Zip5>1</Zip5>")),
              QStringLiteral("<Address>\n&lt;Zip5&gt;1&lt;/Zip5&gt;\n</Address>\n"));
}

TEST(QVXMLUtilities, DictionaryLinesComeInKeyOrder)
{
    const QVariantMap dictionary{{QStringLiteral("Zip5"), QStringLiteral("20770")},
                                 {QStringLiteral("City"), QStringLiteral("Greenbelt & Co")},
                                 {QStringLiteral("Count"), 2}};
    EXPECT_EQ(QVXMLUtilities::XMLLinesWithDictionary(dictionary),
              QStringLiteral("<City>Greenbelt &amp; Co</City>\n<Count>2</Count>\n<Zip5>20770</Zip5>\n"));
    EXPECT_EQ(QVXMLUtilities::XMLLinesWithDictionary({}), QString());
}

} // namespace
