// The postage- and date-correction sheets of the account panels.
#include "app/account/TolvaneGUIController.h"

#include "model/MailingLogServices.h"
#include "model/NumericFormatters.h"
#include "model/QVShipment.h"
#include "platform/Dialogs.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "services/QVShipmentRHOExtras.h"

#include <QDebug>
#include <QLocale>

namespace {

void alert(const QString &message, const QString &informative) { runAlert(alertWithText(message, informative)); }

// The keys a correction record leaves out: the piece's own postage,
// services, numbers and weight belong to the corrected piece.
const QStringList &removedCorrectionKeys()
{
    static const QStringList keys = {
        QVUSPSShipmentPostageKey,
        QVUSPSShipmentOriginalPostageKey,
        QVUSPSShipmentConfirmationServiceKey,
        QVUSPSShipmentConfirmationServicePriceKey,
        QVUSPSShipmentPICKey,
        QVUSPSShipmentRDCKey,
        QVUSPSShipmentCustomsBarcodeNumberKey,
        QVUSPSShipmentConfirmKey,
        QVShipmentWeightUnitKey,
        QVShipmentWeightNumberKey,
        QVUSPSShipmentInsurancePriceKey,
        QVUSPSShipmentInsuranceTypeKey,
    };
    return keys;
}

} // namespace

QVShipment TolvaneGUIController::correctionRecord(const QVShipment &shipment, const Decimal &amount,
                                                  const QDateTime &now)
{
    QVShipment record(shipment.plist());
    for (const QString &key : removedCorrectionKeys())
        record.removeObjectForKey(key);
    record.setObject(QVUSPSShipmentRHOCorrectionTransaction, QVUSPSShipmentRHOTransactionTypeKey);
    record.setObject(true, QVUSPSShipmentPostageEnabledKey);
    record.setTotalPrice(amount);
    record.setObject(now, QVShipmentPrintDateKey);
    record.setObject(now, QVShipmentShipDateKey);
    return record;
}

void TolvaneGUIController::showPostageCorrectionSheetForShipment(const QVShipment &shipment, TolvanePanelWindow window)
{
    m_shipmentToCorrect = shipment.copy();
    m_postageCorrection.amount = QStringLiteral("0.00");
    if (window != TolvanePanelWindow::None) {
        m_postageCorrection.window = window;
        m_postageCorrection.open = true;
    }
    changed();
}

void TolvaneGUIController::closePostageCorrectionSheet()
{
    m_postageCorrection.open = false;
    changed();
}

void TolvaneGUIController::printPostageCorrection(bool testPrint)
{
    if (!m_shipmentToCorrect) {
        qWarning().noquote() << "TolvaneGUIController: there is no shipment to correct";
        return;
    }
    QVariant typed;
    QString parseError;
    const bool parsed = ExpressionFormatter().getObjectValue(&typed, m_postageCorrection.amount, &parseError);
    const Decimal amount = parsed && typed.canConvert<Decimal>() ? typed.value<Decimal>() : Decimal::notANumber();
    if (amount.isNaN() || amount.sign() <= 0) {
        alert(QStringLiteral("Invalid correction amount."),
              QStringLiteral("You must enter a dollar amount greater than $0.00 to print a postage correction."));
        return;
    }
    const std::shared_ptr<QVRHOResponse> status = m_ec->lastValidStatusResponse();
    const Decimal balance = status ? status->balanceDecimalNumber() : Decimal();
    if (amount > balance) {
        alert(QStringLiteral("Insufficient funds"),
              QStringLiteral("Your postage request exceeds your postage balance. Please add funds to your postage "
                             "account."));
        return;
    }
    QVShipment record = correctionRecord(*m_shipmentToCorrect, amount, QDateTime::currentDateTime());
    if (refuseUnsetAccount())
        return;
    // The road is known before anything is bought: postage that cannot be
    // printed is never paid for.
    const CorrectionRoad road = currentCorrectionRoad();
    if (road == CorrectionRoad::None) {
        alert(QStringLiteral("Postage corrections cannot be printed."),
              QStringLiteral("The printer and label type chosen in the Printer Setup do not print postage "
                             "corrections. Choose plain paper labels, the label printer or a Zebra printer and try "
                             "again."));
        return;
    }
    const std::shared_ptr<TolvaneAccountHost> host = tolvaneAccountHost();
    const std::shared_ptr<TolvaneCorrectionPrinting> printing = correctionPrinting();
    QByteArray data;
    if (testPrint) {
        data = printing->sampleIndiciumData();
    } else {
        host->setProgressTextString(QStringLiteral("Generating PC Postage…"));
        const std::optional<QByteArray> bought = m_ec->indiciumDataWithShipment(record);
        if (!bought) {
            host->hideProgressPanel();
            alert(QStringLiteral("Postage Purchase Unsuccessful"),
                  QStringLiteral("Your postage correction for %1 was not successful due to error %2.\n\n%3")
                      .arg(amount.toString())
                      .arg(m_ec->lastErrorCode().toInt())
                      .arg(m_ec->lastErrorDescription()));
            return;
        }
        data = *bought;
        // Logged as soon as it is paid for, before printing.
        if (!sharedMailingLog()->writeShipmentToLog(record))
            alert(QStringLiteral("The correction could not be logged."),
                  QStringLiteral("Your postage correction for %1 was bought, but the mailing log could not be saved.")
                      .arg(amount.toString()));
        host->setProgressTextString(QStringLiteral("Printing…"));
    }
    CorrectionIndicium indicium;
    indicium.postageClass = tolvaneDollarClassString(record);
    indicium.dollarAmount = tolvanePostageString(record);
    indicium.mailedFrom = tolvaneMailedFromString(record);
    indicium.meterID = status ? status->meterID() : QString();
    indicium.indiciumData = data;
    if (!testPrint) {
        indicium.real = true;
        indicium.date = tolvaneDateString(record);
        indicium.webLine = QStringLiteral("CORRECTION");
    }
    printing->printPostageCorrection(road, indicium, record, testPrint);
    if (testPrint)
        return;
    m_shipmentToCorrect.reset();
    host->hideProgressPanel();
    closePostageCorrectionSheet();
    host->refreshTolvaneStatus();
}

void TolvaneGUIController::showDateCorrectionSheetOnWindow(TolvanePanelWindow window)
{
    const QDate today = QDate::currentDate();
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    m_dateCorrection.dayTitles = {QStringLiteral("Today"), QStringLiteral("Tomorrow")};
    for (int day = 2; day < DateCorrectionDays; ++day)
        m_dateCorrection.dayTitles << english.toString(today.addDays(day), QStringLiteral("dddd"));
    m_dateCorrection.selectedDay = 0;
    if (window != TolvanePanelWindow::None) {
        m_dateCorrection.window = window;
        m_dateCorrection.open = true;
    }
    changed();
}

void TolvaneGUIController::closeDateCorrectionSheet()
{
    m_dateCorrection.open = false;
    changed();
}

void TolvaneGUIController::printDateCorrection()
{
    const QDate date = QDate::currentDate().addDays(qMax(0, m_dateCorrection.selectedDay));
    const std::shared_ptr<QVRHOResponse> status = m_ec->lastValidStatusResponse();
    const QString mailedFrom = QStringLiteral("Mailed from ZIP ") + (status ? status->licenseZIP5() : QString());
    const CorrectionRoad road = currentCorrectionRoad();
    if (road != CorrectionRoad::None)
        correctionPrinting()->printDateCorrection(road, date, mailedFrom);
    closeDateCorrectionSheet();
}
