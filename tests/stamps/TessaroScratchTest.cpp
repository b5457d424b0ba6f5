// Stamp scratch files and PDF copies: every stamp bought kept as a file
// named by its piece count (a second stamp of the same piece count never
// replaces the first), read back in buying order, damaged files skipped,
// and PDF copies removed only when more than three days old.
#include "stamps/TessaroScratch.h"

#include "platform/DurableFile.h"
#include "platform/PropertyList.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVRHOResponse.h"

#include "FakePostageServer.h"
#include "StampTestSupport.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

std::shared_ptr<QVRHOResponse> replyWithPiece(quint32 piece)
{
    FakePostageReply reply;
    reply.serialNumber = 1234567;
    reply.pieceCount = piece;
    return QVRHOResponse::responseWithData(reply.bytes());
}

std::shared_ptr<QVRHOStampIndiciumRequest> request(const char *postage, const std::optional<QString> &reference)
{
    auto stamp = QVRHOStampIndiciumRequest::stampRequestWithPostageAmount(Decimal::fromString(QLatin1String(postage)),
                                                                          QVUSPSFirstClassMail, 1, QVUSPSLetterSize);
    stamp->setReferenceID(reference);
    return stamp;
}

class TessaroScratchTest : public StampTest
{
protected:
    void SetUp() override
    {
        StampTest::SetUp();
        QDir(tessaro::pellmarkPath()).removeRecursively();
    }
    void TearDown() override
    {
        QDir(tessaro::pellmarkPath()).removeRecursively();
        StampTest::TearDown();
    }

    static void touch(const QString &path, qint64 ageSeconds, const QDateTime &now)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
        file.close();
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(now.addSecs(-ageSeconds), QFileDevice::FileModificationTime));
    }
};

} // namespace

TEST_F(TessaroScratchTest, FoldersLieInTheApplicationSupportFolder)
{
    EXPECT_EQ(tessaro::tessaroSubPath(), QStringLiteral("Pellmark/"));
    EXPECT_EQ(QFileInfo(tessaro::pellmarkPath()).fileName(), QStringLiteral("Pellmark"));
    EXPECT_EQ(QFileInfo(tessaro::scratchPath()).path(), tessaro::pellmarkPath());
    EXPECT_EQ(QFileInfo(tessaro::scratchPath()).fileName(), QStringLiteral("scratch"));
    EXPECT_TRUE(tessaro::pellmarkPath().startsWith(QString::fromLocal8Bit(qgetenv("TOLVANE_SUPPORT_DIR"))));
}

TEST_F(TessaroScratchTest, EveryPaidStampIsKeptAndReadBackInBuyingOrder)
{
    const struct {
        const char *postage;
        std::optional<QString> reference;
        quint32 piece;
    } stamps[] = {
        {"0.490", QStringLiteral("JOB-1"), 10},
        {"1.150", std::nullopt, 9},
        {"0.020", QStringLiteral("JOB-2"), 10}, // the same piece count again
        {"5.600", std::nullopt, 100},
    };
    for (const auto &stamp : stamps) {
        QString error;
        EXPECT_FALSE(
            tessaro::writeScratchFile(*request(stamp.postage, stamp.reference), *replyWithPiece(stamp.piece), &error)
                .isEmpty())
            << error.toStdString();
    }
    EXPECT_EQ(tessaro::scratchFileNames(),
              QStringList({QStringLiteral("9.tolvanestamp"), QStringLiteral("10 2.tolvanestamp"),
                           QStringLiteral("10.tolvanestamp"), QStringLiteral("100.tolvanestamp")}));

    const QList<tessaro::ScratchStamp> read = tessaro::readScratchFolder();
    ASSERT_EQ(read.size(), 4);
    const int expectedOrder[] = {1, 2, 0, 3};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const auto &stamp = stamps[expectedOrder[i]];
        EXPECT_EQ(read[i].request->postage(), Decimal::fromString(QLatin1String(stamp.postage)));
        EXPECT_EQ(read[i].request->referenceID(), stamp.reference);
        EXPECT_EQ(read[i].request->mailClass(), QVUSPSFirstClassMail);
        EXPECT_EQ(read[i].response->piececount(), stamp.piece);
        EXPECT_EQ(read[i].response->serialNumber(), 1234567u);
    }

    // The root is a dictionary of the request's and the reply's keyed forms.
    const auto root = readPropertyListFile(QDir(tessaro::scratchPath()).filePath(QStringLiteral("9.tolvanestamp")));
    ASSERT_TRUE(root);
    const QVariantMap archive = root->toMap();
    EXPECT_EQ(archive.value(QStringLiteral("request")).toMap().value(QStringLiteral("postageNumber")).toString(),
              QStringLiteral("1.15"));
    EXPECT_TRUE(archive.value(QStringLiteral("theResponse")).toMap().contains(QStringLiteral("rawBytes")));

    EXPECT_TRUE(tessaro::removeScratchFolder());
    EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
    EXPECT_TRUE(tessaro::readScratchFolder().isEmpty());
}

