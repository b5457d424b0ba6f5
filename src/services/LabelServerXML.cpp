#include "services/LabelServerXML.h"

#include <QRegularExpression>

#include <libxml/tree.h>

namespace {

const xmlChar *xml(const QByteArray &bytes) { return reinterpret_cast<const xmlChar *>(bytes.constData()); }

QString fromXml(const xmlChar *text)
{
    return text ? QString::fromUtf8(reinterpret_cast<const char *>(text)) : QString();
}

void removeElements(xmlNodePtr parent, const QByteArray &name, bool deep)
{
    for (xmlNodePtr child = parent->children; child;) {
        xmlNodePtr next = child->next;
        if (child->type == XML_ELEMENT_NODE) {
            if (xmlStrEqual(child->name, xml(name))) {
                xmlUnlinkNode(child);
                xmlFreeNode(child);
            } else if (deep) {
                removeElements(child, name, deep);
            }
        }
        child = next;
    }
}

} // namespace

QString qv_XPathWithAnyPrefix(const QString &xpath)
{
    static const QRegularExpression anyPrefix(QStringLiteral(R"(\*:([A-Za-z_][A-Za-z0-9_.\-]*))"));
    QString result = xpath;
    result.replace(anyPrefix, QStringLiteral("*[local-name()='\\1']"));
    return result;
}

QVXMLNode qv_nodeForAnyPrefixXPath(const QVXMLNode &node, const QString &xpath)
{
    return qv_nodeForXPath(node, qv_XPathWithAnyPrefix(xpath));
}

QString qv_stringForAnyPrefixXPath(const QVXMLNode &node, const QString &xpath)
{
    const QVXMLNode found = qv_nodeForAnyPrefixXPath(node, xpath);
    return found.isNull() ? QString() : found.stringValue();
}

QString qv_stringForAnyPrefixXPath(const QVXMLDocument &document, const QString &xpath)
{
    return qv_stringForAnyPrefixXPath(document.rootElement(), xpath);
}

void qv_setAttribute(const QVXMLNode &element, const QString &name, const QString &value)
{
    if (!element.isElement())
        return;
    xmlSetProp(element.rawNode(), xml(name.toUtf8()), xml(value.toUtf8()));
}

QString qv_attribute(const QVXMLNode &element, const QString &name)
{
    if (!element.isElement())
        return QString();
    xmlChar *value = xmlGetProp(element.rawNode(), xml(name.toUtf8()));
    const QString text = fromXml(value);
    xmlFree(value);
    return text;
}

void qv_removeChildElementsNamed(const QVXMLNode &element, const QString &name)
{
    if (element.isElement())
        removeElements(element.rawNode(), name.toUtf8(), false);
}

void qv_removeDescendantElementsNamed(const QVXMLNode &element, const QString &name)
{
    if (element.isElement())
        removeElements(element.rawNode(), name.toUtf8(), true);
}

QVXMLDocument qv_copyDocument(const QVXMLDocument &document)
{
    // Through the document's own bytes: a built document always reads back.
    std::optional<QVXMLDocument> copy = QVXMLDocument::fromData(document.xmlData());
    if (!copy)
        return QVXMLDocument();
    copy->setCharacterEncoding(document.characterEncoding());
    return *copy;
}

QString qv_prettyXMLString(const QVXMLDocument &document)
{
    const QVXMLNode root = document.rootElement();
    if (root.isNull())
        return QString();
    xmlBufferPtr buffer = xmlBufferCreate();
    xmlNodeDump(buffer, root.rawNode()->doc, root.rawNode(), 0, 1);
    const QString text = fromXml(xmlBufferContent(buffer));
    xmlBufferFree(buffer);
    return text;
}

QString qv_XMLString(const QVXMLDocument &document) { return QString::fromUtf8(document.xmlData()); }

void qv_addText(const QVXMLNode &element, const QString &text)
{
    if (element.isElement() && !text.isEmpty())
        xmlNodeAddContent(element.rawNode(), xml(text.toUtf8()));
}

void qv_wrapInSOAPEnvelope(QVXMLDocument &document, const QString &operation, const QString &rootName,
                           const QString &serviceNamespace)
{
    QVXMLNode oldRoot = document.rootElement();
    if (oldRoot.isNull())
        return;
    xmlNodePtr old = oldRoot.rawNode();
    xmlDocPtr doc = old->doc;
    xmlNodeSetName(old, xml(rootName.toUtf8()));
    xmlUnlinkNode(old);

    xmlNodePtr envelope = xmlNewDocNode(doc, nullptr, BAD_CAST "Envelope", nullptr);
    xmlNsPtr soap = xmlNewNs(envelope, BAD_CAST "http://schemas.xmlsoap.org/soap/envelope/", BAD_CAST "s");
    xmlSetNs(envelope, soap);
    xmlDocSetRootElement(doc, envelope);
    xmlNodePtr body = xmlNewChild(envelope, soap, BAD_CAST "Body", nullptr);
    xmlNewNs(body, BAD_CAST "http://www.w3.org/2001/XMLSchema-instance", BAD_CAST "xsi");
    xmlNewNs(body, BAD_CAST "http://www.w3.org/2001/XMLSchema", BAD_CAST "xsd");
    xmlNodePtr call = xmlNewChild(body, nullptr, xml(operation.toUtf8()), nullptr);
    xmlSetNs(call, xmlNewNs(call, xml(serviceNamespace.toUtf8()), nullptr));
    xmlAddChild(call, old);
}

void qv_setTextContent(const QVXMLNode &element, const QString &text)
{
    if (!element.isElement())
        return;
    xmlNodeSetContent(element.rawNode(), nullptr);
    qv_addText(element, text);
}
