// MasterController: the texts that tell where the next label prints, how the
// account stands and what the piece costs (status line, print button and
// print menu item, printer summary of the print preview, postage account
// box), the window's reaction to a new status reply of the postage account,
// and the Option key that inverts "previewOnPrint" while it is held.
#include "app/mainwindow/MasterController.h"

#include "model/QVShipment.h"
#include "model/TemplateSubstitution.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClass.h"

namespace {

const QString kPreviewOnPrintDefault = QStringLiteral("previewOnPrint");
const QString kOverride2976ADefault = QStringLiteral("override2976APrintInfo");
const QString kOverrideFCMIDefault = QStringLiteral("overrideFCMIPrintInfo");
const QString kKivoSettingsDefault = QStringLiteral("kivoSettings");
const QString kZebraUseSerialDefault = QStringLiteral("zebraUseSerial");
const QString kZebraSerialPathDefault = QStringLiteral("zebraSerialPath");
const QString kAdvancedZebraPathDefault = QStringLiteral("advancedZebraPath");
const QString kMailedFromZIP5Default = QStringLiteral("mailedFromZIP5");
const QString kUseSep14RatesDefault = QStringLiteral("useSep14Rates");
const QString kSenderAddressDefault = QStringLiteral("senderAddress");
const QString kFromAddressDefault = QStringLiteral("fromAddress");

// Purpose keys of the plain-paper print settings.
const QString kEnvelopePrintInfo = QStringLiteral("envelopePrintInfo");
const QString kPlainPaperPrintInfo = QStringLiteral("plainPaperPrintInfo");
// The 2976-A sheet's own settings, and those of the 2976 label.
const QString kGEMPrintInfo = QStringLiteral("gemPrintInfo");
const QString kFCMIPrintInfo = QStringLiteral("fcmiPrintInfo");

// The label printer driver's code of the left roll.
const QString kLeftTrayCode = QStringLiteral("aLft");

// The status line when the window's layout gives none.
const QString kDefaultStatusTemplate =
    QStringLiteral("Account <%accountNumber%> <%accountStatus%>   Balance: $<%balance%>   Printer: <%printerType%>");

const QString kEllipsis = QStringLiteral("…");

// An amount of money as the account box shows it: rounded to cents, always
// two decimals ("5.50", "-0.50", "95.00").
QString moneyText(const Decimal &amount)
{
    QString text = amount.rounded(2).toString();
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point < 0)
        return text + QStringLiteral(".00");
    return text.leftJustified(point + 3, QLatin1Char('0'));
}

} // namespace

MasterController::PrinterChoice MasterController::printerChoice() const
{
    const QVShipment &s = *m_currentShipment;
    const QString size = shipmentText(s, QVUSPSShipmentSizeKey);
    const bool envelope = size == QVUSPSLetterSize || size == QVUSPSPostcardSize;
    PrinterChoice choice{m_env.printing->printerTypeForEnvelope(envelope),
                         m_env.printing->labelTypeForEnvelope(envelope), kPlainPaperPrintInfo};
    const QString formType = shipmentText(s, QVUSPSShipmentCustomsFormTypeKey);
    const bool labelPrinterOtherStock =
        choice.printerType == QVKIVOTagwrightPrinter && choice.labelType != QVKIVO8836105Label;
    const auto plainPaper = [&choice](const QString &key) {
        choice.printerType = QVPlainPaperPrinter;
        choice.labelType = QVPlainPaperLabel;
        choice.infoKey = key;
    };
    if (envelope) {
        choice.infoKey = kEnvelopePrintInfo;
    } else if (!s.isDomestic() &&
               (formType == QVUSPSShipment2976AEMICustomsFormType ||
                formType == QVUSPSShipment2976APMICustomsFormType)) {
        if (defaults().boolForKey(kOverride2976ADefault) || labelPrinterOtherStock)
            plainPaper(kGEMPrintInfo);
    } else if ((!s.isDomestic() &&
                (formType == QVUSPSShipment2976FCMICustomsFormType ||
                 formType == QVUSPSShipment2976PMICustomsFormType)) ||
               (s.isDomestic() && isEligibleForDomesticIntegratedCustomsForms(s))) {
        const bool fcmi = defaults().boolForKey(kOverrideFCMIDefault);
        if (fcmi || labelPrinterOtherStock)
            plainPaper(fcmi ? kFCMIPrintInfo : kPlainPaperPrintInfo);
    }
    return choice;
}

