#include "services/QVRHOAccountInformationCommandCenter.h"

#include "model/XMLConversion.h"
#include "model/XMLDocument.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "rateengine/RateCountries.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVMACAddress.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOLabelServerCommandCenter.h"

#include <QDir>
#include <QFile>
#include <QOperatingSystemVersion>
#include <QSet>
#include <QSysInfo>
#include <QUrl>

#include <stdexcept>

namespace {

const QString kLabelServiceServerKey = QStringLiteral("labelServiceServer");
// The fixed password of the country-rules download (not the account's).
const QString kCountryRulesDownloadPassword = QStringLiteral("pelzo");
constexpr int kMaxFailedRefreshes = 48;

const QSet<QString> &priorityMailNames()
{
    static const QSet<QString> names = {
        QStringLiteral("QVUSPSPriorityMail"),
        QStringLiteral("QVUSPSPriorityMailFlatRate"),
        QStringLiteral("QVUSPSPriorityMailFlatBoxRate"),
        QStringLiteral("QVUSPSPriorityMailLargeFlatBoxRate"),
        QStringLiteral("QVUSPSPriorityMailSmallFlatBoxRate"),
    };
    return names;
}

const QSet<QString> &expressMailNames()
{
    static const QSet<QString> names = {QStringLiteral("QVUSPSExpressMail"),
                                        QStringLiteral("QVUSPSExpressMailFlatRate")};
    return names;
}

const QSet<QString> &regionalRateBoxSizes()
{
    static const QSet<QString> sizes = {QVUSPSRegionalRateBoxASize, QVUSPSRegionalRateBoxBSize,
                                        QVUSPSRegionalRateBoxCSize};
    return sizes;
}

const QSet<QString> &pmFlatSizes()
{
    static const QSet<QString> sizes = {
        QVUSPSPostcardSize,
        QVUSPSLetterSize,
        QVUSPSLargeEnvelopeSize,
        QVUSPSFlatRateLegalEnvelopeSize,
        QVUSPSFlatRateEnvelopeSize,
        QVUSPSGiftCardFlatRateEnvelopeSize,
        QVUSPSWindowFlatRateEnvelopeSize,
        QVUSPSSmallFlatRateEnvelopeSize,
        QStringLiteral("QVUSPSCardboardSmallFlatRateEnvelopeSize"),
    };
    return sizes;
}

const QSet<QString> &emFlatSizes()
{
    static const QSet<QString> sizes = {QVUSPSPostcardSize, QVUSPSLetterSize, QVUSPSLargeEnvelopeSize,
                                        QVUSPSFlatRateLegalEnvelopeSize, QVUSPSFlatRateEnvelopeSize};
    return sizes;
}

bool isString(const QVariant &value) { return value.metaType().id() == QMetaType::QString; }
bool isDictionary(const QVariant &value) { return value.metaType().id() == QMetaType::QVariantMap; }

// The integer value of a text as the platform reads it: leading spaces, a
// sign and digits; nothing when no digit starts it.
std::optional<int> integerValue(const QVariant &value)
{
    if (!isString(value)) {
        bool ok = false;
        const int number = value.toInt(&ok);
        return ok && value.isValid() && !isDictionary(value) ? std::optional<int>(number) : std::nullopt;
    }
    const QString text = value.toString().trimmed();
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    const qsizetype digits = i;
    while (i < text.size() && text[i].isDigit() && i - digits < 9)
        ++i;
    if (i == digits)
        return std::nullopt;
    return text.left(i).toInt();
}

QString osVersionText()
{
    static const QString text = [] {
        const auto version = QOperatingSystemVersion::current();
        if (version.majorVersion() >= 0 && version.minorVersion() >= 0 && version.microVersion() >= 0)
            return QStringLiteral("%1.%2.%3")
                .arg(version.majorVersion())
                .arg(version.minorVersion())
                .arg(version.microVersion());
        return QSysInfo::kernelVersion();
    }();
    return text;
}

QString macText()
{
    static const QString text = QVMACAddress::MACAddress().value_or(QString());
    return text;
}

QByteArray escapedQueryValue(const QByteArray &text) { return QUrl::toPercentEncoding(QString::fromUtf8(text)); }

std::optional<QVAccountCredentials> postageServerCredentials()
{
    const auto status = QVRHOCommandCenter::commandCenter()->lastValidStatusResponse();
    if (!status)
        return std::nullopt;
    return QVAccountCredentials{postageServerAccount()->userid(), status->tolvaneDotComPassword()};
}

} // namespace

