#pragma once
// Readable QString and QVariant output in test failure messages.
#include <QDebug>
#include <QString>
#include <QVariant>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QVariant &value, std::ostream *os)
{
    QString text;
    QDebug(&text) << value;
    *os << text.toStdString();
}
