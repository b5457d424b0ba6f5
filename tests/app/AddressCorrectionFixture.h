#pragma once
// A main-window controller test whose controller uses the real
// address-correction client against the fake address-correction service
// (reached through the label server's host, with a signed-in account).
#include "app/mainwindow/MasterControllerWiring.h"
#include "platform/HttpClient.h"
#include "services/QVCommandCenter.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/usps/QVGLZCommandCenter.h"

#include "FakeAddressCorrectionServer.h"
#include "MasterControllerFixture.h"

namespace master_test {

class AddressCorrectionTest : public MasterControllerTest
{
protected:
    class Account final : public QVPostageServerAccount
    {
    public:
        QString userid() override { return QStringLiteral("1234567"); }
        QString password() override { return QStringLiteral("secret"); }
        bool testServer() override { return false; }
        QString websiteServerName() override { return QString(); }
    };

    // Points the client at the fake service; call before start().
    void useAddressCorrectionService()
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        QVGLZCommandCenter::setGLZAPIForTesting(std::nullopt);
        setHttpCAFile(tolvane::test::LocalHttpServer::testCertificateAuthorityFile());
        setPostageServerAccount(std::make_shared<Account>());
        ASSERT_TRUE(service.isListening());
        defaults().setString(service.host(), QVLabelServiceServerDefaultsKey);
        defaults().setString(QStringLiteral("7654321"), QVTolvaneUserDefaultsKey);
        QVGLZCommandCenter::commandCenter()->setRequestTimeoutMilliseconds(10000);
        addressCorrection = makeMasterAddressCorrection();
    }
    void TearDown() override
    {
        controller.reset();
        setPostageServerAccount(nullptr);
        setHttpCAFile(QString());
        QVCommandCenter::resetSharedInstancesForTesting();
        MasterControllerTest::TearDown();
    }

    tolvane::test::FakeAddressCorrectionServer service;
};

} // namespace master_test
