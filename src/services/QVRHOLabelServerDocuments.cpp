// The label server's two documents that carry a shipment: LabelRequest (a
// finished label, a preview or a label number only) and PostageRateRequest
// (a price quote), and the shipment elements common to both.
#include "services/QVRHOLabelServerCommandCenter.h"

#include "model/NumericFormatters.h"
#include "model/QVAddress.h"
#include "model/QVCountry.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "model/StringAdditions.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentLabelFields.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/LabelServerXML.h"
#include "services/QVLabelNumberTables.h"

#include <QDate>

namespace {

// The printing layer's label-type constants (their texts equal their names).
const QString kEPL2Label = QStringLiteral("QVEPL2Label");
const QString kZPLIILabel = QStringLiteral("QVZPLIILabel");
const QString kPlainPaperLabel = QStringLiteral("QVPlainPaperLabel");

const QString kTrue = QStringLiteral("TRUE");
const QString kFalse = QStringLiteral("FALSE");
const QString kOn = QStringLiteral("ON");
const QString kOff = QStringLiteral("OFF");

QString trueFalse(bool value) { return value ? kTrue : kFalse; }

bool defaultsBool(const QString &key) { return UserDefaults::standardUserDefaults().boolForKey(key); }

// At most `length` characters of the text.
QString limited(const QString &text, qsizetype length) { return text.left(length); }

QString stateText(const QVAddress &address) { return address.twoLetterState().toUpper(); }

QString digitsOnly(const QString &text)
{
    QString digits;
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    }
    return digits;
}

QString twoLetterCodeForCountryText(const QString &text)
{
    if (QVCountry::isCountryStringUSA(text))
        return QStringLiteral("US");
    const std::optional<QVCountry> country = QVCountry::countryWithAnyName(text);
    return country ? country->twoLetterCountryCode() : QStringLiteral("");
}

// The ship date as the label server writes dates.
QString shipDateText(const QVShipment &shipment)
{
    return shipment.shipCalendarDate().date().toString(QStringLiteral("MM/dd/yyyy"));
}

QString weightText(const QVShipment &shipment)
{
    const QString ounces = weightInOunces(shipment);
    const QString rateClass = shipmentText(shipment, QVUSPSShipmentRateClassKey);
    const QString size = shipmentText(shipment, QVUSPSShipmentSizeKey);
    const bool firstClass = rateClass == QVUSPSFirstClassMail || rateClass == QVUSPSIntlFirstClassMailIntl;
    if (firstClass && ounces == QLatin1String("4") && (size == QVUSPSLetterSize || size == QVUSPSPostcardSize))
        return QStringLiteral("3.5");
    if (firstClass && ounces == QLatin1String("16") && size == QVUSPSRegularSize)
        return QStringLiteral("15.9");
    return ounces;
}

// Hundredths of an inch as inches: 1250 gives "12.5".
QString inchesText(qint64 hundredths) { return Decimal(hundredths, -2).toString(); }

bool isInternationalIntegratedForm(const QString &formType)
{
    return formType == QVUSPSShipment2976AEMICustomsFormType || formType == QVUSPSShipment2976APMICustomsFormType ||
        formType == QVUSPSShipment2976PMICustomsFormType || formType == QVUSPSShipment2976FCMICustomsFormType;
}

