// QVGLZUSPSZoneChartCommandCenter, the zone-chart client, against the fake
// zone-chart service: look-ups from downloaded and cached charts (also after
// a restart), the chart-date check, the refusals (short or non-digit ZIPs,
// unknown destinations, malformed chart lines, absurd zones) and the cache
// file's own form.
#include "model/ServiceHooks.h"
#include "platform/UserDefaults.h"
#include "services/QVCommandCenter.h"
#include "services/QVGLZUSPSZoneChartCommandCenter.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVZoneChart.h"

#include "FakeZoneChartServer.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using tolvane::test::FakeZoneChartServer;

namespace {

class ZoneChartClientTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QVCommandCenter::resetSharedInstancesForTesting();
        UserDefaults::resetStandardUserDefaults();
        QFile::remove(cachePath());
        ASSERT_TRUE(server.isListening());
        UserDefaults::standardUserDefaults().setString(server.host(), QVZoneChartServerDefaultsKey);
        server.setChartLines(
            "63301",
            {"00500 00599 8", "10000 10099 4", "60000 62999 1", "63000 63999 2", "11000 11099 4", "90000 96199 8"});
    }
    void TearDown() override
    {
        setUSPSAddressServices(nullptr);
        UserDefaults::resetStandardUserDefaults();
        QVCommandCenter::resetSharedInstancesForTesting();
        QFile::remove(cachePath());
    }
    static QString cachePath() { return QDir(tolvane::test::supportDir()).filePath(QStringLiteral("zoneChartCache")); }
    static std::shared_ptr<QVGLZUSPSZoneChartCommandCenter> client()
    {
        auto c = QVGLZUSPSZoneChartCommandCenter::commandCenter();
        c->setRequestTimeoutMilliseconds(10000);
        return c;
    }
    // A new process: the shared instance made again from the cache file.
    static void restart() { QVCommandCenter::resetSharedInstancesForTesting(); }

    FakeZoneChartServer server;
};

