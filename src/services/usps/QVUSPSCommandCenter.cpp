// The USPS Web Tools client: sending, reading replies, and the plain
// queries. Customs forms and labels, and tracking, are in files of their own.
#include "services/usps/QVUSPSCommandCenter.h"

#include "model/QVCountry.h"
#include "model/XMLConversion.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVGLZUSPSZoneChartCommandCenter.h"
#include "services/QVPostageServerAccount.h"

#include <QUrl>
#include <QtDebug>

#include <stdexcept>

namespace {

// USPS's public Web Tools hosts, the registered values of the host settings.
const QString kPublicServer = QStringLiteral("production.shippingapis.com");
const QString kPublicSecureServer = QStringLiteral("secure.shippingapis.com");
const QString kPublicStagingServer = QStringLiteral("stg-secure.shippingapis.com");

// The fixed USPS Web Tools accounts of the program: the main one, and the
// one used only for the city-and-state look-up.
const QString kUserID = QStringLiteral("417KQWZT5816");
const QString kPassword = QStringLiteral("482KD31MP907");
const QString kCityStateUserID = QStringLiteral("528HVRNE2047");
const QString kCityStatePassword = QStringLiteral("615RB58ZC384");

QString hostSetting(const QString &key, const QString &fallback)
{
    const QString value = UserDefaults::standardUserDefaults().stringForKey(key);
    return value.isEmpty() ? fallback : value;
}

// The reply element names that hold a dot, and their dot-free forms.
const QList<QPair<QString, QString>> &confirmRenames()
{
    static const QList<QPair<QString, QString>> renames = [] {
        QList<QPair<QString, QString>> list;
        for (const char *name :
             {"DeliveryConfirmationV2.0Response", "DeliveryConfirmationV3.0Response", "DelivConfirmCertifyV3.0Response",
              "DeliveryConfirmationPICV3.0Response", "DeliveryConfirmPICCertifyV3.0Response",
              "SignatureConfirmPICCertifyV3.0Response", "SignatureConfirmationPICV3.0Response",
              "SigConfirmCertifyV3.0Response", "SignatureConfirmationV3.0Response"}) {
            const QString dotted = QString::fromLatin1(name);
            list.append({dotted, QString(dotted).remove(QLatin1Char('.'))});
        }
        return list;
    }();
    return renames;
}

// The state abbreviations of the bundle, loaded once it can be.
std::optional<QVariantMap> &stateAbbreviations()
{
    static std::optional<QVariantMap> abbreviations;
    return abbreviations;
}

// Every character that is neither a letter nor a digit, nor "#" or "/".
QString withVerificationCharactersAsSpaces(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('#') && c != QLatin1Char('/'))
            c = QLatin1Char(' ');
    }
    return result;
}

} // namespace

QVUSPSCommandCenter::QVUSPSCommandCenter()
{
    setServer(hostSetting(QVUSPSWebToolsServerDefaultsKey, kPublicServer));
    if (UserDefaults::standardUserDefaults().boolForKey(QVUseUSPSSecureStagingDefaultsKey))
        setSecureServer(hostSetting(QVUSPSWebToolsStagingServerDefaultsKey, kPublicStagingServer));
    else
        setSecureServer(hostSetting(QVUSPSWebToolsSecureServerDefaultsKey, kPublicSecureServer));
    setPath(QVUSPSWebToolsPath);
    setUseridAndPassword(kUserID, kPassword);
}

QString QVUSPSCommandCenter::secureServer() const { return m_secureServer; }

QString QVUSPSCommandCenter::dunsNumber() const { return customerDUNSNumber(); }

void QVUSPSCommandCenter::setDunsNumber(const QString &number)
{
    UserDefaults::standardUserDefaults().setString(number, QVCustomerDUNSDefaultsKey);
}

void QVUSPSCommandCenter::setSecureServer(const QString &server) { m_secureServer = server; }

// ---- Sending ----------------------------------------------------------------

