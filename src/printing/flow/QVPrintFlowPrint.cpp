// The print: preparation of the print copy, the balance, the choice of road
// and the actions after a printed piece.
#include "printing/flow/QVPrintFlow.h"

#include "model/StringAdditions.h"
#include "model/XMLConversion.h"
#include "platform/AutomationServices.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "printing/PrintingServices.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/setup/QVPrinterTypes.h"
#include "printing/thermal/QVEPL2LabelController.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVBRKLabelServerCommandCenter.h"
#include "services/QVShipmentRHOExtras.h"
#include "services/QVShipmentVLS.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#include <QXmlStreamWriter>

namespace tolvane {

namespace {

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

const QString kInsufficientFunds = QStringLiteral("Insufficient funds");

bool isInternationalForm(const QVShipment &shipment)
{
    const QString formType = shipmentText(shipment, QVUSPSShipmentCustomsFormTypeKey);
    return !shipment.isDomestic() &&
        (formType == QVUSPSShipment2976AEMICustomsFormType || formType == QVUSPSShipment2976APMICustomsFormType ||
         formType == QVUSPSShipment2976PMICustomsFormType || formType == QVUSPSShipment2976FCMICustomsFormType);
}

QString pieceNumber(const QVShipment &shipment)
{
    const QString pic = shipmentText(shipment, QVUSPSShipmentPICKey);
    return pic.isEmpty() ? shipmentText(shipment, QVUSPSShipmentCustomsBarcodeNumberKey) : pic;
}

QString textOr(const QVShipment &shipment, const QString &key, const QString &fallback)
{
    const QString text = shipmentText(shipment, key);
    return text.isEmpty() ? fallback : text;
}

} // namespace

QString QVPrintFlow::labelTypeForOutput(const QString &labelType, const QVariantMap &pendingPDF)
{
    if (!pendingPDF.isEmpty() && (labelType == QVEPL2Label || labelType == QVZPLIILabel))
        return QVPlainPaperLabel;
    return labelType;
}

bool QVPrintFlow::takesLocalRoad(const QVShipment &printCopy, bool usePostage, bool possibleBriskoOne)
{
    return !isEligibleForDomesticIntegratedCustomsForms(printCopy) && !isInternationalForm(printCopy) &&
        !isExpressMail(printCopy) && !possibleBriskoOne && !isHoldForPickup(printCopy) &&
        (!isCertifiedMail(printCopy) || shipmentText(printCopy, QVUSPSShipmentSizeKey) == QVUSPSLetterSize) &&
        (usePostage || !defaults().boolForKey(QVUpsMailInnovationsModeKey)) &&
        !defaults().boolForKey(QVUseVLSForEverythingDomesticKey);
}

bool QVPrintFlow::priceIsKnown(const QVShipment &printCopy)
{
    const auto positive = [](const std::optional<Decimal> &value) {
        return value && !value->isNaN() && *value > Decimal::zero();
    };
    const QVariant postage = printCopy.objectForKey(QVUSPSShipmentPostageKey);
    if (positive(printCopy.totalPrice()) && (!postage.isValid() || positive(decimalFromVariant(postage))))
        return true;
    const QString text = QStringLiteral("The postage of this piece is not known: Tolvane has no price for this mail "
                                        "class and piece. No postage was bought and nothing was printed. Choose a "
                                        "piece whose price is shown, or print it without postage.");
    printFlowHost()->hideProgressPanel();
    m_lastShipmentErrored = true;
    if (printFlowHost()->isAutomation())
        automationServices()->setFailureReason(QStringLiteral("Error - ") + text);
    else
        runAlert(alertWithText(QStringLiteral("Postage price not known."), text));
    return false;
}

bool QVPrintFlow::balanceCovers(const QVShipment &printCopy)
{
    const auto clients = printFlowClients();
    for (;;) {
        std::optional<Decimal> balance = clients->lastValidBalance();
        if (!balance && clients->refreshStatus())
            balance = clients->lastValidBalance();
        if (!balance) {
            // Without a status reply there is no balance to compare with:
            // nothing may be bought.
            const QVClientError error = clients->postageError();
            QString text = QStringLiteral("Your postage balance could not be read from the postage server.");
            if (!error.description.isEmpty())
                text += QLatin1Char(' ') + error.description;
            printingErrorHasOccurred(error.code.isNull() ? QString(QLatin1String("")) : error.code, text);
            return false;
        }
        if (printCopy.totalPrice() <= *balance)
            return true;
        if (printFlowHost()->isAutomation()) {
            printingErrorHasOccurred(QString(QLatin1String("")), kInsufficientFunds);
            return false;
        }
        Alert alert = alertWithText(kInsufficientFunds,
                                    QStringLiteral("Your postage request exceeds your postage "
                                                   "balance. Please add funds to your postage "
                                                   "account."));
        alert.buttons = {{QStringLiteral("Buy Postage"), 1}, {QStringLiteral("Cancel"), 0}};
        alert.cancelAnswer = 0;
        if (runAlert(alert) != 1) {
            // The user said no: marked as errored, nothing more shown.
            printingErrorHasOccurred(std::nullopt, kInsufficientFunds);
            return false;
        }
        printFlowHost()->showBuyPostagePanel();
    }
}

bool QVPrintFlow::printLabelAsATest(bool test)
{
    if (!m_currentShipmentIsGo && !preflightCurrentShipment()) {
        m_lastShipmentErrored = true;
        return false;
    }
    const auto window = mainWindowHost();
    const std::shared_ptr<QVShipment> current = window ? window->currentShipment() : nullptr;
    if (!current) {
        m_lastShipmentErrored = true;
        return false;
    }
    // B. Preparation, on the print copy.
    const std::shared_ptr<QVShipment> printCopy = current->copy();
    m_lastPrintCopy = printCopy;
    QVShipment &shipment = *printCopy;
    const bool usePostage = window->usePostageForCurrentShipment();
    const bool stealth = shipmentBool(shipment, QVUSPSShipmentStealthPostageKey);
    const QString rateClass = shipmentText(shipment, QVUSPSShipmentRateClassKey);
    const QString size = shipmentText(shipment, QVUSPSShipmentSizeKey);
    const bool envelopePiece = size == QVUSPSPostcardSize || size == QVUSPSLetterSize;
    const auto setup = QVPrinterSetupController::sharedController();
    const QString labelType = labelTypeForOutput(setup->labelTypeForEnvelope(envelopePiece), m_pendingPDF);
    const QString printerType = setup->printerTypeForEnvelope(envelopePiece);
    const bool envelopeRoad = envelopePiece && labelType == QVPlainPaperLabel;

    if (shipment.isDomestic() && !isEligibleForDomesticIntegratedCustomsForms(shipment))
        removeAllCustomsInformation(shipment);
    const bool integrated = isEligibleForDomesticIntegratedCustomsForms(shipment);
    const auto clients = printFlowClients();
    const bool numbersFromLabelServer =
        defaults().boolForKey(QVUseRedavoKey) || clients->forceVLS() || clients->discountLevel(rateClass, size) > 9;

    if ((labelType == QVEPL2Label || labelType == QVZPLIILabel) && !integrated && !isInternationalForm(shipment) &&
        !isHoldForPickup(shipment) && !QVEPL2LabelController::canShipmentBeConvertedToEPL2(shipment)) {
        printingErrorHasOccurred(QString(QLatin1String("")),
                                 QStringLiteral("Your destination address contains characters that cannot be printed "
                                                "on a Zebra EPL Printer. You can edit the address or change your "
                                                "printer type."));
        return false;
    }
    // Every piece that is not a test is logged: none is bought while the
    // log cannot take its entry.
    if (!test && !mailingLogTakesEntries())
        return false;
    if (usePostage && !test && (!priceIsKnown(shipment) || !balanceCovers(shipment)))
        return false;
    if (usePostage && !test) {
        shipment.setObject(QVUSPSShipmentRHOStampTransaction, QVUSPSShipmentRHOTransactionTypeKey);
        if (window->insuranceChecked()) {
            shipment.setObject(QVUSPSShipmentTolvaneInsuranceType, QVUSPSShipmentInsuranceTypeKey);
            shipment.setObject(tolvaneInsuranceCost(shipment).toString(), QVUSPSShipmentInsurancePriceKey);
        } else {
            shipment.setObject(QVUSPSShipmentNoInsuranceType, QVUSPSShipmentInsuranceTypeKey);
            shipment.removeObjectForKey(QVUSPSShipmentInsurancePriceKey);
        }
    } else if (!usePostage && !test) {
        shipment.setTotalPrice(Decimal::zero());
    }
    shipment.setObject(usePostage, QVUSPSShipmentPostageEnabledKey);
    shipment.setObject(QDateTime::currentDateTime(), QVShipmentPrintDateKey);
    if (defaults().boolForKey(QVUseServiceStandardsKey))
        shipment.setObject(window->estimatedDeliveryText(), QVUSPSShipmentServiceStandardsKey);
    if (isExpressMail(shipment))
        shipment.setObject(window->expressOptionsDictionary(), QVUSPSShipmentExpressMailOptionsKey, false);
    const bool possibleBriskoOne = isPossibleBriskoOne(shipment);

    // C. The road.
    if (takesLocalRoad(shipment, usePostage, possibleBriskoOne)) {
        if (!printLocalIndicium(printCopy,
                                {labelType, test, envelopeRoad, stealth, usePostage, numbersFromLabelServer}))
            return false;
    } else {
        const QVLabelServerRoute route =
            labelServerRouteForShipment(shipment, printerType, labelType, possibleBriskoOne);
        if (!printLabelServerShipment(shipment, test, route))
            return false;
    }
    afterPrint(shipment, test, usePostage);
    return true;
}

// ---- After printing ------------------------------------------------------------

QString QVPrintFlow::callbackPackageXML(const QVShipment &printCopy, const QString &toEmail)
{
    QString xml;
    QXmlStreamWriter writer(&xml);
    writer.writeStartElement(QStringLiteral("Package"));
    writer.writeAttribute(QStringLiteral("ID"), QString());
    const auto element = [&writer](const QString &name, const QString &text) { writer.writeTextElement(name, text); };
    const auto elementIfAny = [&element](const QString &name, const QString &text) {
        if (!text.isEmpty())
            element(name, text);
    };
    const QString number = pieceNumber(printCopy);
    element(QStringLiteral("Status"), QStringLiteral("Success"));
    element(QStringLiteral("PIC"), number.isEmpty() ? QString() : uspsLogPIC(number));
    elementIfAny(QStringLiteral("RetailPostage"), shipmentText(printCopy, QVUSPSShipmentOriginalPostageKey));
    element(QStringLiteral("FinalPostage"), textOr(printCopy, QVShipmentPriceKey, QStringLiteral("0.00")));
    element(QStringLiteral("TransactionID"), textOr(printCopy, QVUSPSShipmentRHOPieceCountKey, QStringLiteral("0")));
    element(QStringLiteral("TransactionDateTime"),
            printCopy.objectForKey(QVShipmentPrintDateKey).toDateTime().toString(QStringLiteral("yyyyMMddHHmmss")));
    element(QStringLiteral("PostmarkDate"), printCopy.shipCalendarDate().toString(QStringLiteral("yyyyMMdd")));
    element(QStringLiteral("ReferenceID"), shipmentText(printCopy, QVShipmentInvoiceNumberKey));
    element(QStringLiteral("Description"), shipmentText(printCopy, QVShipmentDescriptionKey));
    element(QStringLiteral("WeightOz"), prettyWeightInOunces(printCopy));
    element(QStringLiteral("Zone"), zoneNumberString(printCopy));
    if (shipmentText(printCopy, QVUSPSShipmentInsuranceTypeKey) != QVUSPSShipmentNoInsuranceType)
        element(QStringLiteral("InsuranceFee"),
                textOr(printCopy, QVUSPSShipmentInsurancePriceKey, QStringLiteral("0.00")));
    for (const QString &key : {QStringLiteral("RubberStamp1"), QStringLiteral("RubberStamp2")}) {
        if (printCopy.objectForKey(key).isValid())
            element(key, shipmentText(printCopy, key));
    }
    elementIfAny(QStringLiteral("CustomsNumber"), shipmentText(printCopy, QVUSPSShipmentCustomsBarcodeNumberKey));
    elementIfAny(QStringLiteral("ToEMail"), toEmail);
    const QVAddress to = printCopy.toAddress();
    elementIfAny(QStringLiteral("ToAddress"), to.formattedAddress());
    elementIfAny(QStringLiteral("ToName"), to.name());
    writer.writeEndElement();
    return xml;
}

void QVPrintFlow::sendCallback(const QVShipment &printCopy)
{
    const auto window = mainWindowHost();
    QUrl url = m_pendingCallbackURL.value_or(QUrl());
    if (url.isEmpty())
        url = QUrl(defaults().stringForKey(QVDefaultURLHandlerURLKey));
    if (!url.isEmpty()) {
        const QString xml = callbackPackageXML(printCopy, window->toEmailAddressString());
        const std::optional<QVariantMap> plist = rho_propertyListFromXMLFormatNoExceptions(xml);
        const QVariantMap pairs = plist ? plist->value(QStringLiteral("Package")).toMap() : QVariantMap();
        automationServices()->callbackPairs(pairs, url.toString(), QStringLiteral("GET"));
    }
    m_pendingCallbackURL.reset();
}

void QVPrintFlow::runPostPrintScript()
{
    if (!defaults().boolForKey(QVUseScriptPostProcessKey))
        return;
    const QString path = defaults().stringForKey(QVScriptPostProcessKey);
    if (path.isEmpty())
        return;
    const QFileInfo program(path);
    if (!program.isFile() || !program.isExecutable()) {
        runAlert(alertWithText(QStringLiteral("The post-print script could not be loaded."),
                               QStringLiteral("\"%1\" is not a program that can be run.").arg(path)));
        return;
    }
    if (printFlowHost()->isAutomation()) {
        // Nothing waits in automation: the program starts after the current
        // event, its outcome unseen.
        QTimer::singleShot(0, [path] { QProcess::startDetached(path, {}); });
        return;
    }
    if (defaults().boolForKey(QVPostProcessScriptAutomationOnlyKey))
        return;
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(path, {});
    const bool started = process.waitForStarted();
    const bool finished = started && process.waitForFinished(-1);
    if (!started || !finished) {
        runAlert(alertWithText(QStringLiteral("The post-print script could not be run."),
                               QStringLiteral("\"%1\": %2").arg(path, process.errorString())));
    } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        QString informative = QStringLiteral("\"%1\" ended with exit status %2.").arg(path).arg(process.exitCode());
        const QString output = QString::fromLocal8Bit(process.readAll()).trimmed();
        if (!output.isEmpty())
            informative += QStringLiteral("\n\n") + output;
        runAlert(alertWithText(QStringLiteral("The post-print script failed."), informative));
    }
}

