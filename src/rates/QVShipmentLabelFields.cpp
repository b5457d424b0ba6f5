#include "rates/QVShipmentLabelFields.h"

#include "model/ClientServices.h"
#include "model/NumericFormatters.h"
#include "model/StringAdditions.h"
#include "model/TemplateSubstitution.h"
#include "platform/Decimal.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"

namespace {

// Web sites of the tracking pages.
const QString kVendorWebSite = QStringLiteral("https://www.tolvane.com");
const QString kUSPSTrackingSite = QStringLiteral("https://tools.usps.com");
const QString kUSPSHomePage = QStringLiteral("https://www.usps.com/");

const QString kTopCustomFieldKey = QStringLiteral("topCustomField");
const QString kBottomCustomFieldKey = QStringLiteral("bottomCustomField");
const QString kSubjectKey = QStringLiteral("emailNotificationSubject");
const QString kBodyKey = QStringLiteral("emailNotificationBody");
const QString kInBackgroundKey = QStringLiteral("prepareEmailNotificationInBackground");

QUrl pageWithQuery(const QString &site, const QString &path, const QString &key, const QString &value)
{
    QUrl url(site);
    url.setPath(path);
    url.setQuery(key + QLatin1Char('=') + QString::fromLatin1(QUrl::toPercentEncoding(value)), QUrl::StrictMode);
    return url;
}

// The text of a custom field for a letter printed on a plain-paper
// envelope label with the service, else the user's choice.
QString customField(const QVShipment &shipment, const QString &service, const QString &text, const QString &defaultsKey)
{
    const bool envelope = shipmentText(shipment, QVUSPSShipmentSizeKey) == QVUSPSLetterSize;
    const QString labelType = printerSetupController()->labelTypeForEnvelope(envelope);
    if (envelope && labelType == QVPlainPaperLabel && shipmentOptionalServices(shipment).contains(service))
        return text;
    return stringForCustomFieldDefaultsKey(shipment, defaultsKey);
}

// "%.2f" of an amount, rounded exactly (half away from zero); nothing for a
// value that is not a number.
std::optional<QString> twoDecimals(const QVariant &value)
{
    const std::optional<Decimal> amount = decimalFromVariant(value);
    if (!amount || amount->isNaN())
        return std::nullopt;
    return twoDigitDollarFormatter().stringFromNumber(amount->rounded(2));
}

// Percent-escapes the UTF-8 bytes of the text: letters, digits and the
// characters a URL allows unescaped stay; "?", "=", "&", "#", "%" and every
// other byte become "%XX". A line feed stays when asked.
QString percentEscaped(const QString &text, bool keepLineFeeds)
{
    static const QByteArray allowed = QByteArrayLiteral("!*'();/:@+$,");
    static const QByteArray allowedAndLineFeed = allowed + '\n';
    return QString::fromLatin1(QUrl::toPercentEncoding(text, keepLineFeeds ? allowedAndLineFeed : allowed));
}

} // namespace

// ===== Tracking pages ===================================================================

QUrl vendorPackageStatusURL(const QString &number)
{
    return pageWithQuery(kVendorWebSite, QStringLiteral("/Status/"), QStringLiteral("PIC"), number);
}

QUrl uspsTrackingURL(const QString &number)
{
    return pageWithQuery(kUSPSTrackingSite, QStringLiteral("/go/TrackConfirmAction"), QStringLiteral("qtc_tLabels1"),
                         number);
}

QUrl uspsHomePageURL() { return QUrl(kUSPSHomePage); }

// ===== Custom fields =====================================================================

QString stringForTopCustomField(const QVShipment &shipment)
{
    return customField(shipment, QVUSPSReturnReceiptService, QStringLiteral("Return Receipt Requested"),
                       kTopCustomFieldKey);
}

QString stringForBottomCustomField(const QVShipment &shipment)
{
    return customField(shipment, QVUSPSRestrictedDeliveryService, QStringLiteral("Restricted Delivery"),
                       kBottomCustomFieldKey);
}

QString stringForCustomFieldDefaultsKey(const QVShipment &shipment, const QString &defaultsKey)
{
    const QString choice = UserDefaults::standardUserDefaults().stringForKey(defaultsKey);
    QString key;
    if (choice == QLatin1String("Description"))
        key = QVShipmentDescriptionKey;
    else if (choice == QLatin1String("Reference ID"))
        key = QVShipmentInvoiceNumberKey;
    else if (choice == QLatin1String("RubberStamp1"))
        key = QVShipmentRubberStamp1Key;
    else if (choice == QLatin1String("RubberStamp2"))
        key = QVShipmentRubberStamp2Key;
    else
        return QLatin1String("");
    const QString text = shipmentText(shipment, key);
    return text.isNull() ? QString(QLatin1String("")) : text;
}

// ===== Recipient notice ===================================================================

