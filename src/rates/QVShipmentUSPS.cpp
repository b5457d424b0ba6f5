#include "rates/QVShipmentUSPS.h"

#include "model/ClientServices.h"
#include "model/NumericFormatters.h"
#include "model/QVWeight.h"
#include "model/StringAdditions.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassSupport.h"
#include "rateengine/RateEngine.h"
#include "rateengine/RateOptionalServices.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

using qvrates::clampToInt;

// The integer value of a loose value: the leading integer of a text, a
// number truncated toward zero; 0 for anything else.
int intValueOf(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return 0;
    switch (value.typeId()) {
    case QMetaType::QString:
        return clampToInt(longLongValue(value.toString()));
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return 0;
        return clampToInt(qint64(std::clamp(std::trunc(d), -9.0e18, 9.0e18)));
    }
    case QMetaType::Bool:
        return value.toBool() ? 1 : 0;
    default:
        break;
    }
    if (value.canConvert<Decimal>() || value.typeId() == qMetaTypeId<Decimal>()) {
        if (const std::optional<Decimal> d = decimalFromVariant(value))
            return clampToInt(d->toInt64().value_or(0));
    }
    bool ok = false;
    const qint64 n = value.toLongLong(&ok);
    return ok ? clampToInt(n) : 0;
}

// The leading decimal number of a text ("2.75", " 3 lb"), as NSString's
// numeric readers take it; nothing when the text does not begin with one.
std::optional<Decimal> leadingDecimal(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?(?:[0-9]+(?:\\.[0-9]*)?|\\.[0-9]+))"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    QString digits = match.captured(1);
    if (digits.endsWith(QLatin1Char('.')))
        digits.chop(1);
    const std::optional<Decimal> value = Decimal::parse(digits);
    if (!value || value->isNaN())
        return std::nullopt;
    return value;
}

// A stored flag: a text read as "YES", "Y", "true" or "1"; anything else as
// the variant converts.
bool flagValue(const QVariant &value)
{
    return value.typeId() == QMetaType::QString ? boolValue(value.toString()) : value.toBool();
}

QString className(const QVShipment &s) { return shipmentText(s, QVUSPSShipmentRateClassKey); }
QString sizeName(const QVShipment &s) { return shipmentText(s, QVUSPSShipmentSizeKey); }
QString confirmation(const QVShipment &s) { return shipmentText(s, QVUSPSShipmentConfirmationServiceKey); }

bool isLetterFlatOrPostcard(const QString &size)
{
    return size == QVUSPSPostcardSize || size == QVUSPSLargeEnvelopeSize || size == QVUSPSLetterSize;
}

const QSet<QString> &exceptionZIPs()
{
    static const QSet<QString> zips = {
        QStringLiteral("96939"), QStringLiteral("96940"), QStringLiteral("96941"), QStringLiteral("96942"),
        QStringLiteral("96943"), QStringLiteral("96944"), QStringLiteral("96960"), QStringLiteral("96970"),
    };
    return zips;
}

bool isExceptionZIP(const QVShipment &s) { return exceptionZIPs().contains(s.mailedToZIP5()); }

// The international electronic delivery confirmation as the engine offers
// it for the ship date's rate version.
bool intlDeliveryConfirmationAvailable(const QVShipment &s)
{
    qvrates::setIntlRateVersionForDate(s.shipCalendarDate());
    const QByteArray country = s.toAddress().country().toUtf8();
    return GetOptionalServiceAvailability(
               kSSDeliveryConfirmation, QVUSPSIntlRateClass::tolvaneClassTypeForRateClassName(className(s)),
               QVUSPSRateClass::tolvaneShapeTypeForSize(sizeName(s)), country.constData()) == 1;
}

// The text in groups of n characters joined by single spaces.
QString grouped(const QString &text, qsizetype n)
{
    if (text.isEmpty())
        return text;
    return stringBySeparatingSubstringsOfLength(text, n, QStringLiteral(" "), true);
}

// "$1,234.50" in the en_US currency style (halves to even).
QString currencyText(const Decimal &value)
{
    const QString plain = twoDigitDollarFormatter().stringFromNumber(value.abs());
    const qsizetype dot = plain.indexOf(QLatin1Char('.'));
    QString whole = dot < 0 ? plain : plain.left(dot);
    const QString fraction = dot < 0 ? QString() : plain.mid(dot);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, QLatin1Char(','));
    return (value.isNegative() ? QStringLiteral("-$") : QStringLiteral("$")) + whole + fraction;
}

