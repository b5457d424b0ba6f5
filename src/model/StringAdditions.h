#pragma once
// Small operations on strings and lists that the whole program shares:
// empty tests, containment, line splitting, padding, white-space handling,
// the display form of tracking numbers, conversions of text to numbers,
// booleans, data and collections, and Base64 decoding.
//
// Texts are QString (UTF-16), so lengths and indices count UTF-16 units.
// "Nothing" (no text) is std::nullopt where a caller must tell it from the
// empty text.
#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include "platform/Decimal.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <stdexcept>

// A set of UTF-16 characters, tested one unit at a time.
class CharacterSet
{
public:
    using Predicate = std::function<bool(char16_t)>;

    CharacterSet() = default; // the empty set
    explicit CharacterSet(Predicate predicate) : m_predicate(std::move(predicate)) {}

    // Space and tab class (no line terminators).
    static CharacterSet whitespaceCharacterSet();
    // Line terminators: LF, CR, NEL, line and paragraph separator (and VT, FF).
    static CharacterSet newlineCharacterSet();
    // The two above together.
    static CharacterSet whitespaceAndNewlineCharacterSet();
    // Decimal digits (any script).
    static CharacterSet decimalDigitCharacterSet();
    // Exactly the characters of the text.
    static CharacterSet characterSetWithCharactersInString(const QString &characters);

    bool characterIsMember(QChar c) const { return m_predicate && m_predicate(c.unicode()); }
    CharacterSet invertedSet() const;

private:
    Predicate m_predicate;
};

// Raised where the program's own code calls an operation with an argument it
// must never pass (a caller error, not bad input from outside).
class InvalidArgumentException : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
    QString reason() const { return QString::fromUtf8(what()); }
};

// ---- String tests and pieces ------------------------------------------------

// True for a null or empty text.
bool isEmptyString(const QString &string);
inline bool isEmptyString(const std::optional<QString> &string) { return !string || string->isEmpty(); }

// The lines of the text, split at LF, CR, CR LF, NEL, U+2028 and U+2029,
// terminators removed. The empty text gives no lines; a final terminator adds
// no empty line; consecutive terminators give empty lines.
QStringList componentsSeparatedByLineSeparators(const QString &text);

QString stringWithInt(int value);

// A tracking number as the mailing log shows it: a number starting "420"
// carries a routing prefix ("420" and a 5-digit ZIP) that is cut off.
QString uspsLogPIC(const QString &text);

QString horizontalEllipsisString();
QString withEllipsis(const QString &text);

// Literal, case-sensitive containment; true when the needle is null or empty.
bool qv_containsString(const QString &text, const QString &needle);
bool qv_containsCaseInsensitiveString(const QString &text, const QString &needle);
bool qv_containsString(const QString &text, const QString &needle, Qt::CaseSensitivity options);

QString stringValue(const QString &text);

bool containsCharacterInSet(const QString &text, const CharacterSet &set);
// Whether the first character is in the set (false for the empty text).
bool prefixContainsCharacterInSet(const QString &text, const CharacterSet &set);

// Comparison with numeric ordering of digit runs ("a2" before "a10"):
// -1, 0 or 1.
int numericCompare(const QString &text, const QString &other);

// The first `index` characters when the text is longer; otherwise the text.
QString safeSubstringToIndex(const QString &text, qsizetype index);

// From the first occurrence of the marker on (marker included).
std::optional<QString> substringStartingWithString(const QString &text, const QString &marker);
// After the first occurrence of the marker.
std::optional<QString> substringStartingAfterString(const QString &text, const QString &marker);

// Bytes decoded from Base64 text. White space and line ends anywhere are
// skipped, so lines of any length decode. Text that is not Base64 (another
// character, misplaced padding, a last group of one digit) gives no bytes at
// all, never a part of them, and the reason in *error (cleared on success).
QByteArray decodeBase64(const QString &text, QString *error = nullptr);

// The text cut or padded with spaces to exactly `length` characters.
QString stringByPaddingToLength(const QString &text, qsizetype length);
// A run of n spaces, cut from one shared buffer that only grows.
QString spacesOfLength(qsizetype n);

// The text with the separator between groups of n characters, counted from
// the beginning or from the end ("1234567", 3, ",": "123,456,7" or
// "1,234,567"). Throws InvalidArgumentException for n == 0 on a text longer
// than 0 characters.
QString stringBySeparatingSubstringsOfLength(const QString &text, qsizetype n, const QString &separator,
                                             bool fromBeginning);

