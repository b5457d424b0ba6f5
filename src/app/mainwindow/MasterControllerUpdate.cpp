// MasterController: the window update rules that bring the controls in line
// with the current shipment, price shopping, the customs summary and the
// stored confirmation default.
#include "app/mainwindow/MasterController.h"
#include "app/mainwindow/MasterWeightClass.h"

#include "model/NumericFormatters.h"
#include "model/QVCountry.h"
#include "model/QVShipment.h"
#include "platform/UserDefaults.h"
#include "printing/setup/QVPrinterTypes.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "services/QVShipmentRHOExtras.h"

namespace {

const QString kUseStealthDefault = QStringLiteral("useStealth");
const QString kConfirmationServiceDefault = QStringLiteral("confirmationService");

QString currencyText(const Decimal &amount)
{
    return QStringLiteral("$") + twoDigitDollarFormatter().stringFromNumber(amount);
}

std::optional<Decimal> storedDecimal(const QVShipment &shipment, const QString &key)
{
    return decimalFromVariant(shipment.objectForKey(key));
}

bool isLetterOrPostcardRule(const QVShipment &s, const QString &size)
{
    return size == QVUSPSLetterSize || size == QVUSPSPostcardSize ||
        (size == QVUSPSLargeEnvelopeSize && !isPriorityMail(s));
}

// The class name behind a mail-class item.
QString rateClassNameForTag(bool international, qsizetype tag)
{
    return international ? QVUSPSIntlRateClass::rateClassForTag(tag) : QVUSPSRateClass::rateClassNameForTag(tag);
}

QString casualNameForTag(bool international, qsizetype tag)
{
    const QString name = rateClassNameForTag(international, tag);
    return international ? QVUSPSIntlRateClass::casualNameForRateClassName(name)
                         : QVUSPSRateClass::casualNameForRateClassName(name);
}

} // namespace

FormMenu MasterController::confMenuWithTitle(const QString &title)
{
    FormMenu menu;
    menu.title = QStringLiteral("conf");
    menu.items = {{0, title}};
    return menu;
}

void MasterController::windowDidUpdate()
{
    if (!m_needsUpdate)
        return;
    m_needsUpdate = false;
    const QVShipment &s = *m_currentShipment;

    // 1. Zone.
    const QString zone = shipmentText(s, QVUSPSShipmentZoneKey);
    m_form.setText(FormControl::RateZone, zone.isEmpty() || zone == QStringLiteral("-1") ? QStringLiteral("-") : zone);

    updateConfirmationMenu();    // 2.
    updatePieceSizes();          // 3.
    updateMailClasses();         // 4.
    updateConfirmationEntries(); // 5.
    updateCheckBoxes();          // 6.-8.
    updateDimensions();          // 9.
    updateMachinable();          // 10.
    updateWeight();              // 11.

    // 12. Stealth, origin ZIP, description, value, reference.
    setUseStealthPostageForCurrentShipment(defaults().boolForKey(kUseStealthDefault));
    m_form.setText(FormControl::MailingFromZIP, shipmentText(s, QVUSPSShipmentMailedFromZIP5Key));
    if (s.dictionary().contains(QVShipmentDescriptionKey))
        m_form.setText(FormControl::Description, shipmentText(s, QVShipmentDescriptionKey));
    if (const std::optional<Decimal> value = storedDecimal(s, QVShipmentValueKey))
        m_form.setText(FormControl::Value, value->toString());
    if (s.dictionary().contains(QVShipmentInvoiceNumberKey))
        m_form.setText(FormControl::ReferenceID, shipmentText(s, QVShipmentInvoiceNumberKey));

    // 13. Postage account box and ship dates.
    run(m_env.hooks.updatePostageAccountBox);
    updateShipDatePopup();

    priceShop(); // 14.

    // 15. Insurance and reply postage.
    run(m_env.hooks.validateInsuranceCheckbox);
    run(m_env.hooks.validateReplyPostageCheckbox);

    // 16.-19. Phone label, Express view, customs.
    m_form.setText(FormControl::ToPhoneLabel,
                   isHoldForPickup(s) ? QStringLiteral("To SMS:") : QStringLiteral("To Phone:"));
    setExpressMailToVisible(::isExpressMail(s));
    m_form.field(FormControl::CustomsFormButton).enabled =
        s.shippable() && (isMilitaryMail(s) || !s.isDomestic() || isTerritoryMail(s));
    m_form.setText(FormControl::CustomsSummary, customsSummaryString());

    // 20. Print button, printer summary, status line; web-store order.
    run(m_env.hooks.updatePrintButton);
    run(m_env.hooks.updatePrinterSummaryText);
    run(m_env.hooks.updateStatusTextLine);
    setWebStoreOrder(isTolvaneWebStoreOrder(s));
}

