// The set-up window's sheets: the print and page-layout sheets of the
// plain-paper purposes, the label-printer tools and the Zebra tools.
#include "printing/setup/QVPageLayoutMarginFields.h"
#include "printing/setup/QVPrinterSetupController.h"

#include "platform/Dialogs.h"
#include "platform/SerialWriter.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "printing/layouts/QVPrintPanelMarginViewController.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "printing/thermal/QVZebraPrinter.h"
#include "printing/thermal/Zebra2844.h"

#include <QFile>

#include <cups/cups.h>

namespace {

const QString kKivoSettings = QStringLiteral("kivoSettings");
const QString kPrinterLabel = QStringLiteral("printerLabel");
const QString kZebraDarkness = QStringLiteral("zebraDarkness");
const QString kZebraSpeed = QStringLiteral("zebraSpeed");
const QString kZebraOrientation = QStringLiteral("zebraOrientation");
const QString kZebraUseSerial = QStringLiteral("zebraUseSerial");
const QString kZebraSerialPath = QStringLiteral("zebraSerialPath");
const QString kZebraQueueID = QStringLiteral("advancedZebraPathPrinterID");

// The serial connection's tab of the Zebra tools.
const QString kSerialTab = QStringLiteral("1");

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

// The roll menu's titles.
const QString kLeftRoll = QStringLiteral("Left Roll");
const QString kRightRoll = QStringLiteral("Right Roll");
const QString kMainRoll = QStringLiteral("Main Roll");

// The stock numbers the tools sheet's title names, in tag order.
const QStringList kStockNumbers = {QStringLiteral("51207"), QStringLiteral("51204"), QStringLiteral("51203"),
                                   QStringLiteral("72019"), QStringLiteral("8836105")};

// ASCII with lossy conversion: an accented letter loses its accent, any
// other character outside ASCII becomes "?".
QByteArray lossyAscii(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80) {
            bytes.append(char(ch.unicode()));
            continue;
        }
        const QString decomposed = QString(ch).normalized(QString::NormalizationForm_KD);
        const QChar base = decomposed.isEmpty() ? QChar() : decomposed.at(0);
        bytes.append(!base.isNull() && base.unicode() < 0x80 && base.isPrint() ? char(base.unicode()) : '?');
    }
    return bytes;
}

} // namespace

// ---- Plain-paper purposes ----------------------------------------------------

void QVPrinterSetupController::runPrintSetup(const QString &purpose)
{
    const bool placement = purpose == QVPlainPaperPrintInfoKey || purpose == QVFCMIPrintInfoKey;
    const std::optional<PrintInfo> chosen = tolvane::QVPrintPanelMarginViewController::runPageSetup(
        plainPaperPrintInfoForKey(purpose), placement, purpose == QVFCMIPrintInfoKey);
    if (chosen)
        setPlainPaperPrintInfo(*chosen, purpose);
    emit windowShouldShow();
}

void QVPrinterSetupController::runPageLayout(const QString &purpose)
{
    QVPageLayoutMarginFields fields;
    fields.setAccessoryPrintInfo(plainPaperPrintInfoForKey(purpose));
    if (const std::optional<PrintInfo> chosen = ::runPageSetup(fields.accessoryPrintInfo(), &fields)) {
        PrintInfo info = *chosen;
        fields.applyMargins(info);
        setPlainPaperPrintInfo(info, purpose);
    }
    emit windowShouldShow();
}

void QVPrinterSetupController::showPrinterOptions()
{
    const QString type = defaults().stringForKey(QStringLiteral("printerType"));
    if (type == QVPlainPaperPrinter)
        runPrintSetup(QVPlainPaperPrintInfoKey);
    else if (type == QVKIVOTagwrightPrinter)
        showKivoTools();
    else if (type == QVZebra2844Printer)
        showZebraTools();
}

// ---- Label-printer tools -------------------------------------------------------

QString QVPrinterSetupController::kivoToolsTitleTemplate()
{
    return QStringLiteral("Label Printer Settings for Stock %1");
}

void QVPrinterSetupController::showKivoTools()
{
    QVKivoToolsSheet &sheet = m_controls.kivoTools;
    sheet.labelType = defaults().stringForKey(kPrinterLabel);
    const int tag = kivoTagForLabelType(sheet.labelType);
    sheet.title = kivoToolsTitleTemplate().arg(tag >= 0 ? kStockNumbers.at(tag) : QString());
    sheet.queues = KIVONewTagwright::printerList();
    // The stored queue; none stored: the first listed (or an empty name) is
    // stored and selected.
    sheet.selectedQueue =
        printerNameForPrinterType(QVKIVOTagwrightPrinter, sheet.labelType, QString()).value_or(QString());
    rebuildRollItems();
    sheet.densityItems.clear();
    for (int density = 0; density <= 3; ++density)
        sheet.densityItems.append({KIVONewTagwright::densityName(density), density});
    // The stored density; 2 when none is stored or it is none of the menu's.
    const QVariant stored = kivoSetting(sheet.labelType, QStringLiteral("density"));
    const int density = stored.isValid() ? stored.toInt() : 2;
    sheet.selectedDensityTag = density >= 0 && density <= 3 ? density : 2;
    sheet.open = true;
    emit controlsChanged();
}

