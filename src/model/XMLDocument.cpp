#include "model/XMLDocument.h"

#include "platform/Decimal.h"
#include "platform/XmlInputLimits.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <limits>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

namespace {

const xmlChar *xml(const QByteArray &bytes) { return reinterpret_cast<const xmlChar *>(bytes.constData()); }

QString fromXml(const xmlChar *text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char *>(text)) : QString();
}

std::shared_ptr<_xmlDoc> adoptDocument(xmlDocPtr document)
{
    return std::shared_ptr<_xmlDoc>(document, [](xmlDocPtr d) {
        if (d)
            xmlFreeDoc(d);
    });
}

QString qualifiedName(const xmlNode *node)
{
    if (!node || !node->name)
        return QString();
    const QString local = fromXml(node->name);
    if ((node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE) && node->ns && node->ns->prefix)
        return fromXml(node->ns->prefix) + QLatin1Char(':') + local;
    return local;
}

void ignoreStructuredError(void *, xmlErrorPtr) {}

// State of one parse of outside data.
struct ParseState {
    bool sawDocumentType = false;
    QString firstError;
};

void refuseDocumentType(void *context, const xmlChar *, const xmlChar *, const xmlChar *)
{
    auto *parser = static_cast<xmlParserCtxtPtr>(context);
    static_cast<ParseState *>(parser->_private)->sawDocumentType = true;
    xmlStopParser(parser);
}

void collectParseError(void *context, xmlErrorPtr error)
{
    auto *parser = static_cast<xmlParserCtxtPtr>(context);
    auto *state = static_cast<ParseState *>(parser->_private);
    if (!state || !error || !state->firstError.isEmpty() || error->level < XML_ERR_ERROR)
        return;
    state->firstError = QStringLiteral("%1 (line %2)")
                            .arg(QString::fromUtf8(error->message ? error->message : "XML error").trimmed())
                            .arg(error->line);
}

QString descriptionText(const QVariant &value, int indent);
QString elementText(const QVariant &value);

QString indentation(int level) { return QString(level * 4, QLatin1Char(' ')); }

// A text inside a description: as it is when it is a plain word, else in
// double quotes with quotes, backslashes and line breaks escaped.
QString quotedIfNeeded(const QString &text)
{
    static const QString plain = QStringLiteral("_$+/:.-");
    bool needsQuotes = text.isEmpty();
    for (const QChar c : text) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && !plain.contains(c)) {
            needsQuotes = true;
            break;
        }
    }
    if (!needsQuotes)
        return text;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\') + QString(c);
        else if (c == QLatin1Char('\n'))
            quoted += QStringLiteral("\\n");
        else
            quoted += c;
    }
    return quoted + QLatin1Char('"');
}

// The description of a value inside a list or dictionary.
QString innerDescription(const QVariant &value, int indent)
{
    switch (value.typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
    case QMetaType::QVariantMap:
        return descriptionText(value, indent);
    case QMetaType::QString:
        return quotedIfNeeded(value.toString());
    case QMetaType::QByteArray:
        return elementText(value); // "<hex>", as data describes itself
    default:
        return quotedIfNeeded(elementText(value));
    }
}

QString descriptionText(const QVariant &value, int indent)
{
    switch (value.typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        const QVariantList list = value.toList();
        QString text = QStringLiteral("(\n");
        for (qsizetype i = 0; i < list.size(); ++i)
            text += indentation(indent + 1) + innerDescription(list.at(i), indent + 1) +
                (i + 1 < list.size() ? QStringLiteral(",\n") : QStringLiteral("\n"));
        return text + indentation(indent) + QStringLiteral(")");
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        QString text = QStringLiteral("{\n");
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            text += indentation(indent + 1) + quotedIfNeeded(it.key()) + QStringLiteral(" = ") +
                innerDescription(it.value(), indent + 1) + QStringLiteral(";\n");
        return text + indentation(indent) + QStringLiteral("}");
    }
    default:
        return innerDescription(value, indent);
    }
}

// The text without the characters that an XML 1.0 document cannot carry
// (control characters other than tab, line feed and carriage return, U+FFFE,
// U+FFFF and unpaired surrogates), so that a built document stays readable.
QString xmlCharacters(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            result += c;
            result += text.at(++i);
            continue;
        }
        if (c.isSurrogate() || u == 0xFFFE || u == 0xFFFF)
            continue;
        if (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D)
            continue;
        result += c;
    }
    return result;
}