TEST_F(ZoneChartClientTest, LooksUpZonesFromTheDownloadedChart)
{
    struct Case {
        const char *destination;
        const char *zone;
    } cases[] = {
        {"10001", "4"}, {"10001-1234", "4"}, {"11050", "4"}, // two ranges of one zone
        {"63301", "2"}, {"60000", "1"},      {"62999", "1"},
        {"00599", "8"}, {"96199", "8"},      {"99999", "8"}, // in no range: the chart's highest zone
        {"1000", "-1"}, {"ABCDE", "-1"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(client()->zoneFromOriginZIP(QStringLiteral("63301-4410"), QString::fromLatin1(c.destination)),
                  QString::fromLatin1(c.zone))
            << c.destination;
    // One download for the origin, with one date check before it.
    EXPECT_EQ(server.chartRequestCount(), 1);
    EXPECT_EQ(server.dateRequestCount(), 1);
    EXPECT_EQ(server.http().requests().last().target, QByteArray("/isapi/zone.dll?63301"));
    EXPECT_EQ(client()->zoneChart().chartDate, QStringLiteral("12312014"));
}

TEST_F(ZoneChartClientTest, CachedChartsSurviveARestart)
{
    ASSERT_EQ(client()->zoneFromOriginZIP(QStringLiteral("63301"), QStringLiteral("10001")), QStringLiteral("4"));
    ASSERT_TRUE(QFile::exists(cachePath()));
    restart();
    server.http().clearRequests();
    server.setChartLines("63301", {"10000 10099 7"});
    EXPECT_EQ(client()->zoneFromOriginZIP(QStringLiteral("63301"), QStringLiteral("10001")), QStringLiteral("4"));
    EXPECT_EQ(client()->zoneFromOriginZIP(QStringLiteral("63301"), QStringLiteral("63999")), QStringLiteral("2"));
    EXPECT_EQ(server.http().requestCount(), 0);
    EXPECT_EQ(client()->zoneChart().chartDate, QStringLiteral("12312014"));
}

TEST_F(ZoneChartClientTest, ShortOrNonDigitOriginsAnswerMinusOneWithoutARequest)
{
    for (const char *origin : {"9021", "", "ABCDE", "6330/"})
        EXPECT_EQ(client()->zoneFromOriginZIP(QString::fromLatin1(origin), QStringLiteral("10001")),
                  QStringLiteral("-1"))
            << origin;
    EXPECT_FALSE(client()->buildZoneChartIfNotExistsForZIP(QStringLiteral("9021")));
    EXPECT_EQ(server.http().requestCount(), 0);
}

TEST_F(ZoneChartClientTest, ZonesAreCappedAndMalformedLinesIgnored)
{
    server.setChartLines("20001",
                         {
                             "30000 30099 11",         // zone 11 counts as 9
                             "31000 31099 4294967296", // absurd zone, capped too
                             "32000 32099 9",
                             "40000 40099",        // two fields
                             "41000 41099 3 X",    // four fields
                             "42000 42099 X3",     // zone not a number
                             "43099 43000 3",      // end below start
                             "440 44099 3",        // start of three characters
                             "45000  45099 3",     // two spaces: four fields
                             "00000 99999 -5",     // a sign
                             "50000123 50099999 5" // longer fields: their first five
                         });
    const auto zone = [&](const char *destination) {
        return client()->zoneFromOriginZIP(QStringLiteral("20001"), QString::fromLatin1(destination));
    };
    EXPECT_EQ(zone("30050"), QStringLiteral("9"));
    EXPECT_EQ(zone("31050"), QStringLiteral("9"));
    EXPECT_EQ(zone("32050"), QStringLiteral("9"));
    EXPECT_EQ(zone("50050"), QStringLiteral("5"));
    // What the ignored lines name lies in no range: the chart's highest zone.
    for (const char *ignored : {"40050", "41050", "42050", "43050", "44050", "45050", "77777"})
        EXPECT_EQ(zone(ignored), QStringLiteral("9")) << ignored;
    const QVZoneChart &chart = client()->zoneChart().charts.value(QStringLiteral("20001"));
    EXPECT_EQ(chart.ranges().size(), 4);
    for (const QVZoneRange &range : chart.ranges())
        EXPECT_LE(range.zone, kMaxUSPSZone);
}

TEST_F(ZoneChartClientTest, ADestinationBeyondEveryRangeAnswersTheHighestZoneTheChartNames)
{
    struct Case {
        const char *origin;
        QList<QByteArray> lines;
        const char *zone;        // of 96898, in no range
        const char *zoneOf10001; // in a range
    } cases[] = {
        {"30001",
         {"00500 09999 1", "10000 19999 2", "20000 29999 3", "30000 39999 4", "40000 49999 5", "50000 59999 6",
          "60000 69999 7", "70000 89999 8"},
         "8",
         "2"},
        {"30002", {"00500 09999 9", "10000 89999 8"}, "9", "8"},
        {"30003", {"10000 89999 11"}, "9", "9"}, // zone 11 counts as 9
        {"30004", {"10000 19999 5", "20000 89999 3"}, "5", "5"},
    };
    for (const Case &c : cases) {
        server.setChartLines(c.origin, c.lines);
        EXPECT_EQ(client()->zoneFromOriginZIP(QString::fromLatin1(c.origin), QStringLiteral("96898")),
                  QString::fromLatin1(c.zone))
            << c.origin;
        EXPECT_EQ(client()->zoneFromOriginZIP(QString::fromLatin1(c.origin), QStringLiteral("10001")),
                  QString::fromLatin1(c.zoneOf10001))
            << c.origin;
    }
}

TEST_F(ZoneChartClientTest, AChartWithoutLinesOrNoReplyStoresNothing)
{
    server.setRawChart("70001", "<html><body>no chart</body></html>");
    EXPECT_EQ(client()->zoneFromOriginZIP(QStringLiteral("70001"), QStringLiteral("10001")), QStringLiteral("-1"));
    EXPECT_FALSE(client()->zoneChart().charts.contains(QStringLiteral("70001")));
    // An origin the service has no chart for: an empty reply.
    EXPECT_FALSE(client()->buildZoneChartForZIP(QStringLiteral("70002")));
    // No server set: no request, no zone.
    UserDefaults::standardUserDefaults().removeObjectForKey(QVZoneChartServerDefaultsKey);
    server.http().clearRequests();
    EXPECT_EQ(client()->zoneFromOriginZIP(QStringLiteral("63301"), QStringLiteral("10001")), QStringLiteral("-1"));
    EXPECT_EQ(server.http().requestCount(), 0);
}

TEST_F(ZoneChartClientTest, ANewerChartDateClearsTheCache)
{
    struct Case {
        const char *cached;
        const char *service;
        bool cleared;
    } cases[] = {
        {"12312014", "01152015", true}, {"01152015", "12312014", false}, {"01152015", "01152015", false},
        {"01152015", "02012015", true}, {"01152015", "01162015", true},  {"01152015", "1152015", false},
        {"01152015", "date?", false},
    };
    for (const Case &c : cases) {
        client()->clearZoneCache();
        server.setChartDate(c.cached);
        ASSERT_EQ(client()->zoneFromOriginZIP(QStringLiteral("63301"), QStringLiteral("10001")), QStringLiteral("4"));
        ASSERT_EQ(client()->zoneChart().chartDate, QString::fromLatin1(c.cached));
        server.setChartDate(c.service);
        client()->checkForZoneUpdate();
        EXPECT_EQ(client()->zoneChart().charts.isEmpty(), c.cleared) << c.cached << " " << c.service;
        // The start-up check records no date.
        EXPECT_EQ(client()->zoneChart().chartDate, c.cleared ? QString() : QString::fromLatin1(c.cached));
        EXPECT_EQ(QFile::exists(cachePath()), !c.cleared);
    }
}

TEST_F(ZoneChartClientTest, ACacheWithoutADateIsDroppedAndTheStampsEditionChecksNothing)
{
    QFile file(cachePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("TolvaneZoneChartCache 1\nchart 63301\n4 10000 10099\n");
    file.close();
    restart();
    ASSERT_EQ(client()->zoneChart().charts.size(), 1);
    UserDefaults::standardUserDefaults().setBool(true, QVKivoStampsVersionDefaultsKey);
    client()->checkForZoneUpdate();
    EXPECT_EQ(server.http().requestCount(), 0);
    EXPECT_EQ(client()->zoneChart().charts.size(), 1);
    UserDefaults::standardUserDefaults().setBool(false, QVKivoStampsVersionDefaultsKey);
    client()->checkForZoneUpdate();
    EXPECT_TRUE(client()->zoneChart().charts.isEmpty());
    EXPECT_FALSE(QFile::exists(cachePath()));
}

TEST_F(ZoneChartClientTest, AnUnreadableCacheFileCountsAsEmpty)
{
    for (const QByteArray &text : {QByteArray("\x00\x01garbage", 9), QByteArray("TolvaneZoneChartCache 1\n4 1 2\n"),
                                   QByteArray("TolvaneZoneChartCache 1\nchart 63301\n99 10000 10099\n")}) {
        QFile file(cachePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        restart();
        EXPECT_TRUE(client()->zoneChart().isEmpty());
        // The next download rewrites the file in our form.
        EXPECT_EQ(client()->zoneFromOriginZIP(QStringLiteral("63301"), QStringLiteral("10001")), QStringLiteral("4"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll().startsWith("TolvaneZoneChartCache 1\nchartDate 12312014\nchart 63301\n"));
        file.close();
    }
}

TEST_F(ZoneChartClientTest, RegisteredAsTheModelsZoneService)
{
    EXPECT_EQ(uspsZoneFromOriginZIP(QStringLiteral("63301"), QStringLiteral("10001")), QStringLiteral("-1"));
    registerZoneChartZoneService();
    registerZoneChartZoneService(); // once is enough
    EXPECT_EQ(uspsZoneFromOriginZIP(QStringLiteral("63301"), QStringLiteral("10001")), QStringLiteral("4"));
    EXPECT_EQ(server.chartRequestCount(), 1);
}

TEST(ZoneChartCacheText, RoundTripsAndRefusesWhatIsNotACache)
{
    QVZoneChartCache cache;
    cache.chartDate = QStringLiteral("01152015");
    cache.charts[QStringLiteral("00501")].addRange(1, 0, 99999);
    cache.charts[QStringLiteral("63301")].addRange(4, 10000, 10099);
    cache.charts[QStringLiteral("63301")].addRange(4, 11000, 11099);
    cache.charts[QStringLiteral("63301")].addRange(9, 500, 599);
    const QByteArray text = zoneChartCacheText(cache);
    const auto read = readZoneChartCacheText(text);
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, cache);
    // A date of another length is dropped and the charts kept.
    const auto shortDate =
        readZoneChartCacheText("TolvaneZoneChartCache 1\nchartDate 123\nchart 63301\n4 10000 10099\n");
    ASSERT_TRUE(shortDate);
    EXPECT_TRUE(shortDate->chartDate.isEmpty());
    EXPECT_EQ(shortDate->charts.size(), 1);
    for (const QByteArray &bad :
         {QByteArray(), QByteArray("TolvaneZoneChartCache 2\n"), QByteArray("TolvaneZoneChartCache 1\nchart 6330\n"),
          QByteArray("TolvaneZoneChartCache 1\nchart 63301\n4 10099 10000\n"),
          QByteArray("TolvaneZoneChartCache 1\nchart 63301\n4 100 10099\n"),
          QByteArray("TolvaneZoneChartCache 1\nchart 63301\n4 10000 10099 5\n")})
        EXPECT_FALSE(readZoneChartCacheText(bad)) << bad.constData();
}

} // namespace