HttpRequest QVUSPSCommandCenter::URLRequestForAPI(QVUSPSAPI &api)
{
    const QByteArray body = api.requestDataForUserID(userid(), password());
    const QUrl url = api.isSecure() ? QUrl(QStringLiteral("https://%1%2").arg(secureServer(), path()))
                                    : QUrl(QStringLiteral("http://%1%2").arg(server(), path()));
    return URLRequestForPostData(
        body, url,
        {{QStringLiteral("content-type"), QStringLiteral("application/x-www-form-urlencoded; charset=utf-8")}});
}

std::optional<QVariantMap> QVUSPSCommandCenter::postRequest(QVUSPSAPI &api, bool logAndCut)
{
    const HttpRequest request = URLRequestForAPI(api);
    if (logAndCut)
        debugLog(request.url.toString() + QLatin1Char('\n') +
                 QString::fromUtf8(QByteArray::fromPercentEncoding(request.body)));
    const auto reply = submitURLRequest(request);
    if (!reply)
        return std::nullopt;
    QString error;
    std::optional<QVariantMap> plist;
    if (logAndCut) {
        plist = propertyListForReply(*reply, api, &error);
    } else {
        try {
            plist = rho_propertyListFromXMLFormat(*reply);
        } catch (const std::exception &exception) {
            error = QString::fromUtf8(exception.what());
        }
    }
    if (!plist)
        setLastErrorDescription(error);
    return plist;
}

std::optional<QVariantMap> QVUSPSCommandCenter::postAPI(QVUSPSAPI &api) { return postRequest(api, true); }

std::optional<QVariantMap> QVUSPSCommandCenter::postAPI(std::optional<QVUSPSAPI> api)
{
    if (!api)
        return std::nullopt;
    return postAPI(*api);
}

QStringList QVUSPSCommandCenter::cutFieldsForAPI(const QString &api)
{
    // The names are the ones the customs and label operations read.
    if (api.contains(QLatin1String("GlobalExpressMail")))
        return {QStringLiteral("GEMLabel")};
    if (api.contains(QLatin1String("ExpressMail")))
        return {QStringLiteral("EMLabel"), QStringLiteral("EMReceipt")};
    if (api.contains(QLatin1String("CN22")))
        return {QStringLiteral("CN22V2FormImage"), QStringLiteral("CN22V2InstructionsImage")};
    if (api.contains(QLatin1String("CP72"))) {
        QStringList fields;
        for (int page = 1; page <= 5; ++page)
            fields << QStringLiteral("CP72V3Page%1Image").arg(page);
        return fields << QStringLiteral("CP72V3InstructionsImage");
    }
    return {};
}

QVariantMap QVUSPSCommandCenter::cutFields(const QStringList &fields, QString &response, const QString &responseStart)
{
    QVariantMap cut;
    for (const QString &field : fields) {
        const QString open = QLatin1Char('<') + field + QLatin1Char('>');
        const QString close = QStringLiteral("</") + field + QLatin1Char('>');
        const qsizetype begin = response.indexOf(open);
        if (begin < 0)
            continue;
        const qsizetype end = response.indexOf(close, begin + open.size());
        if (end < 0)
            continue; // no closing tag: the field stays in the text
        const QString inner = response.mid(begin + open.size(), end - begin - open.size());
        response.remove(begin, end + close.size() - begin);
        cut.insert(QStringLiteral("%1.%2").arg(responseStart, field), inner);
    }
    return cut;
}

QVariantMap QVUSPSCommandCenter::manuallyParseFields(const QStringList &fields, QString &response,
                                                     const QVUSPSAPI &api) const
{
    return cutFields(fields, response, api.responseStartString());
}