void MasterController::updateConfirmationMenu()
{
    const QVShipment &s = *m_currentShipment;
    FormPopUp &popUp = m_form.popUp(FormControl::Confirmation);
    FormField &price = m_form.field(FormControl::RateConfirmation);
    FormCheckBox &waiver = m_form.checkBox(FormControl::ExpressWaiverOfSignature);
    const QString name = shipmentText(s, QVUSPSShipmentRateClassKey);
    const QString size = shipmentText(s, QVUSPSShipmentSizeKey);
    const QStringList services = shipmentOptionalServices(s);
    const std::optional<Decimal> servicesPrice = storedDecimal(s, QVUSPSShipmentOptionalServicesPriceKey);

    if (::isExpressMail(s)) {
        FormMenu menu = confMenuWithTitle(QStringLiteral("Priority Mail Express Tracking"));
        menu.items.append(FormMenuItem::separatorItem());
        menu.items.append({ConfirmationTag::AdultSignature, QStringLiteral("Adult Signature Required")});
        menu.items.append(
            {ConfirmationTag::AdultSignatureRestricted, QStringLiteral("Adult Signature Restricted Delivery")});
        popUp.setMenu(menu);
        popUp.selectItemAtIndex(0);
        price.text = QStringLiteral("Free");
        if (!services.isEmpty()) {
            if (services.contains(QVUSPSAdultSignatureService) ||
                services.contains(QVUSPSAdultSignatureRestrictedService)) {
                popUp.selectItemWithTag(services.contains(QVUSPSAdultSignatureService)
                                            ? ConfirmationTag::AdultSignature
                                            : ConfirmationTag::AdultSignatureRestricted);
                waiver.on = true;
                waiver.enabled = false;
            } else if (services.contains(QVUSPSHoldForPickupService)) {
                waiver.on = true;
                waiver.enabled = false;
            } else {
                waiver.enabled = true;
            }
            if (servicesPrice && *servicesPrice > Decimal::zero())
                price.text = currencyText(*servicesPrice);
        } else {
            waiver.enabled = true;
        }
        return;
    }
    if (name == QVUSPSIntlExpressMailIntl) {
        popUp.setMenu(confMenuWithTitle(QStringLiteral("Priority Mail Express International Tracking")));
        popUp.selectItemAtIndex(0);
        price.text = QStringLiteral("Free");
        return;
    }
    if (name == QVUSPSIntlPriorityMailIntl && !QVUSPSIntlRateClass::PMIsizesFor2976().contains(size)) {
        popUp.setMenu(confMenuWithTitle(QStringLiteral("Priority Mail International Tracking")));
        popUp.selectItemAtIndex(0);
        price.text = QStringLiteral("Free");
        return;
    }
    if (s.isDomestic() || !isEligibleForSpecialService(s, QVUSPSeDeliveryConfirmation)) {
        popUp.setMenu(shippingConfirmationMenu());
        popUp.menu.items[0].title = QStringLiteral("None");
        const QString confirmation = shipmentText(s, QVUSPSShipmentConfirmationServiceKey);
        const std::optional<Decimal> confirmationPrice = storedDecimal(s, QVUSPSShipmentConfirmationServicePriceKey);
        if (!confirmation.isEmpty() && confirmationPrice) {
            price.text = confirmationPrice->isZero() ? QStringLiteral("Free") : currencyText(*confirmationPrice);
            if (confirmation == QVUSPSeDeliveryConfirmation)
                popUp.selectItemWithTag(ConfirmationTag::eDelivery);
            else if (confirmation == QVUSPSeSignatureConfirmation)
                popUp.selectItemWithTag(ConfirmationTag::eSignature);
            popUp.enabled = true;
        } else if (!services.isEmpty() && servicesPrice && !servicesPrice->isZero()) {
            const QSet<QString> set(services.begin(), services.end());
            const QSet<QString> certified = {QVUSPSCertifiedMailService};
            const QSet<QString> restricted = {QVUSPSCertifiedMailService, QVUSPSRestrictedDeliveryService};
            const QSet<QString> receipt = {QVUSPSCertifiedMailService, QVUSPSReturnReceiptService};
            const QSet<QString> both = {QVUSPSCertifiedMailService, QVUSPSReturnReceiptService,
                                        QVUSPSRestrictedDeliveryService};
            if (set == restricted)
                popUp.selectItemWithTag(ConfirmationTag::CertifiedRestricted);
            else if (set == both)
                popUp.selectItemWithTag(ConfirmationTag::CertifiedReturnReceiptRestricted);
            else if (set == receipt)
                popUp.selectItemWithTag(ConfirmationTag::CertifiedReturnReceipt);
            else if (set == certified)
                popUp.selectItemWithTag(ConfirmationTag::Certified);
            else if (set.contains(QVUSPSAdultSignatureService))
                popUp.selectItemWithTag(ConfirmationTag::AdultSignature);
            else if (set.contains(QVUSPSAdultSignatureRestrictedService))
                popUp.selectItemWithTag(ConfirmationTag::AdultSignatureRestricted);
            price.text = currencyText(*servicesPrice);
        } else {
            popUp.selectItemWithTag(ConfirmationTag::None);
            price.text = QStringLiteral("None");
        }
        return;
    }
    popUp.setMenu(confMenuWithTitle(QStringLiteral("Delivery Confirmation")));
    popUp.selectItemAtIndex(0);
    price.text = QStringLiteral("Free");
}

