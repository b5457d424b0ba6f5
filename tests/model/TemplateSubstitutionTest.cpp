#include "model/TemplateSubstitution.h"

#include <gtest/gtest.h>

namespace {

const QString kStart = QStringLiteral("<%");
const QString kEnd = QStringLiteral("%>");

QString fill(const QString &text, const QVariantMap &values, bool remove)
{
    return stringByReplacingKeysInDictionary(text, values, kStart, kEnd, remove);
}

TEST(TemplateSubstitution, TemplateCases)
{
    const QVariantMap name{{QStringLiteral("Name"), QStringLiteral("Ann")}};
    const QVariantMap none;
    struct Case {
        QString text;
        QVariantMap values;
        bool remove;
        QString expected;
    };
    const Case cases[] = {
        {QStringLiteral("Dear <%Name%>,"), name, false, QStringLiteral("Dear Ann,")},
        {QStringLiteral("Dear <%Name%>,"), none, false, QStringLiteral("Dear <%Name%>,")},
        {QStringLiteral("Dear <%Name%>,"), none, true, QStringLiteral("Dear ,")},
        // A value that is not text leaves key and delimiters, even with removal on.
        {QStringLiteral("Pieces: <%Count%>"),
         {{QStringLiteral("Count"), 3}},
         true,
         QStringLiteral("Pieces: <%Count%>")},
        // No end delimiter: the rest of the text is the key.
        {QStringLiteral("Hello <%Name"), name, false, QStringLiteral("Hello Ann")},
        {QStringLiteral("Hello <%Name"), none, false, QStringLiteral("Hello <%Name")},
        // An empty key between adjacent delimiters stays.
        {QStringLiteral("a<%%>b"), name, true, QStringLiteral("a<%%>b")},
        // Values are not scanned again.
        {QStringLiteral("<%A%>-<%B%>"),
         {{QStringLiteral("A"), QStringLiteral("<%B%>")}, {QStringLiteral("B"), QStringLiteral("b")}},
         false,
         QStringLiteral("<%B%>-b")},
        // Text after the last key is copied; several keys in one text.
        {QStringLiteral("<%Name%> and <%Name%>!"), name, false, QStringLiteral("Ann and Ann!")},
        {QStringLiteral("no keys here"), name, true, QStringLiteral("no keys here")},
        {QStringLiteral("50%> off"), name, true, QStringLiteral("50%> off")},
        {QString(), name, true, QString()},
    };
    for (const Case &c : cases)
        EXPECT_EQ(fill(c.text, c.values, c.remove), c.expected) << c.text.toStdString();

    // The default form leaves undefined keys.
    EXPECT_EQ(stringByReplacingKeysInDictionary(QStringLiteral("x<%Y%>"), none, kStart, kEnd),
              QStringLiteral("x<%Y%>"));
}

TEST(TemplateSubstitution, DelimitersMatchWithoutCase)
{
    const QVariantMap values{{QStringLiteral("key"), QStringLiteral("V")}};
    EXPECT_EQ(stringByReplacingKeysInDictionary(QStringLiteral("[b:key:E]"), values, QStringLiteral("[B:"),
                                                QStringLiteral(":e]"), false),
              QStringLiteral("V"));
}

TEST(TemplateSubstitution, LookupFunction)
{
    QStringList asked;
    const QString result = stringByReplacingKeys(
        QStringLiteral("{a}{b}"), QStringLiteral("{"), QStringLiteral("}"), [&](const QString &key) -> QVariant {
            asked << key;
            return key == QLatin1String("a") ? QVariant(QStringLiteral("1")) : QVariant();
        });
    EXPECT_EQ(result, QStringLiteral("1{b}"));
    EXPECT_EQ(asked, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));

    EXPECT_EQ(variableSubstitutionInDictionary(QStringLiteral("k"), {}, true), QVariant(QString("")));
    EXPECT_FALSE(variableSubstitutionInDictionary(QStringLiteral("k"), {}, false).isValid());
}

