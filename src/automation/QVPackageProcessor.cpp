#include "automation/QVPackageProcessor.h"

#include "automation/GlimraText.h"
#include "devices/QVUSBScale.h"
#include "model/QVAddress.h"
#include "model/QVAddressParsing.h"
#include "model/QVCountry.h"
#include "model/QVShipment.h"
#include "platform/Decimal.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVPrintFlow.h"
#include "rateengine/RateCountries.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVRHOAccountInformationCommandCenter.h"

#include <QDateTime>
#include <QStringList>

#include <cmath>
#include <limits>

namespace {

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

const QString kTrue = QStringLiteral("TRUE");
const QString kYes = QStringLiteral("YES");
const QString kOn = QStringLiteral("ON");
const QString kOff = QStringLiteral("OFF");

QString str(const char *text) { return QString::fromLatin1(text); }

// The older international classes: the class they become and the piece type
// they force (empty: none).
struct ClassMapping {
    QString to;
    QString pieceType;
};

std::optional<ClassMapping> olderIntlClass(const QString &name)
{
    if (name == QVUSPSIntlAerogramme)
        return ClassMapping{QVUSPSIntlFirstClassMailIntl, str("POSTCARD")};
    if (name == QVUSPSIntlGlobalExpressMail)
        return ClassMapping{QVUSPSIntlExpressMailIntl, {}};
    if (name == QVUSPSIntlGlobalPriorityMail || name == QVUSPSIntlAirParcelPost || name == QVUSPSIntlEconomyParcelPost)
        return ClassMapping{QVUSPSIntlPriorityMailIntl, {}};
    if (name == QVUSPSIntlGlobalPriorityMailSmallFlateRate)
        return ClassMapping{QVUSPSIntlPriorityMailIntl, str("FLATRATEENVELOPE")};
    if (name == QVUSPSIntlGlobalPriorityMailLargeFlateRate)
        return ClassMapping{QVUSPSIntlPriorityMailIntl, str("FLATRATEBOX")};
    if (name == QVUSPSIntlEconomyLetterPost || name == QVUSPSIntlAirLetterPost)
        return ClassMapping{QVUSPSIntlFirstClassMailIntl, {}};
    if (name == QVUSPSBoundPrintedMatter && !defaults().boolForKey(QVUpsMailInnovationsModeKey))
        return ClassMapping{QVUSPSStandardPost, {}};
    return std::nullopt;
}

// Adds the service when missing, or removes it.
void setService(QStringList &services, const QString &service, bool on)
{
    if (on) {
        if (!services.contains(service))
            services << service;
    } else {
        services.removeAll(service);
    }
}

// The delivery or return-address lines: each present text line with "&amp;"
// read as "&", each followed by a line break, at most `limit` lines.
QString addressLines(const QVariantMap &package, const QStringList &keys, int limit)
{
    QString text;
    int lines = 0;
    for (const QString &key : keys) {
        const std::optional<QString> line = glimraText(package, key);
        if (!line)
            continue;
        if (lines == limit)
            break;
        QString value = *line;
        value.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        text += value + QLatin1Char('\n');
        ++lines;
    }
    return text;
}

// A decimal of the text in hundredths cut to a whole number that fits an
// int; nothing for a text that is no number or a number that does not fit.
std::optional<int> hundredths(const QString &text)
{
    const std::optional<Decimal> number = Decimal::parse(text);
    if (!number)
        return std::nullopt;
    const std::optional<qint64> value = Decimal::multiply(*number, Decimal(100)).toInt64();
    if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(*value);
}

// The weight menu of the piece's class: the domestic class of the ship
// date's rate year or the international class for the country.
class WeightClass
{
public:
    QVUSPSRateClass *domestic = nullptr;
    std::shared_ptr<QVUSPSIntlRateClass> intl;

    bool isValid() const { return domestic || intl; }
    QString weightUnit() const { return domestic ? domestic->weightUnit() : intl ? intl->weightUnit() : QString(); }
    QStringList weights(const QString &size) const
    {
        return domestic ? domestic->orderedWeightInNativeWeightForSize(size)
            : intl      ? intl->orderedWeightInNativeWeightForSize(size)
                        : QStringList();
    }
    qsizetype indexFor(int ounces, const QString &size) const
    {
        return domestic ? domestic->weightIndexClosestToOunces(ounces, size)
            : intl      ? intl->weightIndexClosestToOunces(ounces, size)
                        : -1;
    }
};

} // namespace