void MasterController::updatePieceSizes()
{
    const QVShipment &s = *m_currentShipment;
    FormPopUp &popUp = m_form.popUp(FormControl::PieceSize);
    const QString size = shipmentText(s, QVUSPSShipmentSizeKey);
    const qsizetype sizeTag = QVUSPSRateClass::tagForPieceSize(size);
    if (popUp.selectedTag() != std::optional<qsizetype>(sizeTag))
        resetWeightMenuForNewRateClass();

    QStringList allowed = QVUSPSRateClass::sizesForDimensions(s.dimensionDictionary());
    if (!s.isDomestic()) {
        for (const QString &excluded :
             {QVUSPSRegionalRateBoxASize, QVUSPSRegionalRateBoxBSize, QVUSPSRegionalRateBoxCSize, QVUSPSOversizeSize})
            allowed.removeAll(excluded);
    } else {
        allowed.removeAll(QVUSPSLargeFlatRateVideoBoxSize);
    }
    for (FormMenuItem &item : popUp.menu.items) {
        if (!item.separator)
            item.enabled = allowed.contains(QVUSPSRateClass::pieceSizeForTag(item.tag));
    }
    const FormMenuItem *item = popUp.menu.itemWithTag(sizeTag);
    if (item && item->enabled)
        popUp.selectItemWithTag(sizeTag);
    else
        popUp.selectItemWithTag(QVUSPSRateClass::tagForPieceSize(QVUSPSRegularSize));
}