void addServices(const QVShipment &shipment, QVXMLNode &element)
{
    QList<QPair<QString, QString>> attributes;
    const bool postageEnabled = shipmentBool(shipment, QVUSPSShipmentPostageEnabledKey);
    const QString confirmation = shipmentText(shipment, QVUSPSShipmentConfirmationServiceKey);
    if (shipment.isDomestic()) {
        attributes.append(
            {QStringLiteral("DeliveryConfirmation"), confirmation == QVUSPSeDeliveryConfirmation ? kOn : kOff});
        attributes.append(
            {QStringLiteral("SignatureConfirmation"), confirmation == QVUSPSeSignatureConfirmation ? kOn : kOff});
    } else if (postageEnabled && isEligibleForSpecialService(shipment, QVUSPSeDeliveryConfirmation)) {
        attributes.append({QStringLiteral("DeliveryConfirmation"), kOn});
    }
    const QStringList services = shipmentOptionalServices(shipment);
    const auto addIfAsked = [&](const QString &service, const QString &attribute) {
        if (services.contains(service))
            attributes.append({attribute, kOn});
    };
    addIfAsked(QVUSPSCertifiedMailService, QStringLiteral("CertifiedMail"));
    addIfAsked(QVUSPSRestrictedDeliveryService, QStringLiteral("RestrictedDelivery"));
    addIfAsked(QVUSPSReturnReceiptService, QStringLiteral("ReturnReceipt"));
    addIfAsked(QVUSPSCashOnDeliveryService, QStringLiteral("COD"));
    if (shipmentText(shipment, QVUSPSShipmentInsuranceTypeKey) == QVUSPSShipmentTolvaneInsuranceType)
        attributes.append({QStringLiteral("InsuredMail"), QStringLiteral("Tolvane")});
    addIfAsked(QVUSPSAdultSignatureService, QStringLiteral("AdultSignature"));
    addIfAsked(QVUSPSAdultSignatureRestrictedService, QStringLiteral("AdultSignatureRestrictedDelivery"));
    addIfAsked(QVUSPSRegisteredMailService, QStringLiteral("RegisteredMail"));
    addIfAsked(QVUSPSExpressMail1030AMService, QStringLiteral("AMDelivery"));
    addIfAsked(QVUSPSHoldForPickupService, QStringLiteral("HoldForPickup"));
    if (attributes.isEmpty())
        return;
    QVXMLNode servicesElement = element.addChildElement(QStringLiteral("Services"));
    for (const auto &[name, value] : attributes)
        qv_setAttribute(servicesElement, name, value);
}

void addCustomsItem(const QVariantMap &item, QVXMLNode &items)
{
    QVXMLNode element = items.addChildElement(QStringLiteral("CustomsItem"));
    const auto text = [&item](const QString &key, const QString &fallback) {
        const QVariant value = item.value(key);
        return value.isValid() && !value.isNull() ? qv_descriptionOfValue(value) : fallback;
    };
    element.addChildElement(QStringLiteral("Description"),
                            limited(text(QVShipmentItemDescriptionKey, QStringLiteral("")), 50));
    const Decimal quantity = decimalNumberValue(text(QVShipmentItemQuantityKey, QStringLiteral("1")));
    element.addChildElement(
        QStringLiteral("Quantity"),
        QString::number(quantity.isNaN() ? 0 : quantity.rounded(0, Decimal::RoundingMode::Down).toInt64().value_or(0)));
    const int weightNumber = int(longLongValue(text(QVShipmentItemWeightNumberKey, QStringLiteral("1"))));
    const QString unit = text(QVShipmentItemWeightUnitKey, QVOunceUnitString);
    const std::optional<QVWeight> weight = QVWeight::weightWithValue(float(weightNumber), unit);
    element.addChildElement(QStringLiteral("Weight"),
                            weight ? weight->totalWeightInOunces().toString() : QStringLiteral("0"));
    element.addChildElement(QStringLiteral("Value"), text(QVShipmentItemValueKey, QStringLiteral("0.00")));
    element.addChildElement(QStringLiteral("HSTariffNumber"),
                            limited(digitsOnly(text(QVShipmentItemHSTariffNumberKey, QString())), 6));
    element.addChildElement(QStringLiteral("CountryOfOrigin"),
                            twoLetterCodeForCountryText(text(QVShipmentItemCountryOfOriginKey, QString())));
}