QString MasterController::printerSummaryText() const
{
    const PrinterChoice choice = printerChoice();
    const QString printer =
        m_env.printing->printerNameForPrinterType(choice.printerType, choice.labelType, choice.infoKey);
    // With no queue the line says so rather than staying blank.
    QString text = (printer.isEmpty() ? noPrinterText() : printer) + QLatin1Char('\n');
    const QString size = shipmentText(*m_currentShipment, QVUSPSShipmentSizeKey);
    if (choice.printerType == QVKIVOTagwrightPrinter) {
        const QVariant tray = defaults()
                                  .dictionaryForKey(kKivoSettingsDefault)
                                  .value(choice.labelType)
                                  .toMap()
                                  .value(QStringLiteral("tray"));
        if (tray.isValid() && tray.toString() != QStringLiteral("0")) {
            text += tray.toString() == kLeftTrayCode ? QStringLiteral("Left") : QStringLiteral("Right");
            text += QStringLiteral(" Roll\n");
        }
        static const QMap<QString, QString> stocks = {
            {QVKIVO51207Label, QStringLiteral("51207 3-Part Label")},
            {QVKIVO51204Label, QStringLiteral("51204 2-Part Label")},
            {QVKIVO51203Label, QStringLiteral("51203 3-Part Label")},
            {QVKIVO72019Label, QStringLiteral("72019 1-Part Label")},
            {QVKIVO8836105Label, QStringLiteral("8836105 4\"x6\" Label")},
        };
        text += stocks.value(choice.labelType);
    } else if (size == QVUSPSLetterSize) {
        text += m_env.printing->currentEnvelopeSummaryString();
    } else if (size == QVUSPSPostcardSize) {
        text += m_env.printing->currentPostcardSummaryString();
    } else if (choice.printerType == QVZebra2844Printer) {
        if (defaults().boolForKey(kZebraUseSerialDefault))
            text += QStringLiteral("on\n") + defaults().stringForKey(kZebraSerialPathDefault);
        else if (!defaults().boolForKey(kAdvancedZebraPathDefault))
            text += QStringLiteral("connected via\nUSB");
    }
    return text;
}

void MasterController::updatePrinterSummaryText()
{
    const QString summary = printerSummaryText();
    m_form.setText(FormControl::PreviewPrinterSummary, summary);
    FormPopUp &options = m_form.popUp(FormControl::PreviewPrinterOptions);
    if (!options.menu.itemWithTag(0))
        options.menu.items.prepend(FormMenuItem{0, QString()});
    // The pop-up shows its print item, on one line: "Print to" and the
    // summary's lines, or that there is no printer.
    QStringList lines = summary.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    options.menu.itemWithTag(0)->title = lines.value(0) == noPrinterText()
        ? noPrinterText()
        : QStringLiteral("Print to %1").arg(lines.join(QStringLiteral(", ")));
    options.selectItemWithTag(0);
}

QString MasterController::printItemTitleForCurrentMode() const
{
    if (m_batchMode)
        return QStringLiteral("Prepare Batch Print Job") + kEllipsis;
    QString title = defaults().boolForKey(kPreviewOnPrintDefault)
        ? QStringLiteral("Prepare Label for Printing") + kEllipsis
        : QStringLiteral("Print Label");
    const QString size = shipmentText(*m_currentShipment, QVUSPSShipmentSizeKey);
    if (printerChoice().labelType == QVPlainPaperLabel) {
        if (size == QVUSPSLetterSize)
            title.replace(QStringLiteral("Label"), QStringLiteral("Envelope"));
        else if (size == QVUSPSPostcardSize)
            title.replace(QStringLiteral("Label"), QStringLiteral("Postcard"));
    }
    return title;
}

void MasterController::updatePrintButton()
{
    const QString title = printItemTitleForCurrentMode();
    m_form.setText(FormControl::MainPrintButton, title);
    if (m_env.shell->isStandardPrintingMode())
        m_form.setText(FormControl::PrintMenuItem, title);
}

void MasterController::updateStatusTextLine()
{
    if (!m_statusTemplate) {
        const QString laidOut = m_form.text(FormControl::StatusTextLine);
        m_statusTemplate = laidOut.isEmpty() ? kDefaultStatusTemplate : laidOut;
    }
    QVariantMap values;
    if (const std::optional<MasterStatusReply> reply = trustedStatus()) {
        values.insert(QStringLiteral("accountNumber"), QString::number(reply->serialNumber));
        values.insert(QStringLiteral("accountStatus"), reply->accountStatusWord);
        values.insert(QStringLiteral("balance"), reply->balanceText);
    }
    const PrinterChoice choice = printerChoice();
    values.insert(QStringLiteral("printerType"),
                  m_env.printing->printerNameForPrinterType(choice.printerType, choice.labelType, choice.infoKey));
    m_form.setText(
        FormControl::StatusTextLine,
        stringByReplacingKeysInDictionary(*m_statusTemplate, values, QStringLiteral("<%"), QStringLiteral("%>"), true));
}