QVPackageEnvironment QVPackageEnvironment::program(std::function<void(const QString &)> setFailureReason)
{
    QVPackageEnvironment environment;
    environment.window = [] { return mainWindowHost(); };
    environment.delegate = [] { return printFlowHost(); };
    environment.scaleOunces = []() -> std::optional<int> {
        int32_t ounces = 0;
        if (!QVUSBScale::genericWeightInOunces(&ounces))
            return std::nullopt;
        return int(ounces);
    };
    environment.allowedSize = [](const QString &size) {
        return QVRHOAccountInformationCommandCenter::commandCenter()->isAllowedSize(size);
    };
    environment.setFailureReason = std::move(setFailureReason);
    return environment;
}

QVPackageProcessor::QVPackageProcessor(QVPackageEnvironment environment) : m_env(std::move(environment)) {}

const QVariantMap &QVPackageProcessor::XML_mailClassMap()
{
    static const QVariantMap map = [] {
        QVariantMap m;
        const std::pair<const char *, QString> rows[] = {
            {"FIRST", QVUSPSFirstClassMail},
            {"FIRSTENVELOPE", QVUSPSFirstClassMail},
            {"POSTCARD", QVUSPSFirstClassMail},
            {"PRIORITY", QVUSPSPriorityMail},
            {"EXPRESS", QVUSPSExpressMail},
            {"PRIORITYEXPRESS", QVUSPSExpressMail},
            {"PARCELPOST", QVUSPSParcelPost},
            {"PARCELSELECT", QVUSPSParcelSelect},
            {"STANDARDPOST", QVUSPSStandardPost},
            {"MEDIAMAIL", QVUSPSMediaMail},
            {"LIBRARYMAIL", QVUSPSLibraryMail},
            {"BOUNDPRINTEDMATTER", QVUSPSBoundPrintedMatter},
            {"INTLFIRST", QVUSPSIntlFirstClassMailIntl},
            {"INTLPRIORITY", QVUSPSIntlPriorityMailIntl},
            {"INTLEXPRESS", QVUSPSIntlExpressMailIntl},
            {"INTLPRIORITYEXPRESS", QVUSPSIntlExpressMailIntl},
            {"INTLMBAG", QVUSPSIntlMBag},
            {"INTLGEM", QVUSPSIntlGlobalExpressMail},
            {"INTLGPM", QVUSPSIntlGlobalPriorityMail},
            {"INTLGPMSMALL", QVUSPSIntlGlobalPriorityMailSmallFlateRate},
            {"INTLGPMFRSMALL", QVUSPSIntlGlobalPriorityMailSmallFlateRate},
            {"INTLGPMLARGE", QVUSPSIntlGlobalPriorityMailLargeFlateRate},
            {"INTLGPMFRLARGE", QVUSPSIntlGlobalPriorityMailLargeFlateRate},
            {"INTLLETTER", QVUSPSIntlEconomyLetterPost},
            {"INTLAIRLETTER", QVUSPSIntlAirLetterPost},
            {"INTLAIRLETTERENVELOPE", QVUSPSIntlAirLetterPost},
            {"INTLPOSTCARD", QVUSPSIntlPostcard},
            {"INTLAEROGRAMME", QVUSPSIntlAerogramme},
            {"INTLPARCEL", QVUSPSIntlEconomyParcelPost},
            {"INTLAIRPARCEL", QVUSPSIntlAirParcelPost},
        };
        for (const auto &[key, name] : rows)
            m.insert(str(key), name);
        return m;
    }();
    return map;
}