// Customs items, CustomsInfo, CustomsCertify, CustomsSigner and, for the
// 2976-A form, CustomsSendersCopy.
void addCustoms(const QVShipment &shipment, const QString &integratedFormType, QVXMLNode &root)
{
    const QVariantList items = shipment.objectForKey(QVShipmentItemsKey).toList();
    // At most the first 30 items are sent.
    const qsizetype count = std::min<qsizetype>(items.size(), 30);
    if (count == 0)
        return;

    QString contentType = shipmentText(shipment, QVUSPSShipmentCustomsFormContentTypeKey);
    QString explanation = shipmentText(shipment, QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
    if (explanation.isEmpty())
        explanation = QStringLiteral("Other");
    const QString formType = shipmentText(shipment, QVUSPSShipmentCustomsFormTypeKey);
    if (contentType == QVUSPSShipmentCustomsFormReturnedGoodsContentType &&
        (formType == QVUSPSShipment2976CustomsFormType || formType == QVUSPSShipment2976FCMICustomsFormType ||
         formType == QVUSPSShipment2976PMICustomsFormType)) {
        contentType = QVUSPSShipmentCustomsFormOtherContentType;
        explanation = QStringLiteral("Returned Goods");
    }
    QVXMLNode info = root.addChildElement(QStringLiteral("CustomsInfo"));
    info.addChildElement(QStringLiteral("ContentsType"), contentTypeValueForContentType(contentType));
    info.addChildElement(QStringLiteral("ContentsExplanation"), limited(explanation, 25));
    const auto addIfNotEmpty = [&](const QString &name, const QString &key, qsizetype length) {
        const QString value = limited(shipmentText(shipment, key), length);
        if (!value.isEmpty())
            info.addChildElement(name, value);
    };
    addIfNotEmpty(QStringLiteral("LicenseNumber"), QVUSPSShipmentCustomsLicenseNumberKey, 16);
    addIfNotEmpty(QStringLiteral("CertificateNumber"), QVUSPSShipmentCustomsCertificateNumberKey, 12);
    addIfNotEmpty(QStringLiteral("InvoiceNumber"), QVUSPSShipmentCustomsInvoiceNumberKey, 15);
    info.addChildElement(QStringLiteral("NonDeliveryOption"), QStringLiteral("Return"));
    addIfNotEmpty(QStringLiteral("EelPfc"), QVUSPSShipmentCustomsAESITNKey, 35);
    QVXMLNode itemsElement = info.addChildElement(QStringLiteral("CustomsItems"));
    for (qsizetype i = 0; i < count; ++i)
        addCustomsItem(items.at(i).toMap(), itemsElement);

    root.addChildElement(QStringLiteral("CustomsCertify"), kTrue);
    root.addChildElement(QStringLiteral("CustomsSigner"),
                         limited(shipmentText(shipment, QVUSPSShipmentCustomsFormSendersNameKey), 47));
    if (integratedFormType == QLatin1String("Form2976A"))
        root.addChildElement(QStringLiteral("CustomsSendersCopy"), kTrue);
}

void addSender(const QVAddress &sender, QVXMLNode &root)
{
    root.addChildElement(QStringLiteral("FromName"), limited(sender.name(), 47));
    root.addChildElement(QStringLiteral("FromCompany"), limited(sender.company(), 47));
    root.addChildElement(QStringLiteral("ReturnAddress1"),
                         sender.street().isEmpty() ? sender.suiteApt() : sender.street());
    root.addChildElement(QStringLiteral("ReturnAddress2"), sender.suiteApt());
    root.addChildElement(QStringLiteral("FromCity"), stringByRemovingFromCityDisAllowedCharacters(sender.city()));
    root.addChildElement(QStringLiteral("FromState"), stateText(sender));
    root.addChildElement(QStringLiteral("FromPostalCode"), sender.ZIP5());
    root.addChildElement(QStringLiteral("FromZIP4"), sender.ZIP4());
    if (!digitsOnly(sender.phone()).isEmpty())
        root.addChildElement(QStringLiteral("FromPhone"), sender.tenDigitPhoneNumber());
    root.addChildElement(QStringLiteral("FromEMail"), sender.email());
}

void addDomesticRecipient(const QVAddress &recipient, QVXMLNode &root)
{
    // The company goes in ToName and the person in ToCompany; without a
    // company ToName is empty and ToCompany carries the person's name (or,
    // without a name, the suite line).
    const QString company = recipient.company();
    const QString name = recipient.name();
    QString toName;
    QString toCompany;
    if (!company.isEmpty()) {
        toName = company;
        toCompany = name;
    } else {
        toName = QStringLiteral("");
        toCompany = name.isEmpty() ? recipient.suiteApt() : name;
    }
    root.addChildElement(QStringLiteral("ToName"), toName);
    root.addChildElement(QStringLiteral("ToCompany"), toCompany);
    const QString suite = recipient.suiteApt();
    const bool suiteUsedAsName = !suite.isEmpty() && (suite == toName || suite == toCompany);
    root.addChildElement(QStringLiteral("ToAddress1"), suiteUsedAsName ? QStringLiteral("") : suite);
    root.addChildElement(QStringLiteral("ToAddress2"), recipient.street());
    root.addChildElement(QStringLiteral("ToCity"), stringByRemovingFromCityDisAllowedCharacters(recipient.city()));
    root.addChildElement(QStringLiteral("ToState"), stateText(recipient));
    root.addChildElement(QStringLiteral("ToPostalCode"), recipient.ZIP5());
    root.addChildElement(QStringLiteral("ToZIP4"), recipient.ZIP4());
    const QString zip2 = recipient.ZIP2();
    if (zip2.size() == 2 || zip2.size() == 3)
        root.addChildElement(QStringLiteral("ToDeliveryPoint"), zip2.left(2));
}

void addInternationalRecipient(const QVAddress &recipient, QVXMLNode &root)
{
    QStringList lines{recipient.name(), recipient.company()};
    lines += recipient.internationalAddressLines().value_or(QStringList());
    lines.removeAll(QString());
    lines.removeAll(QStringLiteral(""));
    const QString cityLine = lines.isEmpty() ? QStringLiteral("") : lines.takeLast();
    const QStringList names{QStringLiteral("ToName"), QStringLiteral("ToAddress1"), QStringLiteral("ToAddress2"),
                            QStringLiteral("ToAddress3")};
    for (qsizetype i = 0; i < names.size(); ++i)
        root.addChildElement(names.at(i), i < lines.size() ? lines.at(i) : QStringLiteral(""));
    root.addChildElement(QStringLiteral("ToCity"), cityLine);
    root.addChildElement(QStringLiteral("ToState"));
    root.addChildElement(QStringLiteral("ToPostalCode"));
    root.addChildElement(QStringLiteral("ToCountryCode"), twoLetterCodeForCountryText(recipient.country()));
}

void addRecipientContact(const QVShipment &shipment, const QVAddress &recipient, QVXMLNode &root)
{
    const QString phone = shipment.isDomestic() ? recipient.tenDigitPhoneNumber() : recipient.phoneWithNoPunctuation();
    if (isHoldForPickup(shipment)) {
        if (!phone.isEmpty() && phone != QLatin1String("0000000000"))
            root.addChildElement(QStringLiteral("HfpSMS"), phone);
        if (!recipient.email().isEmpty())
            root.addChildElement(QStringLiteral("HfpEmailAddress"), recipient.email());
    } else {
        root.addChildElement(QStringLiteral("ToPhone"), phone);
    }
    root.addChildElement(QStringLiteral("ToEMail"), recipient.email());
    const QString route = recipient.USPSCarrierRoute();
    if (!route.isEmpty())
        root.addChildElement(QStringLiteral("ToCarrierRoute"), route);
}

} // namespace

