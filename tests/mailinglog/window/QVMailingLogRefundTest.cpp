// Tracking one piece, hand-set status and void, refund eligibility, the
// electronic refund of one piece and refunds from a file, through
// QVMailingLogController with fake server clients.
#include "MailingLogWindowTestSupport.h"

#include "model/XMLDocument.h"
#include "platform/HttpClient.h"
#include "services/QVCommandCenter.h"
#include "sources/GTMHTTPFetcher.h"
#include "sources/QVRHOWebStoreCommandCenter.h"

#include "LocalHttpServer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QUrlQuery>

using namespace tolvane::test;

namespace {

// Server clients that answer from scripts and record what was asked.
class FakeServices : public QVMailingLogWindowServices
{
public:
    QStringList calls;
    std::optional<QVariantMap> summary;
    std::optional<QVariantMap> detailed;
    QString uspsError = QStringLiteral("The USPS server did not answer.");
    std::optional<QByteArray> labelServerReply;
    std::optional<QByteArray> partnerReply;
    QString labelServerError = QStringLiteral("Could not connect to the label server.");
    // Postage-server refunds: accepted unless the piece count is listed.
    QMap<qint64, QString> refusedPieces;

    std::optional<QVariantMap> trackResponseForID(const QString &id) override
    {
        calls << QStringLiteral("TrackV2:") + id;
        return summary;
    }
    std::optional<QVariantMap> trackFieldResponseForID(const QString &id) override
    {
        calls << QStringLiteral("TrackV2Field:") + id;
        return detailed;
    }
    QString uspsLastErrorDescription() override { return uspsError; }
    std::optional<QVXMLDocument> electronicRefundPieceCount(unsigned piece) override
    {
        calls << QStringLiteral("GetRefundXML:%1").arg(piece);
        return labelServerReply ? QVXMLDocument::fromData(*labelServerReply) : std::nullopt;
    }
    std::optional<QVXMLDocument> electronicRefundTrackingNumber(const QString &number) override
    {
        calls << QStringLiteral("RefundRequest:") + number;
        return partnerReply ? QVXMLDocument::fromData(*partnerReply) : std::nullopt;
    }
    QString labelServerLastErrorDescription(bool) override { return labelServerError; }
    QVPostageRefundOutcome postageElectronicRefund(qint64 piece) override
    {
        calls << QStringLiteral("electronicRefund:%1").arg(piece);
        if (refusedPieces.contains(piece))
            return {true, false, refusedPieces.value(piece)};
        return {true, true, QString()};
    }
    HttpRequest revertSalesRequest(const QString &storeId, const QString &trackingNumber) override
    {
        calls << QStringLiteral("RevertSales:%1:%2").arg(storeId, trackingNumber);
        HttpRequest request;
        request.url = revertURL;
        request.method = "POST";
        request.body = "<RevertSales/>";
        return request;
    }
    QUrl revertURL = QUrl(QStringLiteral("http://127.0.0.1:9/never"));
};

QVariantMap trackReply(const QVariantMap &trackInfo)
{
    return QVariantMap{{QStringLiteral("TrackResponse"), QVariantMap{{QStringLiteral("TrackInfo"), trackInfo}}}};
}

QVariantMap eventReply(const QString &event)
{
    return trackReply({{QStringLiteral("ID"), QStringLiteral("X")},
                       {QStringLiteral("TrackSummary"), QVariantMap{{QStringLiteral("Event"), event}}}});
}

const QString kPIC = QStringLiteral("9405511899223197428036");
const QDateTime kNow = QDateTime(QDate(2026, 6, 15), QTime(12, 0));

QVariantMap stampPiece(const QString &invoice, const QDateTime &printed, const QString &pic, qint64 pieceCount)
{
    QVariantMap entry = piece(invoice, printed, pic);
    entry.insert(QVUSPSShipmentPostageEnabledKey, true);
    entry.insert(QVUSPSShipmentRHOTransactionTypeKey, QStringLiteral("Stamp"));
    if (pieceCount)
        entry.insert(QVUSPSShipmentRHOPieceCountKey, pieceCount);
    return entry;
}

class LogRefundTest : public LogWindowTest
{
protected:
    void SetUp() override
    {
        LogWindowTest::SetUp();
        setMailingLogWindowServices(services);
    }
    // A voided web-store piece starts a RevertSales fetch to a port that
    // refuses it; the fetch keeps itself alive until the event loop has
    // seen it fail, so each test lets it end before the next one starts.
    void TearDown() override
    {
        QElapsedTimer clock;
        clock.start();
        while (running > 0 && clock.elapsed() < 30000) {
            QEventLoop loop;
            QTimer::singleShot(5, &loop, &QEventLoop::quit);
            loop.exec();
        }
        EXPECT_EQ(running, 0) << "a fetch was still running at the end of the test";
        LogWindowTest::TearDown();
    }
    std::shared_ptr<FakeServices> services = std::make_shared<FakeServices>();

private:
    int running = 0;
    const NotificationObserver startedObserver = NotificationCenter::defaultCenter().addObserver(
        kGTMHTTPFetcherStartedNotification, [this](const Notification &notification) {
            if (isRevert(notification))
                ++running;
        });
    const NotificationObserver stoppedObserver = NotificationCenter::defaultCenter().addObserver(
        kGTMHTTPFetcherStoppedNotification, [this](const Notification &notification) {
            if (isRevert(notification))
                --running;
        });
    bool isRevert(const Notification &notification) const
    {
        const GTMHTTPFetcher *fetcher = notification.object.get<GTMHTTPFetcher>();
        return fetcher && fetcher->request().url == services->revertURL;
    }
};

TEST_F(LogRefundTest, APieceWithoutNumbersOpensTheVendorPageOnlyWithAConfirmationNumber)
{
    UserDefaults::standardUserDefaults().setString(QStringLiteral("status.example.test"),
                                                   QVVendorStatusSiteDefaultsKey);
    QVariantMap entry = piece(QStringLiteral("V"), kNow);
    add(entry);
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    EXPECT_FALSE(controller.validateAction(QVMailingLogController::Action::CheckStatus));
    controller.checkStatus();
    EXPECT_TRUE(hosts.host->launchedURLs.isEmpty());

    entry.insert(QVUSPSShipmentConfirmKey, QStringLiteral("QV 0012 3456"));
    m_log->setLogArray({QVShipment(entry).plist()});
    EXPECT_TRUE(controller.validateAction(QVMailingLogController::Action::CheckStatus));
    controller.checkStatus();
    ASSERT_EQ(hosts.host->launchedURLs.size(), 1);
    const QUrl url = hosts.host->launchedURLs.first();
    EXPECT_EQ(url.host(), QStringLiteral("status.example.test"));
    EXPECT_EQ(url.path(), QStringLiteral("/Status/"));
    EXPECT_EQ(QUrlQuery(url).queryItemValue(QStringLiteral("PIC")), QStringLiteral("QV00123456"));
    EXPECT_TRUE(services->calls.isEmpty());
    EXPECT_TRUE(m_dialogs->alerts.isEmpty());
}

TEST_F(LogRefundTest, TrackingMapsTheEventInAnyCaseAndStoresAChangedStatus)
{
    struct Case {
        QString stored;
        QString event;
        QString expected;
        bool detailedAsked;
    };
    const QList<Case> cases = {
        {QString(), QStringLiteral("delivered abroad"), QVShipmentDeliveredStatus, true},
        {QVShipmentUndeliveredStatus, QStringLiteral("Undeliverable As Addressed"), QVShipmentDeliveryExceptionStatus,
         true},
        {QString(), QStringLiteral("ARRIVAL AT UNIT"), QVShipmentUndeliveredStatus, true},
        {QVShipmentDeliveredStatus, QStringLiteral("ARRIVAL AT UNIT"), QVShipmentDeliveredStatus, false},
    };
    for (const Case &c : cases) {
        QVariantMap entry = piece(QStringLiteral("T"), kNow, kPIC);
        if (!c.stored.isEmpty())
            entry.insert(QVShipmentDeliveryStatusKey, c.stored);
        m_log->setLogArray({QVShipment(entry).plist()});
        services->calls.clear();
        m_dialogs->alerts.clear();
        services->summary = trackReply(
            {{QStringLiteral("ID"), kPIC}, {QStringLiteral("TrackSummary"), QStringLiteral("Your item was seen.")}});
        services->detailed = eventReply(c.event);
        QVMailingLogController controller(m_log.get());
        controller.windowDidLoad();
        controller.checkStatus();
        EXPECT_EQ(services->calls.contains(QStringLiteral("TrackV2Field:") + kPIC), c.detailedAsked)
            << qPrintable(c.event);
        EXPECT_EQ(m_log->shipmentAtIndex(0)->objectForKey(QVShipmentDeliveryStatusKey).toString(), c.expected)
            << qPrintable(c.event);
        ASSERT_EQ(m_dialogs->alerts.size(), 1);
        EXPECT_EQ(m_dialogs->alerts.first().messageText, QStringLiteral("Track/Confirm Results"));
        EXPECT_EQ(m_dialogs->alerts.first().informativeText, QStringLiteral("Your item was seen."));
        EXPECT_EQ(controller.selectedRow(), std::optional<qsizetype>(0));
        EXPECT_FALSE(hosts.host->progressShown);
    }
}

TEST_F(LogRefundTest, TrackingErrorsAndNoReplyAreShownAndChangeNothing)
{
    add(piece(QStringLiteral("T"), kNow, kPIC));
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    services->summary = trackReply({{QStringLiteral("ID"), kPIC},
                                    {QStringLiteral("Error"),
                                     QVariantMap{{QStringLiteral("Number"), QStringLiteral("-2147219283")},
                                                 {QStringLiteral("Description"), QStringLiteral("No record.")}}}});
    controller.checkStatus();
    services->summary.reset();
    controller.checkStatus();
    ASSERT_EQ(m_dialogs->alerts.size(), 2);
    EXPECT_EQ(m_dialogs->alerts.at(0).informativeText, QStringLiteral("-2147219283\n\nNo record."));
    EXPECT_EQ(m_dialogs->alerts.at(1).informativeText, services->uspsError);
    EXPECT_FALSE(services->calls.contains(QStringLiteral("TrackV2Field:") + kPIC));
    EXPECT_FALSE(m_log->shipmentAtIndex(0)->dictionary().contains(QVShipmentDeliveryStatusKey));

    // The second button opens the USPS page with the number in log form.
    UserDefaults::standardUserDefaults().setString(QStringLiteral("track.example.test"), QVUSPSTrackingSiteDefaultsKey);
    m_dialogs->answers = {0};
    controller.checkStatus();
    ASSERT_EQ(hosts.host->launchedURLs.size(), 1);
    const QUrl url = hosts.host->launchedURLs.first();
    EXPECT_EQ(url.host(), QStringLiteral("track.example.test"));
    EXPECT_EQ(url.path(), QStringLiteral("/go/TrackConfirmAction"));
    EXPECT_EQ(QUrlQuery(url).queryItemValue(QStringLiteral("qtc_tLabels1")), kPIC);
}

TEST_F(LogRefundTest, RefundEligibilityByVoidPartnerPieceCountTypeAndAge)
{
    struct Case {
        QString name;
        QVariantMap entry;
        QDateTime now;
        bool offered;
        bool electronic;
    };
    const QDateTime printed = kNow.addSecs(-2592000);
    QVariantMap partner = piece(QStringLiteral("P"), kNow.addYears(-2), kPIC);
    partner.insert(QVUSPSShipmentOriginServerKey, QVUSPSShipmentOriginBriskoOne);
    QVariantMap voidPartner = partner;
    voidPartner.insert(QVShipmentVoidKey, true);
    QVariantMap noNumbers = stampPiece(QStringLiteral("N"), printed, QString(), 7);
    QVariantMap label = stampPiece(QStringLiteral("L"), printed, kPIC, 7);
    label.insert(QVUSPSShipmentRHOTransactionTypeKey, QStringLiteral("Correction"));
    QVariantMap voided = stampPiece(QStringLiteral("V"), printed, kPIC, 7);
    voided.insert(QVShipmentVoidKey, true);
    const QList<Case> cases = {
        {QStringLiteral("30 days to the second"), stampPiece(QStringLiteral("S"), printed, kPIC, 7), kNow, true, true},
        {QStringLiteral("one second older"), stampPiece(QStringLiteral("S"), printed, kPIC, 7), kNow.addSecs(1), true,
         false},
        {QStringLiteral("no piece count"), stampPiece(QStringLiteral("S"), printed, kPIC, 0), kNow, false, false},
        {QStringLiteral("not a stamp print"), label, kNow, false, false},
        {QStringLiteral("no numbers"), noNumbers, kNow, true, false},
        {QStringLiteral("void"), voided, kNow, false, false},
        {QStringLiteral("partner piece of any age"), partner, kNow, true, true},
        {QStringLiteral("void partner piece"), voidPartner, kNow, false, false},
    };
    for (const Case &c : cases) {
        const QVShipment shipment(c.entry);
        EXPECT_EQ(QVMailingLogController::isEligbileForRefund(shipment, c.now), c.offered) << qPrintable(c.name);
        EXPECT_EQ(QVMailingLogController::isEligibleForElectronicRefund(shipment, c.now), c.electronic)
            << qPrintable(c.name);
    }
}

TEST_F(LogRefundTest, AnOldPieceOpensTheRefundPageAndAskNothing)
{
    add(stampPiece(QStringLiteral("S"), kNow.addSecs(-2592001), kPIC, 7));
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    controller.electronicRefund(kNow);
    EXPECT_EQ(hosts.host->calls, QStringList{QStringLiteral("launchRefundRequest")});
    EXPECT_TRUE(m_dialogs->alerts.isEmpty());
    EXPECT_TRUE(services->calls.isEmpty());
}

TEST_F(LogRefundTest, APieceTheLogMarksVoidIsNotRefundedAgain)
{
    // Whatever road its refund would take (vendor, partner, the refund page
    // for an old piece), a void piece is refunded already: the user is told
    // so, and nothing is sent or opened.
    QVariantMap vendor = stampPiece(QStringLiteral("S"), kNow.addDays(-1), kPIC, 7);
    QVariantMap partner = piece(QStringLiteral("P"), kNow.addYears(-1), kPIC);
    partner.insert(QVUSPSShipmentOriginServerKey, QVUSPSShipmentOriginBriskoOne);
    QVariantMap old = stampPiece(QStringLiteral("O"), kNow.addSecs(-2592001), kPIC, 7);
    for (QVariantMap entry : {vendor, partner, old}) {
        entry.insert(QVShipmentVoidKey, true);
        m_log->setLogArray({QVShipment(entry).plist()});
        m_dialogs->alerts.clear();
        m_dialogs->answers = {1};
        services->calls.clear();
        services->labelServerReply = QByteArray("<r><RefundStatus>APPROVED</RefundStatus></r>");
        services->partnerReply = QByteArray("<r><IsApproved>YES</IsApproved></r>");
        hosts.host->calls.clear();
        QVMailingLogController controller(m_log.get());
        controller.windowDidLoad();
        controller.electronicRefund(kNow);
        EXPECT_TRUE(services->calls.isEmpty()) << qPrintable(services->calls.join(QLatin1Char(' ')));
        EXPECT_TRUE(hosts.host->calls.isEmpty()) << qPrintable(hosts.host->calls.join(QLatin1Char(' ')));
        ASSERT_EQ(m_dialogs->alerts.size(), 1);
        EXPECT_EQ(m_dialogs->alerts.at(0).messageText, QStringLiteral("This piece has already been refunded."));
        EXPECT_TRUE(m_log->shipmentAtIndex(0)->objectForKey(QVShipmentVoidKey).toBool());
    }
}

TEST_F(LogRefundTest, TheVendorRefundVoidsOnlyWhenApproved)
{
    struct Case {
        std::optional<QByteArray> reply;
        bool voided;
        QString alert;
        QString informative;
    };
    const QList<Case> cases = {
        {QByteArray("<r><RefundStatus>Approved</RefundStatus></r>"), true,
         QStringLiteral("Electronic Refund Request Accepted"), QString()},
        {QByteArray("<r><RefundStatus>DENIED</RefundStatus><RefundStatusMessage>Too late.</RefundStatusMessage></r>"),
         false, QStringLiteral("Could not complete transaction."), QStringLiteral("Too late.")},
        {std::nullopt, false, QStringLiteral("Could not complete transaction."),
         QStringLiteral("Could not connect to the label server.")},
    };
    for (const Case &c : cases) {
        m_log->setLogArray({QVShipment(stampPiece(QStringLiteral("S"), kNow.addDays(-1), kPIC, 7)).plist()});
        m_dialogs->alerts.clear();
        m_dialogs->answers = {1};
        services->calls.clear();
        services->labelServerReply = c.reply;
        QVMailingLogController controller(m_log.get());
        controller.windowDidLoad();
        controller.electronicRefund(kNow);
        EXPECT_EQ(services->calls, QStringList{QStringLiteral("GetRefundXML:7")});
        EXPECT_EQ(m_log->shipmentAtIndex(0)->objectForKey(QVShipmentVoidKey).toBool(), c.voided);
        ASSERT_EQ(m_dialogs->alerts.size(), 2);
        EXPECT_EQ(m_dialogs->alerts.at(0).messageText, QStringLiteral("Electronic Refund Request"));
        EXPECT_TRUE(m_dialogs->alerts.at(0).informativeText.endsWith(QStringLiteral("18 U.S.C. \u00A71001")));
        EXPECT_EQ(m_dialogs->alerts.at(1).messageText, c.alert);
        if (!c.informative.isEmpty()) {
            EXPECT_EQ(m_dialogs->alerts.at(1).informativeText, c.informative);
        }
        if (c.voided) {
            EXPECT_EQ(controller.selectedRow(), std::optional<qsizetype>(0));
            EXPECT_FALSE(controller.validateAction(QVMailingLogController::Action::ElectronicRefund));
        }
    }
}

TEST_F(LogRefundTest, ThePartnerRefundReadsIsApprovedAndCancelAsksNothing)
{
    QVariantMap entry = piece(QStringLiteral("P"), kNow.addYears(-1), kPIC);
    entry.insert(QVUSPSShipmentOriginServerKey, QVUSPSShipmentOriginBriskoOne);
    add(entry);
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    // Cancel at the warning.
    m_dialogs->answers = {0};
    controller.electronicRefund(kNow);
    EXPECT_TRUE(services->calls.isEmpty());

    services->partnerReply = QByteArray("<r><IsApproved>NO</IsApproved><ErrorMsg>Already refunded.</ErrorMsg></r>");
    m_dialogs->answers = {1};
    controller.electronicRefund(kNow);
    EXPECT_EQ(services->calls, QStringList{QStringLiteral("RefundRequest:") + kPIC});
    EXPECT_EQ(m_dialogs->alerts.last().messageText, QStringLiteral("Already refunded."));
    EXPECT_FALSE(m_log->shipmentAtIndex(0)->objectForKey(QVShipmentVoidKey).toBool());

    services->partnerReply = QByteArray("<r><IsApproved>YES</IsApproved></r>");
    m_dialogs->answers = {1};
    controller.electronicRefund(kNow);
    EXPECT_TRUE(m_log->shipmentAtIndex(0)->objectForKey(QVShipmentVoidKey).toBool());
}

TEST_F(LogRefundTest, VoidingAWebStoreOrderRevertsTheSaleExceptThroughTheStatusMenu)
{
    QVariantMap entry = stampPiece(QStringLiteral("W"), kNow.addDays(-1), kPIC, 7);
    entry.insert(QVUSPSShipmentRHOWebStoreIdKey, QStringLiteral("store-1"));
    entry.insert(QVUSPSShipmentRHOWebStoreNameKey, QStringLiteral("Corner Shop"));
    entry.insert(QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey, QVariantList{QStringLiteral("order-9")});
    add(entry);
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();

    controller.changeShipmentStatus(QVMailingLogController::VoidTag);
    EXPECT_TRUE(m_log->shipmentAtIndex(0)->objectForKey(QVShipmentVoidKey).toBool());
    EXPECT_TRUE(services->calls.isEmpty());

    controller.changeShipmentStatus(QVMailingLogController::UndeliveredTag);
    EXPECT_FALSE(m_log->shipmentAtIndex(0)->objectForKey(QVShipmentVoidKey).toBool());
    controller.markShipmentAsVoid();
    EXPECT_TRUE(m_log->shipmentAtIndex(0)->objectForKey(QVShipmentVoidKey).toBool());
    EXPECT_EQ(services->calls, QStringList{QStringLiteral("RevertSales:store-1:") + kPIC});

    // Un-voiding reverts nothing; a refund does, and names the store.
    controller.markShipmentAsVoid();
    services->calls.clear();
    services->labelServerReply = QByteArray("<r><RefundStatus>APPROVED</RefundStatus></r>");
    m_dialogs->answers = {1};
    controller.electronicRefund(kNow);
    EXPECT_TRUE(m_dialogs->alerts.first().informativeText.endsWith(
        QStringLiteral("\n\nThis order will also be marked as unshipped in Corner Shop.")));
    EXPECT_EQ(services->calls,
              QStringList({QStringLiteral("GetRefundXML:7"), QStringLiteral("RevertSales:store-1:") + kPIC}));
}

TEST_F(LogRefundTest, RefundFileLinesSplitAtEveryTerminator)
{
    struct Case {
        QByteArray data;
        std::optional<QStringList> lines;
    };
    const QList<Case> cases = {
        {"a\nb\r\nc\rd", QStringList{"a", "b", "c", "d"}},
        {"a\n\nb\n", QStringList{"a", "", "b"}},
        // Blank lines at the end, also after a "\r\n" cut short.
        {"a\r\n\r\n", QStringList{"a"}},
        {"a\r\n\r", QStringList{"a"}},
        {"\n\n", QStringList{}},
        {"", QStringList{}},
        {" a \n", QStringList{" a "}},
        {"a\xff\xfe\n", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(QVMailingLogController::refundFileLines(c.data), c.lines) << c.data.toPercentEncoding().constData();
}

TEST_F(LogRefundTest, ARefundFileAsksOnceRefundsEachPieceOnceAndVoidsOnlyAcceptedPieces)
{
    const QString pic2 = QStringLiteral("4206270194055118992231974281");
    add(stampPiece(QStringLiteral("A"), kNow.addDays(-2), kPIC, 11));
    add(stampPiece(QStringLiteral("B"), kNow.addDays(-2), pic2, 12));
    QVariantMap voided =
        stampPiece(QStringLiteral("C"), kNow.addDays(-2), QStringLiteral("9405511899223197428099"), 13);
    voided.insert(QVShipmentVoidKey, true);
    add(voided);
    add(stampPiece(QStringLiteral("D"), kNow.addDays(-2), QStringLiteral("9405511899223197428077"), 14));
    services->refusedPieces.insert(14, QStringLiteral("Piece already used."));

    QFile file(path(QStringLiteral("refunds.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // A, an empty line, an unknown number, B in log form, A again, the void
    // piece, D (refused).
    file.write(kPIC.toUtf8() + "\r\n\r\n0000000000\n" + pic2.mid(8).toUtf8() + "\n" + kPIC.toUtf8() +
               "\n9405511899223197428099\n9405511899223197428077\n");
    file.close();

    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    // Cancel at the question: nothing is asked of the server.
    m_dialogs->openPaths = {file.fileName()};
    m_dialogs->answers = {0};
    controller.importFlatPICFileForRefunding();
    EXPECT_TRUE(services->calls.isEmpty());
    ASSERT_EQ(m_dialogs->alerts.size(), 1);
    EXPECT_TRUE(m_dialogs->alerts.first().informativeText.contains(QStringLiteral("3 pieces")));

    m_dialogs->alerts.clear();
    m_dialogs->openPaths = {file.fileName()};
    m_dialogs->answers = {1};
    controller.importFlatPICFileForRefunding();
    EXPECT_EQ(services->calls,
              QStringList({QStringLiteral("electronicRefund:11"), QStringLiteral("electronicRefund:12"),
                           QStringLiteral("electronicRefund:14")}));
    EXPECT_TRUE(QVShipment(entryNamed(QStringLiteral("A"))).objectForKey(QVShipmentVoidKey).toBool());
    EXPECT_TRUE(QVShipment(entryNamed(QStringLiteral("B"))).objectForKey(QVShipmentVoidKey).toBool());
    EXPECT_FALSE(QVShipment(entryNamed(QStringLiteral("D"))).objectForKey(QVShipmentVoidKey).toBool());
    ASSERT_EQ(m_dialogs->alerts.size(), 2);
    const QString summary = m_dialogs->alerts.last().informativeText;
    EXPECT_TRUE(summary.contains(QStringLiteral("Refunded: 2"))) << qPrintable(summary);
    EXPECT_TRUE(summary.contains(QStringLiteral("Refused: 1"))) << qPrintable(summary);
    EXPECT_TRUE(summary.contains(QStringLiteral("Piece already used."))) << qPrintable(summary);
    EXPECT_TRUE(summary.contains(QStringLiteral("Not found in the log: 1"))) << qPrintable(summary);
    EXPECT_TRUE(summary.contains(QStringLiteral("Void or without a piece count: 1"))) << qPrintable(summary);
}

} // namespace

namespace {

// The web-store client's own RevertSales request, sent through the fetcher to
// a local HTTPS stand-in of the web-store service.
TEST_F(LogWindowTest, VoidingAWebStoreOrderSendsOneRevertSalesRequest)
{
    LocalHttpServer server(LocalHttpServer::Scheme::Https);
    ASSERT_TRUE(server.isListening());
    setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
    const QByteArray revertPath = "/WebStoreService/WebStoreService.svc/rest/RevertSales";
    server.setReply(revertPath, ScriptedReply::text(200, "<RevertSales/>", "application/xml"));
    UserDefaults::standardUserDefaults().setString(server.hostAndPort(), QVWebStoreServiceServerDefaultsKey);
    QVCommandCenter::resetSharedInstancesForTesting();
    // Only fetches to this server count: those of earlier tests may still
    // be retrying in this process.
    int stopped = 0;
    const NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        kGTMHTTPFetcherStoppedNotification, [&stopped, &server](const Notification &notification) {
            const GTMHTTPFetcher *fetcher = notification.object.get<GTMHTTPFetcher>();
            if (fetcher && fetcher->request().url.authority() == server.hostAndPort())
                ++stopped;
        });

    QVariantMap entry = stampPiece(QStringLiteral("W"), kNow.addDays(-1), kPIC, 7);
    entry.insert(QVUSPSShipmentRHOWebStoreIdKey, QStringLiteral("store-1"));
    entry.insert(QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey, QVariantList{QStringLiteral("order-9")});
    add(entry);
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    const auto spin = [&](int milliseconds) {
        QElapsedTimer clock;
        clock.start();
        while (stopped < 1 && clock.elapsed() < milliseconds) {
            QEventLoop loop;
            QTimer::singleShot(5, &loop, &QEventLoop::quit);
            loop.exec();
        }
    };
    controller.changeShipmentStatus(QVMailingLogController::VoidTag);
    spin(300);
    EXPECT_EQ(server.requestCount(), 0);

    controller.changeShipmentStatus(QVMailingLogController::UndeliveredTag);
    controller.markShipmentAsVoid();
    // Generous: a loaded machine (sanitizers, parallel suites) is slow to
    // shake hands; the wait ends as soon as the fetch stops.
    spin(30000);
    EXPECT_EQ(stopped, 1);
    const QList<RecordedRequest> requests = server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests.first().path(), revertPath);
    EXPECT_EQ(requests.first().method, QByteArray("POST"));
    EXPECT_TRUE(requests.first().body.contains("<WebStoreId>store-1</WebStoreId>"))
        << requests.first().body.constData();
    EXPECT_TRUE(requests.first().body.contains("<TrackingNumber>" + kPIC.toUtf8() + "</TrackingNumber>"))
        << requests.first().body.constData();
    setHttpCAFile(QString());
    QVCommandCenter::resetSharedInstancesForTesting();
}

// A status change whose log write fails is told to the user.
TEST_F(LogWindowTest, AChangeThatCannotBeSavedIsTold)
{
    add(piece(QStringLiteral("A"), kNow, kPIC));
    QVMailingLogController controller(m_log.get());
    controller.windowDidLoad();
    // The log's folder goes away: the next write fails.
    ASSERT_TRUE(QDir(m_dir.path()).rename(QVMailingLogFileName, QStringLiteral("moved")));
    ASSERT_TRUE(QDir().mkpath(path(QVMailingLogFileName)));
    controller.changeShipmentStatus(QVMailingLogController::DeliveredTag);
    ASSERT_EQ(m_dialogs->alerts.size(), 1);
    EXPECT_EQ(m_dialogs->alerts.first().messageText, QStringLiteral("The mailing log could not be saved."));
}

} // namespace
