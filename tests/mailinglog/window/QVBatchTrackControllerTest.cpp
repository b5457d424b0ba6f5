// QVBatchTrackController against a local stand-in for USPS Web Tools that
// answers each detailed tracking request with one TrackInfo per identifier
// it carries: the range, which entries are asked for, batches of ten, one
// TrackInfo alone, Stop, a server error, and an archive during a run.
#include "MailingLogWindowTestSupport.h"

#include "mailinglog/window/QVBatchTrackController.h"
#include "platform/HttpClient.h"
#include "platform/PropertyList.h"
#include "services/QVCommandCenter.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include "LocalHttpServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMap>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

#include <mutex>

using namespace tolvane::test;

namespace {

// The identifiers of a "TrackFieldRequest" form body, in order.
QStringList requestedIDs(const QByteArray &body)
{
    QString form = QString::fromUtf8(body);
    form.replace(QLatin1Char('+'), QLatin1Char(' '));
    QString xml;
    for (const QString &pair : form.split(QLatin1Char('&'))) {
        if (pair.startsWith(QStringLiteral("XML=")))
            xml = QUrl::fromPercentEncoding(pair.mid(4).toUtf8());
    }
    static const QRegularExpression id(QStringLiteral("<TrackID\\s+ID=\"([^\"]*)\""));
    QStringList ids;
    for (auto it = id.globalMatch(xml); it.hasNext();)
        ids << it.next().captured(1);
    return ids;
}

class FakeTracking
{
public:
    FakeTracking()
    {
        server.setHandler("/ShippingAPI.dll", [this](const RecordedRequest &request) {
            std::lock_guard lock(mutex);
            const QStringList ids = requestedIDs(request.body);
            batches << ids;
            if (!errorReply.isEmpty())
                return ScriptedReply::text(200, errorReply, "text/xml");
            QByteArray body = "<?xml version=\"1.0\"?><TrackResponse>";
            for (const QString &id : ids) {
                body += "<TrackInfo ID=\"" + id.toUtf8() + "\">";
                if (errorIDs.contains(id))
                    body += "<Error><Number>-2147219283</Number><Description>No record.</Description></Error>";
                else
                    body += "<TrackSummary><Event>" + events.value(id, QStringLiteral("DELIVERED")).toUtf8() +
                        "</Event></TrackSummary>";
                body += "</TrackInfo>";
            }
            body += "</TrackResponse>";
            ScriptedReply reply = ScriptedReply::text(200, body, "text/xml");
            reply.delayMilliseconds = delay;
            if (withhold)
                reply.action = ScriptedReply::Action::Withhold;
            return reply;
        });
    }
    QList<QStringList> received()
    {
        std::lock_guard lock(mutex);
        return batches;
    }

    LocalHttpServer server;
    std::mutex mutex;
    QList<QStringList> batches;
    QMap<QString, QString> events;
    QStringList errorIDs;
    QByteArray errorReply;
    int delay = 0;
    bool withhold = false;
};

const QDateTime kNow = QDateTime(QDate(2026, 6, 30), QTime(15, 0));

QString pic(int n) { return QStringLiteral("94055118992231974%1").arg(n, 5, 10, QLatin1Char('0')); }

class BatchTrackTest : public LogWindowTest
{
protected:
    void SetUp() override
    {
        LogWindowTest::SetUp();
        QVCommandCenter::resetSharedInstancesForTesting();
        ASSERT_TRUE(fake.server.isListening());
        UserDefaults::standardUserDefaults().setString(fake.server.hostAndPort(), QVUSPSWebToolsServerDefaultsKey);
    }
    void TearDown() override
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        LogWindowTest::TearDown();
    }

    // Runs the event loop until the run ends (or the condition holds).
    bool waitUntil(const std::function<bool()> &done, int milliseconds = 15000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < milliseconds)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    QString statusOf(const QString &number) const
    {
        const std::optional<qsizetype> index = m_log->indexForPIC(number);
        return index ? m_log->shipmentAtIndex(*index)->objectForKey(QVShipmentDeliveryStatusKey).toString()
                     : QStringLiteral("<none>");
    }

    FakeTracking fake;
};

