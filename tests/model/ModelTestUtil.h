#pragma once
// Readable texts and dictionaries in test failure messages.
#include <QString>
#include <QVariantMap>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QVariantMap &map, std::ostream *out)
{
    *out << '{';
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        *out << ' ' << it.key().toStdString() << "=\"" << it.value().toString().toStdString() << '"';
    *out << " }";
}
