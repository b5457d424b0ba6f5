#include "services/QVRHOLabelNumberCommandCenter.h"

#include "model/NumericFormatters.h"
#include "model/QVAddress.h"
#include "model/QVCountry.h"
#include "model/QVShipment.h"
#include "model/XMLConversion.h"
#include "model/XMLDocument.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVLabelNumberTables.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOLabelServerCommandCenter.h"

#include <QRegularExpression>
#include <QUrl>

#include <libxml/tree.h>

#include <stdexcept>
#include <tuple>

namespace {

Decimal decimalOf(const QVariant &value)
{
    if (value.canConvert<Decimal>() && value.metaType() == QMetaType::fromType<Decimal>())
        return value.value<Decimal>();
    if (value.isValid())
        return Decimal::parse(value.toString()).value_or(Decimal::zero());
    return Decimal::zero();
}

QString money(const Decimal &amount)
{
    const QString text = twoDigitDollarFormatter().stringFromNumber(amount);
    return text.isEmpty() ? twoDigitDollarFormatter().stringFromNumber(Decimal::zero()) : text;
}

QString dateText(const QVShipment &shipment)
{
    return shipment.shipCalendarDate().toString(QStringLiteral("MM/dd/yyyy"));
}

QByteArray escapedText(const QString &text) { return QUrl::toPercentEncoding(text); }

void setAttribute(const QVXMLNode &node, const char *name, const QString &value)
{
    xmlNewProp(node.rawNode(), BAD_CAST name, BAD_CAST value.toUtf8().constData());
}

// Elements "true" and the fee for each optional service of the shipment
// that the table names; the fee is the shipment's rate class's fee for the
// ship date.
void addOptionalServiceElements(QVariantMap &elements, const QVShipment &shipment,
                                const QList<std::tuple<QString, QString, QString>> &table)
{
    const QVariant services = shipment.objectForKey(QVUSPSShipmentOptionalServicesKey);
    if (services.metaType() != QMetaType::fromType<QVariantList>() &&
        services.metaType() != QMetaType::fromType<QStringList>())
        return;
    const QVUSPSRateClass *rateClass =
        QVUSPSRateClass::ratesForDate(shipment.shipCalendarDate())
            .rateClassWithName(shipment.objectForKey(QVUSPSShipmentRateClassKey).toString());
    for (const QVariant &service : services.toList()) {
        for (const auto &[name, element, feeElement] : table) {
            if (service.toString() != name)
                continue;
            elements.insert(element, QStringLiteral("true"));
            elements.insert(feeElement, money(rateClass ? rateClass->feeForSpecialService(name) : Decimal::zero()));
        }
    }
}

// The customs block: CustomsInfo with the contents type, its explanation
// and the non-delivery option.
void appendCustomsBlock(QVXMLDocument &document, const QVShipment &shipment)
{
    const QVariant contentType = shipment.objectForKey(QVUSPSShipmentCustomsFormContentTypeKey);
    const QVariant explanation = shipment.objectForKey(QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
    QVXMLNode customs = document.rootElement().addChildElement(QStringLiteral("CustomsInfo"));
    customs.addChildElement(QStringLiteral("ContentsType"),
                            contentTypeValueForContentType(contentType.isValid()
                                                               ? contentType.toString()
                                                               : QVUSPSShipmentCustomsFormOtherContentType));
    customs.addChildElement(QStringLiteral("ContentsExplanation"),
                            explanation.isValid() ? explanation.toString() : QStringLiteral("Other"));
    customs.addChildElement(QStringLiteral("NonDeliveryOption"), QStringLiteral("ReturnToSender"));
}

bool flag(const QVariantMap &options, const QString &key) { return options.value(key).toBool(); }

QString trueOrFalse(bool value) { return value ? QStringLiteral("true") : QStringLiteral("false"); }

} // namespace

QString QVRHOLabelNumberCommandCenter::server() const
{
    const QString configured = UserDefaults::standardUserDefaults().stringForKey(QVLabelServiceServerDefaultsKey);
    return configured.isEmpty() ? QVCommandCenter::server() : configured;
}

QString QVRHOLabelNumberCommandCenter::pricingValueForPriceClassification(int classification, bool cubic)
{
    if (classification == 1)
        return QStringLiteral("CommercialBase");
    if (classification == 2)
        return cubic ? QStringLiteral("CommercialPlusCubic") : QStringLiteral("CommercialPlus");
    if (classification > 9)
        return QStringLiteral("NSA");
    return QStringLiteral("Retail");
}

QVariantMap QVRHOLabelNumberCommandCenter::domesticElementsForShipment(const QVShipment &shipment) const
{
    const QVAddress from = shipment.fromAddress();
    const QVAddress to = shipment.toAddress();
    const QString rateClass = shipment.objectForKey(QVUSPSShipmentRateClassKey).toString();
    QString size = shipment.objectForKey(QVUSPSShipmentSizeKey).toString();
    if (size == QVUSPSLargeFlatRateVideoBoxSize)
        size = QVUSPSRegularSize;
    const Decimal confirmationPrice = decimalOf(shipment.objectForKey(QVUSPSShipmentConfirmationServicePriceKey));
    QVariantMap elements = {
        {QStringLiteral("LabelNumberSource"), QStringLiteral("Tolvane")},
        {QStringLiteral("AccountID"), postageServerAccount()->userid()},
        {QStringLiteral("LabelDate"), dateText(shipment)},
        {QStringLiteral("MailClass"), mailClassForRateClass(rateClass)},
        {QStringLiteral("Postage"), money(decimalOf(shipment.objectForKey(QVUSPSShipmentPostageKey)))},
        {QStringLiteral("Fees"),
         money(decimalOf(shipment.objectForKey(QVUSPSShipmentOptionalServicesPriceKey)) + confirmationPrice)},
        {QStringLiteral("Weight"), weightInOunces(shipment)},
        {QStringLiteral("Zone"), zoneNumberString(shipment)},
        {QStringLiteral("Pricing"),
         pricingValueForPriceClassification(shipment.objectForKey(QVUSPSShipmentRateClassificationKey).toInt(),
                                            shipment.objectForKey(QVUSPSShipmentCubicPricingKey).toBool())},
        {QStringLiteral("Container"), containerTypeForSize(size)},
        {QStringLiteral("Machinable"),
         shipment.objectForKey(QVUSPSShipmentMachinableKey).toBool() ? QStringLiteral("true")
                                                                     : QStringLiteral("false")},
        {QStringLiteral("DeclaredValue"), money(decimalOf(shipment.objectForKey(QVShipmentValueKey)))},
        {QStringLiteral("FromName"), from.name()},
        {QStringLiteral("FromCompany"), from.company()},
        {QStringLiteral("FromAddress1"), from.street().isEmpty() ? from.suiteApt() : from.street()},
        {QStringLiteral("FromAddress2"), from.suiteApt()},
        {QStringLiteral("FromCity"), stringByRemovingFromCityDisAllowedCharacters(from.city())},
        {QStringLiteral("FromState"), from.twoLetterState().toUpper()},
        {QStringLiteral("FromZip5"), from.ZIP5()},
        {QStringLiteral("FromZip4"), from.ZIP4()},
        {QStringLiteral("FromPhone"), from.tenDigitPhoneNumber()},
        {QStringLiteral("FromEmail"), from.email()},
        {QStringLiteral("ToName"), to.company().isEmpty() ? QString() : to.name()},
        {QStringLiteral("ToCompany"),
         !to.company().isEmpty()    ? to.company()
             : !to.name().isEmpty() ? to.name()
                                    : to.suiteApt()},
        {QStringLiteral("ToAddress1"), to.street()},
        {QStringLiteral("ToAddress2"), to.suiteApt()},
        {QStringLiteral("ToCity"), stringByRemovingFromCityDisAllowedCharacters(to.city())},
        {QStringLiteral("ToState"), to.twoLetterState().toUpper()},
        {QStringLiteral("ToPostalCode"), to.formattedZIP()},
        {QStringLiteral("ToPhone"), to.tenDigitPhoneNumber()},
        {QStringLiteral("ToEmail"), to.email()},
        {QStringLiteral("ComputeRDC"), QStringLiteral("true")},
    };
    const QVariant mailedFrom = shipment.objectForKey(QVUSPSShipmentMailedFromZIP5Key);
    if (mailedFrom.isValid())
        elements.insert(QStringLiteral("POZipCode"), mailedFrom.toString());
    const QString confirmation = shipment.objectForKey(QVUSPSShipmentConfirmationServiceKey).toString();
    if (confirmation == QVUSPSeDeliveryConfirmation) {
        elements.insert(QStringLiteral("DeliveryConfirmation"), QStringLiteral("true"));
        elements.insert(QStringLiteral("DeliveryConfirmationFee"), money(confirmationPrice));
    } else if (confirmation == QVUSPSeSignatureConfirmation) {
        elements.insert(QStringLiteral("SignatureConfirmation"), QStringLiteral("true"));
        elements.insert(QStringLiteral("SignatureConfirmationFee"), money(confirmationPrice));
    }
    addOptionalServiceElements(
        elements, shipment,
        {{QVUSPSAdultSignatureService, QStringLiteral("AdultSignature"), QStringLiteral("AdultSignatureFee")},
         {QVUSPSAdultSignatureRestrictedService, QStringLiteral("AdultSignatureRestricted"),
          QStringLiteral("AdultSignatureRestrictedFee")},
         {QVUSPSCertifiedMailService, QStringLiteral("CertifiedMail"), QStringLiteral("CertifiedMailFee")},
         {QVUSPSReturnReceiptService, QStringLiteral("ReturnReceiptRegular"),
          QStringLiteral("ReturnReceiptRegularFee")},
         {QVUSPSRestrictedDeliveryService, QStringLiteral("RestrictedDelivery"),
          QStringLiteral("RestrictedDeliveryFee")}});
    return elements;
}

QVariantMap QVRHOLabelNumberCommandCenter::expressElementsForShipment(const QVShipment &shipment) const
{
    QVariantMap elements = domesticElementsForShipment(shipment);
    for (const char *name :
         {"MailClass", "Machinable", "DeliveryConfirmation", "DeliveryConfirmationFee", "SignatureConfirmation",
          "SignatureConfirmationFee", "CertifiedMail", "CertifiedMailFee", "ReturnReceiptRegular",
          "ReturnReceiptRegularFee", "RestrictedDelivery", "RestrictedDeliveryFee"})
        elements.remove(QString::fromLatin1(name));
    elements.insert(QStringLiteral("Fees"),
                    money(decimalOf(shipment.objectForKey(QVUSPSShipmentOptionalServicesPriceKey))));
    elements.insert(
        QStringLiteral("Pricing"),
        pricingValueForPriceClassification(shipment.objectForKey(QVUSPSShipmentRateClassificationKey).toInt()));
    elements.insert(QStringLiteral("Container"),
                    containerTypeForSize(shipment.objectForKey(QVUSPSShipmentSizeKey).toString()));
    addOptionalServiceElements(
        elements, shipment,
        {{QVUSPSExpressMail1030SXService, QStringLiteral("AMDelivery"), QStringLiteral("AMDeliveryFee")}});
    const QVariantMap options = shipment.objectForKey(QVUSPSShipmentExpressMailOptionsKey).toMap();
    const bool signature = flag(options, QVUSPSShipmentExpressMailSignatureRequiredKey);
    elements.insert(QStringLiteral("SignatureService"), trueOrFalse(signature));
    elements.insert(QStringLiteral("WaiverOfSignature"), trueOrFalse(!signature));
    elements.insert(QStringLiteral("NoDeliverySaturday"),
                    trueOrFalse(!flag(options, QVUSPSShipmentExpressMailSaturdayDeliveryKey)));
    elements.insert(QStringLiteral("SundayDelivery"),
                    trueOrFalse(flag(options, QVUSPSShipmentExpressMailSundayDeliveryKey)));
    elements.insert(QStringLiteral("HolidayDelivery"),
                    trueOrFalse(flag(options, QVUSPSShipmentExpressMailHolidayDeliveryKey)));
    return elements;
}

QVariantMap QVRHOLabelNumberCommandCenter::internationalElementsForShipment(const QVShipment &shipment) const
{
    const QVariantMap domestic = domesticElementsForShipment(shipment);
    QVariantMap elements;
    for (const char *name :
         {"LabelNumberSource", "AccountID", "LabelDate", "Weight", "DeclaredValue", "FromAddress1", "FromAddress2",
          "FromCity", "FromState", "FromZip5", "FromZip4", "FromPhone", "FromEmail", "POZipCode"}) {
        const QString key = QString::fromLatin1(name);
        if (domestic.contains(key))
            elements.insert(key, domestic.value(key));
    }
    const QString mailClass = mailClassForRateClass(shipment.objectForKey(QVUSPSShipmentRateClassKey).toString());
    if (!mailClass.isEmpty())
        elements.insert(QStringLiteral("MailClass"), mailClass);
    const QVariant price = shipment.objectForKey(QVShipmentPriceKey);
    elements.insert(QStringLiteral("Postage"), price.isValid() ? money(decimalOf(price)) : QString());
    elements.insert(
        QStringLiteral("Pricing"),
        pricingValueForPriceClassification(shipment.objectForKey(QVUSPSShipmentRateClassificationKey).toInt()));
    elements.insert(QStringLiteral("Container"),
                    containerTypeForSize(shipment.objectForKey(QVUSPSShipmentSizeKey).toString()));
    const QVariant sendersName = shipment.objectForKey(QVUSPSShipmentCustomsFormSendersNameKey);
    if (sendersName.isValid())
        elements.insert(QStringLiteral("FromName"), sendersName.toString());
    elements.insert(QStringLiteral("FromCompany"), shipment.fromAddress().company());

    const QVAddress to = shipment.toAddress();
    elements.insert(QStringLiteral("ToName"), to.company().isEmpty() ? QString() : to.name());
    elements.insert(QStringLiteral("ToCompany"), to.company().isEmpty() ? to.name() : to.company());
    // The last line of the address names the country, the one above it the
    // city; the street lines come above that, the first line (the name) never.
    const QStringList lines = to.formattedAddress().split(QLatin1Char('\n'));
    const qsizetype last = lines.size() - 1;
    if (const auto country = QVCountry::countryWithAnyName(lines.value(last)))
        elements.insert(QStringLiteral("ToCountryCode"), country->twoLetterCountryCode());
    QString city = last >= 1 ? lines.value(last - 1) : QString();
    city.remove(QRegularExpression(QStringLiteral("[0-9]")));
    elements.insert(QStringLiteral("ToCity"), city.isEmpty() ? QStringLiteral("Unknown") : city);
    if (last >= 2)
        elements.insert(QStringLiteral("ToAddress1"), lines.value(last - 2));
    if (last >= 4)
        elements.insert(QStringLiteral("ToAddress2"), lines.value(last - 3));
    elements.insert(QStringLiteral("ToPostalCode"), QString());
    elements.insert(QStringLiteral("ToPhone"), to.phoneWithNoPunctuation());
    elements.insert(QStringLiteral("ToEmail"), to.email());
    elements.insert(QStringLiteral("CustomsInfo"), QStringLiteral("\n!!tolvane_CustomsInfo!!"));
    return elements;
}

std::optional<QString> QVRHOLabelNumberCommandCenter::labelNumberFromReply(const QByteArray &reply,
                                                                           QVariantMap *response)
{
    QVariantMap plist;
    try {
        plist = rho_propertyListFromXMLFormat(reply);
    } catch (const std::exception &error) {
        setLastErrorDescription(QString::fromUtf8(error.what()));
        return std::nullopt;
    }
    const QVariantMap numberResponse = plist.value(QStringLiteral("LabelNumberResponse")).toMap();
    const QString status = numberResponse.value(QStringLiteral("Status")).toString();
    if (status.trimmed().toInt() != 0) {
        setLastError(status, numberResponse.value(QStringLiteral("ErrorMessage")).toString());
        return std::nullopt;
    }
    const QVariant number = numberResponse.value(QStringLiteral("LabelNumber"));
    if (!number.isValid() || number.metaType() != QMetaType::fromType<QString>())
        return std::nullopt;
    if (response)
        *response = numberResponse;
    return number.toString();
}

std::optional<QString> QVRHOLabelNumberCommandCenter::domesticLabelNumberAndResponse(QVariantMap *response,
                                                                                     const QVShipment &shipment)
{
    return submitNumberRequest(QVLabelNumberDomesticPath, QStringLiteral("PicNumberRequest"),
                               QStringLiteral("picNumberRequestXML"), domesticElementsForShipment(shipment), response,
                               shipment);
}

std::optional<QString> QVRHOLabelNumberCommandCenter::expressLabelNumberAndResponse(QVariantMap *response,
                                                                                    const QVShipment &shipment)
{
    return submitNumberRequest(QVLabelNumberExpressPath, QStringLiteral("ExpressMailNumberRequest"),
                               QStringLiteral("expressMailNumberRequestXml"), expressElementsForShipment(shipment),
                               response, shipment);
}

std::optional<QString> QVRHOLabelNumberCommandCenter::internationalLabelNumberAndResponse(QVariantMap *response,
                                                                                          const QVShipment &shipment)
{
    return submitNumberRequest(QVLabelNumberInternationalPath, QStringLiteral("InternationalPicNumberRequest"),
                               QStringLiteral("internationalPicNumberRequestXml"),
                               internationalElementsForShipment(shipment), response, shipment);
}

std::optional<QString>
QVRHOLabelNumberCommandCenter::submitNumberRequest(const QString &requestPath, const QString &rootName,
                                                   const QString &formKey, const QVariantMap &elements,
                                                   QVariantMap *response, const QVShipment &shipment)
{
    setPath(requestPath);
    setLastError(QString(), QString());
    if (server().isEmpty()) {
        setLastError(QStringLiteral("-1"),
                     QStringLiteral("No label-number server is set (user default \"%1\").")
                         .arg(QVLabelServiceServerDefaultsKey));
        return std::nullopt;
    }
    const bool international = rootName == QStringLiteral("InternationalPicNumberRequest");
    QVXMLDocument document = qv_documentWithRootName(rootName, elements);
    if (international) {
        setAttribute(document.rootElement(), "ValidationLevel", QStringLiteral("Basic"));
        appendCustomsBlock(document, shipment);
    } else if (rootName == QStringLiteral("PicNumberRequest") &&
               !shipment.objectForKey(QVShipmentItemsKey).toList().isEmpty()) {
        appendCustomsBlock(document, shipment);
    }
    document.setCharacterEncoding(QStringLiteral("US-ASCII"));
    QString text = QString::fromLatin1(document.xmlData());
    text.replace(QChar(0xA0), u' ');
    const QByteArray body = formKey.toLatin1() + '=' + escapedText(text);
    const QUrl url(QStringLiteral("https://%1%2").arg(server(), path()));
    QVHeaderDictionary headers =
        QVRHOLabelServerCommandCenter::commandCenter()->additionalHeaderDictionaryForShipment(&shipment);
    headers.insert(QStringLiteral("Content-Type"), QStringLiteral("application/x-www-form-urlencoded; charset=utf-8"));
    if (!international) {
        debugLog(url.toString());
        debugLog(QString::fromUtf8(QByteArray::fromPercentEncoding(body)));
    }
    const auto reply = postData(body, url, headers);
    if (!reply)
        return std::nullopt;
    if (!international)
        debugLog(QString::fromUtf8(*reply));
    return labelNumberFromReply(*reply, response);
}

QVariantMap QVRHOLabelNumberCommandCenter::confirmItemsForShipment(const QVShipment &shipment) const
{
    const QString size = shipment.objectForKey(QVUSPSShipmentSizeKey).toString();
    const QString mailType = size == QVUSPSLetterSize ? QStringLiteral("LT")
        : size == QVUSPSLargeEnvelopeSize             ? QStringLiteral("FL")
        : size == QVUSPSPostcardSize                  ? QStringLiteral("PC")
                                                      : QString();
    return {
        {QStringLiteral("MailClass"),
         shipment.objectForKey(QVUSPSShipmentRateClassKey).toString() == QVUSPSFirstClassMail ? QStringLiteral("FC")
                                                                                              : QString()},
        {QStringLiteral("MailType"), mailType},
        {QStringLiteral("PostmarkDate"), dateText(shipment)},
        {QStringLiteral("MailFromZipcode"), shipment.mailedFromZIP5().value_or(QString())},
        {QStringLiteral("MailToZipcode"), shipment.toAddress().lossyZIP11()},
        {QStringLiteral("WeightOZ"), weightInOunces(shipment)},
        {QStringLiteral("CustomerDUNS"), customerDUNSNumber()},
        {QStringLiteral("CustomerMailDesc"), QString()},
    };
}

std::optional<QString> QVRHOLabelNumberCommandCenter::confirmNumberAndResponse(QVariantMap *response,
                                                                               const QVShipment &shipment)
{
    setPath(QVLabelNumberConfirmPath);
    setLastError(QString(), QString());
    if (server().isEmpty()) {
        setLastError(QStringLiteral("-1"),
                     QStringLiteral("No label-number server is set (user default \"%1\").")
                         .arg(QVLabelServiceServerDefaultsKey));
        return std::nullopt;
    }
    QVXMLDocument document = qv_documentWithRootName(QStringLiteral("ConfirmRequest"));
    QVXMLNode root = document.rootElement();
    xmlNewNs(root.rawNode(), BAD_CAST "http://www.w3.org/2001/XMLSchema-instance", BAD_CAST "xsi");
    xmlNewNs(root.rawNode(), BAD_CAST "http://www.w3.org/2001/XMLSchema", BAD_CAST "xsd");
    setAttribute(root, "AccountID", postageServerAccount()->userid());
    QVXMLNode item = root.addChildElement(QStringLiteral("ConfirmItem"));
    setAttribute(item, "ID", QStringLiteral("TfM"));
    qv_attachElementDictionary(item, confirmItemsForShipment(shipment));
    const QString url =
        QStringLiteral("https://%1%2?xmlInput=%3")
            .arg(server(), path(), QString::fromLatin1(escapedText(QString::fromUtf8(document.xmlData()))));
    debugLog(QUrl::fromPercentEncoding(url.toUtf8()));
    const auto reply = getURL(
        QUrl(url), QVRHOLabelServerCommandCenter::commandCenter()->additionalHeaderDictionaryForShipment(&shipment));
    if (!reply)
        return std::nullopt;
    debugLog(QString::fromUtf8(*reply));
    QVariantMap plist;
    try {
        plist = rho_propertyListFromXMLFormat(*reply);
    } catch (const std::exception &error) {
        setLastErrorDescription(QString::fromUtf8(error.what()));
        return std::nullopt;
    }
    const QVariantMap confirmResponse = plist.value(QStringLiteral("ConfirmResponse")).toMap();
    const QVariantMap confirmItem = confirmResponse.value(QStringLiteral("ConfirmItem")).toMap();
    const QVariant number = confirmItem.value(QStringLiteral("ConfirmNumber"));
    if (number.metaType() != QMetaType::fromType<QString>()) {
        setLastError(confirmItem.value(QStringLiteral("ErrorCode")).toString(),
                     confirmItem.value(QStringLiteral("ErrorMessage")).toString());
        return std::nullopt;
    }
    if (response)
        *response = confirmResponse;
    return number.toString();
}

void takeValuesFromLNSResponseDict(QVShipment &shipment, const QVariantMap &response)
{
    static const QList<QPair<QString, QString>> keys = {
        {QStringLiteral("BarcodeNumber"), QVUSPSShipmentBarcodeNumberKey},
        {QStringLiteral("DisplayLabelNumber"), QVUSPSShipmentDisplayLabelNumberKey},
        {QStringLiteral("Banner"), QVUSPSShipmentDisplayLabelBannerKey},
        {QStringLiteral("MailerID"), QVUSPSShipmentMailerIDKey},
        {QStringLiteral("RDC"), QVUSPSShipmentRDCKey},
        {QStringLiteral("LabelNumber"), QVUSPSShipmentPICKey},
        {QStringLiteral("DeliveryTimeDays"), QVUSPSShipmentDeliveryDaysKey},
    };
    for (const auto &[element, key] : keys) {
        const QVariant value = response.value(element);
        if (value.metaType() == QMetaType::fromType<QString>() && !value.toString().isEmpty())
            shipment.setObject(value, key);
        else
            shipment.removeObjectForKey(key);
    }
    if (shipment.objectForKey(QVUSPSShipmentDeliveryDaysKey).toString() == QStringLiteral("0"))
        shipment.removeObjectForKey(QVUSPSShipmentDeliveryDaysKey);
}