void QVPrintFlow::completeWebStoreOrders(const QVShipment &printCopy)
{
    const QStringList orders = printCopy.objectForKey(QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey).toStringList();
    const auto webStore = printingWebStoreServices();
    webStore->completeSales(shipmentText(printCopy, QVUSPSShipmentRHOWebStoreIdKey), orders, pieceNumber(printCopy));
    for (const QString &order : orders)
        webStore->removeOrderWithId(order);
    const auto window = mainWindowHost();
    for (const QString &key : {QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey, QVUSPSShipmentRHOWebStoreIdKey,
                               QVUSPSShipmentRHOWebStoreNameKey})
        window->removeCurrentShipmentPropertyForKey(key);
}

void QVPrintFlow::clearAfterPrint(bool webStoreOrder)
{
    const auto window = mainWindowHost();
    if (defaults().boolForKey(QVClearDestinationAddressAfterPrintKey) || webStoreOrder)
        window->newPackageWithAddressString(QString(), QString(), QString(), true);
    if (defaults().boolForKey(QVClearCustomsAfterPrintKey)) {
        if (const std::shared_ptr<QVShipment> current = window->currentShipment())
            removeAllCustomsInformation(*current);
    }
    if (defaults().boolForKey(QVClearInsuranceAfterPrintKey) || webStoreOrder)
        window->clearAllFields();
    if (defaults().boolForKey(QVClearDimensionsAfterPrintKey)) {
        const std::shared_ptr<QVShipment> current = window->currentShipment();
        if (current && current->isDomestic())
            window->setCurrentShipmentProperty(true, QVShipmentRectangularKey);
        window->setCurrentShipmentProperty(true, QVUSPSShipmentMachinableKey);
    }
}