void MasterController::updateMailClasses()
{
    const QVShipment &s = *m_currentShipment;
    FormPopUp &popUp = m_form.popUp(FormControl::MailClass);
    const QString size = shipmentText(s, QVUSPSShipmentSizeKey);
    QStringList available;
    const bool international = !s.isDomestic();
    if (international) {
        if (const std::optional<QVCountry> country = QVCountry::countryWithAnyName(s.toAddress().country()))
            available = country->availableRateClassesForSize(size);
    } else {
        for (const QVUSPSRateClass *rateClass :
             QVUSPSRateClass::ratesForDate(s.shipCalendarDate()).rateClassesForSize(size))
            available.append(rateClass->name());
    }
    for (FormMenuItem &item : popUp.menu.items) {
        if (!item.separator)
            item.enabled = available.contains(rateClassNameForTag(international, item.tag));
    }
}

void MasterController::updateConfirmationEntries()
{
    const QVShipment &s = *m_currentShipment;
    FormPopUp &popUp = m_form.popUp(FormControl::Confirmation);
    if (popUp.count() < 2) {
        popUp.enabled = true;
        return;
    }
    const QString name = shipmentText(s, QVUSPSShipmentRateClassKey);
    const QString size = shipmentText(s, QVUSPSShipmentSizeKey);
    const bool firstRule = isLetterOrPostcardRule(s, size);
    const auto enable = [&popUp](std::initializer_list<qsizetype> tags, bool on) {
        for (const qsizetype tag : tags)
            popUp.setItemEnabled(tag, on);
    };
    if (firstRule) {
        popUp.enabled = false;
        enable({ConfirmationTag::eDelivery, ConfirmationTag::eSignature}, false);
        enable({ConfirmationTag::None}, true);
    } else if (isEligibleForConfirmationServices(s)) {
        popUp.enabled = true;
        const bool forced = (isPriorityMail(s) && isForcedConfirmationOnPriorityMail(s)) ||
            ((name == QVUSPSParcelSelect || name == QVUSPSFirstClassMail || name == QVUSPSStandardPost) &&
             !isMilitaryMail(s));
        enable({ConfirmationTag::None}, !forced);
        enable({ConfirmationTag::eDelivery, ConfirmationTag::eSignature}, true);
    } else if (isEligibleForSpecialService(s, QVUSPSeDeliveryConfirmation)) {
        popUp.enabled = true;
        enable({ConfirmationTag::None, ConfirmationTag::eDelivery}, true);
        enable({ConfirmationTag::eSignature}, false);
    } else {
        popUp.enabled = false;
        enable({ConfirmationTag::None}, true);
        enable({ConfirmationTag::eDelivery, ConfirmationTag::eSignature}, false);
    }
    const std::initializer_list<qsizetype> certifiedTags = {
        ConfirmationTag::Certified, ConfirmationTag::CertifiedReturnReceipt,
        ConfirmationTag::CertifiedReturnReceiptRestricted, ConfirmationTag::CertifiedRestricted};
    if (isEligibleForSpecialService(s, QVUSPSCertifiedMailService)) {
        popUp.enabled = true;
        enable(certifiedTags, true);
    } else {
        enable(certifiedTags, false);
        if (firstRule)
            popUp.enabled = false;
    }
    const std::initializer_list<qsizetype> adultTags = {ConfirmationTag::AdultSignature,
                                                        ConfirmationTag::AdultSignatureRestricted};
    if (isEligibleForSpecialService(s, QVUSPSAdultSignatureService)) {
        popUp.enabled = true;
        enable(adultTags, true);
    } else {
        enable(adultTags, false);
    }
}