QVariantMap replacementDictionaryForEmailNotification(const QVShipment &shipment)
{
    const QString empty = QLatin1String("");
    const QVAddress to = shipment.toAddress();
    const QVAddress from = shipment.fromAddress();
    const auto storedText = [&shipment, &empty](const QString &key) {
        const QString text = shipmentText(shipment, key);
        return text.isNull() ? empty : text;
    };

    QVariantMap values;

    const std::optional<QString> declared = twoDecimals(shipment.objectForKey(QVShipmentValueKey));
    values.insert(QStringLiteral("DeclaredValue"), declared.value_or(empty));
    values.insert(QStringLiteral("DestinationName"), to.name());
    values.insert(QStringLiteral("DestinationAddress"), to.formattedAddress());
    values.insert(QStringLiteral("DestinationEmail"), to.email());

    // Services by their display names: the confirmation first.
    QStringList services;
    const auto addService = [&services](const QString &service) {
        const QString name = QVUSPSRateClass::casualNameForServiceName(service);
        if (!name.isEmpty())
            services.append(name);
    };
    const QString confirmation = shipmentText(shipment, QVUSPSShipmentConfirmationServiceKey);
    if (!confirmation.isEmpty())
        addService(confirmation);
    for (const QString &service : shipmentOptionalServices(shipment))
        addService(service);
    if (shipmentText(shipment, QVUSPSShipmentInsuranceTypeKey) == QVUSPSShipmentTolvaneInsuranceType)
        services.append(QStringLiteral("Tolvane Insurance"));
    values.insert(QStringLiteral("OptionalServices"),
                  services.isEmpty() ? QStringLiteral("None") : componentsJoinedByComma(services));

    values.insert(QStringLiteral("PackageDescription"), storedText(QVShipmentDescriptionKey));
    values.insert(QStringLiteral("ServiceStandards"), storedText(QVUSPSShipmentServiceStandardsKey));
    const QString weight = shipmentText(shipment, QVShipmentWeightNumberKey);
    if (!weight.isNull())
        values.insert(QStringLiteral("PackageWeight"),
                      QStringLiteral("%1 %2").arg(weight, storedText(QVShipmentWeightUnitKey)));
    const std::optional<QString> postage = twoDecimals(shipment.objectForKey(QVShipmentPriceKey));
    values.insert(QStringLiteral("PostageValue"), postage ? QStringLiteral("$") + *postage : empty);
    const QVariant shipDate = shipment.objectForKey(QVShipmentShipDateKey);
    values.insert(QStringLiteral("PostmarkDate"),
                  shipDate.isValid() ? shipment.shipCalendarDate().toString(QStringLiteral("MM/dd/yyyy")) : empty);
    values.insert(QStringLiteral("ReferenceID"), storedText(QVShipmentInvoiceNumberKey));
    values.insert(QStringLiteral("SenderName"), from.name());
    values.insert(QStringLiteral("SenderCompany"), from.company());
    values.insert(QStringLiteral("SenderPhone"), from.phone());

    const QString rateClass = shipmentText(shipment, QVUSPSShipmentRateClassKey);
    QString className = empty;
    if (!rateClass.isNull()) {
        className = shipment.isDomestic() ? QVUSPSRateClass::casualNameForRateClassName(rateClass)
                                          : QVUSPSIntlRateClass::casualNameForRateClassName(rateClass);
        if (className.isNull())
            className = empty;
    }
    values.insert(QStringLiteral("ServiceClass"), className);

    // Tracking paragraph.
    const QString number = uspsLogPIC(storedText(QVUSPSShipmentPICKey));
    const QString customsNumber = storedText(QVUSPSShipmentCustomsBarcodeNumberKey);
    QString pic = empty;
    QString tracking = empty;
    if (!number.isEmpty()) {
        pic = number;
        tracking = QStringLiteral("The package's ID is %1\n\n"
                                  "To check the status of your package at any time please visit: %2"
                                  " or the U.S. Postal Service's website: %3")
                       .arg(number, vendorPackageStatusURL(number).toString(QUrl::FullyEncoded),
                            uspsHomePageURL().toString(QUrl::FullyEncoded));
    } else if (!customsNumber.isEmpty()) {
        pic = customsNumber;
        tracking = QStringLiteral("The package's ID is %1\n\n"
                                  "To check the status of your package at any time please visit: %2")
                       .arg(customsNumber, uspsTrackingURL(customsNumber).toString(QUrl::FullyEncoded));
    }
    values.insert(QStringLiteral("PackagePIC"), pic);
    values.insert(QStringLiteral("TrackingInformation"), tracking);
    return values;
}

QString emailNotificationURLString(const QVShipment &shipment)
{
    const QVariantMap values = replacementDictionaryForEmailNotification(shipment);
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    const QString open = QStringLiteral("<");
    const QString close = QStringLiteral(">");

    QString subject = stringByReplacingKeysInDictionary(defaults.stringForKey(kSubjectKey), values, open, close, false);
    if (subject.isEmpty())
        subject = QStringLiteral(" ");
    const QString body = stringByReplacingKeysInDictionary(defaults.stringForKey(kBodyKey), values, open, close, false);
    const QString bodyLines = componentsSeparatedByLineSeparators(body).join(QLatin1Char('\n'));

    const QString subjectPart = QStringLiteral("SUBJECT=") + percentEscaped(subject, false);
    const QString bodyPart =
        QStringLiteral("BODY=") + percentEscaped(bodyLines, true).replace(QLatin1Char('\n'), QStringLiteral("%0D"));
    // The address is escaped like the rest, so that nothing in it can add
    // parts to the message.
    const QString address = percentEscaped(shipment.toAddress().email().trimmed(), false);
    return QStringLiteral("mailto:%1?%2&%3").arg(address, subjectPart, bodyPart);
}

bool sendEmailNotification(const QVShipment &shipment)
{
    const QUrl url = QUrl::fromEncoded(emailNotificationURLString(shipment).toUtf8(), QUrl::StrictMode);
    return openUrl(url, UserDefaults::standardUserDefaults().boolForKey(kInBackgroundKey));
}
