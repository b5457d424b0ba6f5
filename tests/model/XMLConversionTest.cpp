// XML to property-list conversion, the XML builders and look-ups.
#include "model/XMLConversion.h"
#include "model/XMLDocument.h"
#include "platform/Decimal.h"
#include "platform/UserDefaults.h"

#include <QXmlStreamReader>
#include "ConsoleCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

QVariantMap parsed(const char *xml) { return rho_propertyListFromXMLFormat(QByteArray(xml)); }

QVariantMap map(std::initializer_list<std::pair<QString, QVariant>> pairs)
{
    QVariantMap m;
    for (const auto &p : pairs)
        m.insert(p.first, p.second);
    return m;
}

QString s(const char *text) { return QString::fromUtf8(text); }

// A nesting of `depth` elements.
QByteArray deepDocument(int depth)
{
    QByteArray xml;
    for (int i = 0; i < depth; ++i)
        xml += "<d>";
    for (int i = 0; i < depth; ++i)
        xml += "</d>";
    return xml;
}

// One element <r> with `count` attributes.
QByteArray manyAttributes(int count)
{
    QByteArray xml("<r");
    for (int i = 0; i < count; ++i)
        xml += " a" + QByteArray::number(i) + "=\"1\"";
    return xml + "/>";
}

const char *const kEntityExpansion =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE lolz [\n"
    " <!ENTITY lol \"lol\">\n"
    " <!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
    " <!ENTITY lol2 \"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;\">\n"
    " <!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">\n"
    " <!ENTITY lol4 \"&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;&lol3;\">\n"
    " <!ENTITY lol5 \"&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;&lol4;\">\n"
    " <!ENTITY lol6 \"&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;&lol5;\">\n"
    " <!ENTITY lol7 \"&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;&lol6;\">\n"
    " <!ENTITY lol8 \"&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;&lol7;\">\n"
    " <!ENTITY lol9 \"&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;&lol8;\">\n"
    "]>\n"
    "<lolz>&lol9;</lolz>";

const char *const kExternalEntity = "<?xml version=\"1.0\"?>\n"
                                    "<!DOCTYPE r [ <!ENTITY x SYSTEM \"file:///etc/passwd\"> ]>\n"
                                    "<r>&x;</r>";

// Names of the root's child elements in order, read with an independent reader.
QStringList childNames(const QByteArray &xml)
{
    QXmlStreamReader reader(xml);
    QStringList names;
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (++depth == 2)
                names << reader.name().toString();
        } else if (reader.isEndElement()) {
            --depth;
        }
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    return names;
}

} // namespace

TEST(XMLConversion, DocumentWithLeavesAttributesAndRepeatedChildren)
{
    const QVariantMap result = parsed("<r><a>5</a><b k=\"v\">6</b><c>7</c><c>8</c></r>");
    const QVariantMap expected = map({{s("r"),
                                       map({{s("a"), s("5")},
                                            {s("b"), map({{s("k"), s("v")}, {s("b"), s("6")}})},
                                            {s("c"), QVariantList{s("7"), s("8")}}})}});
    EXPECT_EQ(result, expected);
}

TEST(XMLConversion, RepeatedChildrenKeepDocumentOrderAndMixedForms)
{
    const QVariantMap result = parsed("<r><i>one</i><i n=\"2\">two</i><i>three</i></r>");
    const QVariantList items = result.value(s("r")).toMap().value(s("i")).toList();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0], QVariant(s("one")));
    EXPECT_EQ(items[1], QVariant(map({{s("n"), s("2")}, {s("i"), s("two")}})));
    EXPECT_EQ(items[2], QVariant(s("three")));
}

TEST(XMLConversion, HundredThousandRepeatedChildren)
{
    // A reply with a long list: every child comes through, in order.
    constexpr int count = 100000;
    QByteArray xml("<r>");
    for (int i = 0; i < count; ++i)
        xml += "<i>" + QByteArray::number(i) + "</i>";
    xml += "<j>x</j></r>";
    const QVariantMap r = rho_propertyListFromXMLFormat(xml).value(s("r")).toMap();
    const QVariantList items = r.value(s("i")).toList();
    ASSERT_EQ(items.size(), count);
    for (int i = 0; i < count; i += 9973)
        EXPECT_EQ(items.at(i), QVariant(QString::number(i))) << i;
    EXPECT_EQ(items.last(), QVariant(QString::number(count - 1)));
    EXPECT_EQ(r.value(s("j")), QVariant(s("x")));
}

