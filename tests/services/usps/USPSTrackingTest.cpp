// Tracking through QVUSPSCommandCenter against the fake Web Tools server:
// the summary and the detailed request (sent as "TrackV2"), batches up to
// the template's limit, the prepared request of the batch window, and the
// delivery status of a tracking event.
#include "model/QVShipment.h"

#include "ConsoleCapture.h"
#include "USPSWebToolsTestSupport.h"

using namespace tolvane::test;

namespace {

using USPSTrackingTest = USPSWebToolsFixture;

const QByteArray kTrackReply =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TrackResponse><TrackInfo ID=\"EJ958083578US\">"
    "<TrackSummary><EventTime>9:24 pm</EventTime><Event>DELIVERED</Event></TrackSummary>"
    "<TrackDetail><Event>ARRIVAL AT UNIT</Event></TrackDetail></TrackInfo></TrackResponse>";

TEST_F(USPSTrackingTest, OneNumberGoesOutAsTheSummaryOrTheDetailedRequest)
{
    server.setReply("TrackV2", kTrackReply);
    const auto summary = client->trackResponseForID(QStringLiteral("EJ958083578US"));
    ASSERT_TRUE(summary);
    EXPECT_EQ(server.lastReceived()->api, QByteArray("TrackV2"));
    EXPECT_EQ(server.lastReceived()->document.name, QStringLiteral("TrackRequest"));

    const auto detailed = client->trackFieldResponseForID(QStringLiteral("EJ958083578US"));
    ASSERT_TRUE(detailed);
    // The detailed request travels under the summary's API name.
    EXPECT_TRUE(server.lastReceived()->request.body.startsWith("API=TrackV2&XML="));
    EXPECT_EQ(server.lastReceived()->document.name, QStringLiteral("TrackFieldRequest"));
    const XmlElement *id = server.lastReceived()->document.find(QStringLiteral("TrackID"));
    ASSERT_TRUE(id);
    EXPECT_EQ(id->attributes.value(QStringLiteral("ID")), QStringLiteral("EJ958083578US"));
    EXPECT_EQ(uspsValueForKeyPath(*detailed, QStringLiteral("TrackResponse.TrackInfo.TrackSummary.Event")),
              QVariant(QStringLiteral("DELIVERED")));
}

TEST_F(USPSTrackingTest, BatchesAreLimitedByTheTemplate)
{
    server.setReply("TrackV2", kTrackReply);
    QStringList numbers;
    for (int i = 0; i < 10; ++i)
        numbers << QStringLiteral("94001%1").arg(i);
    ASSERT_TRUE(client->trackFieldResponseForIDs(numbers));
    EXPECT_EQ(server.lastReceived()->document.childCount(QStringLiteral("TrackID")), 10);

    const HttpRequest ten = client->URLRequestForTrackFieldAPIWithIDs(numbers);
    EXPECT_TRUE(ten.body.startsWith("API=TrackV2&XML="));
    EXPECT_EQ(ten.method, QByteArray("POST"));
    EXPECT_EQ(ten.url.toString(), QStringLiteral("http://%1/ShippingAPI.dll").arg(server.host()));

    numbers << QStringLiteral("eleventh");
    ConsoleCapture console;
    const int before = server.receivedCount();
    EXPECT_FALSE(client->trackFieldResponseForIDs(numbers));
    EXPECT_EQ(server.receivedCount(), before);
    const HttpRequest eleven = client->URLRequestForTrackFieldAPIWithIDs(numbers);
    EXPECT_TRUE(eleven.body.isEmpty());
    EXPECT_EQ(eleven.url.toString(), QStringLiteral("http://%1/ShippingAPI.dll").arg(server.host()));
    EXPECT_TRUE(console.lines().contains(QStringLiteral("too many API body requests for TrackV2Field")));
}

TEST_F(USPSTrackingTest, AUSPSErrorIsPartOfTheReply)
{
    server.setReply(
        "TrackV2",
        "<TrackResponse><TrackInfo ID=\"X\"><Error><Number>-2147219283</Number>"
        "<Description>A status update is not yet available.</Description></Error></TrackInfo></TrackResponse>");
    const auto reply = client->trackFieldResponseForID(QStringLiteral("X"));
    ASSERT_TRUE(reply);
    EXPECT_EQ(uspsValueForKeyPath(*reply, QStringLiteral("TrackResponse.TrackInfo.Error.Description")),
              QVariant(QStringLiteral("A status update is not yet available.")));
}

TEST_F(USPSTrackingTest, EventsMapToDeliveryStatuses)
{
    struct Case {
        const char *event;
        const QString &status;
    } cases[] = {
        {"DELIVERED", QVShipmentDeliveredStatus},
        {"Delivered", QVShipmentDeliveredStatus},
        {"delivered abroad", QVShipmentDeliveredStatus},
        {"Undeliverable as Addressed", QVShipmentDeliveryExceptionStatus},
        {"Delivered, In/At Mailbox", QVShipmentUndeliveredStatus},
        {" DELIVERED", QVShipmentUndeliveredStatus},
        {"Arrival at Unit", QVShipmentUndeliveredStatus},
        {"", QVShipmentUndeliveredStatus},
    };
    for (const Case &c : cases)
        EXPECT_EQ(QVUSPSCommandCenter::deliveryStatusForTrackEvent(QString::fromUtf8(c.event)), c.status) << c.event;
}

} // namespace
