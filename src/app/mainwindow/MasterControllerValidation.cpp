// MasterController: the small rules that keep the user from entering what
// cannot be printed or bought. The destination box's lines that will not
// fit a customs form or an integrated label are marked (ranges the view
// colours red); the reply-postage and insurance check boxes are enabled only
// when the shipment allows them; menu items are enabled and titled by the
// window's state; and the window's small actions that only hand over to
// another part.
//
// The insured value is capped at the vendor insurance's maximum: when the
// box is on and the value typed is above it, the shipment stores the
// maximum and the value field shows it, so that the window never shows a
// value that is not the one insured.
#include "app/mainwindow/MasterController.h"
#include "app/shell/QVMenus.h"

#include "model/NumericFormatters.h"
#include "model/QVShipment.h"
#include "model/StringAdditions.h"
#include "platform/UserDefaults.h"
#include "rateengine/RateOptionalServices.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassNames.h"

namespace {

const QString kPreviewOnPrintDefault = QStringLiteral("previewOnPrint");
const QString kUseInsuranceDefault = QStringLiteral("useInsurance");
const QString kOverride2976APrintInfoDefault = QStringLiteral("override2976APrintInfo");
const QString kFromAddressDefault = QStringLiteral("fromAddress");
const QString kShowStatusBarDefault = QStringLiteral("showStatusBarOnMasterControl");

// The insurance box's title when the window gives none with a place for
// the fee.
const QString kInsuranceTitleFormat = QStringLiteral("Tolvane Insurance (%@)");

// A line longer than this does not fit the customs form's address block.
constexpr qsizetype kLongestLine = 47;

bool isLineBreak(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

// The number of the value field's text (a small expression, "$" and ","
// ignored); nothing when it holds none.
std::optional<Decimal> valueFieldNumber(const QString &text)
{
    QVariant value;
    if (!ExpressionFormatter().getObjectValue(&value, text, nullptr) || !value.isValid())
        return std::nullopt;
    const Decimal number = value.value<Decimal>();
    if (number.isNaN())
        return std::nullopt;
    return number;
}

} // namespace

// ---- Address line warnings ---------------------------------------------------------

void MasterController::updateCharacterCountWarning()
{
    m_redRanges.clear();
    const QString text = m_form.text(FormControl::ToAddress);
    const QVShipment &s = *m_currentShipment;
    const bool integrated = isEligibleForDomesticIntegratedCustomsForms(s);
    const bool international = !s.isDomestic();
    if (text.isEmpty() || (!international && !integrated))
        return;

    const QString size = shipmentText(s, QVUSPSShipmentSizeKey);
    const QString labelType =
        m_env.printing->labelTypeForEnvelope(size == QVUSPSPostcardSize || size == QVUSPSLetterSize);
    const bool hasForm = s.dictionary().contains(QVUSPSShipmentCustomsFormTypeKey);
    const QString form = shipmentText(s, QVUSPSShipmentCustomsFormTypeKey);
    const bool fcmiOrPmi =
        form == QVUSPSShipment2976FCMICustomsFormType || form == QVUSPSShipment2976PMICustomsFormType;
    bool sixLines = false;
    if (hasForm) {
        sixLines = ((international || integrated) && fcmiOrPmi) ||
            (!fcmiOrPmi && form != QVUSPSShipmentNoCustomsFormType && labelType != QVPlainPaperLabel &&
             !defaults().boolForKey(kOverride2976APrintInfoDefault));
    }
    MasterLineLimits limits;
    limits.sixLines = sixLines;
    limits.eightLines = hasForm && form != QVUSPSShipmentNoCustomsFormType;
    if (s.shippable() && international)
        limits.exemptLastLine = m_to.country();
    m_redRanges = markedLineRanges(text, limits);
}

QList<MasterTextRange> MasterController::markedLineRanges(const QString &text, const MasterLineLimits &limits)
{
    QList<MasterTextRange> ranges;
    const qsizetype length = text.size();
    qsizetype position = 0;
    int number = 0;
    for (;;) {
        // Line breaks and blank lines between lines, and the white space a
        // line starts with, are passed over.
        while (position < length && text.at(position).isSpace())
            ++position;
        if (position >= length)
            break;
        qsizetype end = position;
        while (end < length && !isLineBreak(text.at(end)))
            ++end;
        ++number;
        const qsizetype lineLength = end - position;

        if ((limits.sixLines && number > 5) || (limits.eightLines && number > 7)) {
            ranges.append({position, lineLength});
        } else if (lineLength > kLongestLine) {
            qsizetype next = end;
            while (next < length && text.at(next).isSpace())
                ++next;
            const bool exempt = next >= length && !limits.exemptLastLine.isEmpty() &&
                QStringView(text).mid(position, lineLength).compare(limits.exemptLastLine, Qt::CaseInsensitive) == 0;
            if (!exempt)
                ranges.append({position + kLongestLine, lineLength - kLongestLine});
        }
        position = end;
    }
    return ranges;
}

// ---- Check boxes --------------------------------------------------------------------

void MasterController::validateReplyPostageCheckbox()
{
    const bool allowed = m_currentShipment->isDomestic() && !isExpressMail();
    const bool stored = shipmentBool(*m_currentShipment, QVUSPSShipmentReplyPostageKey);
    FormCheckBox &box = m_form.checkBox(FormControl::ReplyPostage);
    box.enabled = allowed;
    box.on = allowed && stored;
    if (stored && !allowed)
        packagePropertiesChanged(FormControl::ReplyPostage); // writes NO, rebuilds the return address
    m_form.field(FormControl::MainPDFButton).visible = !defaults().boolForKey(kPreviewOnPrintDefault);
}

void MasterController::validateInsuranceCheckbox()
{
    // The texts as the window laid them out, kept from the first time.
    if (!m_insuranceAboutText)
        m_insuranceAboutText = m_form.text(FormControl::InsuranceAbout);
    if (m_insuranceTitleFormat.isEmpty()) {
        const QString laidOut = m_form.field(FormControl::UseInsurance).text;
        m_insuranceTitleFormat = laidOut.contains(QStringLiteral("%@")) ? laidOut : kInsuranceTitleFormat;
    }
    m_form.setText(FormControl::InsuranceAbout, *m_insuranceAboutText);

    FormCheckBox &box = m_form.checkBox(FormControl::UseInsurance);
    if (m_env.insurance->insuranceAgreement() && !m_env.insurance->tolvaneInsuranceAllowed()) {
        box.enabled = false;
        box.on = false;
        m_form.setText(FormControl::InsuranceAbout,
                       QStringLiteral("Your account is no longer eligible for Tolvane Insurance."));
    } else {
        const std::optional<Decimal> value = valueFieldNumber(m_form.text(FormControl::Value));
        const bool insurable = value && *value > Decimal::zero() && usePostageForCurrentShipment() &&
            !m_env.insurance->insuranceCost(*m_currentShipment).isZero();
        box.enabled = insurable;
        box.on = insurable && defaults().boolForKey(kUseInsuranceDefault);
        const Decimal maximum(GetMaxTolvaneInsurance());
        if (box.on && *value > maximum) {
            // Stored and shown alike: the piece is insured for the maximum.
            setCurrentShipmentProperty(QVariant::fromValue(maximum), QVShipmentValueKey);
            m_form.setText(FormControl::Value, maximum.toString());
        }
    }

    const Decimal fee = m_env.insurance->insuranceCost(*m_currentShipment);
    m_previewInsuranceAmount = box.on ? fee : Decimal::zero();
    QString title = m_insuranceTitleFormat;
    title.replace(QStringLiteral("%@"), QLatin1Char('$') + twoDigitDollarFormatter().stringFromNumber(fee));
    m_form.field(FormControl::UseInsurance).text = title;
}

// ---- Menu items -------------------------------------------------------------------

MasterMenuItemState MasterController::validateMenuItem(const MasterMenuItem &item) const
{
    const bool standardMode = m_env.shell->isStandardPrintingMode();
    if (item.inReturnAddressPopUp) {
        if (item.title == QLatin1String("Clear List"))
            return {!fromNames().isEmpty(), std::nullopt};
        if (item.title == QLatin1String("Delete Current Address")) {
            const QString current = defaults().stringForKey(kFromAddressDefault);
            return {current != QLatin1String("me") && current != QLatin1String("tolvane"), std::nullopt};
        }
        if (item.title == QLatin1String("Tolvane Account Address"))
            return {m_env.postageStatus->hasLastValidStatusResponse(), std::nullopt};
        return {true, std::nullopt};
    }
    const bool inViewMenu = item.menuTitle == QLatin1String("View");
    if (inViewMenu && item.title.contains(QLatin1String("Status Bar"))) {
        return {true,
                defaults().boolForKey(kShowStatusBarDefault) ? QStringLiteral("Hide Status Bar")
                                                             : QStringLiteral("Show Status Bar")};
    }
    if (item.action == QLatin1String("standardizeTextBoxAddress:"))
        return {standardMode, std::nullopt};
    if (inViewMenu && item.title.contains(QLatin1String("Optional Details"))) {
        return {standardMode,
                m_form.disclosable(FormControl::OptionalView).shown ? QStringLiteral("Hide Optional Details")
                                                                    : QStringLiteral("Show Optional Details")};
    }
    if (item.action == QLatin1String("copyConfirmationNumber:"))
        return {!m_currentPICCode.isEmpty(), std::nullopt};
    if (item.action == QLatin1String("addToAddressBook:"))
        return {m_form.field(FormControl::DragView).enabled, std::nullopt};
    if (item.action == QLatin1String("weigh:"))
        return {standardMode || m_env.stampWindow->currentMode() == 2, std::nullopt};
    if (item.action == QLatin1String("printSelected:")) {
        if (standardMode)
            return {true, std::nullopt};
        if (m_env.stampWindow->currentMode() == 2)
            return {false, std::nullopt};
        return {m_env.stampWindow->selectedCellCount() > 0, std::nullopt};
    }
    return {true, std::nullopt};
}

void MasterController::registerMenuValidation(QVMenuActions &actions)
{
    std::weak_ptr<int> alive = m_alive;
    actions.setValidator([this, alive](const QVMenuItem &item, const QString &menuTitle) -> QVMenuItemValidation {
        if (alive.expired())
            return {true, std::nullopt};
        const MasterMenuItemState state = validateMenuItem({item.action, item.title, menuTitle, false});
        return {state.enabled, state.title};
    });
}

// ---- Small actions --------------------------------------------------------------------

void MasterController::addressBookImport() { m_env.handOvers->importAddressFile(); }

void MasterController::serviceSummary()
{
    const QVShipment &s = *m_currentShipment;
    if (!s.isDomestic())
        m_env.handOvers->showInternationalInformation(m_to.country());
    else if (isMilitaryMail(s))
        m_env.handOvers->showAPORestrictions(s.mailedToZIP5());
}

void MasterController::copyConfirmationNumber()
{
    const QString number = uspsLogPIC(m_currentPICCode);
    if (!number.isEmpty())
        m_env.clipboard->setText(number);
}

void MasterController::prepareEmailNotification() { m_env.handOvers->sendLastShipmentEmailNotification(); }

void MasterController::launchUSPSExpressMailCommitmentsSite()
{
    const QVShipment &s = *m_currentShipment;
    m_env.handOvers->showExpressMailCommitments(s.objectForKey(QVShipmentShipDateKey).toDateTime(),
                                                s.mailedFromZIP5().value_or(QString()), s.mailedToZIP5());
}