const QVariantMap &QVPackageProcessor::XML_mailpieceSizeMap()
{
    static const QVariantMap map = [] {
        QVariantMap m;
        const std::pair<const char *, QString> rows[] = {
            {"POSTCARD", QVUSPSPostcardSize},
            {"ENVELOPE", QVUSPSLetterSize},
            {"FLAT", QVUSPSLargeEnvelopeSize},
            {"RECTPARCEL", QVUSPSRegularSize},
            {"RECTPACKAGE", QVUSPSRegularSize},
            {"NONRECTPARCEL", QVUSPSRegularSize},
            {"FLATRATEENVELOPE", QVUSPSFlatRateEnvelopeSize},
            {"FLATRATEGIFTCARDENVELOPE", QVUSPSFlatRateEnvelopeSize},
            {"FLATRATEWINDOWENVELOPE", QVUSPSFlatRateEnvelopeSize},
            {"FLATRATECARDBOARDENVELOPE", QVUSPSFlatRateEnvelopeSize},
            {"SMALLFLATRATEENVELOPE", QVUSPSFlatRateEnvelopeSize},
            {"FLATRATEBOX", QVUSPSFlatRateBoxSize},
            {"FLATRATEMEDIUMBOX", QVUSPSFlatRateBoxSize},
            {"FLATRATELARGEBOX", QVUSPSLargeFlatRateBoxSize},
            {"FLATRATELARGEBOARDGAMEBOX", QVUSPSLargeFlatRateBoxSize},
            {"FLATRATESMALLBOX", QVUSPSSmallFlatRateBoxSize},
            {"FLATRATEPADDEDENVELOPE", QVUSPSFlatRatePaddedEnvelopeSize},
            {"FLATRATELEGALENVELOPE", QVUSPSFlatRateLegalEnvelopeSize},
            {"REGIONALRATEBOXA", QVUSPSRegionalRateBoxASize},
            {"REGIONALRATEBOXB", QVUSPSRegionalRateBoxBSize},
            {"REGIONALRATEBOXC", QVUSPSRegionalRateBoxCSize},
            {"FLATRATELARGEVIDEOBOX", QVUSPSLargeFlatRateVideoBoxSize},
        };
        for (const auto &[key, size] : rows)
            m.insert(str(key), size);
        return m;
    }();
    return map;
}

// One run of processPackage: the window, the package and what the steps
// pass on.
struct QVPackageProcessor::Run {
    QVPackageProcessor &self;
    QVMainWindowHost &window;
    QVPrintFlowHost &delegate;
    QVariantMap package;

    QString text(const char *key) const { return glimraText(package, str(key)).value_or(QString()); }
    bool has(const char *key) const { return glimraText(package, str(key)).has_value(); }
    bool is(const char *key, const QString &keyword) const { return glimraIs(package, str(key), keyword); }
    void set(const QVariant &value, const QString &key) { window.setCurrentShipmentProperty(value, key); }
    QString stored(const QString &key) { return window.currentShipmentPropertyForKey(key).toString(); }
    QString size() { return stored(QVUSPSShipmentSizeKey); }
    QString rateClass() { return stored(QVUSPSShipmentRateClassKey); }
    bool fail(const QString &reason)
    {
        self.m_env.setFailureReason(reason);
        return false;
    }
    // A text sets the property, another kind of value removes it, nothing
    // leaves it.
    void addOrRemoveProperty(const char *element, const QString &key)
    {
        const auto it = package.constFind(str(element));
        if (it == package.cend() || it->isNull())
            return;
        if (it->typeId() == QMetaType::QString)
            set(it->toString().trimmed(), key);
        else
            window.removeCurrentShipmentPropertyForKey(key);
    }

    bool apply();
    void pieceSize(const QString &className, const QString &forcedPieceType);
    bool weight(const WeightClass &weightClass);
    void services();
    void expressBoxes();
    void customs();
    void returnAddress();
};

bool QVPackageProcessor::processPackage(const QVariantMap &package)
{
    m_weight = 0;
    const std::shared_ptr<QVMainWindowHost> window = m_env.window ? m_env.window() : nullptr;
    const std::shared_ptr<QVPrintFlowHost> delegate = m_env.delegate ? m_env.delegate() : nullptr;
    if (!window || !delegate) {
        m_env.setFailureReason(QStringLiteral("There is no main window to take the package."));
        return false;
    }
    Run run{*this, *window, *delegate, package};
    return run.apply();
}

