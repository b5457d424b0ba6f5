// The mailing log as the clients and the shell reach it: before the log is
// registered it finds nothing and refuses writes; a registered log answers
// (the in-memory fake that the callers' tests use: newest match first).
#include "model/MailingLogServices.h"
#include "model/QVShipment.h"

#include "FakeMailingLog.h"

#include <gtest/gtest.h>

TEST(MailingLogServicesTest, WithoutALogNothingIsFoundAndNothingIsWritten)
{
    setMailingLog(nullptr);
    const auto log = sharedMailingLog();
    QVShipment shipment;
    shipment.setObject(QStringLiteral("9400111899223344556677"), QVUSPSShipmentPICKey);
    EXPECT_FALSE(log->writeShipmentToLog(shipment));
    EXPECT_EQ(log->itemsInLog(), 0u);
    EXPECT_FALSE(log->lastShipment());
    EXPECT_FALSE(log->shipmentAtIndex(0));
    EXPECT_FALSE(log->indexForPIC(QStringLiteral("9400111899223344556677")));
    EXPECT_TRUE(log->trackShipmentAtIndex(0));
}

TEST(MailingLogServicesTest, ARegisteredLogIsAnsweredAndFindsTheNewestMatch)
{
    auto fake = std::make_shared<tolvane::test::FakeMailingLog>();
    setMailingLog(fake);
    const struct {
        const char *pic;
        const char *customs;
    } pieces[] = {{"9400111899223344556677", ""}, {"", "CP123456789US"}, {"9400111899223344556677", ""}};
    for (const auto &piece : pieces) {
        QVShipment shipment;
        shipment.setObject(QString::fromLatin1(piece.pic), QVUSPSShipmentPICKey);
        shipment.setObject(QString::fromLatin1(piece.customs), QVUSPSShipmentCustomsBarcodeNumberKey);
        ASSERT_TRUE(sharedMailingLog()->writeShipmentToLog(shipment));
    }
    EXPECT_EQ(sharedMailingLog()->itemsInLog(), 3u);
    EXPECT_EQ(sharedMailingLog()->indexForPIC(QStringLiteral("9400111899223344556677")), 2u);
    EXPECT_EQ(sharedMailingLog()->indexForPIC(QStringLiteral("CP123456789US")), 1u);
    EXPECT_FALSE(sharedMailingLog()->indexForPIC(QString()));
    ASSERT_TRUE(sharedMailingLog()->shipmentAtIndex(1));
    EXPECT_EQ(sharedMailingLog()->shipmentAtIndex(1)->objectForKey(QVUSPSShipmentCustomsBarcodeNumberKey).toString(),
              QStringLiteral("CP123456789US"));
    setMailingLog(nullptr);
    EXPECT_EQ(sharedMailingLog()->itemsInLog(), 0u);
}
