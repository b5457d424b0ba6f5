#include "printing/thermal/KIVONewTagwright.h"

#include "printing/PrintingServices.h"

#include <atomic>

namespace {

std::atomic<bool> &availabilityFlag()
{
    static std::atomic<bool> seen{false};
    return seen;
}

bool contains(const QString &model, const char *text)
{
    return model.contains(QLatin1String(text), Qt::CaseInsensitive);
}

bool containsAny(const QString &model, std::initializer_list<const char *> texts)
{
    for (const char *text : texts) {
        if (contains(model, text))
            return true;
    }
    return false;
}

QList<PrintQueue> allQueues()
{
    const auto queues = printSystem()->queues();
    return queues ? *queues : QList<PrintQueue>();
}

QString modelOf(const QString &queueName)
{
    const auto queue = printSystem()->queue(queueName);
    return queue ? queue->makeAndModel : QString();
}

} // namespace

QStringList KIVONewTagwright::printerList()
{
    QStringList names;
    for (const PrintQueue &queue : allQueues()) {
        const QString &model = queue.makeAndModel;
        if (containsAny(model, {"KIVO", "270"}) && contains(model, "TAGWRIGHT") && !contains(model, "TAPE"))
            names << queue.name;
    }
    return names;
}

QStringList KIVONewTagwright::kivoStampsPrinterList()
{
    const bool plainModelsAllowed = printingAccountServices()->tw310ValidForKIVOStamps();
    QStringList names;
    for (const PrintQueue &queue : allQueues()) {
        const QString &model = queue.makeAndModel;
        if (!contains(model, "KIVO") || !contains(model, "TAGWRIGHT") || contains(model, "TAPE"))
            continue;
        if (containsAny(model, {"310 SWIFT", "360 SWIFT", "DUAL SWIFT", "BIPLEX", "WIDE9"}) ||
            (plainModelsAllowed && containsAny(model, {"310", "360"})))
            names << queue.name;
    }
    return names;
}

bool KIVONewTagwright::isDualSwift(const QString &queueName) { return contains(modelOf(queueName), "DUAL SWIFT"); }

bool KIVONewTagwright::isDualSwift(const PrintQueue &queue) { return contains(queue.makeAndModel, "DUAL SWIFT"); }

bool KIVONewTagwright::isWIDE9(const QString &queueName) { return contains(modelOf(queueName), "WIDE9"); }

bool KIVONewTagwright::isWIDE9(const PrintQueue &queue) { return contains(queue.makeAndModel, "WIDE9"); }

bool KIVONewTagwright::hasWIDE9()
{
    const QStringList labelPrinters = printerList();
    for (const PrintQueue &queue : allQueues()) {
        if (labelPrinters.contains(queue.name) && isWIDE9(queue))
            return true;
    }
    return false;
}

bool KIVONewTagwright::printerAvailable()
{
    if (availabilityFlag())
        return true;
    if (printerList().isEmpty())
        return false;
    availabilityFlag() = true;
    return true;
}

void KIVONewTagwright::resetAvailability() { availabilityFlag() = false; }

QString KIVONewTagwright::densityName(int density)
{
    switch (density) {
    case 0:
        return QStringLiteral("Light");
    case 1:
        return QStringLiteral("Medium");
    case 3:
        return QStringLiteral("Dark");
    default:
        return QStringLiteral("Normal");
    }
}

PrintInfo &KIVONewTagwright::printInfoForPrintInfo(PrintInfo &printInfo, const QString &tray, int density)
{
    const QString printer = printInfo.printerName;
    if (printInfo.printSettings) {
        QVariantMap &settings = *printInfo.printSettings;
        settings.insert(QStringLiteral("com.apple.print.PrintSettings.TWPrintQuality"), 0);
        settings.insert(QStringLiteral("KivoPrintQuality"), QStringLiteral("Text"));
        settings.insert(QStringLiteral("com.apple.print.PrintSettings.TWPrintDarkness"), density);
        settings.insert(QStringLiteral("KivoPrintDensity"), densityName(density));
        if (!tray.isEmpty()) {
            const bool right = tray.startsWith(QLatin1String("Right"));
            settings.insert(QStringLiteral("com.apple.print.PrintSettings.TWPaperSource"), right ? 2 : 1);
            settings.insert(QStringLiteral("InputSlot"), right ? QStringLiteral("Right") : QStringLiteral("Left"));
        }
        settings.insert(QStringLiteral("OutputOrder"), QStringLiteral("Normal"));
    }
    printInfo.printerName = printer;
    return printInfo;
}