TEST_F(BatchTrackTest, TheLastThirtyDaysAndOnlyUndeliveredTrackablePiecesAreAsked)
{
    add(piece(QStringLiteral("in"), kNow.addDays(-30).addSecs(-3600 * 10), pic(1)));
    add(piece(QStringLiteral("out"), kNow.addDays(-31), pic(2)));
    QVariantMap delivered = piece(QStringLiteral("delivered"), kNow.addDays(-1), pic(3));
    delivered.insert(QVShipmentDeliveryStatusKey, QVShipmentDeliveredStatus);
    add(delivered);
    QVariantMap voided = piece(QStringLiteral("void"), kNow.addDays(-1), pic(4));
    voided.insert(QVShipmentVoidKey, true);
    add(voided);
    add(piece(QStringLiteral("no number"), kNow.addDays(-1)));
    QVariantMap customs = piece(QStringLiteral("customs"), kNow.addDays(-2));
    customs.insert(QVUSPSShipmentCustomsBarcodeNumberKey, QStringLiteral("LC123456789US"));
    add(customs);
    fake.events.insert(pic(1), QStringLiteral("Arrival at Unit"));

    QVBatchTrackController controller(m_log.get());
    controller.windowDidLoad(kNow);
    EXPECT_EQ(controller.rangeChoice(), QVBatchTrackController::LastThirtyDays);
    EXPECT_EQ(controller.beginDate().date(), kNow.date().addDays(-30));
    controller.trackCancel(kNow);
    EXPECT_TRUE(controller.isWorking());
    EXPECT_EQ(controller.buttonTitle(), QStringLiteral("Stop"));
    ASSERT_TRUE(waitUntil([&] { return !controller.isWorking(); }));

    ASSERT_EQ(fake.received().size(), 1);
    EXPECT_EQ(fake.received().first(), QStringList({QStringLiteral("LC123456789US"), pic(1)}));
    EXPECT_EQ(statusOf(pic(1)), QVShipmentUndeliveredStatus);
    EXPECT_EQ(statusOf(QStringLiteral("LC123456789US")), QVShipmentDeliveredStatus);
    EXPECT_EQ(statusOf(pic(2)), QString());
    EXPECT_EQ(controller.progressText(), QStringLiteral("Stopped."));
    EXPECT_EQ(controller.buttonTitle(), QVBatchTrackController::trackButtonTitle());
    EXPECT_FALSE(controller.isWindowOpen());
}

TEST_F(BatchTrackTest, TwentyThreeNumbersGoOutAsTenTenAndThreeAndARepeatedNumberOnce)
{
    for (int n = 0; n < 23; ++n)
        add(piece(QStringLiteral("P%1").arg(n), kNow.addDays(-1), pic(n)));
    // The same number in an older entry is asked for once.
    m_log->setLogArray(
        QList<QVariantMap>{QVShipment(piece(QStringLiteral("older"), kNow.addDays(-2), pic(5))).plist()} +
        m_log->entries());
    fake.errorIDs << pic(7);
    QVBatchTrackController controller(m_log.get());
    controller.windowDidLoad(kNow);
    controller.trackCancel(kNow);
    ASSERT_TRUE(waitUntil([&] { return !controller.isWorking(); }));
    const QList<QStringList> batches = fake.received();
    ASSERT_EQ(batches.size(), 3);
    EXPECT_EQ(batches.at(0).size(), 10);
    EXPECT_EQ(batches.at(1).size(), 10);
    EXPECT_EQ(batches.at(2).size(), 3);
    EXPECT_EQ(batches.at(0).first(), pic(22));
    QStringList all = batches.at(0) + batches.at(1) + batches.at(2);
    all.removeDuplicates();
    EXPECT_EQ(all.size(), 23);
    for (int n = 0; n < 23; ++n)
        EXPECT_EQ(statusOf(pic(n)), n == 7 ? QString() : QVShipmentDeliveredStatus) << n;
    EXPECT_FALSE(controller.isWindowOpen());
}

TEST_F(BatchTrackTest, OneTrackInfoAloneIsApplied)
{
    add(piece(QStringLiteral("one"), kNow.addDays(-3), pic(1)));
    fake.events.insert(pic(1), QStringLiteral("undeliverable as addressed"));
    QVBatchTrackController controller(m_log.get());
    controller.windowDidLoad(kNow);
    controller.trackCancel(kNow);
    ASSERT_TRUE(waitUntil([&] { return !controller.isWorking(); }));
    EXPECT_EQ(statusOf(pic(1)), QVShipmentDeliveryExceptionStatus);
}

