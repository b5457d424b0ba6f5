// The checks of the window's shipment before anything is bought.
#include "printing/flow/QVPrintFlow.h"

#include "platform/Dialogs.h"
#include "platform/PrintSystem.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/setup/QVPrinterTypes.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QRegularExpression>

namespace tolvane {

namespace {

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

const QString kIncompatibleLabels = QStringLiteral("Incompatible labels.");
const QString kInvalidDestination = QStringLiteral("Invalid destination.");
// The longest recipient line a label prints whole.
constexpr int kLongestAddressLine = 47;
// Length plus girth of the largest package, hundredths of an inch.
constexpr int kLargestLengthPlusGirth = 13000;

bool isEnvelopeSize(const QVShipment &shipment)
{
    const QString size = shipmentText(shipment, QVUSPSShipmentSizeKey);
    return size == QVUSPSLetterSize || size == QVUSPSPostcardSize;
}

bool isFourBySixCapable(const QString &labelType)
{
    return labelType == QVPlainPaperLabel || labelType == QVEPL2Label || labelType == QVZPLIILabel ||
        labelType == QVKIVO8836105Label;
}

void showAlert(const QString &messageText, const QString &informativeText)
{
    runAlert(alertWithText(messageText, informativeText));
}

// The recipient's address is complete enough to ship to (the address part
// of a shippable piece).
bool hasCompleteAddress(const QVShipment &shipment)
{
    if (!shipment.isDomestic())
        return true;
    const QVAddress recipient = shipment.toAddress();
    return !recipient.city().isEmpty() && !recipient.twoLetterState().isEmpty() && !recipient.ZIP5().isEmpty();
}

QStringList recipientLines(const QVShipment &shipment)
{
    return shipment.toAddress().formattedAddress().split(
        QRegularExpression(QStringLiteral("\\r\\n|[\\n\\r\\x{2028}]")));
}

} // namespace

bool QVPrintFlow::incompatibleLabels(const QString &messageText, const QString &informativeText)
{
    Alert alert = alertWithText(messageText, informativeText);
    alert.buttons = {{QStringLiteral("OK"), 1}, {QStringLiteral("Printer Setup"), 0}};
    alert.cancelAnswer = 1;
    if (runAlert(alert) == 0)
        printFlowHost()->showPrinterSetup();
    return false;
}

bool QVPrintFlow::phoneMissing(const QString &messageText, const QString &informativeText)
{
    Alert alert = alertWithText(messageText, informativeText);
    alert.buttons = {{QStringLiteral("Edit Address"), 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    if (runAlert(alert) == 1) {
        if (const auto window = mainWindowHost()) {
            window->closeSheet();
            window->runEditFromAddressSheet();
        }
    }
    return false;
}

bool QVPrintFlow::preflightSize(const QVShipment &shipment)
{
    if (lengthPlusGirth(shipment) <= kLargestLengthPlusGirth)
        return true;
    showAlert(QStringLiteral("Package too large."),
              QStringLiteral("The maximum length plus girth of a package mailed with the USPS is 130 inches."));
    return false;
}

bool QVPrintFlow::preflightPackageData(const QVShipment &shipment)
{
    const auto window = mainWindowHost();
    const bool entered = window->inBatchMode() ? window->preflightBatch() : window->standardizeTextBoxAddress(true);
    // A piece whose address is complete and that still has no price is a
    // piece the price tables do not price: say so.
    if (entered && hasCompleteAddress(shipment) && !priceIsKnown(shipment))
        return false;
    if (entered && shipment.shippable())
        return true;
    if (!window->hasAttachedSheet() && !printFlowHost()->isAutomation())
        showAlert(QStringLiteral("Package information missing."),
                  QStringLiteral("You must provide valid package information before this shipment can be processed."));
    return false;
}

bool QVPrintFlow::preflightServices(const QVShipment &shipment)
{
    const QString confirmation = shipmentText(shipment, QVUSPSShipmentConfirmationServiceKey);
    if (!confirmation.isEmpty() && !isEligibleForSpecialService(shipment, confirmation)) {
        showAlert(kInvalidDestination,
                  QStringLiteral("Confirmation services are not available for mail addressed to any U.S. territory, "
                                 "possession, or Freely Associated State listed in DMM G011, with the exception of "
                                 "Puerto Rico and the U.S. Virgin Islands."));
        return false;
    }
    const QStringList services = shipmentOptionalServices(shipment);
    if ((services.contains(QVUSPSAdultSignatureService) || services.contains(QVUSPSAdultSignatureRestrictedService)) &&
        !isEligibleForSpecialServices(shipment, services)) {
        showAlert(kInvalidDestination,
                  QStringLiteral("Adult signature services are not available for mail addressed to any U.S. "
                                 "territory, possession, or Freely Associated State listed in DMM G011, with the "
                                 "exception of Puerto Rico and the U.S. Virgin Islands."));
        return false;
    }
    if (mainWindowHost()->useStealthPostageForCurrentShipment() && !isEligibleForStealth(shipment)) {
        showAlert(QStringLiteral("Invalid use of stealth postage."),
                  QStringLiteral("You can only use stealth postage on items with tracking or confirmation services."));
        return false;
    }
    return true;
}

bool QVPrintFlow::preflightLabelStock(const QVShipment &shipment, const QString &labelType)
{
    const auto window = mainWindowHost();
    if (shouldContainPIC(shipment)) {
        if (labelType == QVKIVO51204Label || labelType == QVKIVO51203Label)
            return incompatibleLabels(kIncompatibleLabels,
                                      QStringLiteral("You can only use Kivo 51207 or 8836105 labels for printing "
                                                     "postage for packages on the Kivo Tagwright. Please change your "
                                                     "printer and/or label type."));
        if (labelType == QVKIVO72019Label)
            return incompatibleLabels(kIncompatibleLabels,
                                      QStringLiteral("You cannot use Kivo 72019 labels for printing postage for "
                                                     "packages on the Kivo Tagwright. Please change your printer "
                                                     "and/or label type."));
    }
    if (shipmentText(shipment, QVUSPSShipmentRateClassKey) == QVUSPSBoundPrintedMatter &&
        window->usePostageForCurrentShipment()) {
        showAlert(QStringLiteral("Bound Printed Matter not available."),
                  QStringLiteral("Bound Printed Matter is no longer available with postage."));
        return false;
    }
    if (window->insuranceChecked() && !printFlowClients()->insuranceAgreement() &&
        !printFlowHost()->agreeToInsuranceTerms())
        return false;

    const bool capable = isFourBySixCapable(labelType);
    if (window->isExpressMail()) {
        if (!capable)
            return incompatibleLabels(kIncompatibleLabels,
                                      QStringLiteral("You can only use plain paper, Zebra or Kivo 4\"x6\" thermal "
                                                     "labels for printing Priority Mail Express. Please change your "
                                                     "printer or mail class."));
        if (shipment.fromAddress().phoneWithNoPunctuation().isEmpty())
            return phoneMissing(QStringLiteral("Priority Mail Express requires your phone number."),
                                QStringLiteral("USPS regulations require your phone number to send Priority Mail "
                                               "Express shipments. Please edit the current from address and add your "
                                               "phone number to prepare this shipment."));
    }
    if (isCertifiedMail(shipment) && shipmentText(shipment, QVUSPSShipmentSizeKey) != QVUSPSLetterSize && !capable)
        return incompatibleLabels(kIncompatibleLabels,
                                  QStringLiteral("You can only use plain paper, Zebra or Kivo 4\"x6\" thermal labels "
                                                 "for printing this type of Certified Mail. Please change your "
                                                 "printer type to print this label."));
    if (isHoldForPickup(shipment)) {
        if (!capable)
            return incompatibleLabels(kIncompatibleLabels,
                                      QStringLiteral("You can only use plain paper, Zebra or Kivo 4\"x6\" thermal "
                                                     "labels for printing Hold For Pickup. Please change your printer "
                                                     "type to print this label."));
        const QVAddress to = shipment.toAddress();
        if (to.phoneWithNoPunctuation().isEmpty() && to.email().isEmpty() && window->toEmailAddressString().isEmpty()) {
            showAlert(QStringLiteral("Hold For Pickup requires an email address or SMS-capable phone number."),
                      QStringLiteral("The Hold For Pickup service requires a valid e-mail address or SMS notification "
                                     "number for the addressee."));
            window->focusToEmailField();
            return false;
        }
    }
    return true;
}

bool QVPrintFlow::preflightCustoms(const QVShipment &shipment)
{
    const QString formType = shipmentText(shipment, QVUSPSShipmentCustomsFormTypeKey);
    if (formType.isEmpty() || formType == QVUSPSShipmentNoCustomsFormType ||
        (shipment.isDomestic() && !isEligibleForDomesticIntegratedCustomsForms(shipment)))
        return true;
    if (shipment.objectForKey(QVShipmentItemsKey).toList().isEmpty()) {
        showAlert(QStringLiteral("Your shipment requires a customs form."),
                  QStringLiteral("USPS regulations require shipment contents to be entered for shipments going out "
                                 "of the country. Please describe the items you are shipping."));
        const auto window = mainWindowHost();
        if (!window->hasAttachedSheet())
            window->showCustomsFormSheet();
        return false;
    }
    if (shipment.fromAddress().phoneWithNoPunctuation().isEmpty())
        return phoneMissing(QStringLiteral("Customs forms require your phone number."),
                            QStringLiteral("USPS regulations require your phone number to send international "
                                           "shipments with electronic customs forms. Please edit the current from "
                                           "address and add your phone number to prepare this shipment."));
    return true;
}

bool QVPrintFlow::preflightAccountAndPrinter(const QString &printerType)
{
    if (mainWindowHost()->usePostageForCurrentShipment() &&
        printFlowClients()->lastValidAccountStatus() == QLatin1String("V")) {
        showAlert(QStringLiteral("Your postage account has not been set up."),
                  QStringLiteral("Your passphrase has not been changed from its initial setting, the account setup "
                                 "wizard will now launch."));
        printFlowHost()->showTolvaneWizard();
        return false;
    }
    if (printerType == QVKIVOTagwrightPrinter)
        return KIVONewTagwright::printerAvailable();
    if (printerType == QVPlainPaperPrinter) {
        const std::optional<QList<PrintQueue>> queues = printSystem()->queues();
        if (!queues || queues->isEmpty()) {
            showAlert(QStringLiteral("No printers installed."),
                      QStringLiteral("You must have at least one printer installed on your computer to continue."));
            return false;
        }
    }
    return true;
}

bool QVPrintFlow::preflightCurrentShipment()
{
    const auto window = mainWindowHost();
    const std::shared_ptr<QVShipment> current = window ? window->currentShipment() : nullptr;
    if (!current)
        return false;
    const QVShipment &shipment = *current;
    if (!printFlowHost()->validateVersionForPrinting() || !preflightSize(shipment) || !preflightPackageData(shipment))
        return false;
    if (window->hasAttachedSheet() && !window->previewSheetIsAttached())
        return false;
    const auto setup = QVPrinterSetupController::sharedController();
    const bool envelope = isEnvelopeSize(shipment);
    const QString printerType = setup->printerTypeForEnvelope(envelope);
    const QString labelType = setup->labelTypeForEnvelope(envelope);
    if (!preflightServices(shipment) || !preflightLabelStock(shipment, labelType) || !preflightCustoms(shipment) ||
        !preflightCurrentAddress())
        return false;
    if (envelope && labelType != QVKIVO51203Label && labelType != QVKIVO51204Label && labelType != QVPlainPaperLabel)
        return incompatibleLabels(
            QStringLiteral("Letter mail requires direct envelope/postcard printing or Kivo PC Postage labels."),
            QStringLiteral("You can use Kivo 51204 or 51203 labels for printing Postcard or Letter postage or print "
                           "directly to your mailpiece using a plain-paper printer. Please change your printer "
                           "and/or label type or consider using Zevavored Azozudu."));
    if (!preflightAccountAndPrinter(printerType))
        return false;
    m_currentShipmentIsGo = true;
    return true;
}

void QVPrintFlow::reportAddressError(const QString &text)
{
    printingErrorHasOccurred(QString(QLatin1String("")), text);
}

bool QVPrintFlow::preflightCurrentAddress()
{
    const auto window = mainWindowHost();
    const std::shared_ptr<QVShipment> current = window ? window->currentShipment() : nullptr;
    if (!current)
        return false;
    const QVShipment &shipment = *current;
    const QString formType = shipmentText(shipment, QVUSPSShipmentCustomsFormTypeKey);
    if (formType.isEmpty())
        return true;
    const bool integrated = isEligibleForDomesticIntegratedCustomsForms(shipment);
    const bool plainDomestic = shipment.isDomestic() && !integrated;
    const QStringList lines = recipientLines(shipment);
    const QString tooManyLines = QStringLiteral(
        "The maximum number of address lines for this shipment including the country name is %1. There are "
        "currently %2.");
    if (formType != QVUSPSShipmentNoCustomsFormType) {
        int limit = 7;
        if (!plainDomestic) {
            const QString labelType =
                QVPrinterSetupController::sharedController()->labelTypeForEnvelope(isEnvelopeSize(shipment));
            if (formType == QVUSPSShipment2976FCMICustomsFormType || formType == QVUSPSShipment2976PMICustomsFormType ||
                (labelType != QVPlainPaperLabel && !defaults().boolForKey(QVOverride2976APrintInfoKey)))
                limit = 5;
        }
        if (lines.size() > limit) {
            reportAddressError(tooManyLines.arg(limit).arg(lines.size()));
            return false;
        }
    }
    if (plainDomestic || formType == QVUSPSShipmentNoCustomsFormType)
        return true;

    // The country line is the post office's, never measured.
    const QStringList measured = shipment.isDomestic() ? lines : lines.mid(0, lines.size() - 1);
    for (const QString &line : measured) {
        if (line.size() <= kLongestAddressLine)
            continue;
        const QString text = QStringLiteral("Your recipient address contains lines longer than 47 characters. These "
                                            "extra characters will prevent your label from printing.");
        if (printFlowHost()->isAutomation()) {
            reportAddressError(text);
        } else {
            Alert alert = alertWithText(QStringLiteral("Shipment address too long."), text);
            alert.buttons = {{QStringLiteral("Edit Address"), 1}};
            alert.cancelAnswer = 1;
            runAlert(alert);
            window->focusDestinationAddress();
        }
        return false;
    }
    return true;
}

} // namespace tolvane