QVariantList customsItems(const QVShipment &s) { return s.objectForKey(QVShipmentItemsKey).toList(); }

} // namespace

// ===== Loose values =============================================================

QString shipmentText(const QVShipment &shipment, const QString &key)
{
    const QVariant value = shipment.objectForKey(key);
    // A stored text is the answer as it is (a null one too).
    if (value.typeId() == QMetaType::QString)
        return *static_cast<const QString *>(value.constData());
    if (!value.isValid() || value.isNull())
        return QString();
    return value.toString();
}

bool shipmentBool(const QVShipment &shipment, const QString &key, bool missing)
{
    const QVariant value = shipment.objectForKey(key);
    // A stored boolean (what pricing itself stores) is the answer as it is.
    if (value.typeId() == QMetaType::Bool)
        return *static_cast<const bool *>(value.constData());
    if (!value.isValid() || value.isNull())
        return missing;
    return flagValue(value);
}

QStringList shipmentOptionalServices(const QVShipment &shipment)
{
    const QVariant value = shipment.objectForKey(QVUSPSShipmentOptionalServicesKey);
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    QStringList services;
    for (const QVariant &item : value.toList())
        services.append(item.toString());
    return services;
}

// ===== Destination and class tests =================================================

bool isMilitaryMail(const QVShipment &shipment)
{
    if (!shipment.isDomestic())
        return false;
    const QString state = shipment.mailedToState();
    return state == QLatin1String("AE") || state == QLatin1String("AA") || state == QLatin1String("AP");
}

bool isTerritoryMail(const QVShipment &shipment)
{
    if (!shipment.isDomestic())
        return false;
    const QString zip = shipment.mailedToZIP5();
    return zip == QLatin1String("96799") || (zip.size() > 2 && zip.startsWith(QLatin1String("969")));
}

bool isForcedConfirmationOnPriorityMail(const QVShipment &shipment)
{
    return !isMilitaryMail(shipment) && !isTerritoryMail(shipment);
}

bool isPriorityMail(const QVShipment &shipment)
{
    const QString name = className(shipment);
    return !name.isEmpty() && qv_containsString(name, QVUSPSPriorityMail);
}

bool isExpressMail(const QVShipment &shipment)
{
    const QString name = className(shipment);
    return name == QVUSPSExpressMail || name == QVUSPSExpressMailFlatRate;
}

bool isGlobalExpressMail(const QVShipment &shipment) { return className(shipment) == QVUSPSIntlGlobalExpressMail; }

bool isPackageServices(const QVShipment &shipment)
{
    const QString name = className(shipment);
    if (name.isNull())
        return false;
    const QVUSPSRateClass *rateClass =
        QVUSPSRateClass::ratesForDate(shipment.shipCalendarDate()).rateClassWithName(name);
    return rateClass && rateClass->isStandardB();
}

bool isCertifiedMail(const QVShipment &shipment)
{
    return shipmentOptionalServices(shipment).contains(QVUSPSCertifiedMailService);
}

bool isHoldForPickup(const QVShipment &shipment)
{
    return shipmentOptionalServices(shipment).contains(QVUSPSHoldForPickupService);
}

bool isEligibleForConfirmationServices(const QVShipment &shipment)
{
    return isEligibleForSpecialService(shipment, QVUSPSeDeliveryConfirmation) &&
        isEligibleForSpecialService(shipment, QVUSPSeSignatureConfirmation);
}

bool isEligibleForIntlDiscount(const QVShipment &shipment)
{
    return !shipment.isDomestic() && className(shipment) != QVUSPSIntlMBag;
}

bool isEligibleForDomesticDiscount(const QVShipment &shipment)
{
    if (!shipment.isDomestic())
        return false;
    const QString name = className(shipment);
    static const QSet<QString> trackedClasses = {QVUSPSPriorityMail, QVUSPSPriorityMailFlatRate, QVUSPSExpressMail,
                                                 QVUSPSExpressMailFlatRate, QVUSPSParcelSelect};
    if (trackedClasses.contains(name) && shouldContainPIC(shipment))
        return true;
    return sizeName(shipment) == QVUSPSRegularSize && name == QVUSPSFirstClassMail;
}

bool isEligibleForDomesticIntegratedCustomsForms(const QVShipment &shipment)
{
    return (isMilitaryMail(shipment) || isTerritoryMail(shipment)) && shouldContainPIC(shipment);
}

