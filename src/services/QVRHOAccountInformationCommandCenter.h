#pragma once
// QVRHOAccountInformationCommandCenter: the client of the vendor's
// account-information service. It fetches the account's settings (discount
// levels, allowed piece sizes and services, limits, the countries barred from
// international classes and from the vendor's insurance, the insurance
// agreement), hands the barred-country lists to the rate engine, keeps the
// engine's country-rules file "country2013.dat" up to date, and records the
// acceptance of the insurance agreement.
//
// Server: the user default "labelServiceServer" (a bare host); the vendor's
// own hosts are not known to this build, so without it nothing is sent.
// Requests are GETs of "https://" + server + path with the request document
// percent-escaped in the query "inputString", and the label-server client's
// vendor headers for no shipment. The debug log (user default
// "logDebugInfo") shows the URL with the document's WebPassword left out.
//
// lastResponse is the last accepted reply's AccountInformationResponse as a
// dictionary (element names as keys, nested elements as dictionaries, texts
// as strings); it changes only on a successful refresh() and is cleared after
// more than 48 failed refreshes in a row. Every getter reads it and answers
// its default when the reading is missing (see each getter).
//
// Country rules: a downloaded rules text is written beside the file in use,
// loaded by the rate engine (which checks every line), and only then moved
// over "country2013.dat"; a text the engine refuses is removed, the file and
// table in use stay, and the last-error fields say why.
//
// Main thread only.
#include "model/ClientServices.h"
#include "model/QVCountry.h"
#include "services/QVCommandCenter.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

inline const QString QVAccountInformationPath = QStringLiteral("/LabelService/Account.asmx/AccountInformationV2");
inline const QString QVCountryRulesPath = QStringLiteral("/LabelService/account.asmx/GetCountryRules");
inline const QString QVInsuranceAgreementPath = QStringLiteral("/LabelService/account.asmx/InsuranceAgreement");
inline const QString QVCountryFileName = QStringLiteral("country2013.dat");
inline const QString QVCountryFileVersionDefaultsKey = QStringLiteral("countryFileVersion");
// QVCountryListDidChangeNotification (model/QVCountry.h) is posted when a
// new country file is in place.

// The account to ask about: the account number and the web password.
struct QVAccountCredentials {
    QString account;
    QString webPassword;
};

class QVRHOAccountInformationCommandCenter : public QVCommandCenter
{
public:
    QVRHOAccountInformationCommandCenter();
    static std::shared_ptr<QVRHOAccountInformationCommandCenter> commandCenter()
    {
        return QVCommandCenter::commandCenter<QVRHOAccountInformationCommandCenter>();
    }
    QString className() const override { return QStringLiteral("QVRHOAccountInformationCommandCenter"); }
    // The user default "labelServiceServer", else the host set here.
    QString server() const override;

    // Where refresh() takes the account from: by default the postage-server
    // client's account number and the web password of its last valid status
    // reply (nothing without such a reply). Tests replace it.
    using CredentialsSource = std::function<std::optional<QVAccountCredentials>()>;
    void setCredentialsSource(CredentialsSource source);
    // The account that source answers now (nothing without one).
    std::optional<QVAccountCredentials> credentials() const;

    // ---- Operations ---------------------------------------------------------
    std::optional<QVariantMap> infoForAccount(const QString &account, const QString &webPassword);
    bool refresh();
    void countryFileForVersion(qint64 version);
    // Records the acceptance of the insurance agreement. True when the
    // service answered (a reply of a 2xx status; its body has no format of
    // its own and is not examined): insuranceAgreement() is then YES for the
    // rest of the process. False, with the last-error fields set and
    // nothing recorded, when no server is set or no reply came (transport
    // failure or an HTTP error status).
    bool agreeToInsuranceForAccount(const QString &account, const QString &webPassword);

    const QVariantMap &lastResponse() const { return m_lastResponse; }
    void setLastResponse(const QVariantMap &response) { m_lastResponse = response; }
    int failureCount() const { return m_failureCount; }

    // ---- Readings of lastResponse ---------------------------------------------
    // The string under the key; nothing when missing; "" when not a string.
    std::optional<QString> stringForKey(const QString &key) const;
    QString blockedEMICountries() const;
    QString blockedPMICountries() const;
    QString blockedFCMICountries() const;
    QString blockedInsuranceCountries() const;
    bool tw310ValidForKIVOStamps() const;
    bool insuranceAgreement() const;
    bool tolvaneInsuranceAllowed() const;
    bool disableParcelSelect() const;
    bool adultSignature() const;
    bool standardPost() const;
    bool pmRegionalRateBox() const;
    bool pmFlatRatePadded() const;
    bool pmHalfPoundRate() const;
    bool pmCubicPricing() const;
    int pmDiscountLevel() const;
    int pmiDiscountLevel() const;
    int fcpisDiscountLevel() const;
    int emDiscountLevel() const;
    int emiDiscountLevel() const;
    int dateAdvance() const;
    bool allowVLS() const;
    bool forceVLS() const;
    // Decimal texts read with "." as the separator; "500.00" when missing.
    Decimal vaultLimit() const;
    Decimal purchaseLimit() const;

    bool isAllowedSize(const QString &size) const;
    int discountLevelForRateClassName(const QString &rateClassName, const QString &size) const;
    int freeInsuranceThresholdForRateClassName(const QString &rateClassName, const QString &size) const;

private:
    QString clientName() const;
    QString requestURL(const QString &path, const QByteArray &document) const;
    bool checkServer();
    bool isTrue(const QString &key) const;
    std::optional<bool> groupFlag(const QString &key) const;
    int level(const QString &key, int fallback) const;
    Decimal limit(const QString &key) const;
    std::optional<int> integerAtKeyPath(const QString &keyPath) const;

    QVariantMap m_lastResponse;
    bool m_insuranceOverride = false;
    int m_failureCount = 0;
    bool m_firstRequestSent = false;
    CredentialsSource m_credentials;
};

// The model's account-information service answered by the shared client.
class QVAccountInformationClientServices : public QVAccountInformationServices
{
public:
    bool pmCubicPricing() override;
    bool adultSignature() override;
    bool pmRegionalRateBox() override;
    bool disableParcelSelect() override;
    bool standardPost() override;
    bool pmHalfPoundRate() override;
    int discountLevelForRateClassName(const QString &rateClassName, const QString &size) override;
};

// Registers the shared client as the model's account-information service.
void registerAccountInformationServices();