TEST_F(TessaroScratchTest, ScratchFilesAndTheirFolderAreSyncedToDisk)
{
    // A paid stamp's file survives a power loss: the file itself and the
    // folder's entry for it reach the disk, on writing, on marking its log
    // entry written and on setting it aside.
    QList<QPair<QString, bool>> synced;
    setSyncObserverForTesting([&synced](const QString &path, bool isFolder) {
        synced.append({QFileInfo(path).absoluteFilePath(), isFolder});
    });
    const QString scratch = QFileInfo(tessaro::scratchPath()).absoluteFilePath();
    const QString path = tessaro::writeScratchFile(*request("0.490", std::nullopt), *replyWithPiece(41), nullptr,
                                                   tessaro::ScratchLogEntry::Owed);
    ASSERT_FALSE(path.isEmpty());
    const QString file = QFileInfo(path).absoluteFilePath();
    EXPECT_EQ(synced, (QList<QPair<QString, bool>>{{file, false}, {scratch, true}}));

    synced.clear();
    EXPECT_TRUE(tessaro::markLogEntriesWritten({path}));
    EXPECT_EQ(synced, (QList<QPair<QString, bool>>{{file, false}, {scratch, true}}));

    synced.clear();
    const QString aside = tessaro::setAsideScratchFile(path);
    ASSERT_FALSE(aside.isEmpty());
    EXPECT_TRUE(synced.contains({QFileInfo(aside).absolutePath(), true}));
    EXPECT_TRUE(synced.contains({scratch, true}));
    setSyncObserverForTesting(nullptr);
}

TEST_F(TessaroScratchTest, DamagedFilesAreSkippedWhenRead)
{
    ASSERT_FALSE(tessaro::writeScratchFile(*request("0.490", std::nullopt), *replyWithPiece(7)).isEmpty());
    const QDir scratch(tessaro::scratchPath());
    const auto write = [&scratch](const QString &name, const QByteArray &bytes) {
        QFile file(scratch.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    };
    write(QStringLiteral("1.tolvanestamp"), "not a property list");
    write(QStringLiteral("2.tolvanestamp"),
          *writeBinaryPropertyList(QVariantMap{{QStringLiteral("request"), request("0.490", {})->encodeWithCoder()}}));
    write(QStringLiteral("3.tolvanestamp"), *writeBinaryPropertyList(QVariantList{1, 2}));
    write(QStringLiteral("4.tolvanestamp"),
          *writeBinaryPropertyList(QVariantMap{
              {QStringLiteral("request"), request("0.490", {})->encodeWithCoder()},
              {QStringLiteral("theResponse"), QVariantMap{{QStringLiteral("rawBytes"), QByteArray(10, 'x')}}}}));
    write(QStringLiteral("notes.txt"), "other files are not stamps");

    EXPECT_EQ(tessaro::scratchFileNames().size(), 5);
    QStringList unreadable;
    const QList<tessaro::ScratchStamp> read = tessaro::readScratchFolder(tessaro::scratchPath(), &unreadable);
    ASSERT_EQ(read.size(), 1);
    EXPECT_EQ(read[0].response->piececount(), 7u);
    EXPECT_EQ(unreadable,
              QStringList({scratch.filePath(QStringLiteral("1.tolvanestamp")),
                           scratch.filePath(QStringLiteral("2.tolvanestamp")),
                           scratch.filePath(QStringLiteral("3.tolvanestamp")),
                           scratch.filePath(QStringLiteral("4.tolvanestamp"))}));
    EXPECT_TRUE(tessaro::readScratchFolder(scratch.filePath(QStringLiteral("missing"))).isEmpty());
}

TEST_F(TessaroScratchTest, OnlyPdfCopiesOlderThanThreeDaysExpire)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDir pellmark(tessaro::pellmarkPath());
    const struct {
        const char *name;
        qint64 age;
        bool kept;
    } files[] = {
        {"100.pdf", 259200, true},
        {"101.pdf", 259201, false},
        {"102.pdf", 10, true},
        {"old/103.pdf", 400000, false},
        {"scratch/104.tolvanestamp", 9000000, true},
        {"105.txt", 9000000, true},
    };
    for (const auto &file : files)
        touch(pellmark.filePath(QLatin1String(file.name)), file.age, now);

    EXPECT_EQ(tessaro::expireOldPostage(now), 2);
    for (const auto &file : files)
        EXPECT_EQ(QFile::exists(pellmark.filePath(QLatin1String(file.name))), file.kept) << file.name;

    QDir(tessaro::pellmarkPath()).removeRecursively();
    EXPECT_EQ(tessaro::expireOldPostage(now), 0);
}