bool shouldContainConfirm(const QVShipment &shipment)
{
    return !shouldContainPIC(shipment) && shipment.isDomestic() && className(shipment) == QVUSPSFirstClassMail &&
        isLetterFlatOrPostcard(sizeName(shipment));
}

bool shouldContainPIC(const QVShipment &shipment)
{
    // 1. Whether the piece counts as a package.
    bool package = false;
    if (shipment.isDomestic())
        package = isLetterFlatOrPostcard(sizeName(shipment)) ? isPackageServices(shipment) : true;
    if (package)
        return true; // every rule below can only add a reason
    // 2. An eligible confirmation.
    const QString service = confirmation(shipment);
    if (!service.isNull() && isEligibleForSpecialService(shipment, service))
        return true;
    // 3. Certified mail other than a letter.
    if (isCertifiedMail(shipment) && sizeName(shipment) != QVUSPSLetterSize)
        return true;
    // 4. Priority Mail Express.
    if (isExpressMail(shipment))
        return true;
    // 5. Priority Mail Express International; otherwise the package rule.
    if (className(shipment) == QVUSPSIntlExpressMailIntl)
        return true;
    return package;
}

bool isTrackableUsingUSPS(const QVShipment &shipment)
{
    if (shipmentText(shipment, QVUSPSShipmentPICKey).isEmpty() &&
        shipmentText(shipment, QVUSPSShipmentCustomsBarcodeNumberKey).isEmpty())
        return false;
    if (shipmentBool(shipment, QVShipmentVoidKey))
        return false;
    const QString service = confirmation(shipment);
    return !isPackageServices(shipment) || service == QVUSPSeDeliveryConfirmation ||
        service == QVUSPSeSignatureConfirmation;
}

bool isForcedNonMachinable(const QVShipment &shipment)
{
    if (sizeName(shipment) != QVUSPSLetterSize)
        return false;
    const int length = intValueOf(shipment.objectForKey(QVShipmentLengthMeasurementKey));
    const int width = intValueOf(shipment.objectForKey(QVShipmentWidthMeasurementKey));
    const int height = intValueOf(shipment.objectForKey(QVShipmentHeightMeasurementKey));
    if (length <= 0 || width <= 0 || height <= 0)
        return false;
    // The aspect ratio in single precision, as the letter rules were always
    // computed (13 by 10 comes out just below 1.3).
    const double ratio = double(float(length) / float(height));
    return ratio < 1.3 || ratio > 2.5;
}

bool isEligibleForStealth(const QVShipment &shipment)
{
    if (isEligibleForIntlDiscount(shipment))
        return true;
    if (isExpressMail(shipment))
        return true;
    const QString size = sizeName(shipment);
    if (size == QVUSPSLetterSize || size == QVUSPSPostcardSize)
        return false;
    const QVariant stored = shipment.objectForKey(QVUSPSShipmentOptionalServicesKey);
    if (!stored.isValid() || stored.isNull())
        return true;
    if (isCertifiedMail(shipment))
        return true;
    QStringList rest = shipmentOptionalServices(shipment);
    for (const QString &asideService : {QVUSPSAdultSignatureService, QVUSPSAdultSignatureRestrictedService,
                                        QVUSPSExpressMail1030AMService, QVUSPSHoldForPickupService})
        rest.removeAll(asideService);
    return rest.isEmpty();
}

// ===== Special services ==========================================================

bool isEligibleForSpecialService(const QVShipment &shipment, const QString &service)
{
    if (service.isNull())
        return false;
    const bool domestic = shipment.isDomestic();
    const QString name = className(shipment);
    const QStringList services = shipmentOptionalServices(shipment);

    if (service == QVUSPSCertifiedMailService)
        return domestic && (isPriorityMail(shipment) || name == QVUSPSFirstClassMail);
    if (service == QVUSPSReturnReceiptService || service == QVUSPSRestrictedDeliveryService)
        return services.contains(QVUSPSCertifiedMailService);
    if (service == QVUSPSExpressMailPremiumService || service == QVUSPSExpressMail1030AMService)
        return domestic && !name.isEmpty() && qv_containsString(name, QVUSPSExpressMail);
    if (service == QVUSPSHoldForPickupService) {
        if (!domestic || services.contains(QVUSPSCertifiedMailService))
            return false;
        return isPriorityMail(shipment) || isExpressMail(shipment) || name == QVUSPSParcelSelect ||
            (name == QVUSPSFirstClassMail && !isLetterFlatOrPostcard(sizeName(shipment)));
    }
    if (domestic) {
        if (service == QVUSPSeDeliveryConfirmation)
            return !isExceptionZIP(shipment) && !isExpressMail(shipment);
        if (service == QVUSPSeSignatureConfirmation)
            return !isExceptionZIP(shipment) && !isExpressMail(shipment) && !isMilitaryMail(shipment);
        if (service == QVUSPSAdultSignatureService || service == QVUSPSAdultSignatureRestrictedService) {
            return accountInformationServices()->adultSignature() && !isExceptionZIP(shipment) &&
                !isMilitaryMail(shipment) &&
                (isPriorityMail(shipment) || isExpressMail(shipment) || name == QVUSPSParcelSelect);
        }
        return false;
    }
    if (service == QVUSPSeDeliveryConfirmation)
        return intlDeliveryConfirmationAvailable(shipment);
    return false;
}

