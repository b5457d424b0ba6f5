#include "MailingLogTestSupport.h"

#include "TestSupport.h"
#include "platform/PropertyList.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvane::test;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QVariantMap invoice(const QString &number, const QVariantMap &more = {})
{
    QVariantMap entry = more;
    entry.insert(QVShipmentInvoiceNumberKey, number);
    return entry;
}

} // namespace

TEST(SharedMailingLog, NoFileStartsEmptyAndFirstPieceWritesOneElementArray)
{
    QVMailingLog::resetSharedMailingLog();
    const QString file = QDir(supportDir()).filePath(QVMailingLogFileName);
    QFile::remove(file);
    QVMailingLog *log = QVMailingLog::sharedMailingLog();
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->itemsInLog(), 0);
    EXPECT_EQ(log->lastShipment(), nullptr);
    EXPECT_EQ(log->lastShipmentThatIsAShipment(), nullptr);
    EXPECT_EQ(log->logPath(), file);
    ASSERT_TRUE(log->writeShipmentToLog(QVShipment(invoice(QStringLiteral("A-1")))));
    PropertyListFormat format = PropertyListFormat::Xml;
    const std::optional<QVariant> root = readPropertyList(fileBytes(file), nullptr, &format);
    ASSERT_TRUE(root);
    EXPECT_EQ(format, PropertyListFormat::Binary);
    ASSERT_EQ(root->toList().size(), 1);
    EXPECT_EQ(root->toList().at(0).toMap().value(QVShipmentInvoiceNumberKey).toString(), QStringLiteral("A-1"));
    QVMailingLog::resetSharedMailingLog();
    QFile::remove(file);
}

TEST(SharedMailingLog, UnreadableOrNonArrayFileGivesNoLogAndStaysUntouched)
{
    const QString file = QDir(supportDir()).filePath(QVMailingLogFileName);
    const QByteArray dictionaryRoot = *writeBinaryPropertyList(QVariantMap{{QStringLiteral("a"), 1}});
    const QByteArray mixedArray = *writeBinaryPropertyList(QVariantList{QVariantMap{}, QStringLiteral("text")});
    for (const QByteArray &content : {dictionaryRoot, mixedArray, QByteArray("bplist00garbage")}) {
        QVMailingLog::resetSharedMailingLog();
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(content);
        out.close();
        EXPECT_EQ(QVMailingLog::sharedMailingLog(), nullptr);
        EXPECT_EQ(fileBytes(file), content);
    }
    // The next request reads the file again.
    QFile::remove(file);
    EXPECT_NE(QVMailingLog::sharedMailingLog(), nullptr);
    QVMailingLog::resetSharedMailingLog();
}

TEST_F(MailingLogTest, LastShipmentThatIsAShipmentPassesOverPurchasesAndCorrections)
{
    for (const QString &type : {QVUSPSShipmentRHOStampTransaction, QVUSPSShipmentRHOPurchaseTransaction,
                                QVUSPSShipmentRHOCorrectionTransaction, QVUSPSShipmentRHOTessaroTransaction})
        add(invoice(type, {{QVUSPSShipmentRHOTransactionTypeKey, type}}));
    EXPECT_EQ(m_log->lastShipmentThatIsAShipment()->objectForKey(QVShipmentInvoiceNumberKey).toString(),
              QStringLiteral("Stamp"));
    EXPECT_EQ(m_log->lastShipment()->objectForKey(QVShipmentInvoiceNumberKey).toString(), QStringLiteral("Tessaro"));
    add(invoice(QStringLiteral("label")));
    EXPECT_EQ(m_log->lastShipmentThatIsAShipment()->objectForKey(QVShipmentInvoiceNumberKey).toString(),
              QStringLiteral("label"));

    auto onlyPurchases = QVMailingLog::logWithPath(QDir(m_dir.path()).filePath(QStringLiteral("other.plist")));
    onlyPurchases->setLogArray({{{QVUSPSShipmentRHOTransactionTypeKey, QVUSPSShipmentRHOPurchaseTransaction}}});
    EXPECT_EQ(onlyPurchases->lastShipmentThatIsAShipment(), nullptr);
}

