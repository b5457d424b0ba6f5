// The mailing log tracks its pieces through the USPS Web Tools client once
// the application registered it: the detailed request goes to the fake Web
// Tools server under "TrackV2", a delivered piece is marked delivered, and a
// failure comes back as the client's reason.
#include "app/shell/USPSTrackingRegistration.h"
#include "platform/UserDefaults.h"
#include "services/QVCommandCenter.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include "FakeUSPSWebToolsServer.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace tolvane::test;

TEST(USPSTrackingRegistration, TheLogTracksThroughUSPSWebTools)
{
    QVCommandCenter::resetSharedInstancesForTesting();
    UserDefaults::resetStandardUserDefaults();
    FakeUSPSWebToolsServer server;
    ASSERT_TRUE(server.isListening());
    UserDefaults::standardUserDefaults().setString(server.host(), QVUSPSWebToolsServerDefaultsKey);
    registerUSPSTrackingClient();

    const QString path = QDir(supportDir()).filePath(QStringLiteral("tracked-log.plist"));
    QFile::remove(path);
    auto log = QVMailingLog::logWithPath(path);
    ASSERT_TRUE(log);
    QVShipment piece(QVariantMap{{QVUSPSShipmentPICKey, QStringLiteral("9400111899223197428490")}});
    ASSERT_TRUE(log->writeShipmentToLog(piece));

    server.setReply("TrackV2",
                    "<TrackResponse><TrackInfo ID=\"9400111899223197428490\"><TrackSummary>"
                    "<Event>Delivered</Event></TrackSummary></TrackInfo></TrackResponse>");
    EXPECT_EQ(log->trackShipmentAtIndex(0), std::nullopt);
    ASSERT_TRUE(server.lastReceived());
    EXPECT_TRUE(server.lastReceived()->request.body.startsWith("API=TrackV2&XML="));
    EXPECT_EQ(server.lastReceived()->document.name, QStringLiteral("TrackFieldRequest"));
    EXPECT_EQ(log->shipmentAtIndex(0)->objectForKey(QVShipmentDeliveryStatusKey), QVariant(QVShipmentDeliveredStatus));

    QVShipment other(QVariantMap{{QVUSPSShipmentPICKey, QStringLiteral("9400111899223197428491")}});
    ASSERT_TRUE(log->writeShipmentToLog(other));
    server.setReply("TrackV2", "<TrackResponse><TrackInfo>");
    const auto failure = log->trackShipmentAtIndex(1);
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->startsWith(QStringLiteral("Unable to parse string as XML content"))) << failure->toStdString();

    QVMailingLog::setTrackingClient(nullptr);
    QFile::remove(path);
    UserDefaults::resetStandardUserDefaults();
    QVCommandCenter::resetSharedInstancesForTesting();
}
