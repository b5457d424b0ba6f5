// QVRHOAccountInformationCommandCenter, the account-information client,
// against the fake account-information service: the request document, the
// readings of the reply with and without each element (the defaults), the
// failure counter, the barred-country lists handed to the rate engine, the
// country-rules download (a good text replaces the file, a bad one keeps it)
// and the registration as the model's account-information service.
#include "model/ClientServices.h"
#include "platform/HttpClient.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"
#include "rateengine/RateCountries.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOAccountInformationCommandCenter.h"

#include "AccountInformationClientSetup.h"
#include "ConsoleCapture.h"
#include "FakeAccountInformationServer.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

QByteArray resourceCountryFile()
{
    QFile file(QStringLiteral(TOLVANE_SOURCE_DIR "/resources/country2013.dat"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class AccountInformationClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isListening());
        client = connectAccountInformationClient(server, QStringLiteral("web&pass word"));
        QFile::remove(countryFilePath());
    }
    void TearDown() override
    {
        setAccountInformationServices(nullptr);
        disconnectAccountInformationClient();
        QFile::remove(countryFilePath());
        for (auto reg : {RegisterBannedCountryEMI, RegisterBannedCountryPMI, RegisterBannedCountryFCMI,
                         RegisterBannedCountryTolvaneInsurance})
            reg(nullptr);
    }
    static QString countryFilePath() { return QDir(supportDir()).filePath(QStringLiteral("country2013.dat")); }

    FakeAccountInformationServer server;
    std::shared_ptr<QVRHOAccountInformationCommandCenter> client;
};

TEST_F(AccountInformationClientTest, SendsTheRequestDocumentAndKeepsThePasswordOutOfTheLog)
{
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("logDebugInfo"));
    server.setAccountElements("<Status>0</Status><PMDiscount>2</PMDiscount>");
    ConsoleCapture console;
    ASSERT_TRUE(client->refresh());
    const QString log = console.lines().join(u'\n');
    const auto document = server.lastDocument(kAccountInformationPath);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->name, QStringLiteral("AccountInformationRequest"));
    EXPECT_EQ(document->childText(QStringLiteral("AccountNumber")), QStringLiteral("1234567"));
    EXPECT_EQ(document->childText(QStringLiteral("WebPassword")), QStringLiteral("web&pass word"));
    EXPECT_EQ(document->childText(QStringLiteral("Client")), QStringLiteral("TolvaneForMac"));
    EXPECT_EQ(document->childText(QStringLiteral("ClientType")), QStringLiteral("TolvaneForMac"));
    EXPECT_EQ(document->childText(QStringLiteral("TrackClientVersion")), QStringLiteral("TRUE"));
    EXPECT_EQ(document->childCount(QStringLiteral("ClientOS")), 1);
    EXPECT_EQ(document->childCount(QStringLiteral("MAC")), 1);
    EXPECT_FALSE(document->childText(QStringLiteral("ClientVersion")).isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("AccountInformationV2?inputString=")));
    EXPECT_FALSE(log.contains(QStringLiteral("WebPassword")));
    EXPECT_FALSE(log.contains(QStringLiteral("web%26pass")));
    // Later requests no longer ask to track the version.
    ASSERT_TRUE(client->refresh());
    EXPECT_EQ(server.lastDocument(kAccountInformationPath)->childText(QStringLiteral("TrackClientVersion")),
              QStringLiteral("FALSE"));
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("kivoStampsVersion"));
    ASSERT_TRUE(client->refresh());
    EXPECT_EQ(server.lastDocument(kAccountInformationPath)->childText(QStringLiteral("Client")),
              QStringLiteral("KIVOStampsMac"));
}

