#include "sources/ParsingExtensions.h"

namespace {

bool isLineTerminator(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

bool isSpecial(QChar c) { return c == QLatin1Char(',') || c == QLatin1Char('"') || isLineTerminator(c); }

} // namespace

QList<QStringList> csvRows(const QString &text)
{
    QList<QStringList> rows;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        QStringList row;
        QString field;
        bool inQuotes = false;
        while (i < n) {
            const qsizetype start = i;
            while (i < n && !isSpecial(text.at(i)))
                ++i;
            field += QStringView(text).sliced(start, i - start);
            if (i >= n)
                break;
            const QChar c = text.at(i);
            if (isLineTerminator(c)) {
                const qsizetype runStart = i;
                while (i < n && isLineTerminator(text.at(i)))
                    ++i;
                if (!inQuotes)
                    break;
                field += QStringView(text).sliced(runStart, i - runStart);
            } else if (c == QLatin1Char('"')) {
                if (inQuotes && i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    i += 2;
                } else {
                    inQuotes = !inQuotes;
                    ++i;
                }
            } else if (inQuotes) { // a comma inside quotes
                field += c;
                ++i;
            } else {
                row.append(field);
                field.clear();
                ++i;
                while (i < n && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
                    ++i;
            }
        }
        row.append(field);
        rows.append(row);
    }
    return rows;
}