std::optional<QVariantMap> QVUSPSCommandCenter::propertyListForReply(const QByteArray &reply, const QVUSPSAPI &api,
                                                                     QString *error)
{
    QString text = QString::fromLatin1(reply);
    if (api.api().contains(QLatin1String("Confirm"))) {
        for (const auto &[dotted, plain] : confirmRenames())
            text.replace(dotted, plain);
    }
    QVariantMap cut;
    const QStringList fields = cutFieldsForAPI(api.api());
    if (!fields.isEmpty())
        cut = cutFields(fields, text, api.responseStartString());
    QVariantMap plist;
    try {
        plist = rho_propertyListFromXMLFormat(text.toLatin1());
    } catch (const std::exception &exception) {
        if (error)
            *error = QString::fromUtf8(exception.what());
        return std::nullopt;
    }
    for (auto field = cut.cbegin(); field != cut.cend(); ++field)
        uspsSetValueForKeyPath(plist, field.key(), field.value());
    return plist;
}

bool QVUSPSCommandCenter::noteUSPSError(const QVariantMap &reply, const QVariant &part)
{
    QVariant error = part.toMap().value(QStringLiteral("Error"));
    if (!error.isValid())
        error = reply.value(QStringLiteral("Error"));
    if (!error.isValid()) {
        setLastError(QString(), QString());
        return false;
    }
    const QVariantMap fields = error.toMap();
    setLastError(uspsReplyText(fields.value(QStringLiteral("Number"))),
                 fields.isEmpty() ? uspsReplyText(error) : uspsReplyText(fields.value(QStringLiteral("Description"))));
    return true;
}

// ---- Plain queries ------------------------------------------------------------

