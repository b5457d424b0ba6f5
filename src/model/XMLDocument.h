#pragma once
// XML documents built from dictionaries, and look-ups in documents.
//
// QVXMLDocument owns one libxml2 document; QVXMLNode is a handle on one node
// of it that keeps the document alive. The builders make flat documents: one
// child element per key of a key list, its text the value's text.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

struct _xmlDoc;
struct _xmlNode;

class QVXMLNode
{
public:
    QVXMLNode() = default;

    bool isNull() const { return m_node == nullptr; }
    explicit operator bool() const { return !isNull(); }

    // The node's name as written (prefix included); empty for a null node.
    QString name() const;
    // The text content of the node and its descendants.
    QString stringValue() const;
    // True for an element node.
    bool isElement() const;
    // Appends a child element with the given text as its only content and
    // answers it. Only on element nodes; a null node answers a null node.
    QVXMLNode addChildElement(const QString &name, const QString &text = QString());
    // Sets an attribute of an element (replacing one of that name); the
    // value loses the characters that XML 1.0 cannot carry.
    void setAttribute(const QString &name, const QString &value);
    // The node serialised as XML text.
    QString xmlString() const;

    // The libxml2 node, and a handle on another node of the same document.
    _xmlNode *rawNode() const { return m_node; }
    static QVXMLNode fromRaw(const QVXMLNode &sameDocument, _xmlNode *node)
    {
        return QVXMLNode(sameDocument.m_document, node);
    }

private:
    friend class QVXMLDocument;
    QVXMLNode(std::shared_ptr<_xmlDoc> document, _xmlNode *node) : m_document(std::move(document)), m_node(node) {}

    std::shared_ptr<_xmlDoc> m_document;
    _xmlNode *m_node = nullptr;
};

class QVXMLDocument
{
public:
    // An empty document (no root element).
    QVXMLDocument();

    // A document parsed from bytes received from outside: no document type
    // declaration, no entity, no network, at most maximumBytes bytes and the
    // parser's nesting limit. Nothing on failure, with the reason in *error.
    static std::optional<QVXMLDocument> fromData(const QByteArray &data, QString *error = nullptr,
                                                 qsizetype maximumBytes = 32 * 1024 * 1024);

    QVXMLNode rootElement() const;
    void setRootElement(const QString &name);
    // The document's character encoding ("UTF-8" for built documents).
    QString characterEncoding() const;
    void setCharacterEncoding(const QString &encoding);

    // The document as XML bytes in its character encoding (UTF-8 when none
    // is set), with the XML declaration.
    QByteArray xmlData() const;

private:
    std::shared_ptr<_xmlDoc> m_document;
};

// Builders.
QVXMLDocument qv_documentWithRootName(const QString &rootName);
QVXMLDocument qv_documentWithRootName(const QString &rootName, const QVariantMap &elements);
QVXMLDocument qv_documentWithRootName(const QString &rootName, const QVariantMap &elements,
                                      const QStringList &orderedKeys);

// The text that the builders write for a non-null value: a string as it is,
// a number, date, data or collection as its description.
QString qv_descriptionOfValue(const QVariant &value);

// Appends one child element per listed key, in the list's order: keys that
// the dictionary lacks or whose value is null are skipped; a string is used
// as it is, any other value as its text. Nested dictionaries and lists are
// written as their description text, not as child elements.
void qv_attachElementDictionary(QVXMLNode &element, const QVariantMap &elements, const QStringList &orderedKeys);
// The same in the dictionary's own key order.
void qv_attachElementDictionary(QVXMLNode &element, const QVariantMap &elements);

// The LAST node that the XPath query, evaluated with the node as context,
// matches; a null node when nothing matches or the query is invalid.
QVXMLNode qv_nodeForXPath(const QVXMLNode &node, const QString &xpath);
// The first child element of that name, or a null node.
QVXMLNode qv_elementForName(const QVXMLNode &element, const QString &name);