bool isNullValue(const QVariant &value) { return !value.isValid() || value.typeId() == QMetaType::Nullptr; }

// The text that the builders write for a value.
QString elementText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QMetaType::QDateTime:
        return value.toDateTime().toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss +0000"));
    case QMetaType::QByteArray:
        return QStringLiteral("<") + QString::fromLatin1(value.toByteArray().toHex()) + QStringLiteral(">");
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
    case QMetaType::QVariantMap:
        return descriptionText(value, 0);
    default:
        break;
    }
    if (value.metaType() == QMetaType::fromType<Decimal>())
        return value.value<Decimal>().toString();
    if (value.canConvert<QString>())
        return value.toString();
    return QString::fromLatin1(value.typeName());
}

} // namespace

QString qv_descriptionOfValue(const QVariant &value) { return elementText(value); }

// ---------------------------------------------------------------- QVXMLNode

QString QVXMLNode::name() const { return qualifiedName(m_node); }

QString QVXMLNode::stringValue() const
{
    if (!m_node)
        return QString();
    xmlChar *content = xmlNodeGetContent(m_node);
    const QString text = fromXml(content);
    xmlFree(content);
    return text;
}

bool QVXMLNode::isElement() const { return m_node && m_node->type == XML_ELEMENT_NODE; }

QVXMLNode QVXMLNode::addChildElement(const QString &name, const QString &text)
{
    if (!isElement())
        return {};
    xmlNodePtr child = xmlNewDocNode(m_node->doc, nullptr, xml(name.toUtf8()), nullptr);
    xmlAddChild(m_node, child);
    const QString content = xmlCharacters(text);
    if (!content.isEmpty())
        xmlNodeAddContent(child, xml(content.toUtf8())); // literal text, escaped on output
    return QVXMLNode(m_document, child);
}

void QVXMLNode::setAttribute(const QString &name, const QString &value)
{
    if (!isElement())
        return;
    xmlSetProp(m_node, xml(name.toUtf8()), xml(xmlCharacters(value).toUtf8()));
}

QString QVXMLNode::xmlString() const
{
    if (!m_node)
        return QString();
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlNodeDump(buffer, m_node->doc, m_node, 0, 0);
    const QString text = fromXml(xmlBufferContent(buffer));
    xmlBufferFree(buffer);
    return text;
}

// ------------------------------------------------------------ QVXMLDocument

QVXMLDocument::QVXMLDocument() : m_document(adoptDocument(xmlNewDoc(BAD_CAST "1.0"))) {}

std::optional<QVXMLDocument> QVXMLDocument::fromData(const QByteArray &data, QString *error, qsizetype maximumBytes)
{
    auto failWith = [error](const QString &message) -> std::optional<QVXMLDocument> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    if (data.size() > maximumBytes)
        return failWith(QStringLiteral("The XML document is larger than %1 bytes.").arg(maximumBytes));
    if (data.size() > std::numeric_limits<int>::max())
        return failWith(QStringLiteral("The XML document is too large."));
    if (data.isEmpty())
        return failWith(QStringLiteral("The XML document is empty."));
    if (const std::optional<QString> tooMany = xmlAttributeLimitError(data))
        return failWith(*tooMany);

    static const bool initialized = [] {
        xmlInitParser();
        return true;
    }();
    Q_UNUSED(initialized);

    xmlParserCtxtPtr parser = xmlNewParserCtxt();
    if (!parser)
        return failWith(QStringLiteral("Out of memory."));
    ParseState state;
    parser->_private = &state;
    parser->sax->internalSubset = refuseDocumentType;
    parser->sax->serror = collectParseError;
    // No network, no entity substitution, no DTD loading; the default depth
    // limit (no XML_PARSE_HUGE) stays in force.
    xmlDocPtr document = xmlCtxtReadMemory(parser, data.constData(), static_cast<int>(data.size()), nullptr, nullptr,
                                           XML_PARSE_NONET | XML_PARSE_NOWARNING);
    const bool wellFormed = parser->wellFormed != 0;
    xmlFreeParserCtxt(parser);

    if (state.sawDocumentType || !wellFormed || !document || !xmlDocGetRootElement(document)) {
        if (document)
            xmlFreeDoc(document);
        if (state.sawDocumentType)
            return failWith(QStringLiteral("Document type declarations are not accepted."));
        return failWith(state.firstError.isEmpty() ? QStringLiteral("The data is not an XML document.")
                                                   : state.firstError);
    }
    QVXMLDocument result;
    result.m_document = adoptDocument(document);
    return result;
}

