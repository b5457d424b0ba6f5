#include "MailingLogTestSupport.h"

#include "TestSupport.h"
#include "mailinglog/MailingLogRegistration.h"
#include "model/MailingLogServices.h"

#include <QFile>

using namespace tolvane::test;

TEST(MailingLogRegistration, ClientsReachTheSharedLog)
{
    QVMailingLog::resetSharedMailingLog();
    const QString file = QDir(supportDir()).filePath(QVMailingLogFileName);
    QFile::remove(file);
    registerMailingLog();
    const std::shared_ptr<QVMailingLogServices> services = sharedMailingLog();
    QVShipment piece(QVariantMap{{QVUSPSShipmentPICKey, QStringLiteral("4206270192055000000000000012")}});
    ASSERT_TRUE(services->writeShipmentToLog(piece));
    EXPECT_EQ(services->itemsInLog(), 1u);
    EXPECT_EQ(QVMailingLog::sharedMailingLog()->itemsInLog(), 1);
    EXPECT_EQ(services->indexForPIC(QStringLiteral("92055000000000000012")), 0u);
    EXPECT_EQ(services->sortedIndexForPIC(QStringLiteral("92055000000000000012")), std::nullopt);
    services->setVoidStatus(1, piece);
    EXPECT_TRUE(services->lastShipment()->objectForKey(QVShipmentVoidKey).toBool());
    EXPECT_TRUE(QVMailingLog::logWithPath(file)->shipmentAtIndex(0)->objectForKey(QVShipmentVoidKey).toBool());

    // A file that cannot be read: no log, every write fails, nothing is lost.
    QVMailingLog::resetSharedMailingLog();
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write("not a property list");
    out.close();
    EXPECT_EQ(services->itemsInLog(), 0u);
    EXPECT_FALSE(services->writeShipmentToLog(piece));
    EXPECT_TRUE(services->trackShipmentAtIndex(0).has_value());
    setMailingLog(nullptr);
    QVMailingLog::resetSharedMailingLog();
    QFile::remove(file);
}
