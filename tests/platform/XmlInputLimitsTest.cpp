// The attribute count check run over outside XML before any reader sees it.
#include "platform/XmlInputLimits.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

TEST(XmlInputLimits, CountsTheAttributesOfEachStartTag)
{
    struct Case {
        const char *what;
        const char *xml;
        int maximum;
        const char *error; // nullptr: accepted
    };
    const Case cases[] = {
        {"at the limit", "<r a='1' b=\"2\"/>", 2, nullptr},
        {"one over", "<r a='1' b=\"2\" c='3'/>", 2, "The XML element <r> carries more than 2 attributes."},
        {"counted per element", "<r a='1' b='2'><s c='3' d='4'/></r>", 2, nullptr},
        {"the element named", "<r><p:item a='1' b='2'>x</p:item></r>", 1,
         "The XML element <p:item> carries more than 1 attributes."},
        {"= and > inside values", "<r a=\"x=y>z\" b='==\"'/>", 2, nullptr},
        {"spaces around =", "<r a = '1'\n\tb\n=\n'2' />", 2, nullptr},
        {"markup that is no start tag",
         "<?xml version='1.0' encoding='UTF-8'?><!-- a=1 b=2 <x c=3> --><r><![CDATA[<y d=1 e=2>]]><?pi f=1 g=2?>"
         "</r >",
         0, nullptr},
        {"declaration not counted", "<!DOCTYPE r SYSTEM 'a=b'><r/>", 0, nullptr},
        {"unfinished tag", "<r a='1' b='2' c=", 2, "The XML element <r> carries more than 2 attributes."},
        {"not XML", "a = b = c", 0, nullptr},
        {"empty", "", 0, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<QString> error = xmlAttributeLimitError(QByteArray(c.xml), c.maximum);
        if (c.error) {
            ASSERT_TRUE(error.has_value());
            EXPECT_EQ(*error, QString::fromUtf8(c.error));
        } else {
            EXPECT_FALSE(error.has_value()) << error->toStdString();
        }
    }
}

TEST(XmlInputLimits, WideEncodingsAreReadAsText)
{
    const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><r a='1' b='2' c='3'/>");
    for (const QStringConverter::Encoding encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        for (const bool bom : {true, false}) {
            QStringEncoder encoder(encoding, bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
            const QByteArray bytes = encoder.encode(text);
            EXPECT_FALSE(xmlAttributeLimitError(bytes, 3).has_value());
            EXPECT_EQ(xmlAttributeLimitError(bytes, 2),
                      QStringLiteral("The XML element <r> carries more than 2 attributes."));
        }
    }
}

TEST(XmlInputLimits, HundredThousandAttributesAreRefused)
{
    QByteArray xml("<r");
    for (int i = 0; i < 100000; ++i)
        xml += " a" + QByteArray::number(i) + "='1'";
    xml += "/>";
    EXPECT_EQ(xmlAttributeLimitError(xml), QStringLiteral("The XML element <r> carries more than 256 attributes."));
}

} // namespace