TEST(XMLConversion, AttributesUpToTheLimitAreRead)
{
    const QVariantMap r = rho_propertyListFromXMLFormat(manyAttributes(256)).value(s("r")).toMap();
    EXPECT_EQ(r.size(), 256);
    EXPECT_EQ(r.value(s("a255")), QVariant(s("1")));
    // A smaller limit of the caller's own.
    QVXMLParserDelegate strict(manyAttributes(3), QVXMLLimits{1024, 8, 2});
    EXPECT_FALSE(strict.parse());
    EXPECT_EQ(strict.lastError(), s("The XML element <r> carries more than 2 attributes."));
}

TEST(XMLConversion, WhiteSpaceAndEmptyElements)
{
    // White space between elements leaves nothing; leaf text is trimmed;
    // an element without text or attributes is an empty dictionary.
    const QVariantMap result = parsed("<r>\n  <a>  5 \n</a>\n  <e/>\n  <f></f>\n</r>");
    EXPECT_EQ(result, map({{s("r"), map({{s("a"), s("5")}, {s("e"), QVariantMap()}, {s("f"), QVariantMap()}})}}));
}

TEST(XMLConversion, TextThatHasNoPlaceOfItsOwnIsKeptUnderTheElementName)
{
    // A server answering with a text-only root (as web services do) keeps
    // its value; the root stays a dictionary.
    EXPECT_EQ(parsed("<string>12345</string>"), map({{s("string"), map({{s("string"), s("12345")}})}}));
    EXPECT_EQ(parsed("<string xmlns=\"urn:x\">ok</string>"),
              map({{s("string"), map({{s("xmlns"), s("urn:x")}, {s("string"), s("ok")}})}}));
    // An empty root is an empty dictionary.
    EXPECT_EQ(parsed("<r/>"), map({{s("r"), QVariantMap()}}));
    // Text before a child element is kept beside the child.
    EXPECT_EQ(parsed("<r><m>Balance <b>5.00</b></m></r>"),
              map({{s("r"), map({{s("m"), map({{s("m"), s("Balance")}, {s("b"), s("5.00")}})}})}}));
    // An attribute of the element's own name is not overwritten by text.
    EXPECT_EQ(parsed("<r><n n=\"attr\">text</n></r>"), map({{s("r"), map({{s("n"), map({{s("n"), s("attr")}})}})}}));
}

TEST(XMLConversion, CDATAIsText)
{
    EXPECT_EQ(parsed("<r><a><![CDATA[x < y & z]]></a><b>p<![CDATA[q]]></b></r>"),
              map({{s("r"), map({{s("a"), s("x < y & z")}, {s("b"), s("pq")}})}}));
}

TEST(XMLConversion, NamesKeepTheirPrefixAndEntitiesAreDecoded)
{
    const QVariantMap result =
        parsed("<s:Envelope xmlns:s=\"urn:soap\"><s:Body><v>a &amp; b &lt; c</v></s:Body></s:Envelope>");
    EXPECT_EQ(
        result,
        map({{s("s:Envelope"), map({{s("xmlns:s"), s("urn:soap")}, {s("s:Body"), map({{s("v"), s("a & b < c")}})}})}}));
}

TEST(XMLConversion, StringFormReadsUTF8)
{
    EXPECT_EQ(rho_propertyListFromXMLFormat(s("<r><a>Zo\u00eb</a></r>")),
              map({{s("r"), map({{s("a"), s("Zo\u00eb")}})}}));
}

TEST(XMLConversion, HostileOrBrokenDocumentsGiveAClearError)
{
    struct Case {
        const char *what;
        QByteArray xml;
        const char *reason; // part of the error description
    };
    const Case cases[] = {
        {"not XML", QByteArray("this is not XML"), ""},
        {"unclosed element", QByteArray("<r><a>1</r>"), ""},
        {"empty", QByteArray(), ""},
        {"entity expansion", QByteArray(kEntityExpansion), "Document type declarations are not accepted"},
        {"external entity", QByteArray(kExternalEntity), "Document type declarations are not accepted"},
        {"10,000 levels", deepDocument(10000), "nested deeper than 256 levels"},
        {"100,000 attributes", manyAttributes(100000), "The XML element <r> carries more than 256 attributes."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QVXMLParserDelegate delegate(c.xml);
        EXPECT_FALSE(delegate.parse());
        ASSERT_TRUE(delegate.lastError().has_value());
        EXPECT_FALSE(delegate.lastError()->isEmpty());
        EXPECT_TRUE(delegate.lastError()->contains(QString::fromUtf8(c.reason))) << delegate.lastError()->toStdString();
        EXPECT_TRUE(delegate.plist().isEmpty());

        try {
            rho_propertyListFromXMLFormat(c.xml);
            ADD_FAILURE() << "no exception";
        } catch (const std::invalid_argument &e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("Unable to parse string as XML content, error description: ", 0), 0u) << message;
            EXPECT_NE(message.find(c.reason), std::string::npos) << message;
            EXPECT_EQ(message.find("root:"), std::string::npos) << "file content leaked";
        }
        EXPECT_FALSE(rho_propertyListFromXMLFormatNoExceptions(c.xml).has_value());
    }
}