bool isEligibleForSpecialServices(const QVShipment &shipment, const std::optional<QStringList> &services)
{
    if (!services)
        return false;
    for (const QString &service : *services) {
        if (!isEligibleForSpecialService(shipment, service))
            return false;
    }
    return true;
}

// ===== Barcode and label texts ======================================================

std::optional<QString> impbBarcode(const QVShipment &shipment)
{
    const QString barcode = shipmentText(shipment, QVUSPSShipmentBarcodeNumberKey);
    if (!barcode.isEmpty())
        return barcode;
    const QString pic = shipmentText(shipment, QVUSPSShipmentPICKey);
    if (pic.isEmpty())
        return std::nullopt;
    if (pic.startsWith(QLatin1String("420")) || pic.startsWith(QLatin1Char('E')))
        return pic;
    return QStringLiteral("420%1*%2").arg(shipment.mailedToZIP5(), pic);
}

std::optional<QString> humanReadableBarcodeText(const QVShipment &shipment)
{
    const QString display = shipmentText(shipment, QVUSPSShipmentDisplayLabelNumberKey);
    if (!display.isEmpty())
        return display;
    QString number = shipmentText(shipment, QVUSPSShipmentPICKey);
    if (number.isEmpty())
        number = shipmentText(shipment, QVUSPSShipmentCustomsBarcodeNumberKey);
    if (number.isEmpty())
        return std::nullopt;

    QStringList parts;
    if (number.startsWith(QLatin1String("420"))) {
        parts << QStringLiteral("420") << number.mid(3, 5) << grouped(number.mid(8), 4);
    } else if (number.startsWith(QLatin1Char('E')) || number.startsWith(QLatin1Char('L')) ||
               number.startsWith(QLatin1Char('C'))) {
        parts << number.left(2) << grouped(number.mid(2), 3);
    } else {
        parts << grouped(number, 4);
    }
    parts.removeAll(QString());
    return parts.join(QLatin1Char(' '));
}

QString eServiceTextString(const QVShipment &shipment)
{
    const QString banner = shipmentText(shipment, QVUSPSShipmentDisplayLabelBannerKey);
    if (!banner.isEmpty())
        return banner;
    return eServiceTextStringWithLongString(shipment, true);
}

QString eServiceTextStringWithLongString(const QVShipment &shipment, bool)
{
    static const QString tracking = QStringLiteral("USPS TRACKING #");
    static const QString signatureTracking = QStringLiteral("USPS SIGNATURE TRACKING #");
    if (isExpressMail(shipment)) {
        const QVariantMap options = shipment.objectForKey(QVUSPSShipmentExpressMailOptionsKey).toMap();
        return flagValue(options.value(QVUSPSShipmentExpressMailSignatureRequiredKey)) ? signatureTracking : tracking;
    }
    const QString service = confirmation(shipment);
    if (!service.isEmpty())
        return service == QVUSPSeSignatureConfirmation ? signatureTracking : tracking;
    const QStringList services = shipmentOptionalServices(shipment);
    if (services.isEmpty())
        return shouldContainPIC(shipment) ? tracking : QString(QLatin1String(""));
    if (services.contains(QVUSPSAdultSignatureService))
        return QStringLiteral("USPS ADULT SIGNATURE");
    if (services.contains(QVUSPSAdultSignatureRestrictedService))
        return QStringLiteral("USPS ADULT SIG/RESTR DEL");
    return QLatin1String("");
}

QString electronicRateApprovedString(const QVShipment &) { return QLatin1String(""); }

