#pragma once
// XML to property-list conversion.
//
// Every XML reply of the servers and every automation request is turned into
// nested dictionaries, arrays and strings that callers read by key:
//   - the result maps the root element's name to the root element's value;
//   - an element's value is a dictionary of its attributes (name -> string)
//     and child elements (name -> value), or, for an element that has text
//     and neither attributes nor children, its trimmed text;
//   - a child name that occurs more than once under one parent maps to a list
//     of the values in document order;
//   - an element with neither text, attributes nor children is an empty
//     dictionary.
// Text that would have no place in that shape is kept under the element's own
// name inside the element's dictionary: the text of an element that also has
// attributes or child elements (mixed content: all direct text of the element,
// joined and trimmed), and the text of a root element that holds text only.
// The key is used only when no attribute or child already holds that name.
// CDATA sections count as text.
//
// Input comes from outside and is treated as hostile: a document type
// declaration (and so any entity declaration) is refused, external entities
// are never resolved, and the size, the nesting depth and the number of
// attributes of one element are limited.
#include "platform/XmlInputLimits.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <optional>
#include <stdexcept>

// Limits applied to every document the converter reads.
struct QVXMLLimits {
    qsizetype maximumBytes = 32 * 1024 * 1024;
    int maximumDepth = 256;
    int maximumAttributes = kXmlMaximumAttributes; // per element
};

// Streaming converter of one document (one parse per object).
class QVXMLParserDelegate
{
public:
    explicit QVXMLParserDelegate(const QByteArray &data, QVXMLLimits limits = {});

    // Runs the parse; true on success. A second call parses again from a
    // fresh result.
    bool parse();
    // The result's root dictionary (empty before a successful parse).
    QVariantMap plist() const { return m_parsedResult; }
    // The description of the error of a failed parse, or nothing.
    std::optional<QString> lastError() const { return m_error; }

private:
    QByteArray m_xmlData;
    QVXMLLimits m_limits;
    QVariantMap m_parsedResult;
    std::optional<QString> m_error;
};

// The converted dictionary of an XML document. Throws std::invalid_argument
// with the text "Unable to parse string as XML content, error description:
// <description>, xml: <document>" when the document cannot be read.
QVariantMap rho_propertyListFromXMLFormat(const QByteArray &xml);
// The same over the text's UTF-8 bytes.
QVariantMap rho_propertyListFromXMLFormat(const QString &xml);
// The same without exceptions: nothing on any failure. With the user default
// "logDebugInfo" on, the failure is logged as "Invalid XML:\n<reason>".
std::optional<QVariantMap> rho_propertyListFromXMLFormatNoExceptions(const QByteArray &xml);
std::optional<QVariantMap> rho_propertyListFromXMLFormatNoExceptions(const QString &xml);
