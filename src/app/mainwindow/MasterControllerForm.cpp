// MasterController: the form into the shipment (packagePropertiesChanged),
// the weight text, the confirmation pop-up and the weight menu of a class.
#include "app/mainwindow/MasterController.h"
#include "app/mainwindow/MasterWeightClass.h"

#include "model/ExpressionEvaluator.h"
#include "model/NumericFormatters.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "services/QVRHOLabelNumberCommandCenter.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QString kUseServiceStandardsDefault = QStringLiteral("useServiceStandards");
const QString kUseInsuranceDefault = QStringLiteral("useInsurance");
const QString kUsePoundsForFirstClassDefault = QStringLiteral("usePoundsForFirstClass");
const QString kUsePoundsForOtherClassesDefault = QStringLiteral("usePoundsForOtherClasses");
const QString kNoCustomsOnFCMIDefault = QStringLiteral("noCustomsOnFCMI");

// The leading number of a text as a C library reads it (white space, a
// sign, digits with one point, an exponent); 0 when it starts with none.
double leadingDoubleValue(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?)"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(1).toDouble() : 0.0;
}

// The number of a weight text: the text without its units and spaces,
// evaluated as a sum; the text's leading number when that fails.
double weightNumber(const QString &text)
{
    QString stripped = text;
    for (const char *unit : {"ozs", "oz", "lbs", "lb", " "})
        stripped.remove(QString::fromLatin1(unit));
    try {
        const std::optional<Decimal> value = ExpressionEvaluator::evaluateExpression(stripped);
        return value ? value->toDouble() : 0.0;
    } catch (const ExpressionError &) {
        return leadingDoubleValue(text);
    }
}

// Keeps a parsed number within what the weight look-ups take.
double boundedWeight(double value)
{
    if (!std::isfinite(value))
        return value > 0 ? 1e6 : 0.0;
    return std::clamp(value, -1e6, 1e6);
}