void MasterController::updateCheckBoxes()
{
    const QVShipment &s = *m_currentShipment;
    const QString size = shipmentText(s, QVUSPSShipmentSizeKey);

    FormCheckBox &nonrectangular = m_form.checkBox(FormControl::Nonrectangular);
    nonrectangular.enabled = isPriorityMail(s) && !QVUSPSRateClass::priorityFlatRateSizes().contains(size);
    nonrectangular.on = nonrectangular.enabled && !shipmentBool(s, QVShipmentRectangularKey, true);

    FormCheckBox &holdForPickup = m_form.checkBox(FormControl::HoldForPickup);
    holdForPickup.enabled = isEligibleForSpecialService(s, QVUSPSHoldForPickupService);
    holdForPickup.on = holdForPickup.enabled && shipmentOptionalServices(s).contains(QVUSPSHoldForPickupService);

    if (!nonrectangular.on && !nonrectangular.enabled && s.isDomestic())
        setCurrentShipmentProperty(true, QVShipmentRectangularKey);
}

void MasterController::updateDimensions()
{
    const QVShipment &s = *m_currentShipment;
    const bool flatRate = QVUSPSRateClass::priorityFlatRateSizes().contains(shipmentText(s, QVUSPSShipmentSizeKey));
    const std::pair<FormControl, QString> fields[] = {{FormControl::Height, QVShipmentHeightMeasurementKey},
                                                      {FormControl::Length, QVShipmentLengthMeasurementKey},
                                                      {FormControl::Thickness, QVShipmentWidthMeasurementKey}};
    for (const auto &[control, key] : fields) {
        FormField &field = m_form.field(control);
        if (flatRate) {
            field.text.clear();
            field.enabled = false;
            field.placeholder.clear();
            continue;
        }
        field.enabled = true;
        field.placeholder = QStringLiteral("in");
        const qint64 value = s.objectForKey(key).toLongLong();
        field.text = value == 0 ? QString() : Decimal(value, -2).toString();
    }
}

void MasterController::updateMachinable()
{
    const QVShipment &s = *m_currentShipment;
    const QString name = shipmentText(s, QVUSPSShipmentRateClassKey);
    const QString size = shipmentText(s, QVUSPSShipmentSizeKey);
    FormCheckBox &nonmachinable = m_form.checkBox(FormControl::Nonmachinable);
    FormCheckBox &retail = m_form.checkBox(FormControl::UseRetailRate);

    if (isForcedNonMachinable(s)) {
        nonmachinable.on = true;
        nonmachinable.enabled = false;
    } else {
        const bool retailBox = name == QVUSPSFirstClassMail && size == QVUSPSRegularSize;
        nonmachinable.visible = !retailBox;
        retail.visible = retailBox;
        retail.on = s.isForcedRetailRates();
        if (name == QVUSPSFirstClassMail || name == QVUSPSIntlAirLetterPost || name == QVUSPSIntlFirstClassMailIntl) {
            const bool enabled = size == QVUSPSLetterSize;
            if (enabled && !nonmachinable.enabled)
                setCurrentShipmentProperty(true, QVUSPSShipmentMachinableKey);
            nonmachinable.enabled = enabled;
            nonmachinable.on = enabled && !shipmentBool(s, QVUSPSShipmentMachinableKey, true);
        } else {
            nonmachinable.on = false;
            nonmachinable.enabled = false;
        }
    }
    if (!nonmachinable.on && !nonmachinable.enabled)
        setCurrentShipmentProperty(true, QVUSPSShipmentMachinableKey);
}

void MasterController::updateWeight()
{
    const QVShipment &s = *m_currentShipment;
    const bool international = !s.isDomestic();
    const MasterWeightClass rateClass = MasterWeightClass::forShipment(s, international, true);
    if (!rateClass.isValid())
        return;
    const QString size = shipmentText(s, QVUSPSShipmentSizeKey);

    FormPopUp &classes = m_form.popUp(FormControl::MailClass);
    const qsizetype tag = international ? QVUSPSIntlRateClass::tagForRateClass(rateClass.name())
                                        : QVUSPSRateClass::tagForRateClassName(rateClass.name());
    if (classes.selectedTag() != std::optional<qsizetype>(tag)) {
        classes.selectItemWithTag(tag);
        resetWeightMenuForNewRateClass();
    }

    FormComboBox &box = m_form.weight();
    qsizetype index = rateClass.weightIndexClosestToOunces(weightInOunces(s).toInt(), size);
    if (index == QVNotFound)
        index = 0;
    box.selectedIndex = index < box.values.size() ? index : -1;
    box.text = box.selectedIndex >= 0 ? box.values[box.selectedIndex] : QString();
    const QStringList weights = rateClass.orderedWeightInNativeWeightForSize(size);
    if (index < weights.size())
        setCurrentShipmentProperty(weights[index], QVShipmentWeightNumberKey);
    const QString unit = rateClass.weightUnit();
    if (!unit.isNull())
        setCurrentShipmentProperty(unit, QVShipmentWeightUnitKey);
}