TEST_F(TessaroScratchTest, TheFormatCarriesAVersionAndFilesWithoutOneStillRead)
{
    const QString written = tessaro::writeScratchFile(*request("0.490", std::nullopt), *replyWithPiece(21));
    ASSERT_FALSE(written.isEmpty());
    const auto root = readPropertyListFile(written);
    ASSERT_TRUE(root);
    EXPECT_EQ(root->toMap().value(QStringLiteral("version")).toInt(), tessaro::ScratchFormatVersion);

    const QVariantMap stamp{{QStringLiteral("request"), request("1.150", std::nullopt)->encodeWithCoder()},
                            {QStringLiteral("theResponse"), replyWithPiece(22)->encodeWithCoder()}};
    const struct {
        const char *name;
        std::optional<QVariant> version; // nothing: no version entry
        bool read;
    } cases[] = {
        {"written before the version", std::nullopt, true},
        {"this version", QVariant(tessaro::ScratchFormatVersion), true},
        {"a later version", QVariant(tessaro::ScratchFormatVersion + 1), false},
        {"version zero", QVariant(0), false},
        {"a version that is text", QVariant(QStringLiteral("1")), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QVariantMap archive = stamp;
        if (c.version)
            archive.insert(QStringLiteral("version"), *c.version);
        const std::optional<tessaro::ScratchStamp> read =
            tessaro::scratchStampFromData(*writeBinaryPropertyList(archive));
        ASSERT_EQ(read.has_value(), c.read);
        if (read) {
            EXPECT_EQ(read->response->piececount(), 22u);
            EXPECT_EQ(read->request->postage(), Decimal::fromString(QLatin1String("1.15")));
        }
    }
}

TEST_F(TessaroScratchTest, FilesAreSetAsideWithoutReplacingAndOnlyTheGivenOnesRemoved)
{
    const QString first = tessaro::writeScratchFile(*request("0.490", std::nullopt), *replyWithPiece(5));
    const QString second = tessaro::writeScratchFile(*request("0.490", std::nullopt), *replyWithPiece(6));
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    const QDir damaged(tessaro::damagedScratchPath());
    EXPECT_EQ(QFileInfo(damaged.path()).path(), tessaro::scratchPath());

    // A file of the same name already set aside stays as it is.
    QDir().mkpath(damaged.path());
    QFile earlier(damaged.filePath(QStringLiteral("5.tolvanestamp")));
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    QFile original(first);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    original.close();

    EXPECT_EQ(tessaro::setAsideScratchFile(first), damaged.filePath(QStringLiteral("5 2.tolvanestamp")));
    EXPECT_FALSE(QFile::exists(first));
    QFile moved(damaged.filePath(QStringLiteral("5 2.tolvanestamp")));
    ASSERT_TRUE(moved.open(QIODevice::ReadOnly));
    EXPECT_EQ(moved.readAll(), bytes);
    ASSERT_TRUE(earlier.open(QIODevice::ReadOnly));
    EXPECT_EQ(earlier.readAll(), QByteArray("earlier"));
    EXPECT_TRUE(tessaro::setAsideScratchFile(first).isEmpty()); // no longer there

    // Files set aside are no stamps waiting; removing the printed ones
    // leaves them.
    EXPECT_EQ(tessaro::scratchFileNames(), QStringList{QStringLiteral("6.tolvanestamp")});
    EXPECT_TRUE(tessaro::removeScratchFiles({second}));
    EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
    EXPECT_EQ(damaged.entryList(QDir::Files, QDir::Name),
              QStringList({QStringLiteral("5 2.tolvanestamp"), QStringLiteral("5.tolvanestamp")}));
}

TEST_F(TessaroScratchTest, AFileSaysWhetherItsStampOwesItsLogEntry)
{
    const QString owed = tessaro::writeScratchFile(*request("0.490", QStringLiteral("R-7")), *replyWithPiece(31),
                                                   nullptr, tessaro::ScratchLogEntry::Owed);
    const QString covered = tessaro::writeScratchFile(*request("1.150", std::nullopt), *replyWithPiece(32));
    ASSERT_FALSE(owed.isEmpty());
    ASSERT_FALSE(covered.isEmpty());
    // A file of an earlier build: no version, no mark.
    const QVariantMap earlier{{QStringLiteral("request"), request("0.700", std::nullopt)->encodeWithCoder()},
                              {QStringLiteral("theResponse"), replyWithPiece(33)->encodeWithCoder()}};
    QFile earlierFile(QDir(tessaro::scratchPath()).filePath(QStringLiteral("33.tolvanestamp")));
    ASSERT_TRUE(earlierFile.open(QIODevice::WriteOnly));
    earlierFile.write(*writeBinaryPropertyList(earlier));
    earlierFile.close();
    QFile original(owed);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QVariantMap before = readPropertyList(original.readAll())->toMap();
    original.close();

    const auto owedStamps = [] {
        QList<quint32> pieces;
        for (const tessaro::ScratchStamp &stamp : tessaro::readScratchFolder())
            if (stamp.logEntryOwed)
                pieces << stamp.response->piececount();
        return pieces;
    };
    EXPECT_EQ(owedStamps(), QList<quint32>{31});
    EXPECT_EQ(tessaro::readScratchFolder().size(), 3);

    // Marking rewrites only the mark; marking again or a file that owes
    // nothing changes nothing.
    EXPECT_TRUE(tessaro::markLogEntriesWritten({owed, covered, earlierFile.fileName()}));
    EXPECT_TRUE(owedStamps().isEmpty());
    const auto after = readPropertyListFile(owed);
    ASSERT_TRUE(after);
    QVariantMap expected = before;
    expected.insert(QStringLiteral("logEntryOwed"), false);
    EXPECT_EQ(after->toMap(), expected);
    const auto stamp = tessaro::scratchStampFromData(*writeBinaryPropertyList(*after));
    ASSERT_TRUE(stamp);
    EXPECT_EQ(stamp->request->referenceID(), QStringLiteral("R-7"));
    EXPECT_TRUE(tessaro::markLogEntriesWritten({owed}));

    // A file that is gone or damaged cannot be marked.
    EXPECT_FALSE(tessaro::markLogEntriesWritten({QDir(tessaro::scratchPath()).filePath(QStringLiteral("9.x"))}));
    QFile damaged(QDir(tessaro::scratchPath()).filePath(QStringLiteral("40.tolvanestamp")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("not a property list");
    damaged.close();
    EXPECT_FALSE(tessaro::markLogEntriesWritten({damaged.fileName()}));
    ASSERT_TRUE(damaged.open(QIODevice::ReadOnly));
    EXPECT_EQ(damaged.readAll(), QByteArray("not a property list"));
}