void QVPackageProcessor::Run::pieceSize(const QString &className, const QString &forcedPieceType)
{
    const std::optional<QString> pieceType =
        forcedPieceType.isEmpty() ? glimraText(package, str("PackageType")) : std::optional<QString>(forcedPieceType);
    if (pieceType) {
        const QString type = glimraUpper(*pieceType);
        const QString size = XML_mailpieceSizeMap().value(type).toString();
        if (!size.isEmpty() && self.m_env.allowedSize(size)) {
            set(size, QVUSPSShipmentSizeKey);
            if (type == QLatin1String("NONRECTPARCEL"))
                set(false, QVShipmentRectangularKey);
        }
        return;
    }
    const QString mailClass = text("MailClass");
    if (mailClass.contains(QLatin1String("POSTCARD"), Qt::CaseInsensitive))
        set(QVUSPSPostcardSize, QVUSPSShipmentSizeKey);
    else if (mailClass.contains(QLatin1String("ENVELOPE"), Qt::CaseInsensitive))
        set(QVUSPSLetterSize, QVUSPSShipmentSizeKey);
    if (is("FlatRate", kTrue) || is("FlatRate", kYes))
        set(QVUSPSFlatRateEnvelopeSize, QVUSPSShipmentSizeKey);
    else if (is("FlatRate", QStringLiteral("BOX")) && className == QVUSPSPriorityMail)
        set(QVUSPSFlatRateBoxSize, QVUSPSShipmentSizeKey);
}

