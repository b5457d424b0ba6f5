#include "automation/GlimraText.h"

#include <QLocale>

#include <cmath>

bool qv_isCaseInsensitiveEqualToString(const QString &text, const QString &keyword)
{
    return text.compare(keyword, Qt::CaseInsensitive) == 0;
}

std::optional<QString> glimraText(const QVariantMap &map, const QString &key)
{
    const auto it = map.constFind(key);
    if (it == map.cend() || it->typeId() != QMetaType::QString)
        return std::nullopt;
    return it->toString().trimmed();
}

bool glimraIs(const QVariantMap &map, const QString &key, const QString &keyword)
{
    const std::optional<QString> text = glimraText(map, key);
    return text && qv_isCaseInsensitiveEqualToString(*text, keyword);
}

QString removeCrapFromBalanceString(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.'))
            result += c;
    }
    return result;
}

QString glimraUpper(const QString &text)
{
    // The dotless i upper-cases to a plain I; the root locale's rules keep
    // every other letter as toUpper() does.
    return QLocale::c().toUpper(text);
}

std::optional<int> glimraInteger(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (ok)
        return value;
    return std::nullopt;
}
