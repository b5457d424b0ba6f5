#include "printing/flow/QVPrintFlow.h"

#include "model/MailingLogServices.h"
#include "model/QVLabelArchive.h"
#include "model/StringAdditions.h"
#include "platform/AutomationServices.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/setup/QVPrinterTypes.h"
#include "rates/QVShipmentUSPS.h"
#include "services/LabelServerXML.h"
#include "services/QVBRKLabelServerCommandCenter.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/QVShipmentVLS.h"

#include <QtDebug>

namespace tolvane {

namespace {

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

const QString kErrorMessageText = QStringLiteral("An error has occurred.");

} // namespace

QVPrintFlow::QVPrintFlow() = default;
QVPrintFlow::~QVPrintFlow() = default;

void QVPrintFlow::showProgress(const QString &text) { printFlowHost()->setProgressTextString(withEllipsis(text)); }

// ---- Error reports and the mailing log ---------------------------------------

bool QVPrintFlow::writeShipmentToLog(const QVShipment &shipment)
{
    showProgress(QStringLiteral("Writing to mailing log"));
    const bool written = sharedMailingLog()->writeShipmentToLog(shipment);
    showProgress(QStringLiteral("Printing"));
    return written;
}

bool QVPrintFlow::mailingLogTakesEntries()
{
    if (sharedMailingLog()->canWriteToLog())
        return true;
    printingErrorHasOccurred(QString(QLatin1String("")),
                             QStringLiteral("The mailing log cannot be read, and a piece is printed only once its "
                                            "entry can be logged. Nothing was charged. Restore \"%1\" from a "
                                            "backup, or move it away to start a new log, then print again.")
                                 .arg(QStringLiteral("mailinglog.plist")));
    return false;
}

bool QVPrintFlow::logPaidPiece(const QVShipment &shipment)
{
    if (writeShipmentToLog(shipment))
        return true;
    const QString number = shipmentText(shipment, QVUSPSShipmentPICKey).isEmpty()
        ? shipmentText(shipment, QVUSPSShipmentConfirmKey)
        : shipmentText(shipment, QVUSPSShipmentPICKey);
    const QString piece = number.isEmpty() ? QStringLiteral("this piece") : QStringLiteral("piece %1").arg(number);
    if (sharedMailingLog()->keepShipmentForLog(shipment)) {
        printFlowHost()->hideProgressPanel();
        runAlert(alertWithText(
            QStringLiteral("The mailing log could not be saved."),
            QStringLiteral("The postage for %1 is paid, but the mailing log could not save its entry. The entry is "
                           "kept in \"%2\" beside the log and goes into the log at its next write. The piece "
                           "prints now.")
                .arg(piece, QStringLiteral("mailinglog-pending.plist"))));
        showProgress(QStringLiteral("Printing"));
        return true;
    }
    printingErrorHasOccurred(QString(QLatin1String("")),
                             QStringLiteral("The postage for %1 is paid, but neither the mailing log nor the file "
                                            "beside it could save its entry, so it was not printed. Make room on "
                                            "the disk; keep its number to print it again from the mailing log or "
                                            "to ask for a refund.")
                                 .arg(piece));
    return false;
}

void QVPrintFlow::printingErrorHasOccurred(const std::optional<QString> &code,
                                           const std::optional<QString> &description)
{
    printFlowHost()->hideProgressPanel();
    m_lastShipmentErrored = true;
    if (!code || !description)
        return;
    if (printFlowHost()->isAutomation()) {
        automationServices()->setFailureReason(
            QStringLiteral("Error%1 - %2")
                .arg(code->isEmpty() ? QString() : QStringLiteral(" ") + *code, *description));
        return;
    }
    const QString errorLine = code->isEmpty() ? QString() : QStringLiteral("\n\nError ") + *code;
    runAlert(alertWithText(kErrorMessageText,
                           QStringLiteral("Tolvane has encountered an error while processing your shipment.%1\n\n%2")
                               .arg(errorLine, *description)));
}

int QVPrintFlow::askToContinue(const QString &informativeTemplate, const QString &continueTitle, const QString &code,
                               const QString &description)
{
    printFlowHost()->hideProgressPanel();
    if (printFlowHost()->isAutomation())
        return 0;
    Alert alert = alertWithText(kErrorMessageText, informativeTemplate.arg(code, description));
    alert.buttons = {{continueTitle, 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    return runAlert(alert) == 1 ? 1 : 0;
}

int QVPrintFlow::customsErrorHasOccurred(const QString &code, const QString &description)
{
    return askToContinue(QStringLiteral("Tolvane has encountered an error while generating a customs form for your "
                                        "shipment. Do you wish to continue without a customs form?\n\nError "
                                        "%1\n\n%2"),
                         QStringLiteral("Print Without Customs Form"), code, description);
}

int QVPrintFlow::confirmErrorHasOccurred(const QString &code, const QString &description)
{
    return askToContinue(QStringLiteral("Tolvane has encountered an error while generating a barcode number for your "
                                        "mailpiece. Do you wish to continue without a barcode number?\n\nError "
                                        "%1\n\n%2"),
                         QStringLiteral("Print Without Confirm"), code, description);
}

// ---- The label-server road ------------------------------------------------------

QVLabelServerRoute QVPrintFlow::labelServerRouteForShipment(const QVShipment &shipment, const QString &printerType,
                                                            const QString &labelType, bool possibleBriskoOne)
{
    const QString formType = shipment.objectForKey(QVUSPSShipmentCustomsFormTypeKey).toString();
    QVLabelServerRoute route{printerType, labelType, possibleBriskoOne};
    const bool fcmiForm = isEligibleForDomesticIntegratedCustomsForms(shipment) ||
        formType == QVUSPSShipment2976FCMICustomsFormType || formType == QVUSPSShipment2976PMICustomsFormType;
    const bool form2976A =
        formType == QVUSPSShipment2976AEMICustomsFormType || formType == QVUSPSShipment2976APMICustomsFormType;
    if ((defaults().boolForKey(QVOverrideFCMIPrintInfoKey) && fcmiForm) ||
        (defaults().boolForKey(QVOverride2976APrintInfoKey) && form2976A)) {
        route.printerType = QVPlainPaperPrinter;
        route.labelType = QVPlainPaperLabel;
    }
    if (route.printerType == QVKIVOTagwrightPrinter && route.labelType != QVKIVO8836105Label)
        route.labelType = QVPlainPaperLabel;
    return route;
}

bool QVPrintFlow::printLabelServerShipment(QVShipment &shipment, bool test, const QVLabelServerRoute &route)
{
    return route.briskoOne ? printBriskoOneShipment(shipment, test, route.labelType)
                           : printShipment(shipment, test, route.labelType);
}

bool QVPrintFlow::printShipment(QVShipment &shipment, bool test, const QString &labelType)
{
    showProgress(QStringLiteral("Generating shipping label"));
    return printShipment(shipment, test, labelType, *QVRHOLabelServerCommandCenter::commandCenter());
}

bool QVPrintFlow::printBriskoOneShipment(QVShipment &shipment, bool test, const QString &labelType)
{
    shipment.setObject(true, QVUSPSShipmentStealthPostageKey);
    showProgress(QStringLiteral("Generating Brisko shipping label"));
    return printShipment(shipment, test, labelType, *QVBRKLabelServerCommandCenter::commandCenter());
}

void QVPrintFlow::reportClientError(const QVRHOLabelServerCommandCenter &commandCenter)
{
    reportClientError(QVClientError{commandCenter.lastErrorCode(), commandCenter.lastErrorDescription()});
}

bool QVPrintFlow::checkReplyStatus(const QVXMLDocument &reply)
{
    const QString status = qv_stringForAnyPrefixXPath(reply, QStringLiteral("//*:Status"));
    if (status == QLatin1String("0"))
        return true;
    if (defaults().boolForKey(QVLogDebugInfoKey))
        qInfo().noquote() << qv_prettyXMLString(reply);
    // A reply without a status or a message is still a refusal, and is
    // reported as one (never taken for the user's cancel).
    QString message = qv_stringForAnyPrefixXPath(reply, QStringLiteral("//*:ErrorMessage"));
    if (message.isEmpty())
        message = QStringLiteral("The label server did not say why the label was refused.");
    printingErrorHasOccurred(status.isNull() ? QString(QLatin1String("")) : status, message);
    return false;
}

bool QVPrintFlow::printShipment(QVShipment &shipment, bool test, const QString &labelType,
                                QVRHOLabelServerCommandCenter &commandCenter)
{
    const std::optional<QVXMLDocument> reply =
        commandCenter.labelForShipment(shipment, test, {{QStringLiteral("labelType"), labelType}});
    if (!reply) {
        reportClientError(commandCenter);
        return false;
    }
    if (!checkReplyStatus(*reply))
        return false;
    if (test) {
        showProgress(QStringLiteral("Printing"));
    } else {
        const bool partner = dynamic_cast<QVBRKLabelServerCommandCenter *>(&commandCenter) != nullptr;
        shipment.setObject(partner ? QVUSPSShipmentOriginBriskoOne : QVUSPSShipmentOriginTolvane,
                           QVUSPSShipmentOriginServerKey);
        takeValuesFromVLSLabelResponse(shipment, *reply);
        const QString pic = shipment.objectForKey(QVUSPSShipmentPICKey).toString();
        if (shouldContainConfirm(shipment) && pic.size() >= 20) {
            shipment.setObject(pic.left(20), QVUSPSShipmentConfirmKey, false);
            shipment.removeObjectForKey(QVUSPSShipmentPICKey);
        }
        // The label is paid: a label that cannot be archived is still logged
        // and printed (the archive only serves reprints).
        QString archiveError;
        if (!writeLabelArchive(shipment, labelType, *reply, &archiveError))
            qWarning().noquote() << "Label archive not written:" << archiveError;
        if (!logPaidPiece(shipment))
            return false;
    }
    QVLabelRange range;
    range.location = 0;
    range.length = defaults().boolForKey(QVPrintCustomsSendersCopyKey) ? QVLabelRange::all : 3;
    m_printManager = std::make_unique<QVPrintManager>();
    if (!m_printManager->printLabelServerXML(*reply, shipment, labelType, range, m_pendingPDF)) {
        // Cancelled by the user at the printer's retry alert: nothing more to
        // say; otherwise the label did not print, and says why.
        const bool cancelled = m_printManager->rawOutcome() == ZebraWriteOutcome::Cancelled;
        printingErrorHasOccurred(cancelled ? std::nullopt : std::optional<QString>(QString(QLatin1String(""))),
                                 m_printManager->errorString());
        return false;
    }
    return true;
}

std::optional<QImage> QVPrintFlow::previewImageForShipment(const QVShipment &shipment, const QString &labelType,
                                                           QVRHOLabelServerCommandCenter &commandCenter)
{
    showProgress(QStringLiteral("Generating label preview"));
    const std::optional<QVXMLDocument> reply = commandCenter.labelForShipment(
        shipment, true, {{QStringLiteral("labelType"), labelType}, {QStringLiteral("previewLabel"), true}});
    printFlowHost()->hideProgressPanel();
    if (!reply) {
        reportClientError(commandCenter);
        return std::nullopt;
    }
    if (!checkReplyStatus(*reply))
        return std::nullopt;
    const std::optional<QList<QVXMLNode>> parts = QVPrintManager::labelArrayForLabelServerXML(*reply);
    if (!parts || parts->isEmpty())
        return std::nullopt;
    const QImage image = QImage::fromData(QVPrintManager::dataOfPart(parts->first()));
    if (image.isNull())
        return std::nullopt;
    return image;
}

} // namespace tolvane