TEST_F(AccountInformationClientTest, ReadingsWithoutAnyElementAreTheDefaults)
{
    server.setAccountElements("<Status>0</Status>");
    ASSERT_TRUE(client->refresh());
    EXPECT_FALSE(client->stringForKey(QStringLiteral("BlockedEMICountries")));
    EXPECT_EQ(client->blockedPMICountries(), QString());
    EXPECT_FALSE(client->tw310ValidForKIVOStamps());
    EXPECT_FALSE(client->insuranceAgreement());
    EXPECT_TRUE(client->tolvaneInsuranceAllowed());
    EXPECT_FALSE(client->disableParcelSelect());
    EXPECT_TRUE(client->adultSignature());
    EXPECT_FALSE(client->standardPost());
    EXPECT_TRUE(client->pmRegionalRateBox());
    EXPECT_TRUE(client->pmFlatRatePadded());
    EXPECT_TRUE(client->pmHalfPoundRate());
    EXPECT_FALSE(client->pmCubicPricing());
    for (int level : {client->pmDiscountLevel(), client->pmiDiscountLevel(), client->fcpisDiscountLevel(),
                      client->emDiscountLevel(), client->emiDiscountLevel()})
        EXPECT_EQ(level, 1);
    EXPECT_EQ(client->dateAdvance(), 7);
    EXPECT_FALSE(client->allowVLS());
    EXPECT_FALSE(client->forceVLS());
    EXPECT_EQ(client->vaultLimit(), Decimal::fromString(QStringLiteral("500.00")));
    EXPECT_EQ(client->purchaseLimit(), Decimal::fromString(QStringLiteral("500.00")));
    EXPECT_TRUE(client->isAllowedSize(QStringLiteral("QVUSPSFlatRatePaddedEnvelopeSize")));
    EXPECT_TRUE(client->isAllowedSize(QStringLiteral("QVUSPSRegionalRateBoxBSize")));
}

