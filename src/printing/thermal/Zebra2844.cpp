#include "printing/thermal/Zebra2844.h"

#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/SerialWriter.h"
#include "platform/UserDefaults.h"
#include "printing/PrintingServices.h"
#include "printing/thermal/QVZebraPrinter.h"
#include "printing/thermal/ZebraUSBPipe.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QSaveFile>

const QString Zebra2844::retryMessageText =
    QStringLiteral("An error has occurred while printing to your Zebra printer. Please make sure your printer is "
                   "turned on and is connected to your computer.");
const QString Zebra2844::retryInformativeText = QStringLiteral(
    "Do you wish to try again? Printing again will attempt to reprint the current label. Canceling will abort the "
    "printing but your postage account has been charged and you will need to either reprint to a different printer "
    "or file a refund request.");

namespace {

struct ZebraModel {
    int productId;
    const char *name;
    bool zpl;
};

// In the order the models are looked for.
constexpr ZebraModel kModels[] = {
    {9, "LP2844", false},    {6, "LP2844", false},    {10, "TLP2844", false}, {68, "S4M", false},
    {40, "TLP2844-Z", true}, {27, "LP2348", false},   {8, "LP2348a", false},  {98, "ZP500", true},
    {25, "TLP3842", false},  {77, "ZP450", true},     {132, "GX420d", true},  {128, "GK420d", true},
    {129, "GK420t", true},   {140, "ZTCZP450", true},
};

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

void writeCaptureFile(const QByteArray &data)
{
    const QString folder = applicationSupportDirectory();
    if (folder.isEmpty())
        return;
    QSaveFile file(QDir(folder).filePath(Zebra2844::captureFileName(QDateTime::currentDateTimeUtc())));
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        qWarning("The Zebra output could not be kept in %s: %s", qPrintable(file.fileName()),
                 qPrintable(file.errorString()));
}

bool sendBySerial(const QByteArray &data)
{
    const QString path = defaults().stringForKey(QStringLiteral("zebraSerialPath"));
    if (path.isEmpty() || !serialPortList()->objectWithBSDPath(path))
        return false;
    const SerialWriteResult result = writeToSerialDevice(path, data);
    if (result.status == SerialWriteResult::Status::OpenFailed)
        qWarning("Could not open device: %d", result.openResult);
    else if (!result.ok())
        qWarning("Writing to %s failed after %lld of %lld bytes: %s", qPrintable(path), result.bytesWritten,
                 qint64(data.size()), qPrintable(result.errorText));
    return result.ok();
}

bool sendToQueue(const QByteArray &data)
{
    const auto printer = QVZebraPrinter::defaultZebraPrinter();
    if (!printer) {
        qWarning("No Zebra print queue is set up.");
        return false;
    }
    QString error;
    if (!printer->queueData(data, QStringLiteral("Tolvane Label"), &error)) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    return true;
}

bool sendByUSB(const QByteArray &data)
{
    std::unique_ptr<UsbDevice> device = Zebra2844::printer();
    if (!device)
        return false;
    return dealWithDevice(*device, data);
}

} // namespace

QString Zebra2844::captureFileName(const QDateTime &when)
{
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return QStringLiteral("lastlabel-%1.epl2").arg(reference.secsTo(when));
}

ZebraWriteOutcome Zebra2844::writeData(const QByteArray &data)
{
    if (data.isEmpty()) {
        qWarning("An empty stream was not sent to the Zebra printer.");
        return ZebraWriteOutcome::Failed;
    }
    const QByteArray stream = data; // the caller's bytes may change while the alert runs
    if (defaults().boolForKey(QStringLiteral("captureZebraOutput")))
        writeCaptureFile(stream);

    const bool serial = defaults().boolForKey(QStringLiteral("zebraUseSerial"));
    const bool queue = !serial && defaults().boolForKey(QStringLiteral("advancedZebraPath"));
    for (;;) {
        bool sent;
        if (serial)
            sent = sendBySerial(stream);
        else if (queue)
            sent = sendToQueue(stream);
        else
            sent = sendByUSB(stream);
        if (sent)
            return ZebraWriteOutcome::Sent;

        Alert alert;
        alert.messageText = retryMessageText;
        alert.informativeText = retryInformativeText;
        alert.buttons = {{QStringLiteral("Print Again"), printAgainAnswer}, {QStringLiteral("Cancel"), cancelAnswer}};
        alert.cancelAnswer = cancelAnswer;
        if (isAutomationMode()) {
            runAlert(alert);
            return ZebraWriteOutcome::Failed;
        }
        if (runAlert(alert) != printAgainAnswer)
            return ZebraWriteOutcome::Cancelled;
        if (serial)
            serialPortList()->rescan();
    }
}

bool Zebra2844::printerAvailable()
{
    if (defaults().boolForKey(QStringLiteral("zebraUseSerial"))) {
        const QString path = defaults().stringForKey(QStringLiteral("zebraSerialPath"));
        return !path.isEmpty() && serialPortList()->objectWithBSDPath(path).has_value();
    }
    if (defaults().boolForKey(QStringLiteral("advancedZebraPath")) && QVZebraPrinter::defaultZebraPrinter())
        return true;
    return printer() != nullptr;
}

std::unique_ptr<UsbDevice> Zebra2844::printer() { return printerOfType(nullptr); }

std::unique_ptr<UsbDevice> Zebra2844::printerOfType(int *productId)
{
    const std::shared_ptr<UsbTransport> transport = usbTransport();
    for (const ZebraModel &model : kModels) {
        if (std::unique_ptr<UsbDevice> device = transport->findDevice(vendorId, model.productId)) {
            if (productId)
                *productId = model.productId;
            return device;
        }
    }
    if (productId)
        *productId = 0;
    return nullptr;
}

const QList<int> &Zebra2844::productIds()
{
    static const QList<int> ids = [] {
        QList<int> list;
        for (const ZebraModel &model : kModels)
            list << model.productId;
        return list;
    }();
    return ids;
}

const QMap<int, QString> &Zebra2844::zebraNames()
{
    static const QMap<int, QString> names = [] {
        QMap<int, QString> map;
        for (const ZebraModel &model : kModels)
            map.insert(model.productId, QString::fromLatin1(model.name));
        return map;
    }();
    return names;
}

std::optional<QVariantMap> Zebra2844::printerAttributes()
{
    int productId = 0;
    if (!printerOfType(&productId))
        return std::nullopt;
    bool zpl = false;
    for (const ZebraModel &model : kModels) {
        if (model.productId == productId)
            zpl = model.zpl;
    }
    return QVariantMap{{QStringLiteral("programmingLanguage"), zpl ? QStringLiteral("ZPL") : QStringLiteral("EPL")},
                       {QStringLiteral("name"), zebraNames().value(productId)}};
}
