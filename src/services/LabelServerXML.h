#pragma once
// XML tree operations that the label-server clients need beyond the model's
// builders: attributes, removing and renaming elements, namespace-free look-
// ups in replies, and the pretty-printed text of a document for the log.
#include "model/XMLDocument.h"

#include <QString>

// The query with every "*:Name" step (an element or attribute of that local
// name in any namespace, or in none) written in the XPath 1.0 form that the
// library evaluates: "//*:Postage/@*:TotalAmount" becomes
// "//*[local-name()='Postage']/@*[local-name()='TotalAmount']".
QString qv_XPathWithAnyPrefix(const QString &xpath);

// The node that the query (with "*:" steps allowed) matches last, or a null
// node.
QVXMLNode qv_nodeForAnyPrefixXPath(const QVXMLNode &node, const QString &xpath);
// Its text; a null text when nothing matches.
QString qv_stringForAnyPrefixXPath(const QVXMLNode &node, const QString &xpath);
// The same from the document's root element.
QString qv_stringForAnyPrefixXPath(const QVXMLDocument &document, const QString &xpath);

// Sets (or replaces) the attribute of the element.
void qv_setAttribute(const QVXMLNode &element, const QString &name, const QString &value);
// The attribute's value; a null text when absent.
QString qv_attribute(const QVXMLNode &element, const QString &name);
// Removes every direct child element of the name.
void qv_removeChildElementsNamed(const QVXMLNode &element, const QString &name);
// Removes every element of the name wherever it stands below the element.
void qv_removeDescendantElementsNamed(const QVXMLNode &element, const QString &name);
// A deep copy of the document.
QVXMLDocument qv_copyDocument(const QVXMLDocument &document);
// The document's XML text, indented, without the XML declaration.
QString qv_prettyXMLString(const QVXMLDocument &document);
// The document as compact XML text with its declaration (its XML data).
QString qv_XMLString(const QVXMLDocument &document);

// Appends literal text to the element (escaped when written).
void qv_addText(const QVXMLNode &element, const QString &text);
// Wraps the document in place in a SOAP 1.1 envelope: the root element is
// renamed to rootName and becomes the only child of an element named after
// the operation, in the default namespace `serviceNamespace`, inside
// s:Body of s:Envelope (s: the SOAP 1.1 envelope namespace; the body also
// declares xsi: and xsd:).
void qv_wrapInSOAPEnvelope(QVXMLDocument &document, const QString &operation, const QString &rootName,
                           const QString &serviceNamespace);
// Replaces the element's content by the literal text.
void qv_setTextContent(const QVXMLNode &element, const QString &text);
