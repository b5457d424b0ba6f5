#pragma once
// Conversions on bytes, dictionaries and dates: Base64 and hexadecimal text
// to bytes, bytes to lower-case hexadecimal text, SHA-1 and SHA-256 digests,
// and a few dictionary and date tests.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// ---- Bytes --------------------------------------------------------------

// The bytes that decodeBase64() gives for the text (and its error).
QByteArray dataWithBase64String(const QString &text, QString *error = nullptr);

// Name of the failure that dataWithHexString() reports.
inline const QString IllegalHexDigit = QStringLiteral("IllegalHexDigit");

// The bytes of hexadecimal text: leading white space and a "0x"/"0X" prefix
// are skipped; an odd count of digits makes the first digit a byte of its
// own. Hexadecimal text often comes from outside (server replies), so a
// character that is not a hexadecimal digit (white space between digits
// included) is reported, not raised: the answer is nothing and `error`
// (when given) receives "Attempt to interpret a string containing '<c>' as a
// hexidecimal value".
std::optional<QByteArray> dataWithHexString(const QString &text, QString *error = nullptr);

// prefix followed by two lower-case hexadecimal digits per byte.
QString lowercaseHexStringWithPrefix(const QByteArray &data, const QString &prefix);
// "0x" followed by the digits.
QString lowercaseHexString(const QByteArray &data);
// The digits alone.
QString unadornedLowercaseHexString(const QByteArray &data);

// The 20-byte SHA-1 digest.
QByteArray rho_sha1Signature(const QByteArray &data);
// The 32-byte SHA-256 digest.
QByteArray rho_sha256Signature(const QByteArray &data);

// ---- Dictionaries -------------------------------------------------------

// A stored "null object" (the property-list null): a QVariant holding
// nullptr. An invalid QVariant means "no value".
inline QVariant nullObject() { return QVariant::fromValue(nullptr); }
bool isNullObject(const QVariant &value);

// The value for the key, or the default when there is none (a stored null
// object is a value and is returned).
QVariant objectForKey(const QVariantMap &dictionary, const QString &key, const QVariant &defaultObject);

// The first key, in the dictionary's order, whose value equals the object.
std::optional<QString> keyForObjectEqualTo(const QVariantMap &dictionary, const QVariant &object);

// A copy of the dictionary with the other's entries set over it; a null
// object (or invalid value) in the other removes that key.
QVariantMap dictionaryByAddingObjectsFromDictionary(const QVariantMap &dictionary, const QVariantMap &other);

// ---- Dates --------------------------------------------------------------

// Strictly later / strictly earlier; equal dates give false for both.
bool isAfterDate(const QDateTime &date, const QDateTime &other);
bool isBeforeDate(const QDateTime &date, const QDateTime &other);
