// The running program's answers to the delegate: the address-correction host
// whose reachability decides the start, read from its setting.
#include "app/ApplicationWiring.h"

#include "platform/UserDefaults.h"

#include <gtest/gtest.h>

TEST(ApplicationWiring, AddressCorrectionHostFromItsSetting)
{
    struct Case {
        QString setting;
        QString host;
    };
    const Case cases[] = {
        {QString(), QString()},
        {QStringLiteral("glz.example.test"), QStringLiteral("glz.example.test")},
        {QStringLiteral(" 127.0.0.1:8443 "), QStringLiteral("127.0.0.1")},
        {QStringLiteral("https://glz.example.test/isapi"), QStringLiteral("glz.example.test")},
        {QStringLiteral("[::1]:9000"), QStringLiteral("::1")},
    };
    for (const Case &c : cases) {
        UserDefaults::resetStandardUserDefaults();
        if (!c.setting.isNull())
            UserDefaults::standardUserDefaults().setString(c.setting, QStringLiteral("glzServerAddress"));
        EXPECT_EQ(addressCorrectionServiceHost(), c.host) << c.setting.toStdString();
    }
    UserDefaults::resetStandardUserDefaults();
}