QVXMLNode QVXMLDocument::rootElement() const
{
    xmlNodePtr root = xmlDocGetRootElement(m_document.get());
    return root ? QVXMLNode(m_document, root) : QVXMLNode();
}

void QVXMLDocument::setRootElement(const QString &name)
{
    xmlNodePtr root = xmlNewDocNode(m_document.get(), nullptr, xml(name.toUtf8()), nullptr);
    xmlNodePtr old = xmlDocSetRootElement(m_document.get(), root);
    if (old) {
        xmlUnlinkNode(old);
        xmlFreeNode(old);
    }
}

QString QVXMLDocument::characterEncoding() const { return fromXml(m_document->encoding); }

void QVXMLDocument::setCharacterEncoding(const QString &encoding)
{
    if (m_document->encoding)
        xmlFree(const_cast<xmlChar *>(m_document->encoding));
    m_document->encoding = encoding.isEmpty() ? nullptr : xmlStrdup(xml(encoding.toUtf8()));
}

QByteArray QVXMLDocument::xmlData() const
{
    xmlChar *buffer = nullptr;
    int size = 0;
    const QByteArray encoding =
        characterEncoding().isEmpty() ? QByteArrayLiteral("UTF-8") : characterEncoding().toUtf8();
    xmlDocDumpFormatMemoryEnc(m_document.get(), &buffer, &size, encoding.constData(), 0);
    const QByteArray bytes(reinterpret_cast<const char *>(buffer), size);
    xmlFree(buffer);
    return bytes;
}

// ----------------------------------------------------------------- builders

QVXMLDocument qv_documentWithRootName(const QString &rootName)
{
    return qv_documentWithRootName(rootName, QVariantMap(), QStringList());
}

QVXMLDocument qv_documentWithRootName(const QString &rootName, const QVariantMap &elements)
{
    return qv_documentWithRootName(rootName, elements, elements.keys());
}

QVXMLDocument qv_documentWithRootName(const QString &rootName, const QVariantMap &elements,
                                      const QStringList &orderedKeys)
{
    QVXMLDocument document;
    document.setRootElement(rootName);
    QVXMLNode root = document.rootElement();
    qv_attachElementDictionary(root, elements, orderedKeys);
    document.setCharacterEncoding(QStringLiteral("UTF-8"));
    return document;
}

void qv_attachElementDictionary(QVXMLNode &element, const QVariantMap &elements, const QStringList &orderedKeys)
{
    for (const QString &key : orderedKeys) {
        const auto it = elements.constFind(key);
        if (it == elements.cend() || isNullValue(*it))
            continue;
        element.addChildElement(key, elementText(*it));
    }
}

void qv_attachElementDictionary(QVXMLNode &element, const QVariantMap &elements)
{
    qv_attachElementDictionary(element, elements, elements.keys());
}

QVXMLNode qv_nodeForXPath(const QVXMLNode &node, const QString &xpath)
{
    if (node.isNull() || xpath.isEmpty())
        return {};
    xmlNodePtr context = node.rawNode();
    xmlXPathContextPtr xpathContext = xmlXPathNewContext(context->doc);
    if (!xpathContext)
        return {};
    xpathContext->node = context;
    xpathContext->error = ignoreStructuredError;
    const QByteArray expression = xpath.toUtf8();
    xmlXPathObjectPtr found = xmlXPathEvalExpression(xml(expression), xpathContext);
    QVXMLNode result;
    if (found && found->type == XPATH_NODESET && found->nodesetval && found->nodesetval->nodeNr > 0) {
        xmlXPathNodeSetSort(found->nodesetval);
        xmlNodePtr last = found->nodesetval->nodeTab[found->nodesetval->nodeNr - 1];
        // Namespace nodes are copies owned by the result set: not answerable.
        if (last && last->type != XML_NAMESPACE_DECL)
            result = QVXMLNode::fromRaw(node, last);
    }
    if (found)
        xmlXPathFreeObject(found);
    xmlXPathFreeContext(xpathContext);
    return result;
}

QVXMLNode qv_elementForName(const QVXMLNode &element, const QString &name)
{
    if (!element.isElement())
        return {};
    for (xmlNodePtr child = element.rawNode()->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE && qualifiedName(child) == name)
            return QVXMLNode::fromRaw(element, child);
    }
    return {};
}