TEST_F(AccountInformationClientTest, ReadingsFromAFullReply)
{
    server.setAccountElements(
        "<Status>0</Status><BlockedEMICountries>CU "
        "KP</BlockedEMICountries><BlockedPMICountries>IR</BlockedPMICountries>"
        "<BlockedFCMICountries>SY</BlockedFCMICountries><BlockedInsuranceCountries>RU</BlockedInsuranceCountries>"
        "<KIVOStampsTW310Upgrade>true</KIVOStampsTW310Upgrade><InsuranceAgreement>True</InsuranceAgreement>"
        "<IsTolvaneParcelInsuranceAllowed>FALSE</IsTolvaneParcelInsuranceAllowed>"
        "<DisableParcelSelect>TRUE</DisableParcelSelect><AdultSignature>false</AdultSignature>"
        "<CanUseStandardPost>TRUE</CanUseStandardPost>"
        "<PriorityMail><RegionalRateBox>FALSE</RegionalRateBox><CubicPricing>true</CubicPricing>"
        "<Flats><DiscountLevel>3</DiscountLevel></Flats><Parcels><DiscountLevel>2</DiscountLevel>"
        "<FreeInsuranceThreshold>50</FreeInsuranceThreshold></Parcels></PriorityMail>"
        "<ExpressMail><Parcels><DiscountLevel>2</DiscountLevel></Parcels></ExpressMail>"
        "<FirstClass><Parcels><DiscountLevel>2</DiscountLevel></Parcels></FirstClass>"
        "<PMDiscount>4</PMDiscount><PMIDiscount>2</PMIDiscount><FCPISDiscount>2</FCPISDiscount>"
        "<EMDiscount>5</EMDiscount><EMIDiscount>x</EMIDiscount><DateAdvance><DateAdvance>10</DateAdvance></DateAdvance>"
        "<AllowVLS>FORCE</AllowVLS><VaultLimit>1250.75</VaultLimit><PurchaseLimit>1,5</PurchaseLimit>");
    ASSERT_TRUE(client->refresh());
    EXPECT_EQ(client->blockedEMICountries(), QStringLiteral("CU KP"));
    EXPECT_TRUE(client->tw310ValidForKIVOStamps());
    EXPECT_TRUE(client->insuranceAgreement());
    EXPECT_FALSE(client->tolvaneInsuranceAllowed());
    EXPECT_TRUE(client->disableParcelSelect());
    EXPECT_FALSE(client->adultSignature());
    EXPECT_TRUE(client->standardPost());
    EXPECT_FALSE(client->pmRegionalRateBox());
    EXPECT_FALSE(client->pmFlatRatePadded()); // a group without the key
    EXPECT_FALSE(client->pmHalfPoundRate());
    EXPECT_TRUE(client->pmCubicPricing());
    EXPECT_EQ(client->pmDiscountLevel(), 4);
    EXPECT_EQ(client->emiDiscountLevel(), 1); // not a number
    EXPECT_EQ(client->dateAdvance(), 10);     // nested under its own name
    EXPECT_TRUE(client->forceVLS());
    EXPECT_FALSE(client->allowVLS());
    EXPECT_EQ(client->vaultLimit(), Decimal::fromString(QStringLiteral("1250.75")));
    EXPECT_EQ(client->purchaseLimit(), Decimal::fromString(QStringLiteral("1"))); // a comma ends the number
    EXPECT_FALSE(client->isAllowedSize(QStringLiteral("QVUSPSRegionalRateBoxASize")));
    EXPECT_TRUE(client->isAllowedSize(QStringLiteral("QVUSPSLargeSize")));

    struct Case {
        const char *rateClass;
        const char *size;
        int level;
    } cases[] = {
        {"QVUSPSPriorityMail", "QVUSPSLargeEnvelopeSize", 3},
        {"QVUSPSPriorityMailFlatRate", "QVUSPSFlatRateEnvelopeSize", 3},
        {"QVUSPSPriorityMail", "QVUSPSRegularSize", 2},
        {"QVUSPSPriorityMail", "QVUSPSRegionalRateBoxASize", 4}, // no group: the general level
        {"QVUSPSExpressMail", "QVUSPSRegularSize", 2},
        {"QVUSPSExpressMail", "QVUSPSLetterSize", 5},
        {"QVUSPSFirstClassMail", "QVUSPSRegularSize", 2},
        {"QVUSPSFirstClassMail", "QVUSPSLetterSize", 0},
        {"QVUSPSIntlPriorityMailIntl", "QVUSPSRegularSize", 2},
        {"QVUSPSIntlExpressMailIntl", "QVUSPSRegularSize", 1},
        {"QVUSPSIntlFirstClassMailIntl", "QVUSPSRegularSize", 2},
        {"QVUSPSIntlFirstClassMailIntl", "QVUSPSLetterSize", 0},
        {"QVUSPSParcelSelect", "QVUSPSRegularSize", 1},
        {"QVUSPSMediaMail", "QVUSPSRegularSize", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(client->discountLevelForRateClassName(QString::fromLatin1(c.rateClass), QString::fromLatin1(c.size)),
                  c.level)
            << c.rateClass << " " << c.size;
    EXPECT_EQ(client->freeInsuranceThresholdForRateClassName(QStringLiteral("QVUSPSPriorityMail"),
                                                             QStringLiteral("QVUSPSRegularSize")),
              50);
    EXPECT_EQ(client->freeInsuranceThresholdForRateClassName(QStringLiteral("QVUSPSExpressMail"),
                                                             QStringLiteral("QVUSPSRegularSize")),
              0);

    // The barred-country lists went to the rate engine.
    EXPECT_TRUE(IsCountryCodeBanned(BannedList::EMI, "KP"));
    EXPECT_TRUE(IsCountryCodeBanned(BannedList::PMI, "IR"));
    EXPECT_TRUE(IsCountryCodeBanned(BannedList::FCMI, "SY"));
    EXPECT_TRUE(IsCountryCodeBanned(BannedList::TolvaneInsurance, "RU"));
    EXPECT_FALSE(IsCountryCodeBanned(BannedList::PMI, "KP"));

    // Registered, the model's questions are answered from this reply.
    registerAccountInformationServices();
    EXPECT_TRUE(accountInformationServices()->pmCubicPricing());
    EXPECT_FALSE(accountInformationServices()->adultSignature());
    EXPECT_EQ(accountInformationServices()->discountLevelForRateClassName(QStringLiteral("QVUSPSPriorityMail"),
                                                                          QStringLiteral("QVUSPSLetterSize")),
              3);
}

TEST_F(AccountInformationClientTest, TheDiscountDictionaryStandsInForAMissingPriorityMailGroup)
{
    server.setAccountElements("<Status>0</Status><PMDiscount><PMDiscount>3</PMDiscount><HalfPoundRate>TRUE"
                              "</HalfPoundRate><CubicPricing>TRUE</CubicPricing></PMDiscount>");
    ASSERT_TRUE(client->refresh());
    EXPECT_TRUE(client->pmHalfPoundRate());
    EXPECT_TRUE(client->pmCubicPricing());
    EXPECT_FALSE(client->pmFlatRatePadded());
    EXPECT_TRUE(client->pmRegionalRateBox()); // read from "PriorityMail" only
    EXPECT_EQ(client->pmDiscountLevel(), 3);
}

TEST_F(AccountInformationClientTest, RefusedAndFailedRefreshes)
{
    server.setAccountElements("<Status>0</Status><PMDiscount>2</PMDiscount>");
    ASSERT_TRUE(client->refresh());
    // A refusal leaves the answer in use.
    server.setAccountElements("<Status>5</Status><PMDiscount>3</PMDiscount>");
    EXPECT_FALSE(client->refresh());
    EXPECT_EQ(client->pmDiscountLevel(), 2);
    EXPECT_EQ(client->failureCount(), 0);
    // A reply that is not XML fails with the converter's reason.
    server.setRawAccountReply("<AccountInformationResponse><Status>0</Sta");
    for (int failure = 1; failure <= 48; ++failure) {
        ASSERT_FALSE(client->refresh());
        ASSERT_EQ(client->failureCount(), failure);
        ASSERT_EQ(client->pmDiscountLevel(), 2) << failure;
    }
    EXPECT_FALSE(client->lastErrorDescription().isEmpty());
    EXPECT_FALSE(client->refresh());
    EXPECT_TRUE(client->lastResponse().isEmpty());
    EXPECT_EQ(client->pmDiscountLevel(), 1);
    // Without an account (no valid status reply) nothing is sent.
    client->setCredentialsSource([] { return std::optional<QVAccountCredentials>(); });
    server.http().clearRequests();
    EXPECT_FALSE(client->refresh());
    EXPECT_EQ(server.http().requestCount(), 0);
}

TEST_F(AccountInformationClientTest, AGoodCountryRulesDownloadReplacesTheFile)
{
    const QByteArray rules = resourceCountryFile();
    ASSERT_FALSE(rules.isEmpty());
    server.setAccountElements("<Status>0</Status>");
    server.setCountryRules(rules, "7");
    int notices = 0;
    auto observer = NotificationCenter::defaultCenter().addObserver(QVCountryListDidChangeNotification,
                                                                    [&](const Notification &) { ++notices; });
    ASSERT_TRUE(client->refresh());
    EXPECT_EQ(server.lastQueryValue(kCountryRulesPath, QStringLiteral("clientVersion")), QStringLiteral("0"));
    QFile file(countryFilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), rules);
    file.close();
    EXPECT_FALSE(QFile::exists(countryFilePath() + QStringLiteral(".download")));
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey(QVCountryFileVersionDefaultsKey), 7);
    EXPECT_EQ(notices, 1);
    // With the file in place the stored version is asked for; "UpToDate"
    // changes nothing.
    server.setCountryRules("UpToDate", "8");
    ASSERT_TRUE(client->refresh());
    EXPECT_EQ(server.lastQueryValue(kCountryRulesPath, QStringLiteral("clientVersion")), QStringLiteral("7"));
    EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey(QVCountryFileVersionDefaultsKey), 7);
    EXPECT_EQ(notices, 1);
}