QVRHOAccountInformationCommandCenter::QVRHOAccountInformationCommandCenter() : m_credentials(postageServerCredentials)
{
    setPath(QVAccountInformationPath);
}

QString QVRHOAccountInformationCommandCenter::server() const
{
    const QString configured = UserDefaults::standardUserDefaults().stringForKey(kLabelServiceServerKey);
    return configured.isEmpty() ? QVCommandCenter::server() : configured;
}

void QVRHOAccountInformationCommandCenter::setCredentialsSource(CredentialsSource source)
{
    m_credentials = source ? std::move(source) : CredentialsSource(postageServerCredentials);
}

bool QVRHOAccountInformationCommandCenter::checkServer()
{
    if (!server().isEmpty())
        return true;
    setLastError(
        QStringLiteral("-1"),
        QStringLiteral("No account-information server is set (user default \"%1\").").arg(kLabelServiceServerKey));
    return false;
}

QString QVRHOAccountInformationCommandCenter::clientName() const
{
    const UserDefaults &defaults = UserDefaults::standardUserDefaults();
    if (defaults.boolForKey(QStringLiteral("kivoStampsVersion")))
        return defaults.boolForKey(QStringLiteral("zpmVersion")) ? QStringLiteral("ZPMMac")
                                                                 : QStringLiteral("KIVOStampsMac");
    return QStringLiteral("TolvaneForMac");
}

QString QVRHOAccountInformationCommandCenter::requestURL(const QString &path, const QByteArray &document) const
{
    return QStringLiteral("https://%1%2?inputString=%3")
        .arg(server(), path, QString::fromLatin1(escapedQueryValue(document)));
}

std::optional<QVariantMap> QVRHOAccountInformationCommandCenter::infoForAccount(const QString &account,
                                                                                const QString &webPassword)
{
    setLastError(QString(), QString());
    if (!checkServer())
        return std::nullopt;
    const QString client = clientName();
    QVariantMap elements = {
        {QStringLiteral("AccountNumber"), account},
        {QStringLiteral("Client"), client},
        {QStringLiteral("ClientType"), client},
        {QStringLiteral("ClientVersion"), Bundle::version()},
        {QStringLiteral("TrackClientVersion"), m_firstRequestSent ? QStringLiteral("FALSE") : QStringLiteral("TRUE")},
        {QStringLiteral("ClientOS"), osVersionText()},
        {QStringLiteral("MAC"), macText()},
    };
    m_firstRequestSent = true;
    // The log shows the request without the web password.
    debugLog(
        requestURL(path(), qv_documentWithRootName(QStringLiteral("AccountInformationRequest"), elements).xmlData()));
    elements.insert(QStringLiteral("WebPassword"), webPassword);
    const QString url =
        requestURL(path(), qv_documentWithRootName(QStringLiteral("AccountInformationRequest"), elements).xmlData());
    const auto reply =
        getURL(QUrl(url, QUrl::StrictMode),
               QVRHOLabelServerCommandCenter::commandCenter()->additionalHeaderDictionaryForShipment(nullptr));
    if (!reply)
        return std::nullopt;
    debugLog(QString::fromUtf8(*reply));
    try {
        const QVariantMap plist = rho_propertyListFromXMLFormat(*reply);
        return plist.value(QStringLiteral("AccountInformationResponse")).toMap();
    } catch (const std::exception &error) {
        setLastErrorDescription(QString::fromUtf8(error.what()));
        return std::nullopt;
    }
}

