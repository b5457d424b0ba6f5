#include "model/StringAdditions.h"

#include "model/Windows1252.h"

#include <QMutex>
#include <QMutexLocker>
#include <QStringDecoder>

#include <atomic>
#include <limits>

// ---- Character sets -----------------------------------------------------

namespace {

bool isWhitespaceUnit(char16_t c)
{
    // Space and tab class: tab and the space separators (Unicode Zs).
    return c == u'\t' || QChar::category(char32_t(c)) == QChar::Separator_Space;
}

bool isNewlineUnit(char16_t c) { return (c >= 0x000A && c <= 0x000D) || c == 0x0085 || c == 0x2028 || c == 0x2029; }

bool isWhitespaceOrNewlineUnit(char16_t c) { return isWhitespaceUnit(c) || isNewlineUnit(c); }

} // namespace

CharacterSet CharacterSet::whitespaceCharacterSet() { return CharacterSet(isWhitespaceUnit); }

CharacterSet CharacterSet::newlineCharacterSet() { return CharacterSet(isNewlineUnit); }

CharacterSet CharacterSet::whitespaceAndNewlineCharacterSet() { return CharacterSet(isWhitespaceOrNewlineUnit); }

CharacterSet CharacterSet::decimalDigitCharacterSet()
{
    return CharacterSet([](char16_t c) { return QChar::category(char32_t(c)) == QChar::Number_DecimalDigit; });
}

CharacterSet CharacterSet::characterSetWithCharactersInString(const QString &characters)
{
    return CharacterSet([characters](char16_t c) { return characters.contains(QChar(c)); });
}

CharacterSet CharacterSet::invertedSet() const
{
    Predicate inner = m_predicate;
    return CharacterSet([inner](char16_t c) { return !(inner && inner(c)); });
}

// ---- String tests and pieces ------------------------------------------------

bool isEmptyString(const QString &string) { return string.isEmpty(); }

QStringList componentsSeparatedByLineSeparators(const QString &text)
{
    QStringList lines;
    const qsizetype length = text.size();
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < length) {
        const char16_t c = text.at(i).unicode();
        if (c == u'\n' || c == u'\r' || c == 0x0085 || c == 0x2028 || c == 0x2029) {
            lines.append(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < length && text.at(i + 1) == u'\n')
                ++i;
            ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < length)
        lines.append(text.mid(start));
    return lines;
}

QString stringWithInt(int value) { return QString::number(value); }

QString uspsLogPIC(const QString &text)
{
    // "420" and a 5-digit ZIP make the 8-character routing prefix. A shorter
    // text cannot carry one and comes back as it is.
    if (text.startsWith(QLatin1String("420")) && text.size() >= 8)
        return text.mid(8);
    return text;
}

QString horizontalEllipsisString() { return QString(QChar(0x2026)); }

QString withEllipsis(const QString &text) { return text + QChar(0x2026); }

bool qv_containsString(const QString &text, const QString &needle)
{
    return qv_containsString(text, needle, Qt::CaseSensitive);
}

bool qv_containsCaseInsensitiveString(const QString &text, const QString &needle)
{
    return qv_containsString(text, needle, Qt::CaseInsensitive);
}

bool qv_containsString(const QString &text, const QString &needle, Qt::CaseSensitivity options)
{
    if (needle.isEmpty())
        return true;
    return text.contains(needle, options);
}

QString stringValue(const QString &text) { return text; }

bool containsCharacterInSet(const QString &text, const CharacterSet &set)
{
    for (QChar c : text) {
        if (set.characterIsMember(c))
            return true;
    }
    return false;
}

bool prefixContainsCharacterInSet(const QString &text, const CharacterSet &set)
{
    return !text.isEmpty() && set.characterIsMember(text.at(0));
}

