// The XML automation as the clients and the shell reach it: before it is
// registered every request is refused; a registered automation gets them.
#include "platform/AutomationServices.h"

#include "RecordingAutomation.h"

#include <gtest/gtest.h>

TEST(AutomationServicesTest, WithoutAutomationEveryRequestIsRefused)
{
    setAutomationServices(nullptr);
    const auto automation = automationServices();
    EXPECT_FALSE(automation->callbackPairs({{QStringLiteral("Status"), QStringLiteral("Success")}},
                                           QStringLiteral("http://127.0.0.1:1/cb"), QStringLiteral("GET")));
    EXPECT_FALSE(automation->processXMLCommandDictionary({{QStringLiteral("Glimra"), QVariantMap()}}));
    EXPECT_FALSE(automation->processXMLFileAtURL(QUrl::fromLocalFile(QStringLiteral("/nonexistent.xml"))));
    EXPECT_FALSE(automation->processPackage({}));
}

TEST(AutomationServicesTest, ARegisteredAutomationGetsTheRequests)
{
    auto fake = std::make_shared<tolvane::test::RecordingAutomation>();
    setAutomationServices(fake);
    EXPECT_TRUE(automationServices()->callbackPairs({{QStringLiteral("Balance"), QStringLiteral("12.50")}},
                                                    QStringLiteral("http://127.0.0.1:1/cb"), QStringLiteral("POST")));
    EXPECT_TRUE(automationServices()->processPackage({{QStringLiteral("ToZip5"), QStringLiteral("94107")}}));
    ASSERT_EQ(fake->callbacks.size(), 1);
    EXPECT_EQ(fake->callbacks.at(0).method, QStringLiteral("POST"));
    ASSERT_EQ(fake->packages.size(), 1);
    setAutomationServices(nullptr);
    EXPECT_NE(automationServices(), fake);
}