bool QVRHOAccountInformationCommandCenter::refresh()
{
    const auto credentials = m_credentials ? m_credentials() : std::nullopt;
    if (!credentials)
        return false;
    const auto answer = infoForAccount(credentials->account, credentials->webPassword);
    if (!answer) {
        if (++m_failureCount > kMaxFailedRefreshes)
            m_lastResponse.clear();
        return false;
    }
    m_failureCount = 0;
    if (answer->contains(QStringLiteral("Status")) &&
        answer->value(QStringLiteral("Status")).toString() != QStringLiteral("0"))
        return false;
    m_lastResponse = *answer;
    RegisterBannedCountryTolvaneInsurance(blockedInsuranceCountries().toUtf8().constData());
    RegisterBannedCountryFCMI(blockedFCMICountries().toUtf8().constData());
    RegisterBannedCountryEMI(blockedEMICountries().toUtf8().constData());
    RegisterBannedCountryPMI(blockedPMICountries().toUtf8().constData());
    const QString folder = applicationSupportDirectory();
    const bool haveFile = !folder.isEmpty() && QFile::exists(QDir(folder).filePath(QVCountryFileName));
    countryFileForVersion(haveFile ? UserDefaults::standardUserDefaults().integerForKey(QVCountryFileVersionDefaultsKey)
                                   : 0);
    return true;
}

void QVRHOAccountInformationCommandCenter::countryFileForVersion(qint64 version)
{
    if (!checkServer())
        return;
    const QString url = QStringLiteral("https://%1%2?clientVersion=%3&password=%4")
                            .arg(server(), QVCountryRulesPath, QString::number(version), kCountryRulesDownloadPassword);
    debugLog(url);
    const auto reply = getURL(
        QUrl(url), QVRHOLabelServerCommandCenter::commandCenter()->additionalHeaderDictionaryForShipment(nullptr));
    if (!reply)
        return;
    QString parseError;
    const auto document = QVXMLDocument::fromData(*reply, &parseError);
    if (!document) {
        debugLog(QString::fromUtf8(*reply) + QStringLiteral("\n") + parseError);
        setLastError(QStringLiteral("-1"), parseError);
        return;
    }
    const QVXMLNode root = document->rootElement();
    const QString listings = qv_elementForName(root, QStringLiteral("CountryListings")).stringValue();
    if (listings == QStringLiteral("UpToDate"))
        return;
    const QString folder = applicationSupportDirectory();
    if (folder.isEmpty()) {
        setLastError(QStringLiteral("-1"), QStringLiteral("No application-support folder for the country rules."));
        return;
    }
    // The new rules are loaded from a file beside the one in use and only
    // replace it when the engine took every line.
    const QString path = QDir(folder).filePath(QVCountryFileName);
    const QString downloaded = path + QStringLiteral(".download");
    // ASCII, a character outside it becoming "?".
    QByteArray bytes = listings.toLatin1();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (listings[i].unicode() > 0x7F)
            bytes[i] = '?';
    }
    QFile file(downloaded);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        file.close();
        QFile::remove(downloaded);
        setLastError(QStringLiteral("-1"), QStringLiteral("The country rules could not be written."));
        return;
    }
    file.close();
    if (LoadCountry2013FileAtPath(QFile::encodeName(downloaded).constData()) == 0) {
        QFile::remove(downloaded);
        log(QStringLiteral("%1: couldn't load the %2 file").arg(className(), path));
        setLastError(QStringLiteral("-1"),
                     QStringLiteral("The country rules sent by the server are not valid; the rules in use are kept."));
        return;
    }
    QFile::remove(path);
    if (!QFile::rename(downloaded, path)) {
        setLastError(QStringLiteral("-1"), QStringLiteral("The country rules could not replace the file in use."));
        QFile::remove(downloaded);
    }
    const QString serverVersion = qv_elementForName(root, QStringLiteral("ServerVersion")).stringValue();
    if (!qv_elementForName(root, QStringLiteral("ServerVersion")).isNull())
        UserDefaults::standardUserDefaults().setInteger(serverVersion.toLongLong(), QVCountryFileVersionDefaultsKey);
    NotificationCenter::defaultCenter().post(QVCountryListDidChangeNotification);
}