TEST_F(BatchTrackTest, NothingInRangeShowsTheAlertAndAsksNothing)
{
    add(piece(QStringLiteral("old"), kNow.addDays(-60), pic(1)));
    QVBatchTrackController controller(m_log.get());
    controller.windowDidLoad(kNow);
    controller.trackCancel(kNow);
    EXPECT_FALSE(controller.isWorking());
    ASSERT_EQ(m_dialogs->alerts.size(), 1);
    EXPECT_EQ(m_dialogs->alerts.first().messageText, QStringLiteral("No shipments in that range."));
    EXPECT_EQ(m_dialogs->alerts.first().informativeText,
              QStringLiteral("There are no shipments to track/confirm in the specified date range."));
    EXPECT_EQ(fake.server.requestCount(), 0);
    EXPECT_TRUE(controller.isWindowOpen());

    // A custom range that holds it.
    controller.controlTextDidBeginEditing();
    EXPECT_EQ(controller.rangeChoice(), QVBatchTrackController::DateRange);
    controller.setBeginDate(kNow.addDays(-61));
    controller.setEndDate(kNow.addDays(-59));
    controller.trackCancel(kNow);
    EXPECT_EQ(controller.beginDate().date(), kNow.date().addDays(-61));
    ASSERT_TRUE(waitUntil([&] { return !controller.isWorking(); }));
    EXPECT_EQ(statusOf(pic(1)), QVShipmentDeliveredStatus);
}

TEST_F(BatchTrackTest, StopWhileWaitingCancelsAndTheButtonStartsANewRun)
{
    add(piece(QStringLiteral("one"), kNow.addDays(-3), pic(1)));
    fake.withhold = true;
    QVBatchTrackController controller(m_log.get());
    controller.windowDidLoad(kNow);
    controller.trackCancel(kNow);
    ASSERT_TRUE(waitUntil([&] { return fake.server.requestCount() == 1; }));
    EXPECT_EQ(controller.progressText(), QStringLiteral("Talking to USPS servers") + QChar(0x2026));
    EXPECT_TRUE(controller.isButtonEnabled());
    controller.trackCancel(kNow);
    EXPECT_FALSE(controller.isWorking());
    EXPECT_EQ(controller.progressText(), QStringLiteral("Stopped."));
    EXPECT_EQ(controller.buttonTitle(), QStringLiteral("Track"));
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(statusOf(pic(1)), QString());

    fake.withhold = false;
    controller.trackCancel(kNow);
    ASSERT_TRUE(waitUntil([&] { return !controller.isWorking(); }));
    EXPECT_EQ(statusOf(pic(1)), QVShipmentDeliveredStatus);
}

TEST_F(BatchTrackTest, AnErrorReplyStopsTheRunWithItsDescription)
{
    add(piece(QStringLiteral("one"), kNow.addDays(-3), pic(1)));
    fake.errorReply = "<Error><Number>80040B1A</Number><Description>Authorization failure.</Description></Error>";
    QVBatchTrackController controller(m_log.get());
    controller.windowDidLoad(kNow);
    controller.trackCancel(kNow);
    ASSERT_TRUE(waitUntil([&] { return !controller.isWorking(); }));
    EXPECT_EQ(controller.progressText(), QStringLiteral("Authorization failure."));
    EXPECT_TRUE(controller.isWindowOpen());
    EXPECT_EQ(statusOf(pic(1)), QString());
}

TEST_F(BatchTrackTest, ResultsLandOnTheirEntriesAfterTheLogChangedDuringTheRun)
{
    for (int n = 0; n < 3; ++n)
        add(piece(QStringLiteral("P%1").arg(n), kNow.addDays(-1), pic(n)));
    fake.delay = 400;
    QVBatchTrackController controller(m_log.get());
    controller.windowDidLoad(kNow);
    controller.trackCancel(kNow);
    ASSERT_TRUE(waitUntil([&] { return fake.server.requestCount() == 1; }));
    // Entries added before the present ones move every log index.
    const std::optional<QByteArray> archive =
        writeBinaryPropertyList(QVariantList{piece(QStringLiteral("restored A"), kNow.addYears(-1), pic(90)),
                                             piece(QStringLiteral("restored B"), kNow.addYears(-1), pic(91))});
    ASSERT_TRUE(archive);
    ASSERT_TRUE(m_log->restoreFromData(*archive, true));
    ASSERT_TRUE(waitUntil([&] { return !controller.isWorking(); }));
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(statusOf(pic(n)), QVShipmentDeliveredStatus) << n;
    EXPECT_EQ(statusOf(pic(90)), QString());
    EXPECT_EQ(statusOf(pic(91)), QString());
}

} // namespace