void QVPrintFlow::afterPrint(QVShipment &printCopy, bool test, bool usePostage)
{
    const auto host = printFlowHost();
    if (test) {
        m_lastShipmentErrored = false;
        host->hideProgressPanel();
        return;
    }
    const auto window = mainWindowHost();
    if (!usePostage && !printCopy.objectForKey(QVUSPSShipmentOriginServerKey).isValid()) {
        host->hideProgressPanel();
        printFlowClients()->sendReceiptForShipment(printCopy);
    }
    if (window->previewSheetIsAttached())
        window->endPreviewSheet();
    if (defaults().boolForKey(QVPrepareEmailAfterPrintKey) &&
        (defaults().boolForKey(QVPrepareEmailAfterPrintEvenIfBlankKey) || !printCopy.toAddress().email().isEmpty()))
        window->prepareEmailNotification();
    window->setCurrentPICCode(pieceNumber(printCopy));
    if (defaults().boolForKey(QVCopyConfirmationNumberAfterPrintKey))
        window->copyConfirmationNumber();
    runPostPrintScript();
    sendCallback(printCopy);
    const bool webStoreOrder = isTolvaneWebStoreOrder(printCopy);
    if (webStoreOrder)
        completeWebStoreOrders(printCopy);
    if (usePostage && !wasShippedBriskoOne(printCopy))
        host->refreshTolvaneStatus();
    window->setShipmentDefaults();
    m_lastShipmentErrored = false;
    m_currentShipmentIsGo = false;
    window->showMasterWindow();
    clearAfterPrint(webStoreOrder);
    window->updateWindow();
    host->hideProgressPanel();
}

} // namespace tolvane