TEST(TemplateSubstitution, RemovingAndReplacing)
{
    EXPECT_EQ(stringByRemovingPrefix(QStringLiteral("Mr. Smith"), QStringLiteral("Mr. ")), QStringLiteral("Smith"));
    EXPECT_EQ(stringByRemovingPrefix(QStringLiteral("Mr. Smith"), QStringLiteral("mr. ")), QStringLiteral("Mr. Smith"));
    EXPECT_EQ(stringByRemovingSuffix(QStringLiteral("file.txt"), QStringLiteral(".txt")), QStringLiteral("file"));
    EXPECT_EQ(stringByRemovingSuffix(QStringLiteral("file.txt"), QStringLiteral(".pdf")), QStringLiteral("file.txt"));
    EXPECT_EQ(stringByRemovingSurroundingWhitespace(QStringLiteral(" \t\na b\r\n ")), QStringLiteral("a b"));
    EXPECT_EQ(stringByRemovingString(QStringLiteral("a-b--c"), QStringLiteral("-")), QStringLiteral("abc"));
    EXPECT_EQ(stringByRemovingString(QStringLiteral("abc"), QStringLiteral("x")), QStringLiteral("abc"));

    // Replacement text holding the searched text is not replaced again.
    EXPECT_EQ(stringByReplacingAllOccurrencesOfString(QStringLiteral("aaa"), QStringLiteral("a"), QStringLiteral("aa")),
              QStringLiteral("aaaaaa"));
    EXPECT_EQ(stringByReplacingAllOccurrencesOfString(QStringLiteral("$1,234"), QStringLiteral(","), QString()),
              QStringLiteral("$1234"));
    EXPECT_EQ(stringByReplacingAllOccurrencesOfString(QStringLiteral("abc"), QString(), QStringLiteral("x")),
              QStringLiteral("abc"));
    EXPECT_EQ(stringByReplacingAllOccurrencesOfString(QStringLiteral("aAa"), QStringLiteral("a"), QStringLiteral("b")),
              QStringLiteral("bAb"));

    const CharacterSet digits = CharacterSet::decimalDigitCharacterSet();
    EXPECT_EQ(stringByReplacingCharactersInSet(QStringLiteral("2014"), digits, QStringLiteral("#")),
              QStringLiteral("####"));
    EXPECT_EQ(stringByReplacingCharactersInSet(QStringLiteral("a1b"), digits, QStringLiteral("11")),
              QStringLiteral("a11b"));
    QString inPlace = QStringLiteral("x1y22");
    replaceAllOccurrencesOfCharactersInSet(inPlace, digits, QStringLiteral("9"));
    EXPECT_EQ(inPlace, QStringLiteral("x9y99"));
}

TEST(TemplateSubstitution, ReplacingCharactersInALongText)
{
    // 200,000 characters, every other one replaced: by nothing, by one and
    // by two characters.
    QString text;
    QString removed;
    QString doubled;
    for (int i = 0; i < 100000; ++i) {
        const QChar letter(u'a' + i % 26);
        text += letter;
        text += QChar(u'0' + i % 10);
        removed += letter;
        doubled += letter;
        doubled += QStringLiteral("<>");
    }
    const CharacterSet digits = CharacterSet::decimalDigitCharacterSet();
    EXPECT_EQ(stringByReplacingCharactersInSet(text, digits, QString()), removed);
    EXPECT_EQ(stringByReplacingCharactersInSet(text, digits, QStringLiteral("<>")), doubled);
    QString inPlace = text;
    replaceAllOccurrencesOfCharactersInSet(inPlace, digits, QStringLiteral("#"));
    EXPECT_EQ(inPlace.size(), text.size());
    EXPECT_EQ(inPlace.count(QLatin1Char('#')), 100000);
    EXPECT_EQ(inPlace.left(6), QStringLiteral("a#b#c#"));
}

TEST(TemplateSubstitution, PerformingReplacement)
{
    const CharacterSet special = CharacterSet::characterSetWithCharactersInString(QStringLiteral("&<"));
    const CharacterReplacementFunction escape = [](const QString &working, qsizetype position,
                                                   qsizetype) -> std::optional<QString> {
        if (working.at(position) == u'&')
            return QStringLiteral("&amp;");
        return std::nullopt; // "<" is kept
    };
    EXPECT_EQ(stringByPerformingReplacement(QStringLiteral("a&b<c&d"), escape, special),
              QStringLiteral("a&amp;b<c&amp;d"));
    // Only within the range; the range's end follows the growth of the text.
    EXPECT_EQ(stringByPerformingReplacement(QStringLiteral("&&x&"), escape, special, 0, 2),
              QStringLiteral("&amp;&amp;x&"));
    EXPECT_EQ(stringByPerformingReplacement(QStringLiteral("&&x&"), escape, special, 1, 100),
              QStringLiteral("&&amp;x&amp;"));
    // The function sees the earlier replacements in the working text.
    QStringList seen;
    stringByPerformingReplacement(
        QStringLiteral("&&"),
        [&](const QString &working, qsizetype position, qsizetype) -> std::optional<QString> {
            seen << working.left(position);
            return QStringLiteral("+");
        },
        special);
    EXPECT_EQ(seen, (QStringList{QString(""), QStringLiteral("+")}));
}

} // namespace