bool QVPackageProcessor::Run::apply()
{
    // 1-2: the standard printing mode, no field editing; a fresh piece.
    delegate.showLabels();
    window.endEditing();
    set(QVUSPSRegularSize, QVUSPSShipmentSizeKey);
    set(true, QVShipmentRectangularKey);
    set(0, QVShipmentLengthMeasurementKey);
    set(0, QVShipmentWidthMeasurementKey);
    set(0, QVShipmentHeightMeasurementKey);

    // 3-4: the class, older international classes mapped.
    QString className;
    if (const std::optional<QString> mailClass = glimraText(package, str("MailClass")))
        className = XML_mailClassMap().value(glimraUpper(*mailClass)).toString();
    QString forcedPieceType;
    if (const std::optional<ClassMapping> mapping = olderIntlClass(className)) {
        className = mapping->to;
        forcedPieceType = mapping->pieceType;
    }

    // 5-7: size, oversize, dimensions.
    pieceSize(className, forcedPieceType);
    if ((className == QVUSPSStandardPost || className == QVUSPSParcelSelect) && is("OversizeRate", kTrue))
        set(QVUSPSOversizeSize, QVUSPSShipmentSizeKey);
    if (has("Width") && has("Length") && has("Depth")) {
        const std::optional<int> width = hundredths(text("Width"));
        const std::optional<int> length = hundredths(text("Length"));
        const std::optional<int> depth = hundredths(text("Depth"));
        if (width && length && depth) {
            set(*length, QVShipmentLengthMeasurementKey);
            set(*depth, QVShipmentWidthMeasurementKey);
            set(*width, QVShipmentHeightMeasurementKey);
        }
    }

    // 8: the country.
    QString country;
    if (const std::optional<QString> toCountry = glimraText(package, str("ToCountry")))
        country = *toCountry;
    else if (className.contains(QLatin1String("QVUSPSIntl")))
        country = text("ToAddress").split(QLatin1Char('\n')).last().trimmed();
    country = glimraUpper(country);
    const bool domestic = country.isEmpty() || QVCountry::isCountryStringUSA(country);

    // 9-10: the delivery address text, phone and e-mail.
    QString delivery;
    if (const std::optional<QString> whole = glimraText(package, str("ToAddress"))) {
        delivery = *whole;
    } else {
        delivery = addressLines(package,
                                {str("ToName"), str("ToCompany"), str("ToAddress1"), str("ToAddress2"),
                                 str("ToAddress3"), str("ToAddress4"), str("ToAddress5"), str("ToAddress6")},
                                domestic ? 5 : 8);
        for (const char *key : {"ToCity", "ToState"}) {
            if (has(key))
                delivery += text(key) + QLatin1Char(' ');
        }
        if (has("ToPostalCode"))
            delivery += text("ToPostalCode");
        if (!domestic)
            delivery += QLatin1Char('\n') + country;
    }
    window.setDestinationText(delivery);
    const QString phoneKey = package.contains(str("ToSMS")) ? str("ToSMS") : str("ToPhone");
    if (package.contains(phoneKey))
        window.setToPhoneNumberString(glimraText(package, phoneKey).value_or(QStringLiteral("")));
    if (package.contains(str("ToEMail")))
        window.setToEmailAddressString(text("ToEMail").isNull() ? QStringLiteral("") : text("ToEMail"));

    // 11: the ship date; a count of days that gives no real date is absent.
    if (const std::optional<int> days = glimraInteger(text("DateAdvance")); days && *days >= 0) {
        const QDateTime shipDate = QDateTime::currentDateTime().addDays(*days);
        if (shipDate.isValid() && shipDate.date().year() <= 9999)
            set(shipDate, QVShipmentShipDateKey);
    }

    // 12-13: the destination and the class's weight menu.
    if (className == QVUSPSParcelPost)
        className = QVUSPSParcelSelect;
    WeightClass weightClass;
    if (domestic) {
        window.setToAddress(QVAddress());
        if (!className.isEmpty())
            set(className, QVUSPSShipmentRateClassKey);
        const std::shared_ptr<QVShipment> shipment = window.currentShipment();
        const QDateTime shipDate = shipment ? shipment->shipCalendarDate()
                                            : window.currentShipmentPropertyForKey(QVShipmentShipDateKey).toDateTime();
        const QString stored = rateClass();
        if (!stored.isEmpty())
            weightClass.domestic = QVUSPSRateClass::ratesForDate(shipDate).rateClassWithName(stored);
    } else {
        const QByteArray latin = country.toLatin1();
        const std::optional<QVCountry> destination = QVCountry::countryWithAnyName(country);
        if (!GetCountryInfoForCountryName(latin.constData()) || !destination)
            return fail(QStringLiteral("The destination country \"%1\" is not known.").arg(country));
        QVAddress address;
        address.setCountry(country);
        window.setToAddress(address);
        if (!className.isEmpty()) {
            if (!destination->availableRateClassesForSize(size()).contains(className))
                return fail(QStringLiteral("The mail class is not offered to %1 for this mailpiece.").arg(country));
            set(className, QVUSPSShipmentRateClassKey);
        }
        const QString stored = rateClass();
        if (!stored.isEmpty())
            weightClass.intl = QVUSPSIntlRateClass::intlRateWithName(stored, destination);
    }

    // 14-18: machinable, weight, balloon rate, retail rates, value.
    const QString storedClass = rateClass();
    const bool firstClass = storedClass == QVUSPSFirstClassMail || storedClass == QVUSPSIntlFirstClassMailIntl;
    if (firstClass && has("NonMachinable"))
        set(!is("NonMachinable", kTrue), QVUSPSShipmentMachinableKey);
    if (!weight(weightClass))
        return false;
    if (storedClass == QVUSPSPriorityMail && is("BalloonRate", kTrue)) {
        set(QStringLiteral("20"), QVShipmentWeightNumberKey);
        set(weightClass.weightUnit(), QVShipmentWeightUnitKey);
    }
    if (storedClass == QVUSPSFirstClassMail && size() == QVUSPSRegularSize &&
        (is("RetailIndicator", kTrue) || is("RetailIndicator", QStringLiteral("FALSE")))) {
        if (const std::shared_ptr<QVShipment> shipment = window.currentShipment())
            shipment->setForcedRetailRates(is("RetailIndicator", kTrue));
    }
    if (has("Value")) {
        Decimal value = Decimal::fromString(text("Value"));
        if (value.isNaN())
            value = Decimal::zero();
        if (Decimal(10000) < value)
            value = Decimal(10000);
        set(QVariant::fromValue(value), QVShipmentValueKey);
    }

    // 19: the service dictionaries count as package elements from here on.
    for (const char *name : {"Services", "ExpressMailDeliveryOptions", "PriorityMailExpressDeliveryOptions"}) {
        const QVariant entry = package.value(str(name));
        if (entry.typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap merged = entry.toMap();
        for (auto it = merged.cbegin(); it != merged.cend(); ++it)
            package.insert(it.key(), it.value());
    }

    // 20-27.
    services();
    window.updatePricing();
    if (window.isExpressMail())
        expressBoxes();
    if (has("Stealth"))
        defaults().setBool(is("Stealth", kTrue), QVUseStealthKey);
    addOrRemoveProperty("CostCenter", QVShipmentCostCenterKey);
    addOrRemoveProperty("Description", QVShipmentDescriptionKey);
    addOrRemoveProperty("ReferenceID", QVShipmentInvoiceNumberKey);
    addOrRemoveProperty("RubberStamp1", QVShipmentRubberStamp1Key);
    addOrRemoveProperty("RubberStamp2", QVShipmentRubberStamp2Key);
    addOrRemoveProperty("OriginCountry", QVShipmentCountryOfOriginKey);

    // 28-31.
    if (has("CustomsFormType"))
        customs();
    returnAddress();
    window.setDestinationText(delivery);
    window.updateWindow();
    window.displayWindow();
    if (window.standardizeTextBoxAddress(false))
        return true;
    QString reason = window.addressCorrectionErrorDescription();
    if (reason.isEmpty())
        reason = QStringLiteral("The delivery address could not be verified.");
    return fail(reason);
}

bool QVPackageProcessor::Run::weight(const WeightClass &weightClass)
{
    const std::optional<QString> given = glimraText(package, str("WeightOz"));
    if (!given)
        return true;
    if (*given == QLatin1String("1136")) {
        set(QVUSPSOversizeSize, QVUSPSShipmentSizeKey);
        return true;
    }
    QString weightText = *given;
    const bool fromScale = qv_isCaseInsensitiveEqualToString(*given, QStringLiteral("SCALEWEIGHT"));
    if (fromScale) {
        const std::optional<int> ounces = self.m_env.scaleOunces ? self.m_env.scaleOunces() : std::nullopt;
        if (!ounces)
            return fail(QStringLiteral("The scale gave no weight: no scale answered."));
        weightText = QString::number(*ounces);
    }
    const std::optional<Decimal> number = Decimal::parse(weightText);
    const std::optional<qint64> whole =
        number ? number->rounded(0, Decimal::RoundingMode::Up).toInt64() : std::optional<qint64>();
    if (!number || number->sign() <= 0 || !whole || *whole > std::numeric_limits<int>::max())
        return fail(QStringLiteral("The weight \"%1\" is not a number of ounces above zero.").arg(weightText));
    self.m_weight = int(*whole);
    if (!weightClass.isValid())
        return true;
    const QString pieceSize = size();
    qsizetype index = weightClass.indexFor(self.m_weight, pieceSize);
    if (index < 0) {
        if (!fromScale || delegate.isAutomation())
            return fail(QVPackageTooHeavyReason);
        runAlert(alertWithText(QStringLiteral("Package too heavy"), QVPackageTooHeavyReason));
        index = 0;
    }
    const QStringList weights = weightClass.weights(pieceSize);
    if (index < weights.size()) {
        set(weights.at(index), QVShipmentWeightNumberKey);
        set(weightClass.weightUnit(), QVShipmentWeightUnitKey);
    }
    return true;
}

void QVPackageProcessor::Run::services()
{
    // Default confirmation services, in the user defaults.
    const char *tracking = package.contains(str("USPSTracking")) ? "USPSTracking" : "DeliveryConfirmation";
    const std::pair<const char *, QString> confirmations[] = {{tracking, QVUSPSeDeliveryConfirmation},
                                                              {"SignatureConfirmation", QVUSPSeSignatureConfirmation}};
    for (const auto &[element, service] : confirmations) {
        if (is(element, kOn))
            defaults().setString(service, QVConfirmationServiceKey);
        else if (is(element, kOff) && defaults().stringForKey(QVConfirmationServiceKey) == service)
            defaults().setString(QStringLiteral(""), QVConfirmationServiceKey);
    }
    if (is("InsuredMail", kOff))
        defaults().setBool(false, QVUseInsuranceKey);
    else if (is("InsuredMail", QStringLiteral("TOLVANE")))
        defaults().setBool(true, QVUseInsuranceKey);
    if (has("ReplyPostage")) {
        set(is("ReplyPostage", kTrue), QVUSPSShipmentReplyPostageKey);
        window.updateFromAddress();
    }

    QStringList list = window.currentShipmentPropertyForKey(QVUSPSShipmentOptionalServicesKey).toStringList();
    if (window.isExpressMail()) {
        if (has("ExpressMailPremiumService"))
            setService(list, QVUSPSExpressMailPremiumService,
                       is("ExpressMailPremiumService", kTrue) || is("ExpressMailPremiumService", kYes) ||
                           is("ExpressMailPremiumService", kOn));
        if (is("SundayDelivery", kTrue) || is("HolidayDelivery", kTrue))
            setService(list, QVUSPSExpressMailPremiumService, true);
        else if (is("SundayDelivery", QStringLiteral("FALSE")) && is("HolidayDelivery", QStringLiteral("FALSE")))
            setService(list, QVUSPSExpressMailPremiumService, false);
        if (is("PriorityMailExpress1030", kTrue))
            setService(list, QVUSPSExpressMail1030AMService, true);
    }
    if (has("AdultSignatureRequired"))
        setService(list, QVUSPSAdultSignatureService, is("AdultSignatureRequired", kOn));
    if (has("AdultSignatureRestricted"))
        setService(list, QVUSPSAdultSignatureRestrictedService, is("AdultSignatureRestricted", kOn));
    if (has("HoldForPickup"))
        setService(list, QVUSPSHoldForPickupService, is("HoldForPickup", kTrue));
    if (has("CertifiedMail")) {
        const bool certified = is("CertifiedMail", kOn);
        setService(list, QVUSPSCertifiedMailService, certified);
        if (!certified) {
            setService(list, QVUSPSReturnReceiptService, false);
            setService(list, QVUSPSRestrictedDeliveryService, false);
        } else {
            if (has("ReturnReceipt"))
                setService(list, QVUSPSReturnReceiptService, is("ReturnReceipt", kOn));
            if (has("RestrictedDelivery"))
                setService(list, QVUSPSRestrictedDeliveryService, is("RestrictedDelivery", kOn));
        }
    }
    if (list.isEmpty())
        window.removeCurrentShipmentPropertyForKey(QVUSPSShipmentOptionalServicesKey);
    else
        set(list, QVUSPSShipmentOptionalServicesKey);
}

void QVPackageProcessor::Run::expressBoxes()
{
    using Box = QVMainWindowHost::ExpressMailBox;
    if (has("SignatureWaiver"))
        window.setExpressMailBox(Box::SignatureRequired, !is("SignatureWaiver", kTrue));
    if (has("NoWeekendDelivery")) {
        window.setExpressMailBox(Box::SaturdayDelivery, !is("NoWeekendDelivery", kTrue));
        window.setExpressMailBox(Box::SundayDelivery, !is("NoWeekendDelivery", kTrue));
    }
    if (has("NoHolidayDelivery"))
        window.setExpressMailBox(Box::HolidayDelivery, !is("NoHolidayDelivery", kTrue));
    const std::pair<const char *, Box> boxes[] = {{"SignatureRequired", Box::SignatureRequired},
                                                  {"SaturdayDelivery", Box::SaturdayDelivery},
                                                  {"SundayDelivery", Box::SundayDelivery},
                                                  {"HolidayDelivery", Box::HolidayDelivery}};
    for (const auto &[element, box] : boxes) {
        if (has(element))
            window.setExpressMailBox(box, is(element, kTrue));
    }
}

void QVPackageProcessor::Run::customs()
{
    const QString formText = glimraUpper(text("CustomsFormType"));
    const QString storedClass = rateClass();
    QString formType = QVUSPSShipmentNoCustomsFormType;
    if (formText == QLatin1String("NONE"))
        formType = QVUSPSShipmentNoCustomsFormType;
    else if (storedClass == QVUSPSIntlExpressMailIntl)
        formType = QVUSPSShipment2976AEMICustomsFormType;
    else if (storedClass == QVUSPSIntlPriorityMailIntl)
        formType = size() == QVUSPSFlatRateEnvelopeSize ? QVUSPSShipment2976PMICustomsFormType
                                                        : QVUSPSShipment2976APMICustomsFormType;
    else if (storedClass == QVUSPSIntlFirstClassMailIntl)
        formType = QVUSPSShipment2976FCMICustomsFormType;
    else if (formText == QLatin1String("GEM"))
        formType = QVUSPSShipmentGEMCustomsFormType;
    else if (formText == QLatin1String("CN22"))
        formType = QVUSPSShipment2976CustomsFormType;
    else if (formText == QLatin1String("CP72"))
        formType = QVUSPSShipment2976ACustomsFormType;
    set(formType, QVUSPSShipmentCustomsFormTypeKey);

    static const QVariantMap contents{
        {str("SAMPLE"), QVUSPSShipmentCustomsFormSampleContentType},
        {str("GIFT"), QVUSPSShipmentCustomsFormGiftContentType},
        {str("DOCUMENTS"), QVUSPSShipmentCustomsFormDocumentsContentType},
        {str("OTHER"), QVUSPSShipmentCustomsFormOtherContentType},
        {str("MERCHANDISE"), QVUSPSShipmentCustomsFormMerchandiseContentType},
        {str("RETURNEDGOODS"), QVUSPSShipmentCustomsFormReturnedGoodsContentType},
    };
    if (const std::optional<QString> contentsType = glimraText(package, str("ContentsType"))) {
        const QString found = contents.value(glimraUpper(*contentsType)).toString();
        if (!found.isEmpty()) {
            set(found, QVUSPSShipmentCustomsFormContentTypeKey);
        } else {
            set(QVUSPSShipmentCustomsFormOtherContentType, QVUSPSShipmentCustomsFormContentTypeKey);
            set(*contentsType, QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
        }
    } else {
        if (stored(QVUSPSShipmentCustomsFormContentTypeKey).isEmpty())
            set(QVUSPSShipmentCustomsFormOtherContentType, QVUSPSShipmentCustomsFormContentTypeKey);
        addOrRemoveProperty("ContentsTypeOther", QVUSPSShipmentCustomsFormContentTypeOtherDescriptionKey);
    }
    addOrRemoveProperty("CustomsComments", QVUSPSShipmentCustomsFormCommentsKey);

    QVariantList items;
    for (int n = 1; n <= 5; ++n) {
        const QString digit = QString::number(n);
        const std::optional<QString> weight = glimraText(package, QStringLiteral("CustomsWeight") + digit);
        if (!weight)
            continue;
        auto field = [&](const char *base, const QString &fallback) {
            return glimraText(package, str(base) + digit).value_or(fallback);
        };
        items << QVariantMap{
            {QVShipmentItemQuantityKey, field("CustomsQuantity", QStringLiteral(""))},
            {QVShipmentItemValueKey, field("CustomsValue", QStringLiteral("0"))},
            {QVShipmentItemCountryOfOriginKey, field("CustomsCountry", QStringLiteral(""))},
            {QVShipmentItemDescriptionKey, field("CustomsDescription", QStringLiteral(""))},
            {QVShipmentItemHSTariffNumberKey, field("CustomsHTS", QStringLiteral(""))},
            {QVShipmentItemWeightNumberKey, *weight},
            {QVShipmentItemWeightUnitKey, QStringLiteral("oz")},
        };
    }
    if (items.isEmpty()) {
        set(QVUSPSShipmentNoCustomsFormType, QVUSPSShipmentCustomsFormTypeKey);
        window.removeCurrentShipmentPropertyForKey(QVUSPSShipmentCustomsFormContentTypeKey);
        window.removeCurrentShipmentPropertyForKey(QVShipmentItemsKey);
        return;
    }
    set(items, QVShipmentItemsKey);
    if (has("CustomsSigner"))
        set(text("CustomsSigner"), QVUSPSShipmentCustomsFormSendersNameKey);
    if (has("CustomsSendersCopy"))
        defaults().setBool(is("CustomsSendersCopy", kTrue), QVPrintCustomsSendersCopyKey);
    addOrRemoveProperty("LicenseNo", QVUSPSShipmentCustomsLicenseNumberKey);
    addOrRemoveProperty("CertificateNo", QVUSPSShipmentCustomsCertificateNumberKey);
    addOrRemoveProperty("InvoiceNo", QVUSPSShipmentCustomsInvoiceNumberKey);
    addOrRemoveProperty("AesItnExemption", QVUSPSShipmentCustomsAESITNKey);
}

void QVPackageProcessor::Run::returnAddress()
{
    if (has("ReturnAddressNickname"))
        window.setFromAddressToNickname(text("ReturnAddressNickname"));
    QString lines = text("ReturnAddress");
    if (!has("ReturnAddress"))
        lines = addressLines(package,
                             {str("ReturnAddress1"), str("ReturnAddress2"), str("ReturnAddress3"),
                              str("ReturnAddress4"), str("ReturnAddress5"), str("ReturnAddress6")},
                             5);
    if (lines.trimmed().isEmpty())
        return;
    QVAddress address = addressWithString(lines);
    if (has("ReturnAddressPhone"))
        address.setPhone(text("ReturnAddressPhone"));
    if (has("ReturnAddressEmail"))
        address.setEmail(text("ReturnAddressEmail"));
    window.addOrReplaceFromAddress(address, QVAutomationReturnAddressNickname);
}