void MasterController::priceShop()
{
    const QVShipment &s = *m_currentShipment;
    const bool international = !s.isDomestic();
    m_priceShop.clear();
    for (const FormMenuItem &item : m_form.popUp(FormControl::MailClass).menu.items) {
        if (item.separator || !item.enabled)
            continue;
        const QString name = rateClassNameForTag(international, item.tag);
        if (name.isNull())
            continue;
        const std::shared_ptr<QVShipment> copy = s.copy();
        copy->setObject(name, QVUSPSShipmentRateClassKey, true);
        const Decimal total = copy->totalPrice();
        if (total > Decimal::zero())
            m_priceShop.insert(item.tag, total);
    }
}

void MasterController::mailClassWillPopup()
{
    const bool international = !m_currentShipment->isDomestic();
    FormPopUp &popUp = m_form.popUp(FormControl::MailClass);
    for (auto it = m_priceShop.cbegin(); it != m_priceShop.cend(); ++it) {
        if (FormMenuItem *item = popUp.menu.itemWithTag(it.key()))
            item->title = QStringLiteral("%1 ($%2)")
                              .arg(casualNameForTag(international, it.key()),
                                   twoDigitDollarFormatter().stringFromNumber(it.value()));
    }
}

void MasterController::mailClassMenuWillEnd()
{
    const bool international = !m_currentShipment->isDomestic();
    for (FormMenuItem &item : m_form.popUp(FormControl::MailClass).menu.items) {
        if (!item.separator)
            item.title = casualNameForTag(international, item.tag);
    }
}

QString MasterController::customsSummaryString() const
{
    const QVShipment &s = *m_currentShipment;
    QString summary = ::customsSummaryString(s);
    const QString formType = shipmentText(s, QVUSPSShipmentCustomsFormTypeKey);
    if (!isEligibleForIntlDiscount(s) && !isEligibleForDomesticIntegratedCustomsForms(s) && !formType.isEmpty() &&
        formType != QVUSPSShipmentNoCustomsFormType)
        summary += QStringLiteral(". Printing to %1")
                       .arg(m_env.printing->printerNameForPlainPaperInfo(QVMailingRecordPaperInfoKey));
    return summary;
}

void MasterController::setConfirmationDefault()
{
    const QVShipment &s = *m_currentShipment;
    const QString size = shipmentText(s, QVUSPSShipmentSizeKey);
    if (isLetterOrPostcardRule(s, size))
        return;
    const bool delivery = isEligibleForSpecialService(s, QVUSPSeDeliveryConfirmation);
    if (!isEligibleForConfirmationServices(s) && !delivery)
        return;
    const std::optional<qsizetype> tag = m_form.popUp(FormControl::Confirmation).selectedTag();
    if (!tag)
        return;
    if (*tag == ConfirmationTag::None)
        defaults().setString(QString(QLatin1String("")), kConfirmationServiceDefault);
    else if (*tag == ConfirmationTag::eDelivery && delivery)
        defaults().setString(QVUSPSeDeliveryConfirmation, kConfirmationServiceDefault);
    else if (*tag == ConfirmationTag::eSignature && isEligibleForSpecialService(s, QVUSPSeSignatureConfirmation))
        defaults().setString(QVUSPSeSignatureConfirmation, kConfirmationServiceDefault);
}