bool QVRHOAccountInformationCommandCenter::agreeToInsuranceForAccount(const QString &account,
                                                                      const QString &webPassword)
{
    if (!checkServer())
        return false;
    QVariantMap elements = {{QStringLiteral("AccountNumber"), account}};
    debugLog(requestURL(QVInsuranceAgreementPath,
                        qv_documentWithRootName(QStringLiteral("InsuranceAgreementConfirmation"), elements).xmlData()));
    elements.insert(QStringLiteral("WebPassword"), webPassword);
    const QString url =
        requestURL(QVInsuranceAgreementPath,
                   qv_documentWithRootName(QStringLiteral("InsuranceAgreementConfirmation"), elements).xmlData());
    HttpRequest request = genericURLRequestForURL(
        QUrl(url, QUrl::StrictMode),
        QVRHOLabelServerCommandCenter::commandCenter()->additionalHeaderDictionaryForShipment(nullptr));
    request.method = "GET";
    // The acceptance counts only when the service answered it: an error
    // status is no answer.
    HttpError error;
    const std::optional<HttpResponse> reply = sendHttpRequest(request, &error);
    if (!reply) {
        setLastError(QString::number(error.code), error.description);
        return false;
    }
    debugLog(QString::fromUtf8(reply->body));
    if (reply->statusCode < 200 || reply->statusCode > 299) {
        setLastError(QString::number(reply->statusCode),
                     QStringLiteral("The server answered with the HTTP status %1.").arg(reply->statusCode));
        return false;
    }
    m_insuranceOverride = true;
    return true;
}

std::optional<QVAccountCredentials> QVRHOAccountInformationCommandCenter::credentials() const
{
    return m_credentials ? m_credentials() : std::nullopt;
}

// ---- Readings ---------------------------------------------------------------

std::optional<QString> QVRHOAccountInformationCommandCenter::stringForKey(const QString &key) const
{
    const auto it = m_lastResponse.constFind(key);
    if (it == m_lastResponse.cend())
        return std::nullopt;
    return isString(*it) ? it->toString() : QString();
}

bool QVRHOAccountInformationCommandCenter::isTrue(const QString &key) const
{
    const QVariant value = m_lastResponse.value(key);
    return isString(value) && value.toString().toUpper() == QStringLiteral("TRUE");
}

QString QVRHOAccountInformationCommandCenter::blockedEMICountries() const
{
    return stringForKey(QStringLiteral("BlockedEMICountries")).value_or(QString());
}
QString QVRHOAccountInformationCommandCenter::blockedPMICountries() const
{
    return stringForKey(QStringLiteral("BlockedPMICountries")).value_or(QString());
}
QString QVRHOAccountInformationCommandCenter::blockedFCMICountries() const
{
    return stringForKey(QStringLiteral("BlockedFCMICountries")).value_or(QString());
}
QString QVRHOAccountInformationCommandCenter::blockedInsuranceCountries() const
{
    return stringForKey(QStringLiteral("BlockedInsuranceCountries")).value_or(QString());
}

bool QVRHOAccountInformationCommandCenter::tw310ValidForKIVOStamps() const
{
    return isTrue(QStringLiteral("KIVOStampsTW310Upgrade"));
}

bool QVRHOAccountInformationCommandCenter::insuranceAgreement() const
{
    return m_insuranceOverride || isTrue(QStringLiteral("InsuranceAgreement"));
}

bool QVRHOAccountInformationCommandCenter::tolvaneInsuranceAllowed() const
{
    const QVariant value = m_lastResponse.value(QStringLiteral("IsTolvaneParcelInsuranceAllowed"));
    return !(isString(value) && value.toString() == QStringLiteral("FALSE"));
}

bool QVRHOAccountInformationCommandCenter::disableParcelSelect() const
{
    return isTrue(QStringLiteral("DisableParcelSelect"));
}

bool QVRHOAccountInformationCommandCenter::adultSignature() const
{
    const QVariant value = m_lastResponse.value(QStringLiteral("AdultSignature"));
    return !isString(value) || value.toString().toUpper() == QStringLiteral("TRUE");
}

bool QVRHOAccountInformationCommandCenter::standardPost() const { return isTrue(QStringLiteral("CanUseStandardPost")); }

