#include "printing/thermal/QVZebraPrinter.h"

#include "platform/PrintSystem.h"
#include "platform/UserDefaults.h"

QList<QVariantMap> QVZebraPrinter::allPrinters()
{
    QList<QVariantMap> printers;
    const auto queues = printSystem()->queues();
    if (!queues)
        return printers;
    for (const PrintQueue &queue : *queues) {
        if (queue.makeAndModel.isNull() || !queue.makeAndModel.toUpper().contains(QLatin1String("ZEBRA")))
            continue;
        printers.append({{QVZebraPrinterNameKey, queue.name},
                         {QVZebraPrinterIDKey, queue.name},
                         {QVZebraPrinterModelKey, queue.makeAndModel}});
    }
    return printers;
}

std::optional<QVZebraPrinter> QVZebraPrinter::defaultZebraPrinter()
{
    const QString printerID =
        UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("advancedZebraPathPrinterID"));
    if (printerID.isEmpty())
        return std::nullopt;
    return initWithPrinterID(printerID);
}

std::optional<QVZebraPrinter> QVZebraPrinter::zebraPrinterWithName(const QString &name)
{
    for (const QVariantMap &printer : allPrinters()) {
        if (printer.value(QVZebraPrinterNameKey).toString() == name)
            return initWithPrinterID(printer.value(QVZebraPrinterIDKey).toString());
    }
    return std::nullopt;
}

std::optional<QVZebraPrinter> QVZebraPrinter::initWithPrinterID(const QString &printerID)
{
    if (printerID.isEmpty() || !printSystem()->queue(printerID))
        return std::nullopt;
    return QVZebraPrinter(printerID);
}

QString QVZebraPrinter::name() const
{
    const auto queue = printSystem()->queue(m_printerID);
    return queue ? queue->name : QString();
}

QString QVZebraPrinter::modelNumber() const
{
    const auto queue = printSystem()->queue(m_printerID);
    return queue && !queue->makeAndModel.isNull() ? queue->makeAndModel : QStringLiteral("");
}

int QVZebraPrinter::programmingLanguage() const
{
    return modelNumber().toUpper().contains(QLatin1String("ZPL")) ? 1 : 0;
}

bool QVZebraPrinter::queueData(const QByteArray &data, const QString &jobName, QString *error) const
{
    return printSystem()->submitJob(m_printerID, data, PrintDocumentFormatRaw, jobName, QVariantMap(), error) > 0;
}
