#pragma once
// Shared set-up of the label-server tests: a postage account to read the
// user id and pass phrase from, the fake label server on HTTPS with the test
// CA, and fresh defaults and client instances around every test.
#include "model/QVShipment.h"
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "services/QVCommandCenter.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOLabelServerCommandCenter.h"

#include "FakeLabelServers.h"
#include "LocalHttpServer.h"

#include <QDate>
#include <gtest/gtest.h>

namespace tolvane::test {

class FakePostageAccount : public QVPostageServerAccount
{
public:
    QString userid() override { return account; }
    QString password() override { return passPhrase; }
    bool testServer() override { return test; }
    QString websiteServerName() override { return website; }

    QString account = QStringLiteral("1234567");
    QString passPhrase = QStringLiteral("Sesame & <Open> \"Now\"");
    bool test = false;
    QString website;
};

class LabelServerFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
        setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
        account = std::make_shared<FakePostageAccount>();
        setPostageServerAccount(account);
        ASSERT_TRUE(server.isListening());
        account->website = server.host();
        UserDefaults::standardUserDefaults().setString(server.host(), QVLabelServiceServerDefaultsKey);
        client = QVRHOLabelServerCommandCenter::commandCenter();
        client->setRequestTimeoutMilliseconds(10000);
    }
    void TearDown() override
    {
        setPostageServerAccount(nullptr);
        setHttpCAFile(QString());
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
    }

    FakeLabelServer server;
    std::shared_ptr<FakePostageAccount> account;
    std::shared_ptr<QVRHOLabelServerCommandCenter> client;
};

inline QVariantMap addressMap(std::initializer_list<std::pair<QString, QVariant>> fields)
{
    QVariantMap map;
    for (const auto &[key, value] : fields)
        map.insert(key, value);
    return map;
}

// A domestic Priority Mail parcel of 2 lb from Springfield to Portland.
inline QVariantMap domesticShipmentDictionary()
{
    return {
        {QVShipmentFromAddressKey,
         addressMap({{QVAddressNameKey, QStringLiteral("Ann Sender")},
                     {QVAddressStreetKey, QStringLiteral("1 Main St")},
                     {QVAddressCityKey, QStringLiteral("O'Fallon")},
                     {QVAddressStateKey, QStringLiteral("mo")},
                     {QVAddressZIP5Key, QStringLiteral("63366")},
                     {QVAddressPhoneKey, QStringLiteral("(555) 123-4567")},
                     {QVAddressEmailKey, QStringLiteral("ann@example.com")}})},
        {QVShipmentToAddressKey,
         addressMap({{QVAddressNameKey, QStringLiteral("Bob Receiver")},
                     {QVAddressStreetKey, QStringLiteral("22 Elm Ave")},
                     {QVAddressSuiteAptKey, QStringLiteral("Apt 3")},
                     {QVAddressCityKey, QStringLiteral("Portland")},
                     {QVAddressStateKey, QStringLiteral("OR")},
                     {QVAddressZIP5Key, QStringLiteral("97201")},
                     {QVAddressZIP4Key, QStringLiteral("1234")},
                     {QVAddressZIP2Key, QStringLiteral("056")},
                     {QVAddressPhoneKey, QStringLiteral("555 987 6543")}})},
        {QVShipmentShipDateKey, QDateTime(QDate::currentDate().addDays(2), QTime(12, 0))},
        {QStringLiteral("QVUSPSShipmentRateClassKey"), QStringLiteral("QVUSPSPriorityMail")},
        {QStringLiteral("QVUSPSShipmentSizeKey"), QStringLiteral("QVUSPSRegularSize")},
        {QVShipmentWeightNumberKey, QStringLiteral("2")},
        {QVShipmentWeightUnitKey, QStringLiteral("lb")},
        {QStringLiteral("QVUSPSShipmentPostageEnabledKey"), true},
        {QStringLiteral("QVUSPSShipmentMailedFromZIP5Key"), QStringLiteral("63366")},
        {QVShipmentValueKey, QStringLiteral("25")},
    };
}

} // namespace tolvane::test
