// The running program's answers to the delegate: the address-correction host
// whose reachability decides the start, the host its client sends to.
#include "app/shell/ApplicationWiring.h"

#include "platform/UserDefaults.h"
#include "services/QVCommandCenter.h"

#include <gtest/gtest.h>

TEST(ApplicationWiring, AddressCorrectionHostIsTheHostItsClientSendsTo)
{
    struct Case {
        bool olderRoute;
        QString glzServer;
        QString labelServer;
        QString host;
    };
    const Case cases[] = {
        {false, QString(), QString(), QString()},
        {false, QStringLiteral("glz.example.test"), QStringLiteral("labels.example.test"),
         QStringLiteral("labels.example.test")},
        {false, QString(), QStringLiteral(" 127.0.0.1:8443 "), QStringLiteral("127.0.0.1")},
        {true, QStringLiteral("https://glz.example.test/isapi"), QStringLiteral("labels.example.test"),
         QStringLiteral("glz.example.test")},
        {true, QStringLiteral("[::1]:9000"), QString(), QStringLiteral("::1")},
        {true, QString(), QStringLiteral("labels.example.test"), QString()},
    };
    for (const Case &c : cases) {
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults &defaults = UserDefaults::standardUserDefaults();
        defaults.setBool(c.olderRoute, QStringLiteral("glzUseV1"));
        if (!c.glzServer.isNull())
            defaults.setString(c.glzServer, QStringLiteral("glzServerAddress"));
        if (!c.labelServer.isNull())
            defaults.setString(c.labelServer, QStringLiteral("labelServiceServer"));
        EXPECT_EQ(addressCorrectionServiceHost(), c.host)
            << c.glzServer.toStdString() << " " << c.labelServer.toStdString();
    }
    QVCommandCenter::resetSharedInstancesForTesting();
    UserDefaults::resetStandardUserDefaults();
}
