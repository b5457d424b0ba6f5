// Conversions of text to decimals and to property-list dictionaries
// (declared in StringAdditions.h).
#include "model/StringAdditions.h"

#include "platform/PropertyList.h"

Decimal decimalValue(const QString &text) { return Decimal::fromString(text); }

Decimal decimalNumberValue(const QString &text) { return Decimal::fromString(text); }

namespace {

// Reader of the old-style text form of property lists: dictionaries
// { key = value; }, arrays ( a, b ), data < hex >, quoted strings with
// backslash escapes, unquoted strings of letters, digits and _$+/:.- ,
// and // and /* */ comments.
class OldStylePropertyListReader
{
public:
    explicit OldStylePropertyListReader(const QString &text) : m_text(text) {}

    std::optional<QVariant> read(QString *error)
    {
        try {
            skipSpace();
            QVariant value = readValue(0);
            skipSpace();
            if (m_position != m_text.size())
                fail(QStringLiteral("unexpected text after the property list"));
            return value;
        } catch (const QString &why) {
            if (error)
                *error = QStringLiteral("%1 at character %2").arg(why).arg(m_position);
            return std::nullopt;
        }
    }

private:
    [[noreturn]] static void fail(const QString &why) { throw why; }

    bool atEnd() const { return m_position >= m_text.size(); }
    QChar peek() const { return atEnd() ? QChar() : m_text.at(m_position); }

    void skipSpace()
    {
        while (!atEnd()) {
            const QChar c = peek();
            if (c.isSpace()) {
                ++m_position;
            } else if (c == u'/' && m_position + 1 < m_text.size() && m_text.at(m_position + 1) == u'/') {
                while (!atEnd() && peek() != u'\n' && peek() != u'\r')
                    ++m_position;
            } else if (c == u'/' && m_position + 1 < m_text.size() && m_text.at(m_position + 1) == u'*') {
                const qsizetype end = m_text.indexOf(QStringLiteral("*/"), m_position + 2);
                if (end < 0)
                    fail(QStringLiteral("unterminated comment"));
                m_position = end + 2;
            } else {
                return;
            }
        }
    }

    void expect(QChar c)
    {
        skipSpace();
        if (peek() != c)
            fail(QStringLiteral("expected '%1'").arg(c));
        ++m_position;
    }

    static bool isUnquotedCharacter(QChar c)
    {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
            c == u'$' || c == u'+' || c == u'/' || c == u':' || c == u'.' || c == u'-';
    }

    QVariant readValue(int depth)
    {
        if (depth > kPropertyListMaxDepth)
            fail(QStringLiteral("nested too deeply"));
        skipSpace();
        if (atEnd())
            fail(QStringLiteral("unexpected end of text"));
        const QChar c = peek();
        if (c == u'{')
            return readDictionary(depth);
        if (c == u'(')
            return readArray(depth);
        if (c == u'<')
            return readData();
        if (c == u'"' || c == u'\'')
            return readQuotedString();
        if (isUnquotedCharacter(c))
            return readUnquotedString();
        fail(QStringLiteral("unexpected character '%1'").arg(c));
    }

    QVariant readDictionary(int depth)
    {
        ++m_position; // {
        QVariantMap map;
        for (;;) {
            skipSpace();
            if (peek() == u'}') {
                ++m_position;
                return map;
            }
            const QVariant key = readValue(depth + 1);
            if (key.typeId() != QMetaType::QString)
                fail(QStringLiteral("a dictionary key must be a string"));
            expect(u'=');
            const QVariant value = readValue(depth + 1);
            expect(u';');
            map.insert(key.toString(), value);
        }
    }

    QVariant readArray(int depth)
    {
        ++m_position; // (
        QVariantList list;
        skipSpace();
        if (peek() == u')') {
            ++m_position;
            return list;
        }
        for (;;) {
            list.append(readValue(depth + 1));
            skipSpace();
            if (peek() == u')') {
                ++m_position;
                return list;
            }
            expect(u',');
            skipSpace();
            if (peek() == u')') { // a trailing comma
                ++m_position;
                return list;
            }
        }
    }

    QVariant readData()
    {
        ++m_position; // <
        QByteArray bytes;
        int high = -1;
        for (;;) {
            skipSpace();
            if (atEnd())
                fail(QStringLiteral("unterminated data"));
            const QChar c = peek();
            ++m_position;
            if (c == u'>')
                break;
            const int digit = hexDigitValue(c.unicode());
            if (digit < 0)
                fail(QStringLiteral("bad character '%1' in data").arg(c));
            if (high < 0) {
                high = digit;
            } else {
                bytes.append(char(high * 16 + digit));
                high = -1;
            }
        }
        if (high >= 0)
            fail(QStringLiteral("odd number of digits in data"));
        return bytes;
    }

    QVariant readQuotedString()
    {
        const QChar quote = peek();
        ++m_position;
        QString result;
        for (;;) {
            if (atEnd())
                fail(QStringLiteral("unterminated string"));
            const QChar c = m_text.at(m_position++);
            if (c == quote)
                return result;
            if (c != u'\\') {
                result.append(c);
                continue;
            }
            if (atEnd())
                fail(QStringLiteral("unterminated string"));
            const QChar e = m_text.at(m_position++);
            switch (e.unicode()) {
            case u'n':
                result.append(u'\n');
                break;
            case u't':
                result.append(u'\t');
                break;
            case u'r':
                result.append(u'\r');
                break;
            case u'a':
                result.append(QChar(7));
                break;
            case u'b':
                result.append(QChar(8));
                break;
            case u'f':
                result.append(QChar(12));
                break;
            case u'v':
                result.append(QChar(11));
                break;
            case u'U':
            case u'u': {
                unsigned value = 0;
                int count = 0;
                while (count < 4 && !atEnd()) {
                    const int digit = hexDigitValue(peek().unicode());
                    if (digit < 0)
                        break;
                    value = value * 16 + unsigned(digit);
                    ++m_position;
                    ++count;
                }
                if (count == 0)
                    fail(QStringLiteral("bad \\u escape"));
                result.append(QChar(char16_t(value)));
                break;
            }
            default:
                if (e >= u'0' && e <= u'7') {
                    unsigned value = e.unicode() - u'0';
                    for (int count = 1; count < 3 && !atEnd() && peek() >= u'0' && peek() <= u'7'; ++count)
                        value = value * 8 + (m_text.at(m_position++).unicode() - u'0');
                    result.append(QChar(char16_t(value & 0xFF)));
                } else {
                    result.append(e); // \\, \", \' and any other character as itself
                }
            }
        }
    }

    QVariant readUnquotedString()
    {
        const qsizetype start = m_position;
        while (!atEnd() && isUnquotedCharacter(peek()))
            ++m_position;
        return m_text.mid(start, m_position - start);
    }

    const QString &m_text;
    qsizetype m_position = 0;
};

} // namespace

std::optional<QVariantMap> dictionaryValue(const QString &text, QString *error)
{
    std::optional<QVariant> value;
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1String("<?xml")) || trimmed.startsWith(QLatin1String("<!DOCTYPE")) ||
        trimmed.startsWith(QLatin1String("<plist"))) {
        value = readPropertyList(text.toUtf8(), error);
    } else {
        value = OldStylePropertyListReader(text).read(error);
    }
    if (!value)
        return std::nullopt;
    if (value->typeId() != QMetaType::QVariantMap) {
        if (error)
            *error = QStringLiteral("the property list is not a dictionary");
        return std::nullopt;
    }
    return value->toMap();
}