int numericCompare(const QString &text, const QString &other)
{
    auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    qsizetype i = 0;
    qsizetype j = 0;
    const qsizetype n = text.size();
    const qsizetype m = other.size();
    while (i < n && j < m) {
        if (isDigit(text.at(i)) && isDigit(other.at(j))) {
            // Compare the two digit runs by value: skip leading zeros, then
            // the longer run is larger, else the first differing digit.
            qsizetype a = i;
            qsizetype b = j;
            while (a < n && text.at(a) == u'0')
                ++a;
            while (b < m && other.at(b) == u'0')
                ++b;
            qsizetype aEnd = a;
            qsizetype bEnd = b;
            while (aEnd < n && isDigit(text.at(aEnd)))
                ++aEnd;
            while (bEnd < m && isDigit(other.at(bEnd)))
                ++bEnd;
            const qsizetype aLen = aEnd - a;
            const qsizetype bLen = bEnd - b;
            if (aLen != bLen)
                return aLen < bLen ? -1 : 1;
            for (qsizetype k = 0; k < aLen; ++k) {
                const char16_t x = text.at(a + k).unicode();
                const char16_t y = other.at(b + k).unicode();
                if (x != y)
                    return x < y ? -1 : 1;
            }
            i = aEnd;
            j = bEnd;
            continue;
        }
        const char16_t x = text.at(i).unicode();
        const char16_t y = other.at(j).unicode();
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < n)
        return 1;
    if (j < m)
        return -1;
    return 0;
}

QString safeSubstringToIndex(const QString &text, qsizetype index)
{
    if (index >= 0 && index < text.size())
        return text.left(index);
    return text;
}

std::optional<QString> substringStartingWithString(const QString &text, const QString &marker)
{
    const qsizetype at = text.indexOf(marker);
    if (at < 0 || marker.isEmpty())
        return std::nullopt;
    return text.mid(at);
}

std::optional<QString> substringStartingAfterString(const QString &text, const QString &marker)
{
    const qsizetype at = text.indexOf(marker);
    if (at < 0 || marker.isEmpty())
        return std::nullopt;
    return text.mid(at + marker.size());
}

QByteArray decodeBase64(const QString &text, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = QStringLiteral("The text is not Base64 data: %1.").arg(why);
        return QByteArray();
    };
    // White space and line ends may stand anywhere (label images come in
    // lines of any length); everything else must be Base64.
    QByteArray compact(text.size(), Qt::Uninitialized);
    char *out = compact.data();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u > 0x20 && u < 0x7F) {
            *out++ = char(u);
            continue;
        }
        if (!isWhitespaceOrNewlineUnit(u))
            return fail(QStringLiteral("it holds the character '%1'").arg(c));
    }
    compact.truncate(out - compact.constData());
    qsizetype digits = compact.size();
    while (digits > 0 && compact.at(digits - 1) == '=')
        --digits;
    // One digit alone carries no whole byte: the data was cut short.
    if (digits % 4 == 1)
        return fail(QStringLiteral("it ends within a byte"));
    QByteArray::FromBase64Result decoded =
        QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return fail(QStringLiteral("it holds characters outside the Base64 alphabet or misplaced padding"));
    if (error)
        error->clear();
    return std::move(decoded.decoded);
}

// ---- Padding ------------------------------------------------------------

namespace {

struct SpacesBuffer {
    QMutex lock;
    QString spaces = QString(16, QLatin1Char(' '));
    std::atomic<qsizetype> length{16};
};

SpacesBuffer &spacesBuffer()
{
    static SpacesBuffer buffer; // made once, thread-safely, never released
    return buffer;
}

} // namespace

QString spacesOfLength(qsizetype n)
{
    if (n <= 0)
        return QString();
    SpacesBuffer &buffer = spacesBuffer();
    QMutexLocker locker(&buffer.lock);
    if (n > buffer.length.load()) {
        qsizetype length = buffer.length.load();
        while (length < n) {
            buffer.spaces.append(buffer.spaces);
            length *= 2;
        }
        buffer.length.store(length);
    }
    return buffer.spaces.left(n);
}

namespace stringadditions_detail {
qsizetype spacesBufferLength() { return spacesBuffer().length.load(); }
} // namespace stringadditions_detail

QString stringByPaddingToLength(const QString &text, qsizetype length)
{
    if (length < 0)
        length = 0;
    if (text.size() == length)
        return text;
    if (text.size() > length)
        return text.left(length);
    return text + spacesOfLength(length - text.size());
}

QString stringBySeparatingSubstringsOfLength(const QString &text, qsizetype n, const QString &separator,
                                             bool fromBeginning)
{
    const qsizetype length = text.size();
    if (n >= length)
        return text;
    if (n <= 0) {
        throw InvalidArgumentException(
            "-[QString stringBySeparatingSubstringsOfLength:withString:startingFromBeginning:], "
            "substringLength must be non-zero.");
    }
    QString result;
    result.reserve(length + (length / n + 1) * separator.size());
    qsizetype position = 0;
    if (!fromBeginning && length % n != 0) {
        position = length % n;
        result.append(text.left(position));
        result.append(separator);
    }
    bool first = true;
    while (position < length) {
        if (!first)
            result.append(separator);
        result.append(text.mid(position, n));
        position += n;
        first = false;
    }
    return result;
}