void QVRHOLabelServerCommandCenter::addShipment(const QVShipment &shipment, QVXMLNode &element) const
{
    const bool postageEnabled = shipmentBool(shipment, QVUSPSShipmentPostageEnabledKey);
    const bool miMode = defaultsBool(QStringLiteral("upsMailInnovationsMode"));
    const bool domestic = shipment.isDomestic();
    const QString rateClass = shipmentText(shipment, QVUSPSShipmentRateClassKey);

    element.addChildElement(QStringLiteral("MailClass"),
                            !postageEnabled && !domestic && miMode ? QStringLiteral("IPA")
                                                                   : mailClassForRateClass(rateClass));
    const qint64 days = QDate::currentDate().daysTo(shipment.shipCalendarDate().date());
    element.addChildElement(QStringLiteral("DateAdvance"), QString::number(std::max<qint64>(days, 0)));
    element.addChildElement(QStringLiteral("WeightOz"), weightText(shipment));
    QString shape = containerTypeForSize(shipmentText(shipment, QVUSPSShipmentSizeKey));
    const QVariant rectangular = shipment.objectForKey(QVShipmentRectangularKey);
    if (rectangular.isValid() && !shipmentBool(shipment, QVShipmentRectangularKey, true) && isPriorityMail(shipment))
        shape = QStringLiteral("IrregularParcel");
    element.addChildElement(QStringLiteral("MailpieceShape"), shape);

    const qint64 length = longLongValue(shipmentText(shipment, QVShipmentLengthMeasurementKey));
    const qint64 width = longLongValue(shipmentText(shipment, QVShipmentWidthMeasurementKey));
    const qint64 height = longLongValue(shipmentText(shipment, QVShipmentHeightMeasurementKey));
    if (length > 0 && width > 0 && height > 0) {
        QVXMLNode dimensions = element.addChildElement(QStringLiteral("MailpieceDimensions"));
        dimensions.addChildElement(QStringLiteral("Length"), inchesText(length));
        dimensions.addChildElement(QStringLiteral("Width"), inchesText(width));
        dimensions.addChildElement(QStringLiteral("Height"), inchesText(height));
    }
    element.addChildElement(QStringLiteral("Machinable"),
                            trueFalse(shipmentBool(shipment, QVUSPSShipmentMachinableKey)));

    const QVariant optionsValue = shipment.objectForKey(QVUSPSShipmentExpressMailOptionsKey);
    const bool hasExpressOptions = optionsValue.typeId() == QMetaType::QVariantMap;
    const QVariantMap options = optionsValue.toMap();
    const auto option = [&options](const QString &key) {
        const QVariant value = options.value(key);
        return value.typeId() == QMetaType::QString ? boolValue(value.toString()) : value.toBool();
    };
    if (hasExpressOptions) {
        const bool sunday = option(QVUSPSShipmentExpressMailSundayDeliveryKey);
        const bool holiday = option(QVUSPSShipmentExpressMailHolidayDeliveryKey);
        element.addChildElement(QStringLiteral("SundayHolidayDelivery"),
                                sunday && holiday ? kTrue
                                    : sunday      ? QStringLiteral("SUNDAY")
                                    : holiday     ? QStringLiteral("HOLIDAY")
                                                  : kFalse);
    }
    element.addChildElement(QStringLiteral("IncludePostage"), trueFalse(postageEnabled));
    element.addChildElement(QStringLiteral("ReplyPostage"), trueFalse(shipment.isReplyPostage()));
    element.addChildElement(QStringLiteral("Stealth"),
                            trueFalse(shipmentBool(shipment, QVUSPSShipmentStealthPostageKey)));
    element.addChildElement(QStringLiteral("ValidateAddress"), kFalse);
    if (hasExpressOptions) {
        element.addChildElement(QStringLiteral("SignatureWaiver"),
                                trueFalse(!option(QVUSPSShipmentExpressMailSignatureRequiredKey)));
        element.addChildElement(QStringLiteral("NoWeekendDelivery"),
                                trueFalse(!option(QVUSPSShipmentExpressMailSaturdayDeliveryKey)));
    }
    if (!postageEnabled && miMode)
        element.addChildElement(QStringLiteral("PrintConsolidatorLabel"), kTrue);
    if (rateClass == QVUSPSParcelSelect) {
        element.addChildElement(QStringLiteral("SortType"), QStringLiteral("Nonpresorted"));
        element.addChildElement(QStringLiteral("EntryFacility"), QStringLiteral("Other"));
    }
    addServices(shipment, element);
    const QString costCenter = shipmentText(shipment, QVShipmentCostCenterKey);
    element.addChildElement(QStringLiteral("CostCenter"),
                            QString::number(costCenter.isNull() ? 0 : longLongValue(costCenter)));
    const QVariant cod = shipment.objectForKey(QVUSPSShipmentCashOnDeliveryAmountKey);
    if (cod.isValid() && !cod.isNull())
        element.addChildElement(QStringLiteral("CODAmount"), qv_descriptionOfValue(cod));
    const QVariant value = shipment.objectForKey(QVShipmentValueKey);
    element.addChildElement(
        QStringLiteral("InsuredValue"),
        twoDigitDollarFormatter().stringForObjectValue(value.isValid() ? value : QVariant::fromValue(Decimal::zero())));
}

