#include "services/LogRedaction.h"

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
// quotes. `name` is the pattern of the secret names.
QList<QPair<QRegularExpression, QString>> rulesForNames(const QString &name)
{
    return {
        {pattern(QStringLiteral(R"(<\s*(%1)(?:\s[^<>]*)?>.{0,8192}?<\s*/\s*\1\s*>)").arg(name)), QString()},
        {pattern(QStringLiteral(R"(<\s*(%1)(?:\s[^<>]*[^/<>])?>[^<]*)").arg(name)), QString()},
        {pattern(QStringLiteral(R"(&lt;(%1)(?:\s(?:(?!&gt;).)*)?&gt;.{0,8192}?&lt;/\1&gt;)").arg(name)), QString()},
        {pattern(QStringLiteral(R"(&lt;(%1)&gt;(?:(?!&lt;).)*)").arg(name)), QString()},
        {pattern(QStringLiteral(R"(%3C(%1)(?:%20(?:(?!%3E).)*)?%3E.{0,8192}?%3C%2F\1%3E)").arg(name)), QString()},
        {pattern(QStringLiteral(R"(%3C(%1)%3E(?:(?!%3C).)*)").arg(name)), QString()},
        {pattern(QStringLiteral(R"(%2(%1)(["']?\s*(?:=|:|%3D)\s*)(["'])(?:(?!\3)[^\r\n])*\3)").arg(name, FieldStart)),
         QStringLiteral("\\1\\2\\3") + QVRemovedSecretText + QStringLiteral("\\3")},
        {pattern(QStringLiteral(R"(%2(%1)(["']?\s*(?:=|:|%3D)\s*)[^\s&;,<>"']+)").arg(name, FieldStart)),
         QStringLiteral("\\1\\2") + QVRemovedSecretText},
    };
}

const QList<QPair<QRegularExpression, QString>> &nameRules()
{
    static const QList<QPair<QRegularExpression, QString>> rules = rulesForNames(SecretName);
    return rules;
}

void applyRules(QString &text, const QList<QPair<QRegularExpression, QString>> &rules)
{
    for (const auto &[rule, replacement] : rules)
        text.replace(rule, replacement);
}

} // namespace

QString stringByRemovingSecrets(const QString &text, const QStringList &secretFields)
{
    QString result = text;
    applyRules(result, nameRules());
    QStringList names;
    for (const QString &field : secretFields) {
        if (!field.isEmpty())
            names << QRegularExpression::escape(field);
    }
    if (!names.isEmpty()) {
        // A named field ends where its name does: "SERIAL" is not "SERIALS".
        applyRules(result, rulesForNames(QStringLiteral("(?:%1)(?![\\w.-])").arg(names.join(QLatin1Char('|')))));
    }
    return result;
}
