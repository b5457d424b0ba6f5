#pragma once
// Readable texts, values and dictionaries in test failure messages.
#include <QDebug>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

inline void PrintTo(const QVariant &value, std::ostream *os)
{
    QString text;
    QDebug(&text) << value;
    *os << text.toStdString();
}

inline void PrintTo(const QVariantMap &map, std::ostream *os)
{
    *os << '{';
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        *os << ' ' << it.key().toStdString() << "=\"" << it.value().toString().toStdString() << '"';
    *os << " }";
}