QVXMLDocument QVRHOLabelServerCommandCenter::XMLForShipment(const QVShipment &shipment, bool test,
                                                            const QVariantMap &labelAttributes) const
{
    QVXMLDocument document = qv_documentWithRootName(QStringLiteral("LabelRequest"));
    QVXMLNode root = document.rootElement();
    const bool domestic = shipment.isDomestic();
    const QString labelType = labelAttributes.value(QVLabelTypeAttributeKey).toString();
    const bool preview = labelAttributes.value(QVPreviewLabelAttributeKey).toBool();
    const bool numberOnly = labelAttributes.value(QVNumberOnlyAttributeKey).toBool();
    const QString formType = shipmentText(shipment, QVUSPSShipmentCustomsFormTypeKey);

    // 1. Test flag.
    qv_setAttribute(root, QStringLiteral("Test"), test ? QStringLiteral("YES") : QStringLiteral("NO"));
    // 2.-3. Label type and size.
    const bool integrated = (!domestic && isInternationalIntegratedForm(formType)) ||
        (isEligibleForDomesticIntegratedCustomsForms(shipment) &&
         (formType == QVUSPSShipment2976ACustomsFormType || formType == QVUSPSShipment2976CustomsFormType));
    if (integrated) {
        qv_setAttribute(root, QStringLiteral("LabelType"),
                        domestic ? QStringLiteral("Domestic") : QStringLiteral("International"));
        qv_setAttribute(root, QStringLiteral("LabelSubtype"), QStringLiteral("Integrated"));
        if (labelType != kPlainPaperLabel)
            qv_setAttribute(root, QStringLiteral("LabelSize"), QStringLiteral("4x6C"));
    } else {
        if (isCertifiedMail(shipment)) {
            qv_setAttribute(root, QStringLiteral("LabelType"),
                            shipmentText(shipment, QVUSPSShipmentSizeKey) == QVUSPSLetterSize
                                ? QStringLiteral("CertifiedMail")
                                : QStringLiteral("Default"));
        } else if (shouldContainConfirm(shipment)) {
            qv_setAttribute(root, QStringLiteral("LabelType"), QStringLiteral("DestinationConfirm"));
            qv_setAttribute(root, QStringLiteral("LabelSize"), QStringLiteral("6x4"));
        }
        // A postcard takes the postcard size, also over the destination-
        // confirm size.
        if (shipmentText(shipment, QVUSPSShipmentSizeKey) == QVUSPSPostcardSize)
            qv_setAttribute(root, QStringLiteral("LabelSize"), QStringLiteral("PostCard"));
    }
    // 4. Image format.
    if (!numberOnly) {
        const bool thermal = !preview && (labelType == kEPL2Label || labelType == kZPLIILabel);
        qv_setAttribute(root, QStringLiteral("ImageFormat"),
                        preview                        ? QStringLiteral("PNGMONOCHROME")
                            : labelType == kEPL2Label  ? QStringLiteral("EPL2")
                            : labelType == kZPLIILabel ? QStringLiteral("ZPLII")
                                                       : QStringLiteral("PNGMONOCHROME"));
        if (thermal)
            qv_setAttribute(root, QStringLiteral("ImageRotation"),
                            UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("zebraOrientation")) ==
                                    QLatin1String("T")
                                ? QStringLiteral("Rotate180")
                                : QStringLiteral("None"));
    }
    // 5. Credentials.
    root.addChildElement(QStringLiteral("RequesterID"), requesterID());
    root.addChildElement(QStringLiteral("AccountID"), userid());
    root.addChildElement(QStringLiteral("PassPhrase"), password());
    // 6. Shipment elements.
    addShipment(shipment, root);
    // 7. Description.
    root.addChildElement(QStringLiteral("Description"), limited(shipmentText(shipment, QVShipmentDescriptionKey), 50));
    // 8. Integrated form type.
    QString integratedFormType;
    if ((!domestic && formType == QVUSPSShipment2976ACustomsFormType) ||
        formType == QVUSPSShipment2976APMICustomsFormType || formType == QVUSPSShipment2976AEMICustomsFormType)
        integratedFormType = QStringLiteral("Form2976A");
    else if ((domestic && formType == QVUSPSShipment2976ACustomsFormType) ||
             formType == QVUSPSShipment2976CustomsFormType || formType == QVUSPSShipment2976FCMICustomsFormType ||
             formType == QVUSPSShipment2976PMICustomsFormType)
        integratedFormType = QStringLiteral("Form2976");
    if (!integratedFormType.isEmpty())
        root.addChildElement(QStringLiteral("IntegratedFormType"), integratedFormType);
    // 9. References and rubber stamps.
    root.addChildElement(QStringLiteral("ReferenceID"), shipmentText(shipment, QVShipmentInvoiceNumberKey));
    root.addChildElement(QStringLiteral("PartnerCustomerID"), limited(userid(), 20));
    root.addChildElement(QStringLiteral("PartnerTransactionID"), newRequestID());
    root.addChildElement(QStringLiteral("RubberStamp1"), limited(stringForTopCustomField(shipment), 50));
    root.addChildElement(QStringLiteral("RubberStamp2"), limited(stringForBottomCustomField(shipment), 50));
    // 10.-11. Post office and ship date.
    if (!shipment.isReplyPostage())
        root.addChildElement(QStringLiteral("POZipCode"), shipmentText(shipment, QVUSPSShipmentMailedFromZIP5Key));
    root.addChildElement(QStringLiteral("ShipDate"), shipDateText(shipment));
    // 12.-13. Customs.
    addCustoms(shipment, integratedFormType, root);
    // 14. Response options.
    QVXMLNode responseOptions = root.addChildElement(QStringLiteral("ResponseOptions"));
    qv_setAttribute(responseOptions, QStringLiteral("PostagePrice"), kTrue);
    // 15.-18. Addresses.
    addSender(shipment.fromAddress(), root);
    const QVAddress recipient = shipment.toAddress();
    if (domestic)
        addDomesticRecipient(recipient, root);
    else
        addInternationalRecipient(recipient, root);
    addRecipientContact(shipment, recipient, root);
    return document;
}

