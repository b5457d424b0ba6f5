#include "platform/FormatText.h"

#include <algorithm>

namespace {

constexpr int kMaxWidth = 512;

QString textOf(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("(null)");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::QStringList:
        return value.toStringList().join(QStringLiteral(", "));
    default:
        break;
    }
    return value.toString();
}

qint64 integerOf(const QVariant &value)
{
    bool ok = false;
    if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
        const double d = value.toDouble();
        if (!(d == d) || d >= 9.2e18 || d <= -9.2e18)
            return 0;
        return qint64(d);
    }
    const qint64 n = value.toLongLong(&ok);
    if (ok)
        return n;
    const double d = value.toString().trimmed().toDouble(&ok);
    if (ok && d == d && d < 9.2e18 && d > -9.2e18)
        return qint64(d);
    return 0;
}

double realOf(const QVariant &value)
{
    bool ok = false;
    const double d = value.toDouble(&ok);
    if (ok)
        return d;
    const double parsed = value.toString().trimmed().toDouble(&ok);
    return ok ? parsed : 0.0;
}

QString pad(const QString &text, int width, bool left, bool zero)
{
    if (text.size() >= width)
        return text;
    const qsizetype fill = width - text.size();
    if (left)
        return text + QString(fill, QLatin1Char(' '));
    if (zero) {
        const bool sign = !text.isEmpty() && (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('+'));
        return sign ? text.left(1) + QString(fill, QLatin1Char('0')) + text.mid(1)
                    : QString(fill, QLatin1Char('0')) + text;
    }
    return QString(fill, QLatin1Char(' ')) + text;
}

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Reads a decimal number at i (capped); -1 when there is none.
int readNumber(const QString &format, qsizetype &i)
{
    if (i >= format.size() || !isDigit(format[i]))
        return -1;
    int n = 0;
    while (i < format.size() && isDigit(format[i])) {
        n = std::min(n * 10 + (format[i].unicode() - '0'), 100000);
        ++i;
    }
    return n;
}

} // namespace

QString formatWithArguments(const QString &format, const QVariantList &arguments)
{
    QString out;
    out.reserve(format.size());
    qsizetype next = 0; // the next argument taken in order
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out.append(c);
            ++i;
            continue;
        }
        const qsizetype start = i;
        ++i;
        if (i < format.size() && format[i] == QLatin1Char('%')) {
            out.append(QLatin1Char('%'));
            ++i;
            continue;
        }
        // Position "n$".
        qsizetype position = -1;
        {
            qsizetype j = i;
            const int n = readNumber(format, j);
            if (n > 0 && j < format.size() && format[j] == QLatin1Char('$')) {
                position = n - 1;
                i = j + 1;
            }
        }
        bool left = false, zero = false, plus = false, space = false;
        while (i < format.size()) {
            const QChar f = format[i];
            if (f == QLatin1Char('-'))
                left = true;
            else if (f == QLatin1Char('0'))
                zero = true;
            else if (f == QLatin1Char('+'))
                plus = true;
            else if (f == QLatin1Char(' '))
                space = true;
            else if (f == QLatin1Char('#') || f == QLatin1Char('\''))
                ;
            else
                break;
            ++i;
        }
        int width = std::min(std::max(readNumber(format, i), 0), kMaxWidth);
        int precision = -1;
        if (i < format.size() && format[i] == QLatin1Char('.')) {
            ++i;
            precision = std::min(std::max(readNumber(format, i), 0), kMaxWidth);
        }
        while (i < format.size() && QStringLiteral("hlqLztj").contains(format[i]))
            ++i;
        if (i >= format.size()) {
            out.append(format.mid(start));
            break;
        }
        const QChar conversion = format[i];
        ++i;
        if (!QStringLiteral("@diuxXofFeEgGsScC").contains(conversion)) {
            out.append(format.mid(start, i - start));
            continue;
        }
        const qsizetype index = position >= 0 ? position : next++;
        if (index >= arguments.size()) {
            out.append(pad(QString(), width, left, false));
            continue;
        }
        const QVariant &argument = arguments[index];
        QString text;
        const char kind = char(conversion.unicode());
        switch (kind) {
        case '@':
        case 's':
        case 'S':
            text = textOf(argument);
            if (kind != '@' && precision >= 0)
                text.truncate(precision);
            break;
        case 'c':
        case 'C': {
            const QString t = argument.typeId() == QMetaType::QString ? argument.toString() : QString();
            text = t.isEmpty() ? QString(QChar(char16_t(integerOf(argument) & 0xFFFF))) : t.left(1);
            break;
        }
        case 'd':
        case 'i': {
            const qint64 n = integerOf(argument);
            text = QString::number(n);
            if (n >= 0 && plus)
                text.prepend(QLatin1Char('+'));
            else if (n >= 0 && space)
                text.prepend(QLatin1Char(' '));
            break;
        }
        case 'u':
            text = QString::number(quint64(integerOf(argument)));
            break;
        case 'x':
            text = QString::number(quint64(integerOf(argument)), 16);
            break;
        case 'X':
            text = QString::number(quint64(integerOf(argument)), 16).toUpper();
            break;
        case 'o':
            text = QString::number(quint64(integerOf(argument)), 8);
            break;
        default: { // reals
            const double d = realOf(argument);
            const char form = char(QChar(kind).toLower().unicode());
            text = QString::number(d, form == 'f' ? 'f' : form, precision >= 0 ? precision : 6);
            if (QChar(kind).isUpper())
                text = text.toUpper();
            if (d >= 0 && plus)
                text.prepend(QLatin1Char('+'));
            else if (d >= 0 && space)
                text.prepend(QLatin1Char(' '));
            break;
        }
        }
        out.append(pad(text, width, left, zero && !left && kind != '@' && kind != 's' && kind != 'S'));
    }
    return out;
}
