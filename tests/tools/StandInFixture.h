#pragma once
// The stand-in servers of make run on loopback with the program's clients
// pointed at them, for the stand-ins' tests: the servers' settings in fresh
// user defaults, their certificate authority trusted, and the postage client
// signed in to the demo account.
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "services/QVRHOCommandCenter.h"

#include "StandInServers.h"
#include "StandInVendor.h"

#include <gtest/gtest.h>

#include <memory>

namespace tolvane::test {

class StandInFixture : public ::testing::Test
{
protected:
    explicit StandInFixture(bool controlRoad = true) : servers(StandInServers::Options{controlRoad}) {}

    void SetUp() override
    {
        ASSERT_TRUE(servers.isReady()) << servers.errorString().toStdString();
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
        setHttpCAFile(servers.certificateAuthorityFile());
        UserDefaults &defaults = UserDefaults::standardUserDefaults();
        const QVariantMap settings = servers.settings();
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            defaults.setObject(it.value(), it.key());
        postage = QVRHOCommandCenter::commandCenter();
        postage->setRequestTimeoutMilliseconds(10000);
        postage->setUseridAndPassword(StandInServers::demoAccountNumber(), StandInServers::demoPassPhrase());
    }
    void TearDown() override
    {
        setHttpCAFile(QString());
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
    }

    // The demo account as the stand-in vendor keeps it.
    StandInVendor::Account demo() const
    {
        const auto account =
            const_cast<StandInServers &>(servers).vendor().account(StandInServers::demoAccountNumber().toLatin1());
        return account.value_or(StandInVendor::Account{});
    }

    StandInServers servers;
    std::shared_ptr<QVRHOCommandCenter> postage;
};

} // namespace tolvane::test