// Without any space or tab (line terminators stay).
QString stringByRemovingWhitespace(const QString &text);
// Every run of white space and line terminators as one space; ends not trimmed.
QString stringByCollapsingWhitespace(const QString &text);

// ---- Changing a text in place -------------------------------------------

// Appends the strings in order; a null string ends the list (so a null first
// string appends nothing).
void appendStrings(QString &text, std::initializer_list<QString> strings);
// Replaces every literal occurrence; true when at least one was replaced.
bool replaceAllOccurrencesOfString(QString &text, const QString &old, const QString &replacement);

// ---- Conversions --------------------------------------------------------

enum class StringEncoding {
    ASCII,
    UTF8,
    ISOLatin1,
    UTF16, // byte-order mark honoured, big-endian without one
    UTF16BE,
    UTF16LE,
    // The classic Macintosh character set: ASCII below 0x80, a table of
    // its own above (0xF0, the maker's logo, in the private-use area at
    // U+F8FF). Every byte is a character, so decoding never fails.
    MacOSRoman,
    // Windows' Western code page (model/Windows1252.h): Latin-1 with 27
    // printable characters at 0x80-0x9F; five bytes there are undefined and
    // make the decoding fail.
    Windows1252,
};

// The text decoded from the data; nothing when the data is not valid in the
// encoding.
std::optional<QString> stringWithData(const QByteArray &data, StringEncoding encoding);

// The value of a hexadecimal digit (0-9, a-f, A-F); -1 for any other
// character.
constexpr int hexDigitValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// True exactly for "YES", "Y", "true" (any case) and "1".
bool boolValue(const QString &text);
// Leading decimal number (white space and a sign allowed), saturating at the
// ends of the range; 0 when there is none.
qint64 longLongValue(const QString &text);
// The same for unsigned 64 bits; a leading "-" negates modulo 2^64.
quint64 unsignedLongLongValue(const QString &text);
std::intmax_t maxIntegerValue(const QString &text);
std::uintmax_t maxUnsignedIntegerValue(const QString &text);
// Leading unsigned decimal number (white space allowed), saturating at
// 2^32 - 1; 0 when the text does not begin with a digit.
quint32 unsignedIntValue(const QString &text);

// The text read wholly as a decimal number ("5.6", "-0.48", " 12 ");
// not-a-number for text that is not one ("", "abc", "12abc").
Decimal decimalValue(const QString &text);
// The same (the program's decimal-number object is Decimal).
Decimal decimalNumberValue(const QString &text);
// A number holding the text's integer value (qint64).
QVariant numberValue(const QString &text);
QVariantList arrayValue(const QString &text);
// The text read as a property list whose root is a dictionary: the old-style
// text form ({ key = value; list = (a, "b c"); data = <0fa1>; }) or the XML
// form. Nothing when the text is not one; `error` (when given) says why.
std::optional<QVariantMap> dictionaryValue(const QString &text, QString *error = nullptr);
// The text as ASCII bytes; characters without an ASCII form become their
// unaccented base letter or "?".
QByteArray dataValue(const QString &text);
// Unsigned 32-bit value of hexadecimal text: at most 40 characters are read,
// leading white space and a "0x" prefix skipped, inner white space ignored,
// any other character gives 0.
quint32 hexValue(const QString &text);

// ---- Lists --------------------------------------------------------------

QString componentsJoinedByComma(const QStringList &list);
QString componentsJoinedByComma(const QVariantList &list);

template <typename T> QList<T> qv_reversedArray(const QList<T> &list) { return QList<T>(list.crbegin(), list.crend()); }

// Every element equal to the object removed.
template <typename T> QList<T> arrayByRemovingObject(const QList<T> &list, const T &object)
{
    QList<T> result;
    result.reserve(list.size());
    for (const T &element : list) {
        if (!(element == object))
            result.append(element);
    }
    return result;
}

// Appends the object, or the default when the object is null/invalid.
void qv_addObject(QVariantList &list, const QVariant &object, const QVariant &defaultObject);

namespace stringadditions_detail {
// Current length of the shared spaces buffer (for tests).
qsizetype spacesBufferLength();
} // namespace stringadditions_detail