TEST_F(MailingLogTest, EveryChangePostsOneWillChangeAndTwoDidChange)
{
    add(invoice(QStringLiteral("1")));
    EXPECT_EQ(m_willCount, 1);
    EXPECT_EQ(m_didCount, 2);
    resetCounts();
    ASSERT_TRUE(m_log->replaceShipmentInLogAtIndex(0, QVShipment(invoice(QStringLiteral("2")))));
    EXPECT_EQ(m_willCount, 1);
    EXPECT_EQ(m_didCount, 2);
    resetCounts();
    m_log->filterWithString(QStringLiteral("2"));
    EXPECT_EQ(m_willCount, 0);
    EXPECT_EQ(m_didCount, 1);
    resetCounts();
    // A shipment that is not in the log: nothing changes, nothing is posted.
    EXPECT_FALSE(m_log->replaceShipment(QVShipment(invoice(QStringLiteral("9"))), QVShipment()));
    EXPECT_FALSE(m_log->replaceShipmentInLogAtIndex(5, QVShipment()));
    EXPECT_EQ(m_willCount + m_didCount, 0);
}

TEST_F(MailingLogTest, IndexForPICFindsFullShortAndCustomsNumbersNewestFirst)
{
    const QString pic = QStringLiteral("4206270192055000000000000012");
    add(invoice(QStringLiteral("0"), {{QVUSPSShipmentPICKey, pic}}));
    add(invoice(QStringLiteral("1"), {{QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("LC123456789US")}}));
    add(invoice(QStringLiteral("2"), {{QVUSPSShipmentPICKey, pic}}));
    add(invoice(QStringLiteral("3")));
    struct Case {
        QString text;
        std::optional<qsizetype> index;
        std::optional<qsizetype> sortedIndex;
    } cases[] = {
        {pic, 2, 2},
        {pic.mid(8), 2, std::nullopt},
        {QStringLiteral("LC123456789US"), 1, 1},
        {QStringLiteral("9205"), std::nullopt, std::nullopt},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(m_log->indexForPIC(c.text), c.index) << c.text.toStdString();
        EXPECT_EQ(m_log->sortedIndexForPIC(c.text), c.sortedIndex) << c.text.toStdString();
    }
    auto empty = QVMailingLog::logWithPath(QDir(m_dir.path()).filePath(QStringLiteral("empty.plist")));
    EXPECT_EQ(empty->indexForPIC(pic), std::nullopt);
    // While a filter hides the matching entries, their positions hold nothing.
    m_log->filterWithString(QStringLiteral("no such text"));
    EXPECT_EQ(m_log->sortedIndexForPIC(pic), std::nullopt);
}

TEST_F(MailingLogTest, FilterNeedsEveryWordInSomeFieldAndShowsNewestFirst)
{
    QVariantMap webStore = invoice(QStringLiteral("ws"));
    webStore.insert(QVUSPSShipmentRHOWebStoreNameKey, QStringLiteral("Corner Shop"));
    webStore.insert(QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey,
                    QStringList{QStringLiteral("111-22"), QStringLiteral("333-44")});
    add(invoice(QStringLiteral("alice-springfield"),
                {{QVShipmentToAddressKey, address(QStringLiteral("Alice Smith"))}}));
    add(invoice(QStringLiteral("bob"),
                {{QVShipmentToAddressKey, address(QStringLiteral("Bob Jones"), "Dover")},
                 {QVShipmentDescriptionKey, QStringLiteral("blue widgets")}}));
    add(webStore);
    add(invoice(QStringLiteral("alice-dover"),
                {{QVShipmentToAddressKey, address(QStringLiteral("Alice Brown"), "Dover")}}));
    struct Case {
        QString filter;
        QStringList shown;
    } cases[] = {
        {QStringLiteral("alice"), {QStringLiteral("alice-dover"), QStringLiteral("alice-springfield")}},
        {QStringLiteral("ALICE dover"), {QStringLiteral("alice-dover")}},
        {QStringLiteral("dover widgets"), {QStringLiteral("bob")}},
        {QStringLiteral("corner 333-44"), {QStringLiteral("ws")}},
        {QStringLiteral("111-22, 333"), {QStringLiteral("ws")}},
        {QStringLiteral("alice  dover"), {QStringLiteral("alice-dover")}},
        {QStringLiteral("nobody"), {}},
    };
    for (const Case &c : cases) {
        m_log->filterWithString(c.filter);
        EXPECT_EQ(displayed(), c.shown) << c.filter.toStdString();
        EXPECT_EQ(m_log->itemsInDisplayLog(), c.shown.size());
    }
    m_log->filterWithString(QString());
    EXPECT_EQ(m_log->itemsInDisplayLog(), 4);
    EXPECT_EQ(displayed().first(), QStringLiteral("alice-springfield")); // log order again

    auto empty = QVMailingLog::logWithPath(QDir(m_dir.path()).filePath(QStringLiteral("empty.plist")));
    empty->filterWithString(QStringLiteral("x"));
    EXPECT_EQ(empty->itemsInDisplayLog(), 0);
    EXPECT_EQ(empty->shipmentAtSortedIndex(0), nullptr);
}