void QVPrinterSetupController::rebuildRollItems()
{
    QVKivoToolsSheet &sheet = m_controls.kivoTools;
    sheet.rollItems.clear();
    sheet.selectedRollIndex = 0;
    if (KIVONewTagwright::isDualSwift(sheet.selectedQueue)) {
        sheet.rollItems = {{kLeftRoll, 0}, {kRightRoll, 1}};
        const QString tray = kivoSetting(sheet.labelType, QStringLiteral("tray")).toString();
        if (!tray.isEmpty() && tray != QLatin1String("0"))
            sheet.selectedRollIndex = tray == KIVOPaperTrayLeft ? 0 : 1;
    } else {
        sheet.rollItems = {{kMainRoll, 0, false}};
    }
}

void QVPrinterSetupController::kivoToolsChooseQueue(const QString &queue)
{
    m_controls.kivoTools.selectedQueue = queue;
    rebuildRollItems();
    emit controlsChanged();
}

void QVPrinterSetupController::kivoToolsChooseRoll(int index)
{
    QVKivoToolsSheet &sheet = m_controls.kivoTools;
    if (index >= 0 && index < sheet.rollItems.size() && sheet.rollItems.at(index).enabled)
        sheet.selectedRollIndex = index;
}

void QVPrinterSetupController::kivoToolsChooseDensity(int tag)
{
    for (const QVSetupMenuItem &item : m_controls.kivoTools.densityItems) {
        if (item.tag == tag)
            m_controls.kivoTools.selectedDensityTag = tag;
    }
}

void QVPrinterSetupController::kivoToolsOK()
{
    QVKivoToolsSheet &sheet = m_controls.kivoTools;
    QVariantMap settings = kivoSettings();
    QVariantMap stock = settings.value(sheet.labelType).toMap();
    stock.insert(QStringLiteral("printer"), sheet.selectedQueue);
    QString tray = QStringLiteral("0");
    if (KIVONewTagwright::isDualSwift(sheet.selectedQueue)) {
        const QString roll = sheet.rollItems.value(sheet.selectedRollIndex).title;
        tray = roll.startsWith(QLatin1String("Left")) ? KIVOPaperTrayLeft : KIVOPaperTrayRight;
    }
    stock.insert(QStringLiteral("tray"), tray);
    stock.insert(QStringLiteral("density"), qint64(sheet.selectedDensityTag));
    if (!sheet.labelType.isEmpty()) {
        settings.insert(sheet.labelType, stock);
        defaults().setObject(settings, kKivoSettings);
    }
    sheet.open = false;
    refreshControls();
    emit windowShouldShow();
}

// ---- Zebra tools -----------------------------------------------------------------

void QVPrinterSetupController::showZebraTools()
{
    refreshZebraControls();
    if (m_controls.zebraConnectionTab != kSerialTab)
        refreshZebraList();
    m_controls.zebraToolsSheetOpen = true;
    emit controlsChanged();
}

void QVPrinterSetupController::refreshZebraControls()
{
    QVPrinterSetupControls &c = m_controls;
    if (defaults().boolForKey(kZebraUseSerial)) {
        c.zebraConnectionTab = kSerialTab;
        rebuildSerialRows();
        selectStoredSerialPort();
    } else {
        c.zebraConnectionTab = QStringLiteral("2");
    }
    c.advancedZebraPath = defaults().boolForKey(QStringLiteral("advancedZebraPath"));
    c.zebraDarkness = defaults().stringForKey(kZebraDarkness);
    c.zebraSpeed = defaults().stringForKey(kZebraSpeed);
    const QString orientation = defaults().stringForKey(kZebraOrientation);
    if (orientation == QLatin1String("B"))
        c.zebraOrientationTag = 0;
    else if (orientation == QLatin1String("T"))
        c.zebraOrientationTag = 1;
}

void QVPrinterSetupController::writeToZebra(const QByteArray &data) { Zebra2844::writeData(data); }

void QVPrinterSetupController::sendZebraCommand() { writeToZebra(lossyAscii(m_controls.zebraCommand) + '\n'); }

void QVPrinterSetupController::printZebraConfiguration() { writeToZebra(QByteArrayLiteral("U\n")); }

void QVPrinterSetupController::downloadFileToZebraPrinter()
{
    const std::optional<QString> path = runOpenPanel({QStringLiteral("Download File to Zebra Printer"), {}});
    if (!path)
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        showAlert(QStringLiteral("The file could not be read."), file.errorString());
        return;
    }
    writeToZebra(file.readAll());
}