std::optional<QString> serviceBanner(const QVShipment &shipment)
{
    QString banner;
    if (isPriorityMail(shipment))
        banner = QStringLiteral("PRIORITY MAIL");
    else if (isExpressMail(shipment))
        banner = QStringLiteral("PRIORITY MAIL EXPRESS");
    else
        return std::nullopt;
    const QString days = shipmentText(shipment, QVUSPSShipmentDeliveryDaysKey);
    if (days.isEmpty())
        banner += QChar(0x00AE);
    else
        banner += QStringLiteral(" %1-DAY").arg(days) + QChar(0x2122);
    return banner;
}

std::optional<QString> shortServiceBanner(const QVShipment &shipment)
{
    std::optional<QString> banner = serviceBanner(shipment);
    if (!banner)
        return std::nullopt;
    banner->chop(1);
    if (isExpressMail(shipment))
        banner->replace(QStringLiteral("PRIORITY MAIL EXPRESS"), QStringLiteral("PM EXPRESS"));
    return banner;
}

QStringList expressMailOptionStrings(const QVShipment &shipment)
{
    const QVariantMap options = shipment.objectForKey(QVUSPSShipmentExpressMailOptionsKey).toMap();
    const auto flag = [&options](const QString &key) { return flagValue(options.value(key)); };
    const bool saturday = flag(QVUSPSShipmentExpressMailSaturdayDeliveryKey);
    const bool sunday = flag(QVUSPSShipmentExpressMailSundayDeliveryKey);
    const bool holiday = flag(QVUSPSShipmentExpressMailHolidayDeliveryKey);

    QString delivery;
    if (saturday && sunday && holiday)
        delivery = QStringLiteral("NORMAL DELIVERY");
    else if (!saturday && !sunday && holiday)
        delivery = QStringLiteral("NO WEEKEND DELIVERY");
    else if (saturday && sunday && !holiday)
        delivery = QStringLiteral("NO HOLIDAY DELIVERY");
    else if (!saturday && !sunday && !holiday)
        delivery = QStringLiteral("NO WEEKEND OR HOLIDAY DELIVERY");
    else if (!saturday && sunday && holiday)
        delivery = QStringLiteral("NO SATURDAY DELIVERY");
    else if (saturday && !sunday && holiday)
        delivery = QStringLiteral("NO SUNDAY DELIVERY");
    else if (!saturday && sunday && !holiday)
        delivery = QStringLiteral("SUNDAY DELIVERY");
    else
        delivery = QStringLiteral("NO SUNDAY OR HOLIDAY DELIVERY");

    const QString signature = flag(QVUSPSShipmentExpressMailSignatureRequiredKey)
        ? QStringLiteral("SIGNATURE REQUIRED")
        : QStringLiteral("WAIVER OF SIGNATURE");
    return {delivery, signature};
}

// ===== Customs =====================================================================

void removeAllCustomsInformation(QVShipment &shipment)
{
    for (const QString &key :
         {QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey, QVUSPSShipmentCustomsFormCommentsKey,
          QVUSPSShipmentCustomsBarcodeNumberKey, QVUSPSShipmentCustomsFormTypeKey,
          QVUSPSShipmentCustomsFormContentTypeKey, QVShipmentItemsKey, QVUSPSShipmentCustomsFormSendersNameKey,
          QVUSPSShipmentCustomsFormAgreementKey, QVUSPSShipmentCustomsLicenseNumberKey,
          QVUSPSShipmentCustomsCertificateNumberKey, QVUSPSShipmentCustomsInvoiceNumberKey})
        shipment.removeObjectForKey(key);
}

QString customsWeightInOunces(const QVShipment &shipment)
{
    qint64 total = 0;
    for (const QVariant &item : customsItems(shipment))
        total += intValueOf(item.toMap().value(QVShipmentItemWeightNumberKey));
    return QString::number(total);
}

Decimal customsValue(const QVShipment &shipment)
{
    Decimal total;
    for (const QVariant &item : customsItems(shipment)) {
        const std::optional<Decimal> value = decimalFromVariant(item.toMap().value(QVShipmentItemValueKey));
        if (value && !value->isNaN())
            total += *value;
    }
    return total;
}

