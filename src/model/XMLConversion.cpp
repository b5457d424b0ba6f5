#include "model/XMLConversion.h"

#include "model/TemplateSubstitution.h"
#include "platform/UserDefaults.h"
#include "platform/XmlInputLimits.h"

#include <QDebug>
#include <QVariantList>
#include <QXmlStreamReader>

#include <vector>

namespace {

// One open element while the document is read.
struct OpenElement {
    QString name;
    QVariantMap dictionary; // attributes and child elements
    QString text;           // all direct text, CDATA included
};

// Adds a child's value to its parent: a first occurrence is stored as it is,
// a repeated name turns into a list in document order.
void addChild(QVariantMap &parent, const QString &name, const QVariant &value)
{
    auto it = parent.find(name);
    if (it == parent.end()) {
        parent.insert(name, value);
    } else if (it->typeId() == QMetaType::QVariantList) {
        // Appended in place: the list is held by this variant alone, so
        // data() hands it out without a copy and each repeated element costs
        // amortised constant time.
        static_cast<QVariantList *>(it->data())->append(value);
    } else {
        *it = QVariantList{*it, value};
    }
}

// The value of an element that has just ended.
QVariant elementValue(OpenElement &element, bool isRoot)
{
    const QString text = stringByRemovingSurroundingWhitespace(element.text);
    if (text.isEmpty())
        return element.dictionary;
    if (element.dictionary.isEmpty() && !isRoot)
        return text;
    // Text beside attributes or children, or the text of a text-only root:
    // kept under the element's own name unless that name is taken.
    if (!element.dictionary.contains(element.name))
        element.dictionary.insert(element.name, text);
    return element.dictionary;
}

QString positionedError(const QXmlStreamReader &reader, const QString &message)
{
    return QStringLiteral("%1 (line %2, column %3)").arg(message).arg(reader.lineNumber()).arg(reader.columnNumber());
}

} // namespace

QVXMLParserDelegate::QVXMLParserDelegate(const QByteArray &data, QVXMLLimits limits) : m_xmlData(data), m_limits(limits)
{}

bool QVXMLParserDelegate::parse()
{
    m_parsedResult.clear();
    m_error.reset();

    if (m_xmlData.size() > m_limits.maximumBytes) {
        m_error = QStringLiteral("The XML document is larger than %1 bytes.").arg(m_limits.maximumBytes);
        return false;
    }

    if (const std::optional<QString> tooMany = xmlAttributeLimitError(m_xmlData, m_limits.maximumAttributes)) {
        m_error = *tooMany;
        return false;
    }

    QXmlStreamReader reader(m_xmlData);
    reader.setNamespaceProcessing(false);
    std::vector<OpenElement> stack;
    QVariantMap result;
    bool sawRoot = false;

    auto fail = [&](const QString &message) {
        m_error = positionedError(reader, message);
        return false;
    };

    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            return fail(QStringLiteral("Document type declarations are not accepted."));
        case QXmlStreamReader::EntityReference:
            return fail(QStringLiteral("Entity references are not accepted."));
        case QXmlStreamReader::StartElement: {
            if (static_cast<int>(stack.size()) >= m_limits.maximumDepth)
                return fail(
                    QStringLiteral("The XML document is nested deeper than %1 levels.").arg(m_limits.maximumDepth));
            OpenElement element;
            element.name = reader.qualifiedName().toString();
            // Without namespace processing, namespace declarations are
            // ordinary attributes.
            for (const QXmlStreamNamespaceDeclaration &ns : reader.namespaceDeclarations()) {
                const QString attribute =
                    ns.prefix().isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + ns.prefix().toString();
                element.dictionary.insert(attribute, ns.namespaceUri().toString());
            }
            for (const QXmlStreamAttribute &attribute : reader.attributes())
                element.dictionary.insert(attribute.qualifiedName().toString(), attribute.value().toString());
            stack.push_back(std::move(element));
            sawRoot = true;
            break;
        }
        case QXmlStreamReader::Characters:
            if (!stack.empty())
                stack.back().text += reader.text();
            break;
        case QXmlStreamReader::EndElement: {
            OpenElement element = std::move(stack.back());
            stack.pop_back();
            const bool isRoot = stack.empty();
            const QVariant value = elementValue(element, isRoot);
            addChild(isRoot ? result : stack.back().dictionary, element.name, value);
            break;
        }
        default:
            break;
        }
    }
    if (reader.hasError())
        return fail(reader.errorString());
    if (!sawRoot)
        return fail(QStringLiteral("The document holds no element."));

    m_parsedResult = result;
    return true;
}

QVariantMap rho_propertyListFromXMLFormat(const QByteArray &xml)
{
    QVXMLParserDelegate delegate(xml);
    if (delegate.parse())
        return delegate.plist();
    throw std::invalid_argument(QStringLiteral("Unable to parse string as XML content, error description: %1, xml: %2")
                                    .arg(delegate.lastError().value_or(QString()), QString::fromUtf8(xml))
                                    .toStdString());
}

QVariantMap rho_propertyListFromXMLFormat(const QString &xml) { return rho_propertyListFromXMLFormat(xml.toUtf8()); }

std::optional<QVariantMap> rho_propertyListFromXMLFormatNoExceptions(const QByteArray &xml)
{
    try {
        return rho_propertyListFromXMLFormat(xml);
    } catch (const std::exception &e) {
        if (UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("logDebugInfo")))
            qWarning().noquote() << QStringLiteral("Invalid XML:\n%1").arg(QString::fromStdString(e.what()));
        return std::nullopt;
    }
}

std::optional<QVariantMap> rho_propertyListFromXMLFormatNoExceptions(const QString &xml)
{
    return rho_propertyListFromXMLFormatNoExceptions(xml.toUtf8());
}
