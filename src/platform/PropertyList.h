#pragma once
// Binary and XML property lists, converted to and from QVariant.
//
//   dictionary <-> QVariantMap (a QVariantHash is written as a dictionary too)
//   array      <-> QVariantList (a QStringList is written as an array too)
//   string     <-> QString
//   integer    <-> qint64 (any Qt integer type is written; unsigned values
//                  above the signed 64-bit range are refused)
//   real       <-> double (float is written as a real; -0.0 keeps its sign)
//   boolean    <-> bool
//   date       <-> QDateTime (read back in local time; XML carries whole
//                  seconds, binary keeps milliseconds); every date from
//                  0001-01-01T00:00:00Z to 9999-12-31T23:59:59.999Z is read
//                  and written in both formats, a list holding a date
//                  outside that range is refused whole
//   data       <-> QByteArray
//   A Decimal is written as its text (a string), the stored form of amounts.
//
// Reading never trusts its input: truncated, damaged, cyclic or absurdly
// nested data gives no value and an error text; nothing crashes. Writing
// refuses values a property list cannot hold (a null QVariant, other types,
// text with a NUL character, and in XML text with control characters that
// XML 1.0 cannot carry) with an error text, rather than storing them altered.
#include <QByteArray>
#include <QString>
#include <QVariant>

#include <optional>

enum class PropertyListFormat {
    Binary,
    Xml,
};

// Containers nested deeper than this are refused when reading and writing.
inline constexpr int kPropertyListMaxDepth = 512;

std::optional<QVariant> readPropertyList(const QByteArray &data, QString *error = nullptr,
                                         PropertyListFormat *format = nullptr);

std::optional<QByteArray> writePropertyList(const QVariant &value, PropertyListFormat format, QString *error = nullptr);
std::optional<QByteArray> writeBinaryPropertyList(const QVariant &value, QString *error = nullptr);
std::optional<QByteArray> writeXmlPropertyList(const QVariant &value, QString *error = nullptr);

std::optional<QVariant> readPropertyListFile(const QString &path, QString *error = nullptr,
                                             PropertyListFormat *format = nullptr);
// Writes the whole file or nothing: the old file stays until the new one is
// complete (QSaveFile).
bool writePropertyListFile(const QString &path, const QVariant &value, PropertyListFormat format,
                           QString *error = nullptr);