QString customsSummaryStringForShipment(const QVShipment &shipment)
{
    const QString formType = shipmentText(shipment, QVUSPSShipmentCustomsFormTypeKey);
    if (formType.isNull() || formType == QVUSPSShipmentNoCustomsFormType)
        return QStringLiteral("None");
    QString form = formType;
    if (formType == QVUSPSShipmentGEMCustomsFormType)
        form = QStringLiteral("GEM");
    else if (formType == QVUSPSShipment2976CustomsFormType || formType == QVUSPSShipment2976FCMICustomsFormType ||
             formType == QVUSPSShipment2976PMICustomsFormType)
        form = QStringLiteral("2976");
    else if (formType == QVUSPSShipment2976APMICustomsFormType || formType == QVUSPSShipment2976ACustomsFormType ||
             formType == QVUSPSShipment2976AEMICustomsFormType)
        form = QStringLiteral("2976-A");

    QString content = shipmentText(shipment, QVUSPSShipmentCustomsFormContentTypeKey);
    if (content == QVUSPSShipmentCustomsFormReturnedGoodsContentType)
        content = QStringLiteral("Returned Goods");

    qint64 quantity = 0;
    qint64 weight = 0;
    for (const QVariant &item : customsItems(shipment)) {
        const QVariantMap map = item.toMap();
        quantity += intValueOf(map.value(QVShipmentItemQuantityKey));
        weight += intValueOf(map.value(QVShipmentItemWeightNumberKey));
    }
    return QStringLiteral("%1: %2 item%3, %4 oz, %5, %6")
        .arg(form, QString::number(quantity), quantity == 1 ? QString() : QStringLiteral("s"), QString::number(weight),
             currencyText(customsValue(shipment)), content);
}

QString customsSummaryString(const QVShipment &shipment) { return customsSummaryStringForShipment(shipment); }

// ===== Weight and zone ===============================================================

QString weightInOunces(const QVShipment &shipment)
{
    const QString unit = shipmentText(shipment, QVShipmentWeightUnitKey);
    const QString number = shipmentText(shipment, QVShipmentWeightNumberKey);
    if (unit != QVOunceUnitString && unit != QVPoundUnitString)
        return QStringLiteral("0");
    // Whole ounces typed as plain digits (the usual case, read at every
    // re-price) are already what the rules below would give.
    if (unit == QVOunceUnitString && !number.isEmpty() &&
        std::all_of(number.cbegin(), number.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return number;
    const std::optional<Decimal> value = leadingDecimal(number);
    if (unit == QVOunceUnitString) {
        // Whole ounces as stored; a fraction counts as the next ounce.
        if (!value || value->isInteger())
            return number;
        return value->rounded(0, Decimal::RoundingMode::Up).toString();
    }
    if (!value)
        return QStringLiteral("0");
    // Pounds: every fraction of a pound kept, then any fraction of an ounce
    // counts as a whole ounce (2.75 lb is 44 oz, 0.1 lb is 2 oz).
    const Decimal ounces = (*value * Decimal(16)).rounded(0, Decimal::RoundingMode::Up);
    return ounces.isNaN() ? QStringLiteral("0") : ounces.toString();
}

int weightInTenthOunces(const QVShipment &shipment)
{
    const int ounces = clampToInt(longLongValue(weightInOunces(shipment)));
    const QString name = className(shipment);
    const QString size = sizeName(shipment);
    if (ounces == 16 && name == QVUSPSFirstClassMail)
        return 159;
    if (ounces == 4 && (name == QVUSPSFirstClassMail || name == QVUSPSIntlFirstClassMailIntl) &&
        (size == QVUSPSLetterSize || size == QVUSPSPostcardSize))
        return 35;
    return clampToInt(qint64(ounces) * 10);
}

QString prettyWeightInOunces(const QVShipment &shipment)
{
    const int tenths = weightInTenthOunces(shipment);
    if (tenths % 10 != 0)
        return QString::asprintf("%.1f", tenths / 10.0);
    return QString::number(tenths / 10);
}

int zoneInt(const QVShipment &shipment)
{
    return QVUSPSRateClass::zoneForZoneString(shipmentText(shipment, QVUSPSShipmentZoneKey));
}

QString zoneNumberString(const QVShipment &shipment) { return QString::number(zoneInt(shipment)); }

int lengthPlusGirth(const QVShipment &shipment)
{
    const qint64 length = intValueOf(shipment.objectForKey(QVShipmentLengthMeasurementKey));
    const qint64 width = intValueOf(shipment.objectForKey(QVShipmentWidthMeasurementKey));
    const qint64 height = intValueOf(shipment.objectForKey(QVShipmentHeightMeasurementKey));
    if (length < 1 || width < 1 || height < 1)
        return 0;
    qint64 longest = length;
    if (width > longest)
        longest = width;
    if (height > longest)
        longest = height;
    return clampToInt(longest + 2 * (length + width + height - longest));
}