TEST_F(AccountInformationClientTest, ABadCountryRulesDownloadKeepsTheFileInUse)
{
    const QByteArray rules = resourceCountryFile();
    QFile file(countryFilePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(rules);
    file.close();
    ASSERT_EQ(LoadCountry2013FileAtPath(QFile::encodeName(countryFilePath()).constData()), 1);
    UserDefaults::standardUserDefaults().setInteger(7, QVCountryFileVersionDefaultsKey);
    for (const QByteArray &bad : {QByteArray("<html>Service Unavailable</html>"), rules.left(rules.size() / 2 + 7)}) {
        server.setCountryRules(bad, "9");
        client->countryFileForVersion(7);
        EXPECT_FALSE(client->lastErrorDescription().isEmpty());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), rules);
        file.close();
        EXPECT_EQ(UserDefaults::standardUserDefaults().integerForKey(QVCountryFileVersionDefaultsKey), 7);
        EXPECT_FALSE(QFile::exists(countryFilePath() + QStringLiteral(".download")));
        // The engine still knows its countries.
        EXPECT_TRUE(GetCountryInfoForCountryName("Canada"));
    }
    // A reply that is not XML: nothing changes, the parser's reason is kept.
    server.http().setReply(kCountryRulesPath, ScriptedReply::text(200, "not xml <"));
    client->countryFileForVersion(7);
    EXPECT_FALSE(client->lastErrorDescription().isEmpty());
}

TEST_F(AccountInformationClientTest, InsuranceAgreementIsSentAndHeld)
{
    server.setAccountElements("<Status>0</Status><InsuranceAgreement>FALSE</InsuranceAgreement>");
    ASSERT_TRUE(client->refresh());
    EXPECT_FALSE(client->insuranceAgreement());
    client->agreeToInsuranceForAccount(QStringLiteral("1234567"), QStringLiteral("pw"));
    const auto document = server.lastDocument(kInsuranceAgreementPath);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->name, QStringLiteral("InsuranceAgreementConfirmation"));
    EXPECT_EQ(document->childText(QStringLiteral("AccountNumber")), QStringLiteral("1234567"));
    EXPECT_EQ(document->childText(QStringLiteral("WebPassword")), QStringLiteral("pw"));
    EXPECT_TRUE(client->insuranceAgreement());
    ASSERT_TRUE(client->refresh());
    EXPECT_TRUE(client->insuranceAgreement());
}

} // namespace
