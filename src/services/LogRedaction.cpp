#include "services/LogRedaction.h"

#include <QHash>
#include <QRegularExpression>

namespace {

// A name of a secret field, with any prefix or namespace.
// Bounded on both sides, so that a long word (a Base64 image in a reply)
// costs linear time.
const QString SecretName = QStringLiteral(R"([\w.:-]{0,48}pass(?:word|phrase|wd)[\w.-]{0,48})");
// A field name starts after no name character (or after a percent escape).
const QString FieldStart = QStringLiteral(R"((?:(?<![\w.:-])|(?<=%[0-9A-Fa-f]{2})))");

QRegularExpression pattern(const QString &text)
{
    return QRegularExpression(text,
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption |
                                  QRegularExpression::UseUnicodePropertiesOption);
}

// The removals by name, in order: whole elements first (plain, entity- and
// percent-escaped; an element cut off before its end tag loses its text up
// to the next tag), then name=value fields, quoted values keeping their
// quotes.
const QList<QPair<QRegularExpression, QString>> &nameRules()
{
    static const QList<QPair<QRegularExpression, QString>> rules{
        {pattern(QStringLiteral(R"(<\s*(%1)(?:\s[^<>]*)?>.{0,8192}?<\s*/\s*\1\s*>)").arg(SecretName)), QString()},
        {pattern(QStringLiteral(R"(<\s*(%1)(?:\s[^<>]*[^/<>])?>[^<]*)").arg(SecretName)), QString()},
        {pattern(QStringLiteral(R"(&lt;(%1)(?:\s(?:(?!&gt;).)*)?&gt;.{0,8192}?&lt;/\1&gt;)").arg(SecretName)),
         QString()},
        {pattern(QStringLiteral(R"(&lt;(%1)&gt;(?:(?!&lt;).)*)").arg(SecretName)), QString()},
        {pattern(QStringLiteral(R"(%3C(%1)(?:%20(?:(?!%3E).)*)?%3E.{0,8192}?%3C%2F\1%3E)").arg(SecretName)), QString()},
        {pattern(QStringLiteral(R"(%3C(%1)%3E(?:(?!%3C).)*)").arg(SecretName)), QString()},
        {pattern(
             QStringLiteral(R"(%2(%1)(["']?\s*(?:=|:|%3D)\s*)(["'])(?:(?!\3)[^\r\n])*\3)").arg(SecretName, FieldStart)),
         QStringLiteral("\\1\\2\\3") + QVRemovedSecretText + QStringLiteral("\\3")},
        {pattern(QStringLiteral(R"(%2(%1)(["']?\s*(?:=|:|%3D)\s*)[^\s&;,<>"']+)").arg(SecretName, FieldStart)),
         QStringLiteral("\\1\\2") + QVRemovedSecretText},
    };
    return rules;
}

// A pattern that finds the secret written plainly, percent-escaped (any
// letter case, "+" for a space) or with XML character references.
QString secretPattern(const QString &secret)
{
    QString result;
    const QList<uint> codePoints = secret.toUcs4();
    for (const uint codePoint : codePoints) {
        const QString character = QString::fromUcs4(reinterpret_cast<const char32_t *>(&codePoint), 1);
        QStringList forms{QRegularExpression::escape(character)};
        QString percent;
        for (const char byte : character.toUtf8())
            percent += QStringLiteral("%%1").arg(uint(uchar(byte)), 2, 16, QLatin1Char('0'));
        forms << percent; // letter case is ignored by the pattern
        forms << QStringLiteral("&#0*%1;").arg(codePoint) << QStringLiteral("&#x0*%1;").arg(codePoint, 0, 16);
        static const QHash<uint, QString> otherForms{
            {' ', QStringLiteral("\\+")},  {'&', QStringLiteral("&amp;")},  {'<', QStringLiteral("&lt;")},
            {'>', QStringLiteral("&gt;")}, {'"', QStringLiteral("&quot;")}, {'\'', QStringLiteral("&apos;")},
        };
        if (otherForms.contains(codePoint))
            forms << otherForms.value(codePoint);
        result += QStringLiteral("(?:") + forms.join(QLatin1Char('|')) + QLatin1Char(')');
    }
    return result;
}

} // namespace

QString stringByRemovingSecrets(const QString &text, const QStringList &secrets)
{
    QString result = text;
    for (const auto &[rule, replacement] : nameRules())
        result.replace(rule, replacement);
    for (const QString &secret : secrets) {
        if (!secret.isEmpty())
            result.replace(pattern(secretPattern(secret)), QVRemovedSecretText);
    }
    return result;
}