TEST_F(MailingLogTest, FilterSurvivesChangesAndKeepsTheSort)
{
    add(invoice(QStringLiteral("a1"), {{QVShipmentPriceKey, QStringLiteral("3.00")}}));
    add(invoice(QStringLiteral("b"), {{QVShipmentPriceKey, QStringLiteral("1.00")}}));
    add(invoice(QStringLiteral("a2"), {{QVShipmentPriceKey, QStringLiteral("2.00")}}));
    m_log->sortUsingShipmentKey(QVShipmentPriceKey, true);
    m_log->filterWithString(QStringLiteral("a"));
    EXPECT_EQ(displayed(), (QStringList{QStringLiteral("a2"), QStringLiteral("a1")}));
    add(invoice(QStringLiteral("a3"), {{QVShipmentPriceKey, QStringLiteral("0.50")}}));
    EXPECT_EQ(displayed(), (QStringList{QStringLiteral("a3"), QStringLiteral("a2"), QStringLiteral("a1")}));
}

TEST_F(MailingLogTest, SortsByWeightPriceBalanceAndStatus)
{
    auto entry = [](const QString &name, int ounces, const QString &price, const QString &balance,
                    const QVariantMap &more = {}) {
        QVariantMap e = invoice(name, more);
        e.insert(QVShipmentWeightNumberKey, ounces);
        e.insert(QVShipmentWeightUnitKey, QStringLiteral("oz"));
        e.insert(QVShipmentPriceKey, price);
        e.insert(QVUSPSShipmentRHOBalanceKey, balance);
        return e;
    };
    add(entry(QStringLiteral("a"), 3, QStringLiteral("10.00"), QStringLiteral("$999.00"),
              {{QVShipmentDeliveryStatusKey, QVShipmentDeliveredStatus}}));
    add(entry(QStringLiteral("b"), 12, QStringLiteral("9.50"), QStringLiteral("$1,000.00"),
              {{QVUSPSShipmentRHOTransactionTypeKey, QVUSPSShipmentRHOPurchaseTransaction}}));
    add(entry(QStringLiteral("c"), 5, QStringLiteral("0.49"), QStringLiteral("$25.10"),
              {{QVShipmentVoidKey, true}, {QVShipmentDeliveryStatusKey, QVShipmentDeliveredStatus}}));
    add(entry(QStringLiteral("d"), 1, QStringLiteral("100.00"), QStringLiteral("$2.00"),
              {{QVUSPSShipmentRHOTransactionTypeKey, QVUSPSShipmentRHOCorrectionTransaction}}));

    // Weight: the first click keeps the (descending) direction, the second
    // reverses it.
    m_log->sortUsingShipmentKey(QVShipmentWeightNumberKey);
    EXPECT_FALSE(m_log->sortAscending());
    EXPECT_EQ(displayed().join(QString()), QStringLiteral("bcad"));
    m_log->sortUsingShipmentKey(QVShipmentWeightNumberKey);
    EXPECT_TRUE(m_log->sortAscending());
    EXPECT_EQ(displayed().join(QString()), QStringLiteral("dacb"));
    // A new key keeps the direction.
    m_log->sortUsingShipmentKey(QVShipmentPriceKey);
    EXPECT_TRUE(m_log->sortAscending());
    EXPECT_EQ(displayed().join(QString()), QStringLiteral("cbad"));
    m_log->sortUsingShipmentKey(QVUSPSShipmentRHOBalanceKey, true);
    EXPECT_EQ(displayed().join(QString()), QStringLiteral("dcab"));
    m_log->sortUsingShipmentKey(QVShipmentDeliveryStatusKey, true);
    const QString byStatus = displayed().join(QString());
    EXPECT_TRUE(byStatus == QStringLiteral("abdc") || byStatus == QStringLiteral("adbc")) << byStatus.toStdString();
    // No key: log order.
    m_log->sortUsingShipmentKey(QString(), true);
    EXPECT_EQ(displayed().join(QString()), QStringLiteral("abcd"));
}

