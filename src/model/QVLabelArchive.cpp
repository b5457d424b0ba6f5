#include "model/QVLabelArchive.h"

#include "model/QVShipment.h"
#include "platform/Paths.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// Archive files are small; anything far larger is not one of ours.
constexpr qint64 kMaximumArchiveBytes = 64 * 1024 * 1024;

} // namespace

QString labelArchiveFolder()
{
    const QString support = applicationSupportDirectory();
    if (support.isEmpty())
        return QString();
    const QString folder = QDir(support).filePath(QStringLiteral("Labels"));
    if (!QDir().mkpath(folder))
        return QString();
    return folder;
}

std::optional<QString> labelArchiveFileName(const QVShipment &shipment, QString *error)
{
    QString name;
    for (const QString &key : {QVUSPSShipmentPICKey, QVUSPSShipmentCustomsBarcodeNumberKey, QVUSPSShipmentConfirmKey}) {
        name = shipment.objectForKey(key).toString();
        if (!name.isEmpty())
            break;
    }
    if (name.isEmpty()) {
        setError(error,
                 QStringLiteral("The shipment has no tracking, customs or confirmation number to name its "
                                "label archive file."));
        return std::nullopt;
    }
    if (name.contains(QLatin1Char('/')) || name.contains(QStringLiteral("..")) || name == QLatin1String(".") ||
        name.contains(QChar(0))) {
        setError(error, QStringLiteral("The number \"%1\" cannot name a label archive file.").arg(name));
        return std::nullopt;
    }
    return name;
}

std::optional<QString> fileURLforPersistentShipment(const QVShipment &shipment, QString *error)
{
    const std::optional<QString> name = labelArchiveFileName(shipment, error);
    if (!name)
        return std::nullopt;
    const QString folder = labelArchiveFolder();
    if (folder.isEmpty()) {
        setError(error, QStringLiteral("The label archive folder cannot be created."));
        return std::nullopt;
    }
    return QDir(folder).filePath(*name);
}

bool writeLabelArchive(const QVShipment &shipment, const QString &labelType, const QVXMLDocument &reply, QString *error)
{
    const std::optional<QString> path = fileURLforPersistentShipment(shipment, error);
    if (!path)
        return false;
    const QVariantMap archive{{QVLabelArchiveLabelTypeKey, labelType}, {QVLabelArchiveXMLKey, reply.xmlData()}};
    QString reason;
    if (!writePropertyListFile(*path, archive, PropertyListFormat::Xml, &reason)) {
        setError(error, QStringLiteral("The label archive file %1 could not be written: %2").arg(*path, reason));
        return false;
    }
    return true;
}

std::optional<QVArchivedLabel> labelArchiveFromData(const QByteArray &data, QString *error)
{
    QString reason;
    const std::optional<QVariant> plist = readPropertyList(data, &reason);
    if (!plist) {
        setError(error, QStringLiteral("The label archive is not a property list: %1").arg(reason));
        return std::nullopt;
    }
    if (plist->typeId() != QMetaType::QVariantMap) {
        setError(error, QStringLiteral("The label archive is not a dictionary."));
        return std::nullopt;
    }
    const QVariantMap archive = plist->toMap();
    const QVariant labelType = archive.value(QVLabelArchiveLabelTypeKey);
    const QVariant xml = archive.value(QVLabelArchiveXMLKey);
    if (labelType.typeId() != QMetaType::QString || xml.typeId() != QMetaType::QByteArray) {
        setError(error, QStringLiteral("The label archive lacks its label type or its label data."));
        return std::nullopt;
    }
    std::optional<QVXMLDocument> document = QVXMLDocument::fromData(xml.toByteArray(), &reason);
    if (!document || document->rootElement().isNull()) {
        setError(error, QStringLiteral("The label archive's label data is not XML: %1").arg(reason));
        return std::nullopt;
    }
    return QVArchivedLabel{labelType.toString(), *document};
}

std::optional<QVArchivedLabel> readLabelArchive(const QVShipment &shipment, QString *error)
{
    const std::optional<QString> path = fileURLforPersistentShipment(shipment, error);
    if (!path)
        return std::nullopt;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("The label archive file %1 cannot be read: %2").arg(*path, file.errorString()));
        return std::nullopt;
    }
    if (file.size() > kMaximumArchiveBytes) {
        setError(error, QStringLiteral("The label archive file %1 is too large.").arg(*path));
        return std::nullopt;
    }
    return labelArchiveFromData(file.readAll(), error);
}