void QVPrinterSetupController::setZebraDarkness(const QString &text)
{
    m_controls.zebraDarkness = text;
    defaults().setString(text, kZebraDarkness);
}

void QVPrinterSetupController::setZebraSpeed(const QString &text)
{
    m_controls.zebraSpeed = text;
    defaults().setString(text, kZebraSpeed);
}

void QVPrinterSetupController::setZebraOrientation(int tag)
{
    if (tag != 0 && tag != 1)
        return;
    m_controls.zebraOrientationTag = tag;
    defaults().setString(tag == 1 ? QStringLiteral("T") : QStringLiteral("B"), kZebraOrientation);
}

void QVPrinterSetupController::selectZebraConnectionTab(const QString &tab)
{
    m_controls.zebraConnectionTab = tab;
    if (tab == kSerialTab) {
        defaults().setBool(true, kZebraUseSerial);
        rebuildSerialRows();
        selectStoredSerialPort();
    } else {
        defaults().setBool(false, kZebraUseSerial);
        refreshZebraList();
    }
    emit controlsChanged();
}

void QVPrinterSetupController::refreshZebraList()
{
    QVPrinterSetupControls &c = m_controls;
    c.zebraPrinters = QVZebraPrinter::allPrinters();
    c.zebraQueues.clear();
    for (const QVariantMap &queue : std::as_const(c.zebraPrinters))
        c.zebraQueues << queue.value(QVZebraPrinterNameKey).toString();
    if (c.zebraPrinters.isEmpty()) {
        c.zebraPrinterName.clear();
    } else {
        const QString stored = defaults().stringForKey(kZebraQueueID);
        bool found = false;
        for (const QVariantMap &queue : std::as_const(c.zebraPrinters))
            found = found || queue.value(QVZebraPrinterIDKey).toString() == stored;
        if (found)
            c.zebraPrinterName = stored;
        else
            setZebraPrinterName(c.zebraPrinters.first().value(QVZebraPrinterIDKey).toString());
    }
    emit controlsChanged();
}

void QVPrinterSetupController::setZebraPrinterName(const QString &printerID)
{
    m_controls.zebraPrinterName = printerID;
    defaults().setString(printerID, kZebraQueueID);
}

void QVPrinterSetupController::setAdvancedZebraPath(bool on)
{
    m_controls.advancedZebraPath = on;
    defaults().setBool(on, QStringLiteral("advancedZebraPath"));
}

QUrl QVPrinterSetupController::printerSettingsUrl()
{
    // The printing system's own administration pages, on this machine.
    return QUrl(QStringLiteral("http://localhost:%1/admin/?op=add-printer").arg(ippPort()));
}

void QVPrinterSetupController::launchPrinterAdd() { openUrl(printerSettingsUrl()); }

void QVPrinterSetupController::rebuildSerialRows()
{
    QVPrinterSetupControls &c = m_controls;
    c.serialPortRows = serialPortList()->ports();
    c.serialPorts.clear();
    for (const QVPrintingSerialPort &port : std::as_const(c.serialPortRows))
        c.serialPorts << port.bsdPath;
    const QString stored = defaults().stringForKey(kZebraSerialPath);
    c.selectedSerialRow = int(c.serialPorts.indexOf(stored));
}

void QVPrinterSetupController::selectStoredSerialPort()
{
    QVPrinterSetupControls &c = m_controls;
    c.selectedSerialRow = int(c.serialPorts.indexOf(defaults().stringForKey(kZebraSerialPath)));
    if (c.selectedSerialRow >= 0)
        return;
    // No port has the stored path: a USB adapter is the likely one, the
    // last such port wins.
    for (int row = 0; row < c.serialPortRows.size(); ++row) {
        if (c.serialPortRows.at(row).name.startsWith(QLatin1String("US")))
            chooseSerialPort(row);
    }
}

void QVPrinterSetupController::refreshPortList()
{
    serialPortList()->rescan();
    rebuildSerialRows();
    selectStoredSerialPort();
    emit controlsChanged();
}

void QVPrinterSetupController::chooseSerialPort(int row)
{
    QVPrinterSetupControls &c = m_controls;
    if (row < 0 || row >= c.serialPortRows.size())
        return;
    c.selectedSerialRow = row;
    const QString path = c.serialPortRows.at(row).bsdPath;
    if (defaults().stringForKey(kZebraSerialPath) != path)
        defaults().setString(path, kZebraSerialPath);
}

void QVPrinterSetupController::testPort()
{
    const QVPrinterSetupControls &c = m_controls;
    if (c.selectedSerialRow < 0 || c.selectedSerialRow >= c.serialPortRows.size())
        return;
    // A port that can't be opened or written fails silently.
    writeToSerialDevice(c.serialPortRows.at(c.selectedSerialRow).bsdPath, QByteArrayLiteral("U\n"));
}