TEST(MailingLogComparator, ValuesOfUnrelatedKindsCompareEqual)
{
    const QVariantMap dated{{QVShipmentPrintDateKey, day(2014, 3, 1)}};
    const QVariantMap later{{QVShipmentPrintDateKey, day(2014, 3, 2)}};
    EXPECT_EQ(compareShipments(dated, QVariantMap{}, QVShipmentPrintDateKey), 0);
    EXPECT_EQ(compareShipments(dated, later, QVShipmentPrintDateKey), -1);
    EXPECT_EQ(compareShipments(QVariantMap{{QVShipmentDescriptionKey, QStringLiteral("box 10")}},
                               QVariantMap{{QVShipmentDescriptionKey, QStringLiteral("box 9")}},
                               QVShipmentDescriptionKey),
              1);
    EXPECT_EQ(compareShipments(QVariantMap{{QVUSPSShipmentRHOTransactionTypeKey, QVUSPSShipmentRHOStampTransaction}},
                               QVariantMap{{QVUSPSShipmentRateClassKey, QStringLiteral("QVUSPSPriorityMail")}},
                               QVUSPSShipmentRateClassKey),
              1);
}

TEST_F(MailingLogTest, FindNextWalksDownThenAnswersAllOnesThenStartsOver)
{
    add(invoice(QStringLiteral("x"), {{QVShipmentToAddressKey, address(QStringLiteral("Carol King"))}}));
    add(invoice(QStringLiteral("INV-7")));
    add(invoice(QStringLiteral("y"), {{QVShipmentToAddressKey, address(QStringLiteral("carol Queen"))}}));
    add(invoice(QStringLiteral("z"), {{QVShipmentToAddressKey, address(QStringLiteral("Dave"))}}));
    const quint64 expected[] = {2, 0, QVMailingLogNotFound, 2};
    for (const quint64 position : expected)
        EXPECT_EQ(m_log->findNextMatchingName(QStringLiteral("CAROL")), position);
    // The invoice number respects case; a new text starts from the last position.
    EXPECT_EQ(m_log->findNextMatchingName(QStringLiteral("inv")), QVMailingLogNotFound);
    EXPECT_EQ(m_log->findNextMatchingName(QStringLiteral("INV")), 1u);
}

TEST_F(MailingLogTest, EntryReadBackAfterRestartIsFoundForReplacement)
{
    QVShipment shipment;
    shipment.mutableDictionary() = {
        {QVShipmentToAddressKey, address(QStringLiteral("Erin"))},
        {QVShipmentPriceKey, QVariant::fromValue(Decimal::fromString(QStringLiteral("1234567.89")))},
        {QVShipmentWeightNumberKey, 12},
        {QVShipmentHeightMeasurementKey, 2.75},
        {QVShipmentVoidKey, false},
        {QVShipmentPrintDateKey, QDateTime::fromMSecsSinceEpoch(1417000000123)},
        {QVUSPSShipmentOptionalServicesKey, QStringList{QStringLiteral("QVUSPSCertifiedMailService")}},
        {QVUSPSShipmentRHOIndiciumDataKey, QByteArray("secret")},
    };
    ASSERT_TRUE(m_log->writeShipmentToLog(shipment));
    m_log.reset();
    auto reopened = QVMailingLog::logWithPath(path());
    ASSERT_TRUE(reopened);
    ASSERT_EQ(reopened->itemsInLog(), 1);
    EXPECT_FALSE(reopened->entries().first().contains(QVUSPSShipmentRHOIndiciumDataKey));
    QVShipment delivered = *shipment.copy();
    delivered.mutableDictionary().insert(QVShipmentDeliveryStatusKey, QVShipmentDeliveredStatus);
    EXPECT_TRUE(reopened->replaceShipment(shipment, delivered));
    EXPECT_EQ(reopened->shipmentAtIndex(0)->objectForKey(QVShipmentDeliveryStatusKey).toString(),
              QVShipmentDeliveredStatus);
}

