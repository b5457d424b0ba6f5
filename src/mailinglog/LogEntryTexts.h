#pragma once
// The three textual forms of a logged piece: the detail text of the log
// window and the entry window (logEntryText), the XML elements of one piece
// in the Glimra log format (XMLLogEntryNodes) and one row of the
// tab-delimited export (tabDelimitedLogEntryText); and the two exports built
// from them.
//
// Money is the exact stored amount rounded half-up to cents. A missing value
// is an empty field, an absent line or an absent element; a print date that
// is not a date gives an empty date.
#include "model/QVShipment.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <utility>

// One element of a piece's XML: its name, its text and its attributes (in
// order).
struct QVLogXMLNode {
    QString name;
    QString text;
    QList<std::pair<QString, QString>> attributes;
};

QString logEntryText(const QVShipment &shipment);
QList<QVLogXMLNode> XMLLogEntryNodes(const QVShipment &shipment);
// 17 tab-separated fields and a line feed. A tab, carriage return or line
// feed inside a value becomes a space, so that every row keeps its fields.
QString tabDelimitedLogEntryText(const QVShipment &shipment);

// Rate-class name to the Glimra mail-class code.
const QHash<QString, QString> &reverseMailClassMap();

// The header line of the tab-delimited export.
QString tabDelimitedExportHeader();
// The exports of the given pieces, in the given order: a "GlimraLog"
// document of "Record" elements (UTF-8, indented), and the header line
// followed by one row per piece.
QByteArray XMLExportOfShipments(const QList<std::shared_ptr<QVShipment>> &shipments);
QString tabDelimitedExportOfShipments(const QList<std::shared_ptr<QVShipment>> &shipments);
