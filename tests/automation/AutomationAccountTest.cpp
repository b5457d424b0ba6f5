// The automation's postage account over the program's postage-server client,
// against the stand-in postage server: a purchase document buys the exact
// mils, logs the purchase record and answers the server's balance.
#include "AutomationFakes.h"
#include "FakePostageServer.h"

#include "model/XMLConversion.h"
#include "platform/Credentials.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOCommandCenter.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

TEST(AutomationAccountTest, APurchaseDocumentBuysFromThePostageServerAndLogsTheRecord)
{
    FakePostageServer server;
    ASSERT_TRUE(server.isReady()) << server.errorString().toStdString();
    server.setAccount("1234567", "open sesame");
    server.http().setReply(QVRHOReceiptPath.toLatin1(), ScriptedReply::text(200, "OK"));
    FakePostageReply bought;
    bought.serialNumber = 4711;
    bought.descendingRegister = 1234560;
    constexpr int BuyWire = 27;
    server.queueReplies(BuyWire, {bought});
    setCredentialStore(std::make_shared<InMemoryCredentialStore>());
    const auto client = QVRHOCommandCenter::commandCenter();
    client->setServer(server.baseUrl());
    client->setUseridAndPassword(QStringLiteral("1234567"), QStringLiteral("open sesame"));
    client->setServerModulus(FakePostageServer::modulusHex());
    client->setRequestTimeoutMilliseconds(10000);

    AutomationWorld world;
    QVPackageEnvironment environment;
    environment.window = [&world] { return std::static_pointer_cast<QVMainWindowHost>(world.window); };
    environment.delegate = [&world] { return std::static_pointer_cast<QVPrintFlowHost>(world.delegate); };
    QVGlimraAutomation automation(environment, QVAutomationAccount::program());
    const std::optional<QString> reply =
        automation.processXML(QStringLiteral("<Glimra><Purchase><Amount>25.50</Amount></Purchase></Glimra>"));
    ASSERT_TRUE(reply.has_value());
    EXPECT_TRUE(client->waitForReceipts(10000));

    QList<qint32> mils;
    for (const FakePostageRequest &request : server.requests())
        if (request.wireType == BuyWire)
            mils << request.amountMils;
    EXPECT_EQ(mils, QList<qint32>{25500});
    const QVariantMap purchase = rho_propertyListFromXMLFormat(*reply)
                                     .value(QStringLiteral("Glimra"))
                                     .toMap()
                                     .value(QStringLiteral("Purchase"))
                                     .toMap();
    EXPECT_EQ(purchase.value(QStringLiteral("Status")).toString(), QStringLiteral("Success"));
    EXPECT_TRUE(purchase.value(QStringLiteral("Balance")).toString().startsWith(QStringLiteral("1234.56")))
        << reply->toStdString();
    ASSERT_EQ(world.log->records.size(), 1);
    const QVariantMap record = world.log->records.first();
    EXPECT_EQ(record.value(QVUSPSShipmentRHOAccountKey).toLongLong(), 4711);
    EXPECT_EQ(record.value(QVShipmentPriceKey).toString(), QStringLiteral("25.50"));
    EXPECT_TRUE(record.value(QVUSPSShipmentRHODeviceIDKey).toString().endsWith(QStringLiteral("00004711")));

    QVCommandCenter::resetSharedInstancesForTesting();
    setCredentialStore(nullptr);
}