// A measurement field's text in whole hundredths of an inch, truncated; 0
// for an empty field or one that holds no number.
int hundredths(const QString &text)
{
    const std::optional<Decimal> value = Decimal::parse(text.trimmed());
    if (!value)
        return 0;
    const std::optional<qint64> whole = Decimal::multiplyByPowerOf10(*value, 2).toInt64();
    if (!whole)
        return 0;
    return int(std::clamp<qint64>(*whole, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

void MasterController::destinationCheck()
{
    if (m_view && m_view->hasAttachedSheet())
        return;
    run(m_env.hooks.standardizeTextBoxAddress);
}

void MasterController::packagePropertiesChanged(FormControl sender)
{
    if (m_view)
        m_view->commitEditing();
    const bool international = m_isInternational;

    switch (sender) {
    case FormControl::PieceSize: {
        const std::optional<qsizetype> tag = m_form.popUp(FormControl::PieceSize).selectedTag();
        const QString size = tag ? QVUSPSRateClass::pieceSizeForTag(*tag) : QString();
        if (!size.isNull())
            setCurrentShipmentProperty(size, QVUSPSShipmentSizeKey);
        resetWeightMenuForNewRateClass();
        break;
    }
    case FormControl::MailClass: {
        const std::optional<qsizetype> tag = m_form.popUp(FormControl::MailClass).selectedTag();
        QString name;
        if (tag)
            name =
                international ? QVUSPSIntlRateClass::rateClassForTag(*tag) : QVUSPSRateClass::rateClassNameForTag(*tag);
        if (name.isNull())
            qWarning().noquote() << "MasterController: no mail class for the chosen item";
        else
            setCurrentShipmentProperty(name, QVUSPSShipmentRateClassKey);
        resetWeightMenuForNewRateClass();
        windowUpdate();
        if (defaults().boolForKey(kUseServiceStandardsDefault) && m_currentShipment->shippable())
            updateServiceStandards();
        else
            m_form.setText(FormControl::RateEstimated, QStringLiteral("--"));
        break;
    }
    case FormControl::Height:
    case FormControl::Length:
    case FormControl::Thickness:
        setCurrentShipmentProperty(hundredths(m_form.text(FormControl::Length)), QVShipmentLengthMeasurementKey);
        setCurrentShipmentProperty(hundredths(m_form.text(FormControl::Thickness)), QVShipmentWidthMeasurementKey);
        setCurrentShipmentProperty(hundredths(m_form.text(FormControl::Height)), QVShipmentHeightMeasurementKey);
        break;
    case FormControl::Nonrectangular:
        setCurrentShipmentProperty(!m_form.isOn(FormControl::Nonrectangular), QVShipmentRectangularKey);
        break;
    case FormControl::Nonmachinable:
        setCurrentShipmentProperty(!m_form.isOn(FormControl::Nonmachinable), QVUSPSShipmentMachinableKey);
        break;
    case FormControl::UseRetailRate:
        m_currentShipment->setForcedRetailRates(m_form.isOn(FormControl::UseRetailRate));
        break;
    case FormControl::Weight:
        weightChanged();
        break;
    case FormControl::ShipDate: {
        const qsizetype index = std::max<qsizetype>(0, m_form.popUp(FormControl::ShipDate).selectedIndex);
        setCurrentShipmentProperty(now().addDays(index), QVShipmentShipDateKey);
        return;
    }
    case FormControl::HoldForPickup:
        toggleOptionalService(QVUSPSHoldForPickupService, m_form.isOn(FormControl::HoldForPickup));
        break;
    case FormControl::Confirmation:
        if (m_form.popUp(FormControl::Confirmation).count() < 2)
            return;
        confirmationChanged();
        break;
    case FormControl::ExpressSunday:
    case FormControl::ExpressHoliday:
        toggleOptionalService(QVUSPSExpressMailPremiumService,
                              m_form.isOn(FormControl::ExpressSunday) || m_form.isOn(FormControl::ExpressHoliday));
        break;
    case FormControl::ExpressAMDelivery:
        toggleOptionalService(QVUSPSExpressMail1030SXService, m_form.isOn(FormControl::ExpressAMDelivery));
        break;
    case FormControl::ReplyPostage: {
        const bool on = m_form.isOn(FormControl::ReplyPostage);
        if (on)
            m_env.shell->infoAlertForKey(QStringLiteral("replyPostageReminder"), true);
        setCurrentShipmentProperty(on, QVUSPSShipmentReplyPostageKey);
        run(m_env.hooks.updateFromAddress);
        break;
    }
    case FormControl::UseInsurance:
        defaults().setBool(m_form.isOn(FormControl::UseInsurance), kUseInsuranceDefault);
        run(m_env.hooks.validateInsuranceCheckbox);
        return;
    case FormControl::Value: {
        const QString text = m_form.text(FormControl::Value);
        if (text.trimmed().isEmpty()) {
            removeCurrentShipmentPropertyForKey(QVShipmentValueKey);
        } else {
            QVariant value;
            if (ExpressionFormatter().getObjectValue(&value, text, nullptr) && value.isValid())
                setCurrentShipmentProperty(value, QVShipmentValueKey);
        }
        std::weak_ptr<int> alive = m_alive;
        m_env.scheduler->callAfter(0, [this, alive] {
            if (!alive.expired())
                run(m_env.hooks.validateInsuranceCheckbox);
        });
        return;
    }
    case FormControl::Description:
        setCurrentShipmentProperty(m_form.text(FormControl::Description), QVShipmentDescriptionKey);
        return;
    case FormControl::ReferenceID:
        setCurrentShipmentProperty(m_form.text(FormControl::ReferenceID), QVShipmentInvoiceNumberKey);
        return;
    default:
        break;
    }
    destinationCheck();
}

// Adds the service to the optional services or removes it; writes nothing
// when nothing changes.
void MasterController::toggleOptionalService(const QString &service, bool on)
{
    QStringList services = shipmentOptionalServices(*m_currentShipment);
    const bool has = services.contains(service);
    if (on == has)
        return;
    if (on)
        services.append(service);
    else
        services.removeAll(service);
    writeOptionalServices(services);
}

void MasterController::writeOptionalServices(const QStringList &services)
{
    if (services.isEmpty()) {
        removeCurrentShipmentPropertyForKey(QVUSPSShipmentOptionalServicesKey);
        return;
    }
    QVariantList list;
    for (const QString &service : services)
        list.append(service);
    setCurrentShipmentProperty(list, QVUSPSShipmentOptionalServicesKey);
}

void MasterController::weightChanged()
{
    FormComboBox &box = m_form.weight();
    const QString size = shipmentText(*m_currentShipment, QVUSPSShipmentSizeKey);
    const MasterWeightClass rateClass = MasterWeightClass::forShipment(*m_currentShipment, m_isInternational, false);

    const qsizetype listed = box.values.indexOf(box.text);
    if (listed >= 0) {
        box.selectedIndex = listed;
    } else {
        const QString text = box.text;
        double number = weightNumber(text);
        QString unit = m_weightUnit;
        if (text.contains(QStringLiteral("oz")))
            unit = QVOunceUnitString;
        if (text.contains(QStringLiteral("lb")))
            unit = QVPoundUnitString;
        // A text with both units ("2 lb 4 oz") is pounds plus ounces.
        if (text.contains(QStringLiteral("oz")) && text.contains(QStringLiteral("lb"))) {
            QVariant ounces;
            if (QVWeightFormatter().getObjectValue(&ounces, text, nullptr) && ounces.isValid())
                number = ounces.toDouble() / 16.0;
        }
        number = boundedWeight(number);

        qsizetype index = -1;
        if (unit == QVPoundUnitString) {
            index = rateClass.weightIndexClosestToPounds(float(number), size);
        } else if (unit == QVOunceUnitString) {
            if (number >= 3.5 && number <= 4.0 && rateClass.name() == QVUSPSFirstClassMail && size == QVUSPSLetterSize)
                number = 5.0;
            index = rateClass.weightIndexClosestToOunces(int(std::ceil(number)), size);
        }
        if (index == QVNotFound)
            index = 0;
        box.selectedIndex = index >= 0 && index < box.values.size() ? index : -1;
        box.text = box.selectedIndex >= 0 ? box.values[box.selectedIndex] : QString();
    }

    if (box.selectedIndex < 0)
        return;
    const QStringList weights = rateClass.orderedWeightInNativeWeightForSize(size);
    if (box.selectedIndex >= weights.size())
        return;
    setCurrentShipmentProperty(weights[box.selectedIndex], QVShipmentWeightNumberKey);
    const QString nativeUnit = rateClass.weightUnit();
    if (!nativeUnit.isNull())
        setCurrentShipmentProperty(nativeUnit, QVShipmentWeightUnitKey);
}

void MasterController::confirmationChanged()
{
    setConfirmationDefault();
    const qsizetype tag = m_form.popUp(FormControl::Confirmation).selectedTag().value_or(-1);
    const bool largeEnvelope = shipmentText(*m_currentShipment, QVUSPSShipmentSizeKey) == QVUSPSLargeEnvelopeSize;
    const QStringList five = {QVUSPSCertifiedMailService, QVUSPSReturnReceiptService, QVUSPSRestrictedDeliveryService,
                              QVUSPSAdultSignatureService, QVUSPSAdultSignatureRestrictedService};
    QStringList removed;
    QStringList added;
    QString reminder;
    bool removeConfirmation = false;
    const QString certifiedReminder =
        largeEnvelope ? QStringLiteral("certifiedMailVLSReminder") : QStringLiteral("certifiedMailReminder");
    const QString receiptReminder = largeEnvelope ? QStringLiteral("certifiedMailVLSReturnReceiptReminder")
                                                  : QStringLiteral("certifiedMailReturnReceiptReminder");
    switch (tag) {
    case ConfirmationTag::None:
        removeCurrentShipmentPropertyForKey(QVUSPSShipmentConfirmationServiceKey);
        removed = five;
        break;
    case ConfirmationTag::eDelivery:
        setCurrentShipmentProperty(QVUSPSeDeliveryConfirmation, QVUSPSShipmentConfirmationServiceKey);
        removed = five;
        break;
    case ConfirmationTag::eSignature:
        setCurrentShipmentProperty(QVUSPSeSignatureConfirmation, QVUSPSShipmentConfirmationServiceKey);
        removed = five;
        break;
    case ConfirmationTag::Certified:
        removed = {QVUSPSReturnReceiptService, QVUSPSRestrictedDeliveryService, QVUSPSAdultSignatureService,
                   QVUSPSAdultSignatureRestrictedService};
        added = {QVUSPSCertifiedMailService};
        reminder = certifiedReminder;
        removeConfirmation = true;
        break;
    case ConfirmationTag::CertifiedReturnReceipt:
        removed = {QVUSPSRestrictedDeliveryService, QVUSPSAdultSignatureService, QVUSPSAdultSignatureRestrictedService};
        added = {QVUSPSCertifiedMailService, QVUSPSReturnReceiptService};
        reminder = receiptReminder;
        removeConfirmation = true;
        break;
    case ConfirmationTag::CertifiedReturnReceiptRestricted:
        removed = {QVUSPSAdultSignatureService, QVUSPSAdultSignatureRestrictedService};
        added = {QVUSPSCertifiedMailService, QVUSPSReturnReceiptService, QVUSPSRestrictedDeliveryService};
        reminder = receiptReminder;
        removeConfirmation = true;
        break;
    case ConfirmationTag::CertifiedRestricted:
        removed = {QVUSPSAdultSignatureService, QVUSPSAdultSignatureRestrictedService, QVUSPSReturnReceiptService};
        added = {QVUSPSCertifiedMailService, QVUSPSRestrictedDeliveryService};
        reminder = certifiedReminder;
        removeConfirmation = true;
        break;
    case ConfirmationTag::AdultSignature:
        removed = {QVUSPSCertifiedMailService, QVUSPSReturnReceiptService, QVUSPSRestrictedDeliveryService,
                   QVUSPSAdultSignatureRestrictedService};
        added = {QVUSPSAdultSignatureService};
        removeConfirmation = true;
        break;
    case ConfirmationTag::AdultSignatureRestricted:
        removed = {QVUSPSCertifiedMailService, QVUSPSReturnReceiptService, QVUSPSRestrictedDeliveryService,
                   QVUSPSAdultSignatureService};
        added = {QVUSPSAdultSignatureRestrictedService};
        removeConfirmation = true;
        break;
    default:
        break;
    }
    if (!reminder.isEmpty())
        m_env.shell->infoAlertForKey(reminder, true);

    // The services as a set: each once, the stored ones first.
    QStringList services;
    for (const QString &service : shipmentOptionalServices(*m_currentShipment)) {
        if (!removed.contains(service) && !services.contains(service))
            services.append(service);
    }
    for (const QString &service : added) {
        if (!services.contains(service))
            services.append(service);
    }
    writeOptionalServices(services);
    if (removeConfirmation)
        removeCurrentShipmentPropertyForKey(QVUSPSShipmentConfirmationServiceKey);
}

void MasterController::resetWeightMenuForNewRateClass()
{
    const QVShipment &s = *m_currentShipment;
    const QString name = shipmentText(s, QVUSPSShipmentRateClassKey);
    const QString size = shipmentText(s, QVUSPSShipmentSizeKey);
    const MasterWeightClass rateClass = MasterWeightClass::forShipment(s, m_isInternational, true);

    // The unit of the menu.
    QString unit;
    if ((name == QVUSPSFirstClassMail || name == QVUSPSIntlAirLetterPost || name == QVUSPSIntlFirstClassMailIntl) &&
        !defaults().boolForKey(kUsePoundsForFirstClassDefault))
        unit = QVOunceUnitString;
    else if (name == QVUSPSFirstClassMail || defaults().boolForKey(kUsePoundsForOtherClassesDefault))
        unit = QVPoundUnitString;
    else
        unit = QVOunceUnitString;
    setWeightUnit(unit);

    FormComboBox &box = m_form.weight();
    box.values = rateClass.displayWeightsWithUnitString(unit, size);
    box.selectedIndex = -1;
    box.visibleItems = box.values.size() > 19 ? 10 : int(box.values.size());

    // The customs form of the class.
    QVariant formType;
    if (name == QVUSPSIntlExpressMailIntl) {
        formType = QVUSPSShipment2976AEMICustomsFormType;
    } else if (name == QVUSPSIntlFirstClassMailIntl && size != QVUSPSPostcardSize && size != QVUSPSLetterSize) {
        formType = defaults().boolForKey(kNoCustomsOnFCMIDefault) ? QVUSPSShipmentNoCustomsFormType
                                                                  : QVUSPSShipment2976FCMICustomsFormType;
    } else if (name == QVUSPSIntlPriorityMailIntl) {
        formType = QVUSPSIntlRateClass::PMIsizesFor2976().contains(size) ? QVUSPSShipment2976PMICustomsFormType
                                                                         : QVUSPSShipment2976APMICustomsFormType;
    } else if (isEligibleForDomesticIntegratedCustomsForms(s)) {
        formType = QVUSPSShipment2976CustomsFormType;
    } else if (!s.dictionary().contains(QVShipmentItemsKey)) {
        formType = QVUSPSShipmentNoCustomsFormType;
    } else if (name == QVUSPSIntlEconomyParcelPost || name == QVUSPSIntlAirParcelPost || name == QVUSPSParcelPost) {
        formType = QVUSPSShipment2976CustomsFormType;
    } else if (m_env.shell->isAutomation()) {
        formType = s.objectForKey(QVUSPSShipmentCustomsFormTypeKey);
    } else {
        formType = QVUSPSShipment2976CustomsFormType;
    }
    if (formType.isValid())
        setCurrentShipmentProperty(formType, QVUSPSShipmentCustomsFormTypeKey);
    if (formType.isValid() && formType.toString() != QVUSPSShipmentNoCustomsFormType &&
        !m_currentShipment->dictionary().contains(QVUSPSShipmentCustomsFormContentTypeKey))
        setCurrentShipmentProperty(QVUSPSShipmentCustomsFormMerchandiseContentType,
                                   QVUSPSShipmentCustomsFormContentTypeKey);

    run(m_env.hooks.updateStatusTextLine);
    run(m_env.hooks.updateCharacterCountWarning);
}