QString stringByRemovingWhitespace(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (QChar c : text) {
        if (!isWhitespaceUnit(c.unicode()))
            result.append(c);
    }
    return result;
}

QString stringByCollapsingWhitespace(const QString &text)
{
    QString result;
    result.reserve(text.size());
    bool inRun = false;
    for (QChar c : text) {
        if (isWhitespaceOrNewlineUnit(c.unicode())) {
            if (!inRun)
                result.append(QLatin1Char(' '));
            inRun = true;
        } else {
            result.append(c);
            inRun = false;
        }
    }
    return result;
}

// ---- Changing a text in place -------------------------------------------

void appendStrings(QString &text, std::initializer_list<QString> strings)
{
    for (const QString &s : strings) {
        if (s.isNull())
            break;
        text.append(s);
    }
}

bool replaceAllOccurrencesOfString(QString &text, const QString &old, const QString &replacement)
{
    if (old.isEmpty() || !text.contains(old))
        return false;
    text.replace(old, replacement);
    return true;
}

// ---- Conversions --------------------------------------------------------

namespace {

// The characters of the Mac OS Roman bytes 0x80 to 0xFF, in byte order.
constexpr char16_t kMacOSRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5,
    0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3, 0x00F2, 0x00F4,
    0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6,
    0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265,
    0x00A5, 0x00B5, 0x2202, 0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF,
    0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5,
    0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA, 0x00FF, 0x0178, 0x2044,
    0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4, 0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9,
    0x0131, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

QString macOSRomanString(const QByteArray &data)
{
    QString text(data.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char b : data) {
        const auto byte = static_cast<unsigned char>(b);
        *out++ = QChar(byte < 0x80 ? char16_t(byte) : kMacOSRomanHigh[byte - 0x80]);
    }
    return text;
}

} // namespace

std::optional<QString> stringWithData(const QByteArray &data, StringEncoding encoding)
{
    switch (encoding) {
    case StringEncoding::ASCII:
        for (char b : data) {
            if (static_cast<unsigned char>(b) > 0x7F)
                return std::nullopt;
        }
        return QString::fromLatin1(data);
    case StringEncoding::ISOLatin1:
        return QString::fromLatin1(data);
    case StringEncoding::MacOSRoman:
        return macOSRomanString(data);
    case StringEncoding::Windows1252:
        return tolvane::windows1252String(data);
    case StringEncoding::UTF8: {
        // Stateless, so that a sequence cut off at the end is an error
        // rather than held back and silently dropped.
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(data);
        if (decoder.hasError())
            return std::nullopt;
        return text;
    }
    case StringEncoding::UTF16:
    case StringEncoding::UTF16BE:
    case StringEncoding::UTF16LE: {
        if (data.size() % 2 != 0)
            return std::nullopt;
        QByteArray bytes = data;
        QStringDecoder::Encoding e =
            encoding == StringEncoding::UTF16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE;
        if (encoding == StringEncoding::UTF16 && bytes.size() >= 2) {
            const auto b0 = static_cast<unsigned char>(bytes[0]);
            const auto b1 = static_cast<unsigned char>(bytes[1]);
            if (b0 == 0xFF && b1 == 0xFE) {
                e = QStringDecoder::Utf16LE;
                bytes.remove(0, 2);
            } else if (b0 == 0xFE && b1 == 0xFF) {
                bytes.remove(0, 2);
            }
        }
        QStringDecoder decoder(e, QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(bytes);
        if (decoder.hasError())
            return std::nullopt;
        return text;
    }
    }
    return std::nullopt;
}

bool boolValue(const QString &text)
{
    return text.compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0 ||
        text.compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0 ||
        text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || text == QLatin1String("1");
}

namespace {

// Reads white space, an optional sign and the leading digits; the magnitude
// saturates at `limit`.
struct LeadingNumber {
    bool negative = false;
    bool hasDigits = false;
    std::uintmax_t magnitude = 0;
    bool overflow = false;
};

LeadingNumber readLeadingNumber(const QString &text, bool allowSign, std::uintmax_t limit)
{
    LeadingNumber number;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && isWhitespaceOrNewlineUnit(text.at(i).unicode()))
        ++i;
    if (allowSign && i < n && (text.at(i) == u'-' || text.at(i) == u'+')) {
        number.negative = text.at(i) == u'-';
        ++i;
    }
    while (i < n && text.at(i) >= u'0' && text.at(i) <= u'9') {
        const unsigned digit = text.at(i).unicode() - u'0';
        number.hasDigits = true;
        if (!number.overflow) {
            if (number.magnitude > (limit - digit) / 10) {
                number.overflow = true;
                number.magnitude = limit;
            } else {
                number.magnitude = number.magnitude * 10 + digit;
            }
        }
        ++i;
    }
    return number;
}

template <typename Signed> Signed signedLeadingValue(const QString &text)
{
    using Unsigned = std::make_unsigned_t<Signed>;
    const Unsigned maxPositive = Unsigned(std::numeric_limits<Signed>::max());
    // One more than the largest positive value is reachable when negative.
    const LeadingNumber number = readLeadingNumber(text, true, std::uintmax_t(maxPositive) + 1);
    if (!number.hasDigits)
        return 0;
    if (number.negative) {
        if (number.magnitude > maxPositive)
            return std::numeric_limits<Signed>::min();
        return -Signed(number.magnitude);
    }
    if (number.magnitude > maxPositive)
        return std::numeric_limits<Signed>::max();
    return Signed(number.magnitude);
}

template <typename Unsigned> Unsigned unsignedLeadingValue(const QString &text)
{
    const LeadingNumber number = readLeadingNumber(text, true, std::uintmax_t(std::numeric_limits<Unsigned>::max()));
    if (!number.hasDigits)
        return 0;
    const Unsigned magnitude = Unsigned(number.magnitude);
    return number.negative ? Unsigned(Unsigned(0) - magnitude) : magnitude;
}

} // namespace

