#pragma once
// Shared set-up of the USPS Web Tools tests: the fake Web Tools servers
// (plain and HTTPS, with the test CA) named by the host settings, and fresh
// defaults, template list and client around every test.
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "services/QVCommandCenter.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include "FakeUSPSWebToolsServer.h"
#include "LocalHttpServer.h"

#include <gtest/gtest.h>

namespace tolvane::test {

class USPSWebToolsFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
        QVUSPSAPI::setAPIDictionaryForTesting(std::nullopt);
        setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
        ASSERT_TRUE(server.isListening());
        UserDefaults &defaults = UserDefaults::standardUserDefaults();
        defaults.setString(server.host(), QVUSPSWebToolsServerDefaultsKey);
        defaults.setString(server.secureHost(), QVUSPSWebToolsSecureServerDefaultsKey);
        client = QVUSPSCommandCenter::commandCenter();
        client->setRequestTimeoutMilliseconds(10000);
    }
    void TearDown() override
    {
        QVUSPSAPI::setAPIDictionaryForTesting(std::nullopt);
        setHttpCAFile(QString());
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
    }

    // The text of the request element's child, as the server read it.
    QString sent(const QString &element) const
    {
        const auto last = server.lastReceived();
        if (!last)
            return QStringLiteral("<no request>");
        const XmlElement *found = last->document.find(element);
        return found ? found->text : QStringLiteral("<missing>");
    }

    FakeUSPSWebToolsServer server;
    std::shared_ptr<QVUSPSCommandCenter> client;
};

} // namespace tolvane::test