std::optional<MasterStatusReply> MasterController::trustedStatus()
{
    if (std::optional<MasterStatusReply> reply = m_env.postageStatus->lastValidStatusResponse()) {
        m_lastKnownStatus = reply;
        return reply;
    }
    if (m_lastKnownStatus && !m_env.postageStatus->accountNumber().isEmpty() &&
        m_env.postageStatus->accountNumber() == QString::number(m_lastKnownStatus->serialNumber))
        return m_lastKnownStatus;
    return std::nullopt;
}

void MasterController::updatePostageAccountBox()
{
    QString balanceText = QStringLiteral("0.00");
    Decimal balance = Decimal::zero();
    if (const std::optional<MasterStatusReply> reply = trustedStatus()) {
        balanceText = reply->balanceText;
        balance = reply->balance;
    }
    const QVShipment &s = *m_currentShipment;
    Decimal postage = decimalFromVariant(s.objectForKey(QVUSPSShipmentPostageKey)).value_or(Decimal::zero());
    if (postage.isNaN())
        postage = Decimal::zero();
    Decimal original = decimalFromVariant(s.objectForKey(QVUSPSShipmentOriginalPostageKey)).value_or(Decimal::zero());
    if (original.isNaN() || original == Decimal::zero())
        original = postage;
    m_form.setText(FormControl::RatePostage, moneyText(original));
    m_form.setText(FormControl::RateSavings, moneyText(postage - original));

    // Whether the piece prints with postage shows above the amounts.
    m_form.setText(FormControl::PostageState, usePostageForCurrentShipment() ? postageOnText() : postageOffText());
    Decimal total = usePostageForCurrentShipment() ? s.totalPrice() : Decimal::zero();
    if (total.isNaN())
        total = Decimal::zero();
    const Decimal ending = balance - total;
    m_form.setText(FormControl::TolvaneBalance, balanceText);
    m_form.setText(FormControl::PreviewCurrentBalance, balanceText);
    m_form.setText(FormControl::RateTotalPostage, moneyText(total));
    m_form.setText(FormControl::PreviewPostageDebitAmount, moneyText(total));
    m_form.setText(FormControl::TolvaneEndingBalance, moneyText(ending));
    m_form.setText(FormControl::PreviewEndingBalance, moneyText(ending));
}

void MasterController::tolvaneStatusDidChange(const std::optional<MasterStatusReply> &reply)
{
    if (!reply)
        return;
    UserDefaults &d = defaults();
    if (d.stringForKey(kFromAddressDefault) == QStringLiteral("tolvane"))
        updateFromAddress();
    if (reply->licenseZIP5 != d.stringForKey(kMailedFromZIP5Default))
        d.setString(reply->licenseZIP5, kMailedFromZIP5Default);
    if (m_env.zoneCharts)
        m_env.zoneCharts->buildZoneChartIfNotExistsForZIP(reply->licenseZIP5);
    setCurrentShipmentProperty(reply->licenseZIP5, QVUSPSShipmentMailedFromZIP5Key);

    const QVUSPSRateYear &september = QVUSPSRateClass::ratesForDate(QDateTime(QDate(2014, 9, 7), QTime(12, 0)));
    const QVUSPSRateYear &current = QVUSPSRateClass::ratesForDate(now());
    if (&current != &september && reply->returnDateTime.isValid() &&
        &QVUSPSRateClass::ratesForDate(reply->returnDateTime) == &september)
        d.setBool(true, kUseSep14RatesDefault);

    if (reply->physicalAddress != m_lastPhysicalAddress) {
        m_lastPhysicalAddress = reply->physicalAddress;
        std::optional<QVAddress> standardized;
        if (m_env.addressCorrection)
            standardized = m_env.addressCorrection->standardizedAddressWithString(reply->physicalAddress, true);
        QVAddress sender = standardized.value_or(QVAddress());
        sender.setName(reply->name);
        d.setObject(sender.plist(), kSenderAddressDefault);
    }
    updatePostageAccountBox();
    updateStatusTextLine();
}

void MasterController::myFlagsChanged(quint32 flags)
{
    if (!m_env.shell->isStandardPrintingMode())
        return;
    const bool down = (flags & QVOptionKeyMask) != 0;
    if (down == m_optionKeyDown)
        return;
    m_optionKeyDown = down;
    m_printMenuModifiers = down ? (QVCommandKeyMask | QVOptionKeyMask) : QVCommandKeyMask;
    defaults().setBool(!defaults().boolForKey(kPreviewOnPrintDefault), kPreviewOnPrintDefault);
}