TEST_F(MailingLogTest, RestoreRefusesAnythingButAnArrayOfDictionaries)
{
    add(invoice(QStringLiteral("present")));
    const QByteArray before = fileBytes(path());
    resetCounts();
    const QByteArray refused[] = {
        QByteArray(),
        QByteArray("not a property list"),
        *writeBinaryPropertyList(QVariantMap{{QStringLiteral("a"), 1}}),
        *writeXmlPropertyList(QVariantList{QVariantMap{}, 3}),
        // Readable (under its odd declared encoding), but holding a text
        // with a NUL character that the log could not write back.
        QByteArray("<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n"
                   "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                   "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n<plist version=\"1.0\"><array><dict>"
                   "<key>QVShipmentInvoiceNumberKey</key><string>A#B</string></dict></array></plist>")
            .replace('#', '\0'),
    };
    for (const QByteArray &data : refused) {
        QString error;
        EXPECT_FALSE(m_log->restoreFromData(data, true, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(m_willCount + m_didCount, 0);
    EXPECT_EQ(m_log->itemsInLog(), 1);
    EXPECT_EQ(fileBytes(path()), before);

    const QVariantList archive{invoice(QStringLiteral("old1")), invoice(QStringLiteral("present"))};
    ASSERT_TRUE(m_log->restoreFromData(*writeXmlPropertyList(archive), true));
    EXPECT_EQ(displayed(), (QStringList{QStringLiteral("old1"), QStringLiteral("present"), QStringLiteral("present")}));
    EXPECT_EQ(QVMailingLog::logWithPath(path())->itemsInLog(), 3);
    ASSERT_TRUE(m_log->restoreFromData(*writeBinaryPropertyList(archive)));
    EXPECT_EQ(m_log->itemsInLog(), 2);
}

TEST_F(MailingLogTest, RestoreThatCannotBeWrittenLeavesTheLogAsItWas)
{
    add(invoice(QStringLiteral("present")));
    ASSERT_TRUE(m_dir.remove());
    QString error;
    EXPECT_FALSE(
        m_log->restoreFromData(*writeXmlPropertyList(QVariantList{invoice(QStringLiteral("old1"))}), false, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(displayed(), QStringList{QStringLiteral("present")});
}

TEST_F(MailingLogTest, ArchiveTakesTheInclusiveDayRange)
{
    add(invoice(QStringLiteral("before"), {{QVShipmentPrintDateKey, day(2014, 1, 31, 23)}}));
    add(invoice(QStringLiteral("first"), {{QVShipmentPrintDateKey, day(2014, 2, 1, 0)}}));
    add(invoice(QStringLiteral("last"), {{QVShipmentPrintDateKey, day(2014, 2, 10, 23)}}));
    add(invoice(QStringLiteral("undated")));
    add(invoice(QStringLiteral("after"), {{QVShipmentPrintDateKey, day(2014, 2, 11, 0)}}));
    EXPECT_EQ(m_log->oldestDate(), day(2014, 1, 31, 23));
    const QByteArray before = fileBytes(path());

    const std::optional<QByteArray> copy = m_log->dataValueWithBeginDate(day(2014, 2, 1), day(2014, 2, 10), false);
    ASSERT_TRUE(copy);
    const QVariantList archived = readPropertyList(*copy)->toList();
    ASSERT_EQ(archived.size(), 2);
    EXPECT_EQ(archived.at(1).toMap().value(QVShipmentInvoiceNumberKey).toString(), QStringLiteral("last"));
    EXPECT_EQ(m_log->itemsInLog(), 5);
    EXPECT_EQ(fileBytes(path()), before);

    resetCounts();
    ASSERT_EQ(m_log->dataValueWithBeginDate(day(2014, 2, 1), day(2014, 2, 10), true), copy);
    EXPECT_EQ(m_willCount, 1);
    EXPECT_EQ(displayed(), (QStringList{QStringLiteral("before"), QStringLiteral("undated"), QStringLiteral("after")}));
    EXPECT_EQ(QVMailingLog::logWithPath(path())->itemsInLog(), 3);
}

TEST_F(MailingLogTest, ArchiveWhoseWriteFailsPutsEverythingBackAndSaysSo)
{
    QFile blocker(QDir(m_dir.path()).filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto log = QVMailingLog::logWithPath(QDir(blocker.fileName()).filePath(QVMailingLogFileName));
    EXPECT_FALSE(
        log->writeShipmentToLog(QVShipment(invoice(QStringLiteral("a"), {{QVShipmentPrintDateKey, day(2014, 2, 1)}}))));
    EXPECT_EQ(log->itemsInLog(), 1);
    log->filterWithString(QStringLiteral("a"));
    resetCounts();
    QString error;
    EXPECT_EQ(log->dataValueWithBeginDate(day(2014, 1, 1), day(2014, 3, 1), true, &error), std::nullopt);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(log->itemsInLog(), 1);
    EXPECT_EQ(log->itemsInDisplayLog(), 1);
    EXPECT_EQ(m_willCount, 1);
    EXPECT_GE(m_didCount, 3);
}

namespace {

class FakeTracking : public QVMailingLogTrackingClient
{
public:
    QStringList requests;
    std::optional<QVariantMap> reply;
    std::optional<QVariantMap> trackFieldResponseForID(const QString &id) override
    {
        requests.append(id);
        return reply;
    }
    QString lastErrorDescription() const override { return QStringLiteral("The USPS server did not answer."); }
};

QVariantMap trackReply(const QString &event)
{
    return {
        {QStringLiteral("TrackResponse"),
         QVariantMap{{QStringLiteral("TrackInfo"),
                      QVariantMap{{QStringLiteral("TrackSummary"), QVariantMap{{QStringLiteral("Event"), event}}}}}}}};
}

} // namespace

TEST_F(MailingLogTest, TrackingOneEntry)
{
    auto fake = std::make_shared<FakeTracking>();
    QVMailingLog::setTrackingClient(fake);
    add(invoice(QStringLiteral("delivered"),
                {{QVUSPSShipmentPICKey, QStringLiteral("9400100000000000000001")},
                 {QVShipmentDeliveryStatusKey, QVShipmentDeliveredStatus}}));
    add(invoice(QStringLiteral("no pic")));
    add(invoice(QStringLiteral("open"), {{QVUSPSShipmentPICKey, QStringLiteral("9400100000000000000002")}}));
    resetCounts();
    EXPECT_EQ(m_log->trackShipmentAtIndex(0), std::nullopt);
    EXPECT_EQ(m_log->trackShipmentAtIndex(1), std::nullopt);
    EXPECT_EQ(m_log->trackShipmentAtIndex(7), std::nullopt);
    EXPECT_TRUE(fake->requests.isEmpty());

    EXPECT_EQ(m_log->trackShipmentAtIndex(2), QStringLiteral("The USPS server did not answer."));
    fake->reply = QVariantMap{
        {QStringLiteral("Error"), QVariantMap{{QStringLiteral("Description"), QStringLiteral("No record.")}}}};
    EXPECT_EQ(m_log->trackShipmentAtIndex(2), QStringLiteral("No record."));
    EXPECT_EQ(m_willCount, 0);
    fake->reply = trackReply(QStringLiteral("Delivered Abroad"));
    EXPECT_EQ(m_log->trackShipmentAtIndex(2), std::nullopt);
    EXPECT_EQ(m_willCount, 1);
    EXPECT_EQ(QVMailingLog::logWithPath(path())->shipmentAtIndex(2)->objectForKey(QVShipmentDeliveryStatusKey),
              QVariant(QVShipmentDeliveredStatus));
    EXPECT_EQ(fake->requests, QStringList(3, QStringLiteral("9400100000000000000002")));
    QVMailingLog::setTrackingClient(nullptr);

    EXPECT_EQ(deliveryStatusForTrackEvent(QStringLiteral("undeliverable as addressed")),
              QVShipmentDeliveryExceptionStatus);
    EXPECT_EQ(deliveryStatusForTrackEvent(QStringLiteral("Out for delivery")), QVShipmentUndeliveredStatus);
}

// A process that appends piece after piece is killed at random moments: the
// file always reads as a complete array of the pieces written, in order.
TEST_F(MailingLogTest, KilledWriterLeavesACompleteLog)
{
    std::mt19937 random(20141201);
    std::uniform_int_distribution<int> delayMicroseconds(0, 40000);
    int lastCount = 0;
    for (int round = 0; round < 12; ++round) {
        QFile::remove(path());
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            auto log = QVMailingLog::logWithPath(path());
            for (int i = 0; i < 100000; ++i) {
                QVariantMap entry =
                    invoice(QString::number(i), {{QVShipmentToAddressKey, address(QStringLiteral("Piece"))}});
                entry.insert(QVShipmentDescriptionKey, QString(200, QLatin1Char('x')));
                log->writeShipmentToLog(QVShipment(entry));
            }
            ::_exit(0);
        }
        // The random moment falls after the first piece is stored: a slow
        // (sanitizer, loaded) machine may take longer than the delay to
        // write it.
        QElapsedTimer started;
        started.start();
        while (!QFile::exists(path()) && started.elapsed() < 30000)
            ::usleep(1000);
        ::usleep(useconds_t(5000 + delayMicroseconds(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        if (!QFile::exists(path()))
            continue; // killed before the first piece was written
        QString error;
        const std::optional<QVariant> root = readPropertyListFile(path(), &error);
        ASSERT_TRUE(root) << error.toStdString();
        const QVariantList entries = root->toList();
        ASSERT_FALSE(entries.isEmpty());
        for (qsizetype i = 0; i < entries.size(); ++i)
            ASSERT_EQ(entries.at(i).toMap().value(QVShipmentInvoiceNumberKey).toString(), QString::number(i));
        lastCount = int(entries.size());
        QProcess python;
        python.start(
            QStringLiteral("python3"),
            {QStringLiteral("-c"),
             QStringLiteral("import plistlib,sys\nwith open(sys.argv[1],'rb') as f: e=plistlib.load(f)\n"
                            "assert isinstance(e,list)\n"
                            "assert [x['QVShipmentInvoiceNumberKey'] for x in e]==[str(i) for i in range(len(e))]\n"
                            "print(len(e))"),
             path()});
        ASSERT_TRUE(python.waitForFinished(30000));
        EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
        EXPECT_EQ(python.readAllStandardOutput().trimmed().toInt(), entries.size());
    }
    EXPECT_GT(lastCount, 0);
}

namespace {

QStringList invoiceNumbers(const QList<QVariantMap> &entries)
{
    QStringList numbers;
    for (const QVariantMap &entry : entries)
        numbers.append(entry.value(QVShipmentInvoiceNumberKey).toString());
    return numbers;
}

QStringList invoiceNumbersInFile(const QString &path)
{
    QStringList numbers;
    const std::optional<QVariant> read = readPropertyList(fileBytes(path));
    if (!read)
        return {QStringLiteral("unreadable")};
    for (const QVariant &entry : read->toList())
        numbers.append(entry.toMap().value(QVShipmentInvoiceNumberKey).toString());
    return numbers;
}

} // namespace

// A piece appended to a log on display lands where rebuilding the display
// from scratch puts it, for every sort and filter, equal values included.
TEST_F(MailingLogTest, AnAppendedPieceIsDisplayedAsARebuiltDisplayShowsIt)
{
    const QList<QVariantMap> entries = {
        invoice(QStringLiteral("a1"), {{QVShipmentPriceKey, QStringLiteral("2.00")}}),
        invoice(QStringLiteral("b1"), {{QVShipmentPriceKey, QStringLiteral("1.00")}}),
        invoice(QStringLiteral("a2"), {{QVShipmentPriceKey, QStringLiteral("2.00")}}),
        invoice(QStringLiteral("a3"), {{QVShipmentPriceKey, QStringLiteral("3.00")}}),
        invoice(QStringLiteral("b2"), {{QVShipmentPriceKey, QStringLiteral("2.00")}}),
    };
    const QList<QVariantMap> appended = {
        invoice(QStringLiteral("a9"), {{QVShipmentPriceKey, QStringLiteral("2.00")}}),
        invoice(QStringLiteral("b9"), {{QVShipmentPriceKey, QStringLiteral("0.50")}}),
        invoice(QStringLiteral("a8"), {{QVShipmentPriceKey, QStringLiteral("9.00")}}),
    };
    struct Display {
        QString sortKey;
        bool ascending;
        QString filter;
    };
    const QList<Display> displays = {
        {QString(), true, QString()},
        {QString(), true, QStringLiteral("a")},
        {QVShipmentPriceKey, true, QString()},
        {QVShipmentPriceKey, false, QString()},
        {QVShipmentPriceKey, true, QStringLiteral("a")},
        {QVShipmentPriceKey, false, QStringLiteral("a")},
        {QVShipmentInvoiceNumberKey, false, QStringLiteral("b")},
    };
    const auto shown = [](QVMailingLog &log) {
        QStringList values;
        for (qsizetype i = 0; i < log.itemsInDisplayLog(); ++i)
            values.append(log.shipmentAtSortedIndex(i)->objectForKey(QVShipmentInvoiceNumberKey).toString());
        return values;
    };
    int file = 0;
    for (const Display &display : displays) {
        auto growing = QVMailingLog::logWithPath(QDir(m_dir.path()).filePath(QStringLiteral("g%1.plist").arg(file)));
        auto rebuilt = QVMailingLog::logWithPath(QDir(m_dir.path()).filePath(QStringLiteral("r%1.plist").arg(file++)));
        growing->setLogArray(entries);
        ASSERT_TRUE(growing->persistLog());
        growing->sortUsingShipmentKey(display.sortKey, display.ascending);
        growing->filterWithString(display.filter);
        QList<QVariantMap> all = entries;
        for (const QVariantMap &entry : appended) {
            ASSERT_TRUE(growing->writeShipmentToLog(QVShipment(entry)));
            all.append(entry);
            rebuilt->setLogArray(all);
            rebuilt->sortUsingShipmentKey(display.sortKey, display.ascending);
            rebuilt->filterWithString(display.filter);
            ASSERT_TRUE(rebuilt->persistLog());
            EXPECT_EQ(shown(*growing), shown(*rebuilt))
                << display.sortKey.toStdString() << (display.ascending ? " up" : " down") << " filter '"
                << display.filter.toStdString() << "' after "
                << entry.value(QVShipmentInvoiceNumberKey).toString().toStdString();
        }
    }
}

// The file holds the log after every kind of change, the writes that only
// append one piece included.
TEST_F(MailingLogTest, TheFileHoldsTheLogAfterEveryKindOfChange)
{
    const auto check = [this](const char *what) {
        EXPECT_EQ(invoiceNumbersInFile(path()), invoiceNumbers(m_log->entries())) << what;
    };
    add(invoice(QStringLiteral("1")));
    add(invoice(QStringLiteral("2")));
    add(invoice(QStringLiteral("3")));
    check("three appended");
    ASSERT_TRUE(m_log->replaceShipmentInLogAtIndex(1, QVShipment(invoice(QStringLiteral("2b")))));
    check("one replaced");
    add(invoice(QStringLiteral("4")));
    check("appended after a replacement");
    ASSERT_TRUE(m_log->restoreFromData(*writeBinaryPropertyList(QVariantList{invoice(QStringLiteral("0"))}), true));
    check("restored in front");
    add(invoice(QStringLiteral("5")));
    check("appended after a restore");
    m_log->setLogArray(m_log->entries().mid(0, 2));
    ASSERT_TRUE(m_log->persistLog());
    check("shortened");
    add(invoice(QStringLiteral("6")));
    check("appended after shortening");
    EXPECT_EQ(invoiceNumbers(m_log->entries()),
              (QStringList{QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("6")}));
}