TEST(XMLConversion, FailuresAreLoggedOnlyWithDebugLogging)
{
    UserDefaults::resetStandardUserDefaults();
    QStringList g_messages;
    qsizetype quiet = 0;
    {
        tolvane::test::ConsoleCapture console;
        EXPECT_FALSE(rho_propertyListFromXMLFormatNoExceptions(QByteArray("<r>")).has_value());
        quiet = console.lines().size();
        UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("logDebugInfo"));
        EXPECT_FALSE(rho_propertyListFromXMLFormatNoExceptions(QByteArray("<r>")).has_value());
        g_messages = console.lines();
    }
    UserDefaults::resetStandardUserDefaults();

    EXPECT_EQ(quiet, 0);
    ASSERT_EQ(g_messages.size(), 1);
    EXPECT_TRUE(g_messages.at(0).startsWith(QStringLiteral("Invalid XML:\nUnable to parse string as XML content")))
        << g_messages.at(0).toStdString();
}

TEST(XMLConversion, NestingWithinTheLimitIsRead)
{
    QVXMLParserDelegate delegate(deepDocument(256));
    EXPECT_TRUE(delegate.parse()) << delegate.lastError().value_or(QString()).toStdString();
}

TEST(XMLConversion, SizeLimit)
{
    const QByteArray xml("<r><a>123456789</a></r>");
    QVXMLParserDelegate small(xml, QVXMLLimits{xml.size() - 1, 256});
    EXPECT_FALSE(small.parse());
    EXPECT_TRUE(small.lastError()->contains(QStringLiteral("larger than")));
    QVXMLParserDelegate exact(xml, QVXMLLimits{xml.size(), 256});
    EXPECT_TRUE(exact.parse());
}

TEST(XMLBuilding, OrderedKeysNullsAndValueTexts)
{
    const QVariantMap values = map({{s("a"), s("1")}, {s("b"), s("2")}, {s("c"), s("3")}});
    const QVXMLDocument ordered = qv_documentWithRootName(s("root"), values, {s("b"), s("a"), s("missing")});
    EXPECT_EQ(childNames(ordered.xmlData()), (QStringList{s("b"), s("a")}));
    EXPECT_EQ(ordered.characterEncoding(), s("UTF-8"));
    EXPECT_TRUE(ordered.xmlData().startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));

    const QVariantMap mixed = map({{s("n"), 42},
                                   {s("x"), 1.5},
                                   {s("t"), true},
                                   {s("z"), QVariant::fromValue(nullptr)},
                                   {s("u"), QVariant()},
                                   {s("e"), s("a<b&c")},
                                   {s("d"), QVariant::fromValue(Decimal(5600, -3))}});
    const QVXMLDocument document =
        qv_documentWithRootName(s("req"), mixed, {s("z"), s("n"), s("x"), s("t"), s("u"), s("e"), s("d")});
    EXPECT_EQ(childNames(document.xmlData()), (QStringList{s("n"), s("x"), s("t"), s("e"), s("d")}));
    // Read back through the converter.
    EXPECT_EQ(rho_propertyListFromXMLFormat(document.xmlData()),
              map({{s("req"),
                    map({{s("n"), s("42")},
                         {s("x"), s("1.5")},
                         {s("t"), s("1")},
                         {s("e"), s("a<b&c")},
                         {s("d"), s("5.6")}})}}));
}

TEST(XMLBuilding, NestedValuesBecomeTheirDescriptionText)
{
    // A list or dictionary is written as its description, every value
    // included: texts that need it in quotes, numbers as they are.
    const QVariantMap values = map({{s("l"), QVariantList{s("a"), 5}},
                                    {s("m"), map({{s("k"), s("v w")}, {s("n"), 1.5}})},
                                    {s("e"), QVariantList()},
                                    {s("q"), QVariantList{s("say \"hi\"")}}});
    const QVariantMap read = rho_propertyListFromXMLFormat(
        qv_documentWithRootName(s("r"), values, {s("l"), s("m"), s("e"), s("q")}).xmlData());
    const QVariantMap r = read.value(s("r")).toMap();
    EXPECT_EQ(r.value(s("l")), QVariant(s("(\n    a,\n    5\n)")));
    EXPECT_EQ(r.value(s("m")), QVariant(s("{\n    k = \"v w\";\n    n = 1.5;\n}")));
    EXPECT_EQ(r.value(s("e")), QVariant(s("(\n)")));
    EXPECT_EQ(r.value(s("q")), QVariant(s("(\n    \"say \\\"hi\\\"\"\n)")));
}