qint64 longLongValue(const QString &text) { return signedLeadingValue<qint64>(text); }

quint64 unsignedLongLongValue(const QString &text) { return unsignedLeadingValue<quint64>(text); }

std::intmax_t maxIntegerValue(const QString &text) { return signedLeadingValue<std::intmax_t>(text); }

std::uintmax_t maxUnsignedIntegerValue(const QString &text) { return unsignedLeadingValue<std::uintmax_t>(text); }

quint32 unsignedIntValue(const QString &text)
{
    const LeadingNumber number = readLeadingNumber(text, false, std::numeric_limits<quint32>::max());
    return number.hasDigits ? quint32(number.magnitude) : 0;
}

QVariant numberValue(const QString &text) { return QVariant::fromValue<qint64>(longLongValue(text)); }

QVariantList arrayValue(const QString &text) { return QVariantList{text}; }

QByteArray dataValue(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            bytes.append(char(c.unicode()));
            continue;
        }
        if (c.isHighSurrogate() && i + 1 < n && text.at(i + 1).isLowSurrogate()) {
            ++i; // one character outside the basic plane
            bytes.append('?');
            continue;
        }
        // An accented letter keeps its base letter ("é" becomes "e").
        const QString decomposed = QString(c).normalized(QString::NormalizationForm_KD);
        if (!decomposed.isEmpty() && decomposed.at(0).unicode() < 0x80 && decomposed.at(0).unicode() >= 0x20)
            bytes.append(char(decomposed.at(0).unicode()));
        else
            bytes.append('?');
    }
    return bytes;
}

quint32 hexValue(const QString &text)
{
    const qsizetype n = std::min<qsizetype>(text.size(), 40);
    qsizetype i = 0;
    while (i < n && isWhitespaceOrNewlineUnit(text.at(i).unicode()))
        ++i;
    if (i + 1 < n && text.at(i) == u'0' && text.at(i + 1) == u'x')
        i += 2;
    quint32 value = 0;
    for (; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        const int digit = hexDigitValue(c);
        if (digit < 0) {
            if (isWhitespaceOrNewlineUnit(c))
                continue;
            return 0;
        }
        value = (value << 4) | unsigned(digit);
    }
    return value;
}

// ---- Lists --------------------------------------------------------------

QString componentsJoinedByComma(const QStringList &list) { return list.join(QLatin1String(", ")); }

QString componentsJoinedByComma(const QVariantList &list)
{
    QStringList texts;
    texts.reserve(list.size());
    for (const QVariant &v : list)
        texts.append(v.toString());
    return componentsJoinedByComma(texts);
}

void qv_addObject(QVariantList &list, const QVariant &object, const QVariant &defaultObject)
{
    list.append(object.isValid() ? object : defaultObject);
}