QVXMLDocument QVRHOLabelServerCommandCenter::XMLForRateRequestForShipment(const QVShipment &shipment) const
{
    QVXMLDocument document = qv_documentWithRootName(QStringLiteral("PostageRateRequest"));
    QVXMLNode root = document.rootElement();
    addAuthenticationElementsToElement(root);
    addShipment(shipment, root);
    for (const QString &name :
         {QStringLiteral("RequestID"), QStringLiteral("DateAdvance"), QStringLiteral("Stealth"),
          QStringLiteral("ValidateAddress"), QStringLiteral("IncludePostage"), QStringLiteral("ReplyPostage")})
        removeChildElementNamed(name, root);
    root.addChildElement(QStringLiteral("FromPostalCode"), shipment.mailedFromZIP5().value_or(QStringLiteral("")));
    const QVAddress recipient = shipment.toAddress();
    if (shipment.isDomestic()) {
        root.addChildElement(QStringLiteral("ToPostalCode"), recipient.ZIP5());
    } else {
        const std::optional<QVCountry> country = QVCountry::countryWithAnyName(recipient.country());
        root.addChildElement(QStringLiteral("ToCountry"), country ? country->name() : recipient.country());
        root.addChildElement(QStringLiteral("ToCountryCode"), twoLetterCodeForCountryText(recipient.country()));
    }
    root.addChildElement(QStringLiteral("ShipDate"), shipDateText(shipment));
    QVXMLNode responseOptions = root.addChildElement(QStringLiteral("ResponseOptions"));
    qv_setAttribute(responseOptions, QStringLiteral("PostagePrice"), kTrue);
    return document;
}
