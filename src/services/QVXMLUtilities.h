#pragma once
// Small XML fragments written as plain text, for the USPS Web Tools request
// templates: one "<tag>value</tag>" line, or a record with the value on a
// line of its own between the tags.
//
// Values: a null value is written as the empty text; a string is escaped
// (stringByXMLSpecialChars) when convertAmpersands is true and written
// unchanged when it is false; any other value is written as its description
// (a number as its decimal text) and never escaped. The tag is never escaped.
#include <QString>
#include <QVariant>
#include <QVariantMap>

class QVXMLUtilities
{
public:
    QVXMLUtilities() = delete;

    // The text with, in this order, "&" -> "&amp;", "<" -> "&lt;",
    // ">" -> "&gt;", '"' -> "&quot;" and "'" -> "&apos;".
    static QString stringByXMLSpecialChars(const QString &text);

    // "<tag>value</tag>\n"
    static QString createXMLLineWithTag(const QString &tag, const QVariant &value, bool convertAmpersands = true);
    // "<tag>\nvalue\n</tag>\n"
    static QString createXMLRecordWithTag(const QString &tag, const QVariant &value, bool convertAmpersands = true);
    // The line form of every entry (key as tag), in the dictionary's order.
    static QString XMLLinesWithDictionary(const QVariantMap &dictionary);
};