TEST(XMLBuilding, CharactersXMLCannotCarryAreLeftOut)
{
    // XML 1.0 allows no control characters but tab, line feed and carriage
    // return, and no U+FFFF or unpaired surrogate: a built document stays
    // well-formed and reads back with the rest of the text.
    QString text = s("a\x01"
                     "b\tc");
    text += QChar(0xFFFF);
    text += QChar(0xD800); // unpaired
    text += s("d\U0001F600");
    const QVXMLDocument document = qv_documentWithRootName(s("r"), map({{s("t"), text}}), {s("t")});
    EXPECT_EQ(childNames(document.xmlData()), QStringList{s("t")}); // read by an independent reader
    EXPECT_EQ(rho_propertyListFromXMLFormat(document.xmlData()),
              map({{s("r"), map({{s("t"), s("ab\tcd\U0001F600")}})}}));
}

TEST(XMLBuilding, DefaultOrderAndEmptyRoot)
{
    const QVXMLDocument empty = qv_documentWithRootName(s("Empty"));
    ASSERT_FALSE(empty.rootElement().isNull());
    EXPECT_EQ(empty.rootElement().name(), s("Empty"));
    EXPECT_TRUE(childNames(empty.xmlData()).isEmpty());

    const QVXMLDocument all = qv_documentWithRootName(s("r"), map({{s("b"), s("2")}, {s("a"), s("1")}}));
    EXPECT_EQ(childNames(all.xmlData()).size(), 2);

    QVXMLDocument document = qv_documentWithRootName(s("r"));
    QVXMLNode root = document.rootElement();
    qv_attachElementDictionary(root, map({{s("k"), s("v")}}));
    qv_attachElementDictionary(root, map({{s("k"), s("w")}, {s("j"), s("x")}}), {s("k")});
    EXPECT_EQ(rho_propertyListFromXMLFormat(document.xmlData()),
              map({{s("r"), map({{s("k"), QVariantList{s("v"), s("w")}}})}}));
}

TEST(XMLLookup, XPathAnswersTheLastMatch)
{
    QString error;
    const auto document =
        QVXMLDocument::fromData("<r><item><id>1</id></item><item><id>2</id></item><other a=\"x\"/></r>", &error);
    ASSERT_TRUE(document.has_value()) << error.toStdString();
    const QVXMLNode root = document->rootElement();

    const QVXMLNode last = qv_nodeForXPath(root, s("//item/id"));
    ASSERT_FALSE(last.isNull());
    EXPECT_EQ(last.stringValue(), s("2"));
    EXPECT_EQ(qv_nodeForXPath(root, s("item")).stringValue(), s("2"));
    EXPECT_EQ(qv_nodeForXPath(root, s("other/@a")).stringValue(), s("x"));
    EXPECT_TRUE(qv_nodeForXPath(root, s("//nothing")).isNull());
    EXPECT_TRUE(qv_nodeForXPath(root, s("//item[")).isNull());
    EXPECT_TRUE(qv_nodeForXPath(root, s("count(//item)")).isNull());
    EXPECT_TRUE(qv_nodeForXPath(QVXMLNode(), s("//item")).isNull());

    const QVXMLNode first = qv_elementForName(root, s("item"));
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.stringValue(), s("1"));
    EXPECT_TRUE(qv_elementForName(root, s("id")).isNull()); // not a direct child
}

TEST(XMLLookup, BuiltDocumentsCanBeSearched)
{
    QVXMLDocument document = qv_documentWithRootName(s("r"), map({{s("a"), s("1")}}), {s("a")});
    EXPECT_EQ(qv_nodeForXPath(document.rootElement(), s("/r/a")).stringValue(), s("1"));
}

TEST(XMLLookup, HostileDocumentsAreRefused)
{
    struct Case {
        const char *what;
        QByteArray xml;
    };
    const Case cases[] = {
        {"not XML", QByteArray("not < xml")},
        {"empty", QByteArray()},
        {"entity expansion", QByteArray(kEntityExpansion)},
        {"external entity", QByteArray(kExternalEntity)},
        {"10,000 levels", deepDocument(10000)},
        {"100,000 attributes", manyAttributes(100000)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QString error;
        EXPECT_FALSE(QVXMLDocument::fromData(c.xml, &error).has_value());
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(error.contains(QStringLiteral("root:")));
    }
    QString error;
    EXPECT_FALSE(QVXMLDocument::fromData("<r/>", &error, 3).has_value());
    EXPECT_TRUE(error.contains(QStringLiteral("larger than")));
}
