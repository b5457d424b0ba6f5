#include "MailingLogTestSupport.h"

#include "DamagedMailingLogs.h"
#include "RecordingDialogs.h"
#include "TestSupport.h"
#include "mailinglog/MailingLogRegistration.h"
#include "model/MailingLogServices.h"

#include <QFile>
#include <QFileInfo>

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

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QVShipment pieceNumbered(const QString &pic) { return QVShipment(QVariantMap{{QVUSPSShipmentPICKey, pic}}); }

QStringList loggedPICs(const QString &path)
{
    QStringList pics;
    const auto log = QVMailingLog::logWithPath(path);
    for (qsizetype i = 0; log && i < log->itemsInLog(); ++i)
        pics << log->shipmentAtIndex(i)->objectForKey(QVUSPSShipmentPICKey).toString();
    return pics;
}

class MailingLogPendingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QVMailingLog::resetSharedMailingLog();
        QFile::remove(logFile);
        QFile::remove(pendingFile);
        registerMailingLog();
    }
    void TearDown() override
    {
        setMailingLog(nullptr);
        QVMailingLog::resetSharedMailingLog();
        QDir(logFile).removeRecursively();
        QFile::remove(logFile);
        QFile::remove(pendingFile);
    }
    const QString logFile = QDir(supportDir()).filePath(QVMailingLogFileName);
    const QString pendingFile = QDir(supportDir()).filePath(QVMailingLogPendingFileName);
    DialogsScope dialogs;
};

} // namespace

// Each damaged log file: no log, the user told once, the file untouched, no
// entry taken; an entry kept aside meanwhile goes into the log once the file
// can be read again.
TEST_F(MailingLogPendingTest, ADamagedLogIsLeftAsItIsAndSaidOnce)
{
    for (const DamagedMailingLog &damaged : damagedMailingLogs()) {
        SCOPED_TRACE(qPrintable(damaged.name));
        QVMailingLog::resetSharedMailingLog();
        registerMailingLog();
        dialogs->alerts.clear();
        QFile::remove(pendingFile);
        writeBytes(logFile, damaged.content);
        const auto services = sharedMailingLog();

        EXPECT_EQ(services->itemsInLog(), 0u);
        EXPECT_EQ(services->lastShipment(), nullptr);
        EXPECT_FALSE(services->canWriteToLog());
        EXPECT_FALSE(services->writeShipmentToLog(pieceNumbered(QStringLiteral("9400100000000000000017"))));
        EXPECT_EQ(services->itemsInLog(), 0u);
        ASSERT_EQ(dialogs->alerts.size(), 1);
        EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("The mailing log could not be read."));
        EXPECT_EQ(fileBytes(logFile), damaged.content);

        // A paid piece's entry waits beside the log, which stays untouched.
        ASSERT_TRUE(services->keepShipmentForLog(pieceNumbered(QStringLiteral("9400100000000000000024"))));
        EXPECT_EQ(fileBytes(logFile), damaged.content);
        EXPECT_TRUE(QFileInfo::exists(pendingFile));
    }
    // The damaged file moved away: the next request reads a new log with the
    // waiting entry, written to its file; the waiting file is gone.
    ASSERT_TRUE(QFile::remove(logFile));
    EXPECT_EQ(sharedMailingLog()->itemsInLog(), 1u);
    EXPECT_EQ(loggedPICs(logFile), QStringList{QStringLiteral("9400100000000000000024")});
    EXPECT_FALSE(QFileInfo::exists(pendingFile));
    EXPECT_TRUE(sharedMailingLog()->canWriteToLog());
}

// A log that cannot be written (here its file's place is taken by a folder,
// as a full disk refuses the write): the refused entry is kept beside it,
// and goes into the log at its next write, or at its next reading after a
// restart.
TEST_F(MailingLogPendingTest, ARefusedEntryWaitsBesideTheLogUntilItsNextChance)
{
    const auto services = sharedMailingLog();
    ASSERT_TRUE(services->writeShipmentToLog(pieceNumbered(QStringLiteral("A"))));

    for (const bool restart : {false, true}) {
        SCOPED_TRACE(restart ? "restart" : "next write");
        const QByteArray before = fileBytes(logFile);
        ASSERT_TRUE(QFile::remove(logFile));
        ASSERT_TRUE(QDir().mkpath(logFile));
        EXPECT_TRUE(services->canWriteToLog());
        const QVShipment refused = pieceNumbered(restart ? QStringLiteral("C") : QStringLiteral("B"));
        EXPECT_FALSE(services->writeShipmentToLog(refused));
        ASSERT_TRUE(services->keepShipmentForLog(refused));
        ASSERT_TRUE(QFileInfo::exists(pendingFile));
        // The disk has room again.
        ASSERT_TRUE(QDir(logFile).removeRecursively());
        if (restart) {
            writeBytes(logFile, before);
            QVMailingLog::resetSharedMailingLog();
            EXPECT_EQ(services->itemsInLog(), 4u);
            EXPECT_EQ(
                loggedPICs(logFile),
                (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("B2"), QStringLiteral("C")}));
        } else {
            ASSERT_TRUE(services->writeShipmentToLog(pieceNumbered(QStringLiteral("B2"))));
            EXPECT_EQ(loggedPICs(logFile),
                      (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("B2")}));
        }
        EXPECT_FALSE(QFileInfo::exists(pendingFile));
    }
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

// A waiting file that cannot be read is never overwritten: nothing more is
// kept in it, and the log leaves it alone.
TEST_F(MailingLogPendingTest, AnUnreadableWaitingFileIsLeftAsItIs)
{
    const QByteArray damaged = damagedMailingLogs().first().content;
    writeBytes(pendingFile, damaged);
    const auto services = sharedMailingLog();
    ASSERT_TRUE(services->writeShipmentToLog(pieceNumbered(QStringLiteral("A"))));
    EXPECT_FALSE(services->keepShipmentForLog(pieceNumbered(QStringLiteral("B"))));
    EXPECT_EQ(fileBytes(pendingFile), damaged);
    EXPECT_EQ(loggedPICs(logFile), QStringList{QStringLiteral("A")});
}