std::optional<QVariantMap> QVUSPSCommandCenter::cityAndStateForZIP(const QString &zip5)
{
    if (zip5.isNull()) {
        // Callers check the ZIP first; a missing one is refused, not sent.
        setLastError(QString(), QStringLiteral("zip != nil"));
        return std::nullopt;
    }
    const QString apiName = QStringLiteral("CityStateLookup");
    auto api = QVUSPSAPI::apiWithAPI(apiName, QVariantMap{{QStringLiteral("Zip5"), zip5}});
    if (!api)
        return std::nullopt;
    setUseridAndPassword(kCityStateUserID, kCityStatePassword);
    const auto reply = postAPI(*api);
    setUseridAndPassword(kUserID, kPassword);
    if (!reply)
        return std::nullopt;
    const QVariant zipCode = uspsValueForKeyPath(*reply, apiName + QStringLiteral("Response.ZipCode"));
    if (noteUSPSError(*reply, zipCode) || zipCode.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return zipCode.toMap();
}

QString QVUSPSCommandCenter::serviceStandardFromOriginZIP(const QString &originZIP, const QString &destinationZIP,
                                                          const QString &mailClass)
{
    const QString unknown = QStringLiteral("N/A");
    QString apiName;
    if (mailClass == QVUSPSPriorityMail)
        apiName = QStringLiteral("PriorityMail");
    else if (mailClass == QVUSPSExpressMail)
        return unknown;
    else if (mailClass == QVUSPSFirstClassMail)
        apiName = QStringLiteral("FirstClassMail");
    else
        apiName = QStringLiteral("StandardB");
    const auto reply = postAPI(QVUSPSAPI::apiWithAPI(
        apiName,
        QVariantMap{{QStringLiteral("OriginZip"), originZIP}, {QStringLiteral("DestinationZip"), destinationZIP}}));
    if (!reply)
        return unknown;
    const QVariant response = reply->value(apiName + QStringLiteral("Response"));
    if (noteUSPSError(*reply, response))
        return unknown;
    const QString days = uspsReplyText(uspsValueForKeyPath(*reply, apiName + QStringLiteral("Response.Days")));
    if (days.isEmpty())
        return unknown;
    return days + QStringLiteral(" day") + (days.toInt() >= 2 ? QStringLiteral("s") : QString());
}

std::optional<QVAddress> QVUSPSCommandCenter::addresssByStandardizingAddress(const QVAddress &address)
{
    return addresssByStandardizingAddressViaUSPSShippingAPIs(address);
}

std::optional<QVAddress> QVUSPSCommandCenter::addresssByStandardizingAddress(const QVAddress &address,
                                                                             const QString &method)
{
    if (method == QVUSPSShippingAPIsMethod)
        return addresssByStandardizingAddressViaUSPSShippingAPIs(address);
    setLastErrorDescription(QStringLiteral("Unrecognized standardize method"));
    return std::nullopt;
}

std::optional<QVAddress>
QVUSPSCommandCenter::addresssByStandardizingAddressViaUSPSShippingAPIs(const QVAddress &address)
{
    auto api = QVUSPSAPI::apiWithAPI(
        QStringLiteral("Verify"),
        QVariantMap{{QStringLiteral("FirmName"), address.company()},
                    {QStringLiteral("Address1"), withVerificationCharactersAsSpaces(address.suiteApt())},
                    {QStringLiteral("Address2"), withVerificationCharactersAsSpaces(address.street())},
                    {QStringLiteral("City"), address.city()},
                    {QStringLiteral("State"), address.state()},
                    {QStringLiteral("Zip5"), address.ZIP5()},
                    {QStringLiteral("Zip4"), address.ZIP4()}});
    if (!api)
        return std::nullopt;
    const auto reply = postRequest(*api, false);
    if (!reply)
        return std::nullopt;
    QVariant part = uspsValueForKeyPath(*reply, QStringLiteral("AddressValidateResponse.Address"));
    if (!part.isValid())
        part = *reply;
    if (noteUSPSError(*reply, part))
        return std::nullopt;
    const QVariantMap fields = part.toMap();
    const auto field = [&fields](const char *name) { return uspsReplyText(fields.value(QString::fromLatin1(name))); };
    QVAddress verified = address;
    verified.setCompany(field("FirmName"));
    verified.setSuiteApt(field("Address1"));
    verified.setStreet(field("Address2"));
    verified.setCity(field("City"));
    verified.setState(field("State"));
    verified.setZIP5(field("Zip5"));
    verified.setZIP4(field("Zip4"));
    setLastError(QString(), field("ReturnText"));
    return verified;
}

std::optional<QVariantMap> QVUSPSCommandCenter::internationalRateResponseForCountry(const QString &country,
                                                                                    int weightInOunces,
                                                                                    const QString &size)
{
    const auto known = QVCountry::countryWithAnyName(country);
    QString mailType = QStringLiteral("package");
    if (size == QVUSPSIntlEnvelopeSize)
        mailType = QStringLiteral("envelope");
    else if (size == QVUSPSIntlPostcardsOrAerogrammesSize)
        mailType = QStringLiteral("postcards or aerogrammes");
    else if (size == QVUSPSIntlMatterForTheBlindSize)
        mailType = QStringLiteral("matter for the blind");
    const auto reply =
        postAPI(QVUSPSAPI::apiWithAPI(QStringLiteral("IntlRate"),
                                      QVariantMap{{QStringLiteral("ID"), QStringLiteral("0")},
                                                  {QStringLiteral("country"), known ? known->rateName() : country},
                                                  {QStringLiteral("pounds"), QStringLiteral("0")},
                                                  {QStringLiteral("ounces"), QString::number(weightInOunces)},
                                                  {QStringLiteral("mailType"), mailType}}));
    if (!reply || noteUSPSError(*reply, reply->value(QStringLiteral("IntlRateResponse"))))
        return std::nullopt;
    return reply;
}

std::optional<QString> QVUSPSCommandCenter::apoRestrictionsForZIP(const QString &zip)
{
    const QString origin = UserDefaults::standardUserDefaults().stringForKey(QVMailedFromZIP5DefaultsKey);
    const auto reply =
        postAPI(QVUSPSAPI::apiWithAPI(QStringLiteral("RateV4"),
                                      QVariantMap{{QStringLiteral("ID"), QStringLiteral("0")},
                                                  {QStringLiteral("Service"), QStringLiteral("PRIORITY")},
                                                  {QStringLiteral("ZipOrigination"), origin},
                                                  {QStringLiteral("ZipDestination"), zip},
                                                  {QStringLiteral("Size"), QStringLiteral("Regular")},
                                                  {QStringLiteral("Pounds"), QStringLiteral("0")},
                                                  {QStringLiteral("Ounces"), QStringLiteral("1")},
                                                  {QStringLiteral("Container"), QString()}}));
    if (!reply)
        return std::nullopt;
    const QVariant package = uspsValueForKeyPath(*reply, QStringLiteral("RateV4Response.Package"));
    if (noteUSPSError(*reply, package))
        return std::nullopt;
    const QVariant restrictions = package.toMap().value(QStringLiteral("Restrictions"));
    if (!restrictions.isValid())
        return std::nullopt;
    return uspsReplyText(restrictions);
}

std::optional<QString> QVUSPSCommandCenter::stateAbbreviationForName(const QString &name)
{
    std::optional<QVariantMap> &abbreviations = stateAbbreviations();
    if (!abbreviations) {
        const auto plist = Bundle::propertyListForResource(QStringLiteral("USPSStateAbbrevs"));
        if (!plist || plist->typeId() != QMetaType::QVariantMap) {
            setLastErrorDescription(QStringLiteral("Could not load state abbreviations plist"));
            return std::nullopt;
        }
        abbreviations = plist->toMap();
    }
    const QVariant found = abbreviations->value(name.toUpper());
    if (found.typeId() != QMetaType::QString) {
        setLastErrorDescription(QStringLiteral("Invalid state/possesion"));
        return std::nullopt;
    }
    setLastErrorDescription(QString());
    return found.toString();
}

QVariantMap QVUSPSCommandCenter::allHolidays()
{
    if (!m_holidaysLoaded) {
        const auto plist = Bundle::propertyListForResource(QStringLiteral("USPSHolidays"));
        if (plist && plist->typeId() == QMetaType::QVariantMap) {
            m_allHolidays = plist->toMap();
            m_holidaysLoaded = true;
        }
    }
    return m_allHolidays;
}

void QVUSPSCommandCenter::setAllHolidays(const QVariantMap &holidays)
{
    m_allHolidays = holidays;
    m_holidaysLoaded = true;
}

const QMap<QString, QString> &QVUSPSCommandCenter::sizeMap()
{
    static const QMap<QString, QString> map = {
        {QVUSPSRegularSize, QStringLiteral("VARIABLE")},
        {QVUSPSLetterSize, QStringLiteral("VARIABLE")},
        {QVUSPSPostcardSize, QStringLiteral("VARIABLE")},
        {QVUSPSLargeEnvelopeSize, QStringLiteral("VARIABLE")},
        {QVUSPSFlatRateBoxSize, QStringLiteral("FLATRATEBOX")},
        {QVUSPSFlatRateEnvelopeSize, QStringLiteral("FLATRATEENV")},
        {QVUSPSLargeFlatRateBoxSize, QStringLiteral("LGFLATRATEBOX")},
        {QVUSPSSmallFlatRateBoxSize, QStringLiteral("SMFLATRATEBOX")},
    };
    return map;
}

QString QVUSPSCommandCenter::zoneFromOriginZIP(const QString &originZIP, const QString &destinationZIP)
{
    return QVGLZUSPSZoneChartCommandCenter::commandCenter()->zoneFromOriginZIP(originZIP, destinationZIP);
}

// ---- The model's address services ------------------------------------------------

QString QVUSPSWebToolsAddressServices::zoneFromOriginZIP(const QString &originZIP, const QString &destinationZIP)
{
    return QVUSPSCommandCenter::commandCenter()->zoneFromOriginZIP(originZIP, destinationZIP);
}

std::optional<QVAddress> QVUSPSWebToolsAddressServices::addressByStandardizingAddress(const QVAddress &address)
{
    return QVUSPSCommandCenter::commandCenter()->addresssByStandardizingAddress(address);
}

void registerUSPSAddressServices() { setUSPSAddressServices(std::make_shared<QVUSPSWebToolsAddressServices>()); }
