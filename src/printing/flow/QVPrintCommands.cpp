// The print commands, the PDF outputs and batch printing.
#include "printing/flow/QVPrintCommands.h"

#include "platform/AutomationServices.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "printing/QVPrintOperation.h"
#include "printing/flow/QVEmailManager.h"
#include "printing/flow/QVPrintFlow.h"
#include "printing/flow/QVPrintFlowClients.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/flow/QVStampWindowPrinting.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace tolvane {

namespace {

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

bool askPrepareLabel(const QString &messageText, const QString &informativeText)
{
    Alert alert = alertWithText(messageText, informativeText);
    alert.buttons = {{QStringLiteral("Prepare Label"), 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    return runAlert(alert) == 1;
}

QVariantMap saveJobTo(const QString &path)
{
    return {{QVPrintInfoJobDispositionKey, QVPrintInfoJobSave}, {QVPrintInfoSavePathKey, path}};
}

// A file of the outgoing folder (the temporary folder when there is none)
// named after the shipment that no file has yet.
QString outgoingPDFPath(const QString &proposedName)
{
    QString folder = outgoingPDFFolder();
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QDir dir(folder);
    const QString base = safePDFBaseName(proposedName);
    QString path = dir.filePath(base + QStringLiteral(".pdf"));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(QStringLiteral("%1 %2.pdf").arg(base).arg(n));
    return path;
}

// The batch's three settings that must not change the pieces it prints.
const QStringList &batchSwitchedOffDefaults()
{
    static const QStringList keys{QVUseServiceStandardsKey, QVClearDimensionsAfterPrintKey,
                                  QVClearCustomsAfterPrintKey};
    return keys;
}

// The remembered weight back in the window's shipment (none stays none).
void restoreWeight(QVMainWindowHost &window, const QVariant &weight)
{
    if (weight.isValid())
        window.setCurrentShipmentProperty(weight, QVShipmentWeightNumberKey);
    else
        window.removeCurrentShipmentPropertyForKey(QVShipmentWeightNumberKey);
}

} // namespace

// ---- The commands ----------------------------------------------------------------

void QVPrintCommands::printTheLabel()
{
    const auto window = mainWindowHost();
    if (!window)
        return;
    if (window->inStampPrintingMode()) {
        if (const auto stamps = stampWindowPrinting())
            stamps->printSheet();
        return;
    }
    window->endEditing();
    const bool preview = defaults().boolForKey(QVPreviewOnPrintKey);
    if (window->optionKeyDown()) {
        // The window inverted the stored preference when Option went down:
        // this print uses the inverted value, the preference is put back.
        window->setOptionKeyDown(false);
        defaults().setBool(!preview, QVPreviewOnPrintKey);
    }
    if (!m_flow.preflightCurrentShipment())
        return;
    const auto shipment = window->currentShipment();
    if (shipment && !shipDateWarningsAllowPrint(shipment->shipCalendarDate())) {
        // The shipment may change before the next try: it is checked again.
        m_flow.setCurrentShipmentIsGo(false);
        return;
    }
    if (window->inBatchMode()) {
        runBatchSheet();
        return;
    }
    if (preview) {
        window->updatePrinterSummaryText();
        if (preparePreviewLabelController())
            runLabelPreviewSheetWithImage(labelPreviewImage());
        return;
    }
    printLiveLabelNoPreview();
}

void QVPrintCommands::testPrint()
{
    const auto window = mainWindowHost();
    if (window && window->inStampPrintingMode()) {
        if (const auto stamps = stampWindowPrinting())
            stamps->testPrint();
        return;
    }
    testPrintPreviewSheet();
}

void QVPrintCommands::printSelected()
{
    const auto window = mainWindowHost();
    if (!window || !window->inStampPrintingMode())
        return;
    if (const auto stamps = stampWindowPrinting())
        stamps->printSelected();
}

void QVPrintCommands::printLiveLabelNoPreview() { runPDFLabelWithOutputOption(QVPreviewOutputPrint, false); }

bool QVPrintCommands::shipDateWarningsAllowPrint(const QDateTime &shipDate)
{
    const QDate day = shipDate.date();
    if (defaults().boolForKey(QVSundayWarningKey) && day.dayOfWeek() == Qt::Sunday &&
        !askPrepareLabel(QStringLiteral("Your shipment is scheduled for Sunday."),
                         QStringLiteral("You have set Tolvane to date your shipment for a Sunday. Is this correct?")))
        return false;
    if (defaults().boolForKey(QVSaturdayWarningKey) && day.dayOfWeek() == Qt::Saturday &&
        !askPrepareLabel(QStringLiteral("Your shipment is scheduled for Saturday."),
                         QStringLiteral("You have set Tolvane to date your shipment for a Saturday. Is this correct?")))
        return false;
    if (defaults().boolForKey(QVHolidayWarningKey)) {
        const QVariantMap holidays = printFlowClients()->allHolidays();
        for (auto it = holidays.cbegin(); it != holidays.cend(); ++it) {
            if (QDate::fromString(it.value().toString(), QStringLiteral("yyyy-MM-dd")) != day)
                continue;
            return askPrepareLabel(
                QStringLiteral("Your shipment is scheduled for a USPS holiday."),
                QStringLiteral("You have set Tolvane to date your shipment for %1. Is this correct?").arg(it.key()));
        }
    }
    return true;
}

// ---- The outputs -------------------------------------------------------------------

bool QVPrintCommands::runPDFLabelWithOutputOption(int output, bool test)
{
    m_flow.setPendingPrintInfoPropertiesForPDF({});
    const auto window = mainWindowHost();
    const std::shared_ptr<QVShipment> shipment = window ? window->currentShipment() : nullptr;
    const QString proposed = shipment ? shipment->stringForProposedFilename() : QString();
    QString path;
    switch (output) {
    case QVPreviewOutputPrint:
        break;
    case QVPreviewOutputOpen:
    case QVPreviewOutputEmail:
        // Another program reads the file after the hand-off: it stays until
        // a later start clears the folder.
        path = outgoingPDFPath(proposed);
        break;
    case QVPreviewOutputSave: {
        SavePanel panel;
        panel.title = QStringLiteral("Save as PDF");
        panel.suggestedFileName = safePDFBaseName(proposed) + QStringLiteral(".pdf");
        panel.allowedExtensions = {QStringLiteral("pdf")};
        const std::optional<QString> chosen = runSavePanel(panel);
        if (!chosen || chosen->isEmpty())
            return false;
        path = *chosen;
        break;
    }
    default:
        return false;
    }
    if (!path.isEmpty())
        m_flow.setPendingPrintInfoPropertiesForPDF(saveJobTo(path));
    const bool printed = m_flow.printLabelAsATest(test);
    m_flow.setPendingPrintInfoPropertiesForPDF({});
    if (!printed || m_flow.lastShipmentErrored())
        return printed;
    if (output == QVPreviewOutputOpen && !openUrl(QUrl::fromLocalFile(path)))
        runAlert(alertWithText(QStringLiteral("The PDF could not be opened."),
                               QStringLiteral("The label was saved as %1.").arg(path)));
    if (output == QVPreviewOutputEmail)
        QVEmailManager::mailMessageWithSubject(QString(), QString(), QString(), QString(), path, false);
    return printed;
}

void QVPrintCommands::runPDFLabel(int output)
{
    if (!m_flow.preflightCurrentShipment())
        return;
    runPDFLabelWithOutputOption(output, false);
}

void QVPrintCommands::printLiveLabelPreviewSheet()
{
    const int output = m_panel.outputOption();
    labelPreviewSheetDidEnd();
    runPDFLabelWithOutputOption(output, false);
}

void QVPrintCommands::testPrintPreviewSheet()
{
    m_flow.setPendingPrintInfoPropertiesForPDF({});
    const int output = m_panel.outputOption();
    labelPreviewSheetDidEnd();
    runPDFLabelWithOutputOption(output, true);
}

// ---- Batch printing ------------------------------------------------------------------

void QVPrintCommands::runBatchSheet()
{
    const auto window = mainWindowHost();
    if (!window)
        return;
    Alert alert = alertWithText(
        QStringLiteral("Batch Print"),
        QStringLiteral("You have selected to print %1 addresses of the same mail class and characteristics. Any "
                       "unverifiable addresses will be not be printed and will be presented at the end of the "
                       "batch.\n\nOnce started, Print Batch can not be cancelled.")
            .arg(window->batchAddresses().size()));
    alert.buttons = {
        {QStringLiteral("Print Batch"), 1}, {QStringLiteral("Cancel"), 0}, {QStringLiteral("Test Print Batch"), -1}};
    alert.cancelAnswer = 0;
    batchSheetDidEnd(runAlert(alert));
}

void QVPrintCommands::batchSheetDidEnd(int code)
{
    const auto window = mainWindowHost();
    if (code == 0 || !window)
        return;
    const auto host = printFlowHost();
    const auto automation = automationServices();
    m_flow.showProgress(QStringLiteral("Preparing Batch Print"));
    const QList<QVAddress> addresses = window->batchAddresses();
    window->leaveBatchPrint();
    QList<bool> remembered;
    for (const QString &key : batchSwitchedOffDefaults()) {
        remembered << defaults().boolForKey(key);
        defaults().setBool(false, key);
    }
    const QVariant weight = window->currentShipmentPropertyForKey(QVShipmentWeightNumberKey);
    const bool wasAutomation = host->isAutomation();

    m_batchFailures.clear();
    int failures = 0;
    for (const QVAddress &address : addresses) {
        m_flow.setLastShipmentErrored(false);
        // Each address is a piece of its own: checked in full.
        m_flow.setCurrentShipmentIsGo(false);
        automation->setFailureReason(QString());
        host->setAutomation(true);
        window->newPackageWithAddressString(address.formattedAddress(), address.email(), address.phone(),
                                            address.associatedDescription().value_or(QString()),
                                            address.associatedReferenceID().value_or(QString()), false);
        bool usable = window->standardizeTextBoxAddress(false);
        host->setAutomation(wasAutomation);
        const auto shipment = window->currentShipment();
        usable = usable && shipment && shipment->shippable() && m_flow.preflightCurrentAddress();
        window->displayWindow();
        bool failed = !usable;
        if (usable) {
            restoreWeight(*window, weight);
            m_flow.printLabelAsATest(code == -1);
            failed = m_flow.lastShipmentErrored();
        }
        if (failed) {
            ++failures;
            m_batchFailures << address.formattedAddress();
            const QString reason = automation->failureReason();
            if (!reason.isEmpty())
                m_batchFailures << reason;
        }
    }

    host->hideProgressPanel();
    host->setAutomation(true);
    window->reselectLastAddressBookRow();
    host->setAutomation(wasAutomation);
    for (int i = 0; i < batchSwitchedOffDefaults().size(); ++i)
        defaults().setBool(remembered.at(i), batchSwitchedOffDefaults().at(i));
    restoreWeight(*window, weight);

    if (failures == 0)
        return;
    Alert alert = alertWithText(QStringLiteral("%1 of your batch could not be printed.").arg(failures),
                                QStringLiteral("This is usually because the addresses could not verify."));
    alert.buttons = {{QStringLiteral("OK"), 0}, {QStringLiteral("View Addresses"), 1}};
    alert.cancelAnswer = 0;
    if (runAlert(alert) != 1)
        return;
    const QString path = writeBadAddresses(m_batchFailures);
    if (path.isEmpty()) {
        runAlert(alertWithText(QStringLiteral("The addresses could not be written."),
                               QStringLiteral("The list of the batch's failed addresses could not be saved in the "
                                              "application-support folder.")));
        return;
    }
    openUrl(QUrl::fromLocalFile(path));
}

QString QVPrintCommands::writeBadAddresses(const QStringList &failures)
{
    const QString folder = applicationSupportDirectory();
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return {};
    const QString path = QDir(folder).filePath(QVBadAddressesFileName);
    QByteArray text;
    for (const QString &entry : failures)
        text += (entry + QStringLiteral("\n\n")).toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        return {};
    return path;
}

} // namespace tolvane