bool QVRHOAccountInformationCommandCenter::pmRegionalRateBox() const
{
    const QVariant group = m_lastResponse.value(QStringLiteral("PriorityMail"));
    if (!isDictionary(group))
        return true;
    const QVariant value = group.toMap().value(QStringLiteral("RegionalRateBox"));
    return isString(value) && value.toString().toUpper() == QStringLiteral("TRUE");
}

std::optional<bool> QVRHOAccountInformationCommandCenter::groupFlag(const QString &key) const
{
    QVariant group = m_lastResponse.value(QStringLiteral("PriorityMail"));
    if (!isDictionary(group))
        group = m_lastResponse.value(QStringLiteral("PMDiscount"));
    if (!isDictionary(group))
        return std::nullopt;
    const QVariant value = group.toMap().value(key);
    return isString(value) && value.toString().toUpper() == QStringLiteral("TRUE");
}

bool QVRHOAccountInformationCommandCenter::pmFlatRatePadded() const
{
    return groupFlag(QStringLiteral("FlatRatePaddedEnvelope")).value_or(true);
}
bool QVRHOAccountInformationCommandCenter::pmHalfPoundRate() const
{
    return groupFlag(QStringLiteral("HalfPoundRate")).value_or(true);
}
bool QVRHOAccountInformationCommandCenter::pmCubicPricing() const
{
    return groupFlag(QStringLiteral("CubicPricing")).value_or(false);
}

int QVRHOAccountInformationCommandCenter::level(const QString &key, int fallback) const
{
    QVariant value = m_lastResponse.value(key);
    if (!isString(value) && isDictionary(value))
        value = value.toMap().value(key);
    return integerValue(value).value_or(fallback);
}

int QVRHOAccountInformationCommandCenter::pmDiscountLevel() const { return level(QStringLiteral("PMDiscount"), 1); }
int QVRHOAccountInformationCommandCenter::pmiDiscountLevel() const { return level(QStringLiteral("PMIDiscount"), 1); }
int QVRHOAccountInformationCommandCenter::fcpisDiscountLevel() const
{
    return level(QStringLiteral("FCPISDiscount"), 1);
}
int QVRHOAccountInformationCommandCenter::emDiscountLevel() const { return level(QStringLiteral("EMDiscount"), 1); }
int QVRHOAccountInformationCommandCenter::emiDiscountLevel() const { return level(QStringLiteral("EMIDiscount"), 1); }
int QVRHOAccountInformationCommandCenter::dateAdvance() const { return level(QStringLiteral("DateAdvance"), 7); }

bool QVRHOAccountInformationCommandCenter::allowVLS() const
{
    const QString value = stringForKey(QStringLiteral("AllowVLS")).value_or(QString());
    return value == QStringLiteral("ALLOW") || value == QStringLiteral("TRUE");
}

bool QVRHOAccountInformationCommandCenter::forceVLS() const
{
    return stringForKey(QStringLiteral("AllowVLS")).value_or(QString()) == QStringLiteral("FORCE");
}

Decimal QVRHOAccountInformationCommandCenter::limit(const QString &key) const
{
    const QVariant value = m_lastResponse.value(key);
    if (isString(value)) {
        // The leading number; "." is the only decimal separator, so a comma
        // ends the number.
        const QString text = value.toString().trimmed();
        qsizetype end = 0;
        bool point = false;
        while (end < text.size() && (text[end].isDigit() || (text[end] == u'.' && !point))) {
            point = point || text[end] == u'.';
            ++end;
        }
        if (const auto number = Decimal::parse(text.left(end)))
            return *number;
    }
    return Decimal::fromString(QStringLiteral("500.00"));
}

Decimal QVRHOAccountInformationCommandCenter::vaultLimit() const { return limit(QStringLiteral("VaultLimit")); }
Decimal QVRHOAccountInformationCommandCenter::purchaseLimit() const { return limit(QStringLiteral("PurchaseLimit")); }

