#pragma once
// The label archive: one file per piece whose finished label came from the
// label server, kept so that the mailing log can print the label again.
//
// Folder: "Labels" in the application-support folder (created on demand).
// Name: one rule for the writer (the print flow) and the reader (the mailing
// log's reprint): the shipment's tracking number (QVUSPSShipmentPICKey),
// else its customs barcode number (QVUSPSShipmentCustomsBarcodeNumberKey),
// else its confirmation number (QVUSPSShipmentConfirmKey), with no extension.
// A piece with none of them, or whose number would leave the folder or name
// the folder itself (a "/", "..", a lone "." or a NUL character), has no
// archive file: writing it is refused with an error and nothing is written.
//
// Content: a property-list dictionary (XML form, written whole or not at
// all) with exactly two entries: "labelType", the label-type constant the
// label was requested with, and "xml", the label server's whole reply as XML
// data. Reading accepts any property-list form and refuses a file that is
// not such a dictionary, or whose "xml" is not a readable XML document.
//
// Files older than 90 days are removed by the application at start-up.
#include "model/XMLDocument.h"

#include <QString>

#include <optional>

class QVShipment;

inline const QString QVLabelArchiveLabelTypeKey = QStringLiteral("labelType");
inline const QString QVLabelArchiveXMLKey = QStringLiteral("xml");

// One archived label.
struct QVArchivedLabel {
    QString labelType;
    QVXMLDocument xml;
};

// The folder "Labels" of the application-support folder, created; empty when
// it cannot be had.
QString labelArchiveFolder();

// The archive file's name for the shipment (see the rule above); nothing,
// with the reason in *error, when the shipment has no usable number.
std::optional<QString> labelArchiveFileName(const QVShipment &shipment, QString *error = nullptr);

// The archive file's path (fileURLforPersistentShipment): the folder and
// the name; nothing, with the reason, when either cannot be had.
std::optional<QString> fileURLforPersistentShipment(const QVShipment &shipment, QString *error = nullptr);

// Writes the shipment's archive file; false, with the reason, when it has no
// name or the file cannot be written (an older file of that name stays).
bool writeLabelArchive(const QVShipment &shipment, const QString &labelType, const QVXMLDocument &reply,
                       QString *error = nullptr);

// Reads the shipment's archive file; nothing, with the reason, when it is
// missing or is not an archive.
std::optional<QVArchivedLabel> readLabelArchive(const QVShipment &shipment, QString *error = nullptr);

// Reads archive bytes (any property-list form).
std::optional<QVArchivedLabel> labelArchiveFromData(const QByteArray &data, QString *error = nullptr);