bool QVRHOAccountInformationCommandCenter::isAllowedSize(const QString &size) const
{
    if (size == QVUSPSFlatRatePaddedEnvelopeSize)
        return pmFlatRatePadded();
    if (regionalRateBoxSizes().contains(size))
        return pmRegionalRateBox();
    return true;
}

std::optional<int> QVRHOAccountInformationCommandCenter::integerAtKeyPath(const QString &keyPath) const
{
    QVariant value = m_lastResponse;
    for (const QString &key : keyPath.split(u'.')) {
        if (!isDictionary(value))
            return std::nullopt;
        value = value.toMap().value(key);
    }
    if (!value.isValid() || isDictionary(value))
        return std::nullopt;
    return integerValue(value);
}

int QVRHOAccountInformationCommandCenter::discountLevelForRateClassName(const QString &rateClassName,
                                                                        const QString &size) const
{
    if (priorityMailNames().contains(rateClassName)) {
        const QString group = pmFlatSizes().contains(size) ? QStringLiteral("Flats")
            : regionalRateBoxSizes().contains(size)        ? QStringLiteral("RegionalRateBoxes")
                                                           : QStringLiteral("Parcels");
        return integerAtKeyPath(QStringLiteral("PriorityMail.%1.DiscountLevel").arg(group)).value_or(pmDiscountLevel());
    }
    if (expressMailNames().contains(rateClassName)) {
        const QString group = emFlatSizes().contains(size) ? QStringLiteral("Flats") : QStringLiteral("Parcels");
        return integerAtKeyPath(QStringLiteral("ExpressMail.%1.DiscountLevel").arg(group)).value_or(emDiscountLevel());
    }
    const bool regular = size == QVUSPSRegularSize;
    if (rateClassName == QVUSPSFirstClassMail && regular)
        return integerAtKeyPath(QStringLiteral("FirstClass.Parcels.DiscountLevel")).value_or(1);
    if (rateClassName == QStringLiteral("QVUSPSIntlPriorityMailIntl"))
        return pmiDiscountLevel();
    if (rateClassName == QStringLiteral("QVUSPSIntlExpressMailIntl"))
        return emiDiscountLevel();
    if (rateClassName == QStringLiteral("QVUSPSIntlFirstClassMailIntl") && regular)
        return fcpisDiscountLevel();
    return rateClassName == QVUSPSParcelSelect ? 1 : 0;
}

int QVRHOAccountInformationCommandCenter::freeInsuranceThresholdForRateClassName(const QString &rateClassName,
                                                                                 const QString &size) const
{
    if (!priorityMailNames().contains(rateClassName))
        return 0;
    const QString group = pmFlatSizes().contains(size) ? QStringLiteral("Flats")
        : regionalRateBoxSizes().contains(size)        ? QStringLiteral("RegionalRateBoxes")
                                                       : QStringLiteral("Parcels");
    return integerAtKeyPath(QStringLiteral("PriorityMail.%1.FreeInsuranceThreshold").arg(group)).value_or(0);
}

// ---- The model's service -----------------------------------------------------

namespace {
std::shared_ptr<QVRHOAccountInformationCommandCenter> accountClient()
{
    return QVRHOAccountInformationCommandCenter::commandCenter();
}
} // namespace

bool QVAccountInformationClientServices::pmCubicPricing() { return accountClient()->pmCubicPricing(); }
bool QVAccountInformationClientServices::adultSignature() { return accountClient()->adultSignature(); }
bool QVAccountInformationClientServices::pmRegionalRateBox() { return accountClient()->pmRegionalRateBox(); }
bool QVAccountInformationClientServices::disableParcelSelect() { return accountClient()->disableParcelSelect(); }
bool QVAccountInformationClientServices::standardPost() { return accountClient()->standardPost(); }
bool QVAccountInformationClientServices::pmHalfPoundRate() { return accountClient()->pmHalfPoundRate(); }
int QVAccountInformationClientServices::discountLevelForRateClassName(const QString &rateClassName, const QString &size)
{
    return accountClient()->discountLevelForRateClassName(rateClassName, size);
}

void registerAccountInformationServices()
{
    setAccountInformationServices(std::make_shared<QVAccountInformationClientServices>());
}
