// QVUpdater: the feed URL by edition and build, the version-check document
// and the feed parameters, a feed served by a local server (holidays, the
// minimum version to print, a newer version), the print check and the
// window-title marks.
#include "app/shell/Appcast.h"
#include "app/shell/QVUpdater.h"
#include "platform/Bundle.h"
#include "platform/UserDefaults.h"
#include "services/QVCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include "ConsoleCapture.h"
#include "LocalHttpServer.h"
#include "RecordingDialogs.h"
#include "RecordingUrlOpener.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QUrlQuery>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class UpdaterTest : public ::testing::Test
{
protected:
    void SetUp() override { UserDefaults::resetStandardUserDefaults(); }
    void TearDown() override { UserDefaults::resetStandardUserDefaults(); }

    UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

    QVUpdaterEnvironment environment(const QString &feedURL = QStringLiteral("https://feeds.example.invalid/x.xml"))
    {
        QVUpdaterEnvironment e;
        e.bundleFeedURL = feedURL;
        e.bundleVersion = QStringLiteral("400");
        e.shortVersionString = QStringLiteral("2.0");
        e.bundleName = QStringLiteral("Tolvane");
        e.systemVersionBCD = [] { return 0x100608u; };
        e.mainScreenSize = [] { return QSize(1440, 900); };
        e.setAllHolidays = [this](const QVariantMap &holidays) { receivedHolidays.append(holidays); };
        e.refreshAccountInformation = [this] { ++accountRefreshes; };
        e.checkForZoneUpdate = [this] { ++zoneChecks; };
        e.testServerHost = [this] { return testServerHost; };
        return e;
    }

    // Waits until the running check has finished.
    static bool waitForCheck(QVUpdater &updater)
    {
        QElapsedTimer clock;
        clock.start();
        while (updater.isChecking() && clock.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return !updater.isChecking();
    }

    // Runs a check and waits until it has finished.
    static bool runCheck(QVUpdater &updater, bool userInitiated)
    {
        bool finished = false;
        updater.setCheckFinishedHandler([&finished] { finished = true; });
        userInitiated ? updater.checkForUpdates() : updater.checkInBackground();
        QElapsedTimer clock;
        clock.start();
        while (!finished && clock.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        updater.setCheckFinishedHandler(nullptr);
        return finished;
    }

    static QByteArray feedWithItem(const QByteArray &itemElements)
    {
        return "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><item>" +
            itemElements + "</item></channel></rss>";
    }

    QList<QVariantMap> receivedHolidays;
    int accountRefreshes = 0;
    int zoneChecks = 0;
    QString testServerHost;
};

AppcastItem itemWith(const QString &key, const QString &value)
{
    AppcastItem item;
    item.properties.insert(key, value);
    return item;
}

} // namespace

TEST_F(UpdaterTest, FeedURLFollowsEditionAndBuild)
{
    const struct {
        const char *name;
        const char *bundleURL;
        const char *shortVersion;
        bool stamps;
        bool zpm;
        const char *expected;
    } cases[] = {
        {"version-check service kept", "https://vc.example.invalid/VcService.asmx/Check?x=1", "2.1B3", true, false,
         "https://vc.example.invalid/VcService.asmx/Check?x=1"},
        {"release", "https://feeds.example.invalid/any/where.xml?q=1", "2.0", false, false,
         "https://feeds.example.invalid/tolvaneformac/TolvaneForMacSparkle.xml"},
        {"capital B is beta", "https://feeds.example.invalid/x.xml", "2.1B3", false, false,
         "https://feeds.example.invalid/tfmbeta/TolvaneForMacSparkle.xml"},
        {"small b is beta", "http://feeds.example.invalid/x.xml", "2.1b3", false, false,
         "http://feeds.example.invalid/tfmbeta/TolvaneForMacSparkle.xml"},
        {"stamps edition", "https://feeds.example.invalid/x.xml", "2.0", true, false,
         "https://feeds.example.invalid/tolvaneformac/KIVOStampsMacSparkle.xml"},
        {"ZPM stamps edition", "https://feeds.example.invalid/x.xml", "2.0", true, true,
         "https://feeds.example.invalid/tolvaneformac/ZPMMacSparkle.xml"},
        {"ZPM only counts in the stamps edition", "https://feeds.example.invalid/x.xml", "2.0", false, true,
         "https://feeds.example.invalid/tolvaneformac/TolvaneForMacSparkle.xml"},
        {"port kept", "http://127.0.0.1:8123/feed.xml", "2.0", false, false,
         "http://127.0.0.1:8123/tolvaneformac/TolvaneForMacSparkle.xml"},
    };
    for (const auto &c : cases) {
        defaults().setBool(c.stamps, QStringLiteral("kivoStampsVersion"));
        defaults().setBool(c.zpm, QStringLiteral("zpmVersion"));
        QVUpdaterEnvironment e = environment(QString::fromUtf8(c.bundleURL));
        e.shortVersionString = QString::fromUtf8(c.shortVersion);
        QVUpdater updater(e);
        updater.setUpFeedURL();
        EXPECT_EQ(updater.feedURL().toString(), QString::fromUtf8(c.expected)) << c.name;
    }
    // Without a feed of the build the current one stays.
    QVUpdater updater(environment(QString()));
    updater.setFeedURL(QUrl(QStringLiteral("https://kept.example.invalid/f.xml")));
    updater.setUpFeedURL();
    EXPECT_EQ(updater.feedURL(), QUrl(QStringLiteral("https://kept.example.invalid/f.xml")));
}

TEST_F(UpdaterTest, VersionCheckDocumentAndParameters)
{
    defaults().setString(QStringLiteral("8765432"), QStringLiteral("tolvaneUser"));
    QVUpdater updater(environment());
    QXmlStreamReader reader(updater.XMLForVersionCheck());
    QStringList elements;
    QStringList texts;
    ASSERT_EQ(reader.readNext(), QXmlStreamReader::StartDocument);
    EXPECT_EQ(reader.documentEncoding(), QStringLiteral("UTF-8"));
    reader.readNextStartElement();
    EXPECT_EQ(reader.name(), QStringLiteral("VersionControl"));
    while (reader.readNextStartElement()) {
        elements << reader.name().toString();
        texts << reader.readElementText();
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(elements, (QStringList{"AccountNumber", "AppName", "AppVersion", "OS", "OSVersion", "Printer", "Misc"}));
    EXPECT_EQ(texts, (QStringList{"8765432", "TolvaneForMacSparkle", "400", "Mac", "100608", "", "s:{1440, 900}"}));

    // An ordinary feed gets only the account number ...
    updater.setFeedURL(QUrl(QStringLiteral("https://feeds.example.invalid/tolvaneformac/TolvaneForMacSparkle.xml")));
    auto parameters = updater.feedParameters();
    ASSERT_EQ(parameters.size(), 1);
    EXPECT_EQ(parameters[0].first, QStringLiteral("AccountNumber"));
    EXPECT_EQ(parameters[0].second, QStringLiteral("8765432"));
    // ... the version-check service the document first.
    updater.setFeedURL(QUrl(QStringLiteral("https://vc.example.invalid/VcService.asmx/Check")));
    parameters = updater.feedParameters();
    ASSERT_EQ(parameters.size(), 2);
    EXPECT_EQ(parameters[0].first, QStringLiteral("inputString"));
    EXPECT_EQ(parameters[0].second.toUtf8(), updater.XMLForVersionCheck());
    // Without an account number nothing of it.
    defaults().removeObjectForKey(QStringLiteral("tolvaneUser"));
    parameters = updater.feedParameters();
    ASSERT_EQ(parameters.size(), 1);
    EXPECT_EQ(parameters[0].first, QStringLiteral("inputString"));
}

// The request that reaches the server carries the document intact, and only
// for the version-check service.
TEST_F(UpdaterTest, ServedFeedReceivesParameters)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    const QByteArray feed = feedWithItem("<sparkle:version>400</sparkle:version>");
    server.setReply("/VcService.asmx/GetUpdates", ScriptedReply::text(200, feed, "application/rss+xml"));
    server.setReply("/tolvaneformac/TolvaneForMacSparkle.xml", ScriptedReply::text(200, feed, "application/rss+xml"));
    defaults().setString(QStringLiteral("8765432"), QStringLiteral("tolvaneUser"));

    QVUpdater service(environment(server.url(QStringLiteral("/VcService.asmx/GetUpdates"))));
    service.setUpFeedURL();
    ASSERT_TRUE(runCheck(service, false));
    ASSERT_EQ(server.requestCount(), 1);
    const QUrlQuery query(QString::fromLatin1(server.lastRequest().query()));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("inputString"), QUrl::FullyDecoded).toUtf8(),
              service.XMLForVersionCheck());
    EXPECT_EQ(query.queryItemValue(QStringLiteral("AccountNumber")), QStringLiteral("8765432"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("appVersion")), QStringLiteral("400"));
    EXPECT_EQ(query.queryItemValue(QStringLiteral("osVersion")), QStringLiteral("100608"));

    server.clearRequests();
    QVUpdater plain(environment(server.url(QStringLiteral("/feed.xml"))));
    plain.setUpFeedURL();
    ASSERT_TRUE(runCheck(plain, false));
    ASSERT_EQ(server.requestCount(), 1);
    EXPECT_EQ(server.lastRequest().path(), QByteArray("/tolvaneformac/TolvaneForMacSparkle.xml"));
    const QUrlQuery plainQuery(QString::fromLatin1(server.lastRequest().query()));
    EXPECT_FALSE(plainQuery.hasQueryItem(QStringLiteral("inputString")));
    EXPECT_EQ(plainQuery.queryItemValue(QStringLiteral("AccountNumber")), QStringLiteral("8765432"));
}

TEST_F(UpdaterTest, FeedValuesAreCheckedBeforeUse)
{
    QVUpdater updater(environment());
    defaults().setString(QStringLiteral("350"), QStringLiteral("SUSkippedVersion"));
    ConsoleCapture console;
    updater.didFinishLoadingAppcast({
        itemWith(QVAppcastHolidaysKey,
                 QStringLiteral("<plist><dict><key>a</key><string>Labor Day</string></dict></plist>")),
        itemWith(QVAppcastMinimumToPrintKey, QStringLiteral("390")),
    });
    EXPECT_TRUE(defaults().objectForKey(QStringLiteral("SUSkippedVersion")).isNull());
    ASSERT_EQ(receivedHolidays.size(), 1);
    EXPECT_EQ(receivedHolidays[0].value(QStringLiteral("a")).toString(), QStringLiteral("Labor Day"));
    EXPECT_EQ(updater.minimumToPrintVersion(), 390u);
    // The first load is the launch's: it refreshes nothing itself.
    EXPECT_EQ(accountRefreshes, 0);
    EXPECT_EQ(zoneChecks, 0);
    EXPECT_TRUE(console.lines().isEmpty()) << console.lines().join('\n').toStdString();

    // Values of the wrong kind are logged and change nothing.
    updater.didFinishLoadingAppcast({
        itemWith(QVAppcastHolidaysKey, QStringLiteral("<plist><array><string>x</string></array></plist>")),
        itemWith(QVAppcastHolidaysKey, QStringLiteral("<plist><dict><key>a</key><integer>4</integer></dict></plist>")),
        itemWith(QVAppcastHolidaysKey, QStringLiteral("not a list")),
        itemWith(QVAppcastHolidaysKey, QString()),
        itemWith(QVAppcastMinimumToPrintKey, QStringLiteral("-1")),
        itemWith(QVAppcastMinimumToPrintKey, QStringLiteral("4294967296")),
    });
    EXPECT_EQ(receivedHolidays.size(), 1);
    EXPECT_EQ(updater.minimumToPrintVersion(), 390u);
    EXPECT_EQ(console.lines().filter(QStringLiteral("error loading holidays: ")).size(), 3)
        << console.lines().join('\n').toStdString();
    EXPECT_EQ(console.lines().size(), 5);
    // Every later load refreshes the account information and the zone chart.
    EXPECT_EQ(accountRefreshes, 1);
    EXPECT_EQ(zoneChecks, 1);

    // A later item wins.
    updater.didFinishLoadingAppcast({itemWith(QVAppcastMinimumToPrintKey, QStringLiteral("395")),
                                     itemWith(QVAppcastMinimumToPrintKey, QStringLiteral("380"))});
    EXPECT_EQ(updater.minimumToPrintVersion(), 380u);
}

TEST_F(UpdaterTest, MinimumToPrintDecidesPrinting)
{
    DialogsScope dialogs;
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    QVUpdater updater(environment(server.url(QStringLiteral("/feed.xml"))));
    updater.setUpFeedURL();
    EXPECT_EQ(updater.minimumToPrintVersion(), 0u);
    EXPECT_TRUE(updater.validateVersionForPrinting());

    // Equal to the build: printing goes on without a word.
    server.setReply("/tolvaneformac/TolvaneForMacSparkle.xml",
                    ScriptedReply::text(200,
                                        feedWithItem("<sparkle:version>400</sparkle:version>"
                                                     "<tolvane:minimumToPrint>400</tolvane:minimumToPrint>")));
    ASSERT_TRUE(runCheck(updater, false));
    EXPECT_EQ(updater.minimumToPrintVersion(), 400u);
    EXPECT_TRUE(updater.isAllowedToPrintBasedOnCurrentVersion());
    EXPECT_TRUE(updater.validateVersionForPrinting());
    EXPECT_TRUE(dialogs->alerts.isEmpty());

    // One higher: refused with the alert; "Cancel" starts nothing.
    server.setReply("/tolvaneformac/TolvaneForMacSparkle.xml",
                    ScriptedReply::text(200,
                                        feedWithItem("<sparkle:version>400</sparkle:version>"
                                                     "<tolvane:minimumToPrint>401</tolvane:minimumToPrint>")));
    ASSERT_TRUE(runCheck(updater, false));
    EXPECT_FALSE(updater.isAllowedToPrintBasedOnCurrentVersion());
    server.clearRequests();
    dialogs->answers = {0};
    EXPECT_FALSE(updater.validateVersionForPrinting());
    ASSERT_EQ(dialogs->alerts.size(), 1);
    const Alert &alert = dialogs->alerts[0];
    EXPECT_EQ(alert.messageText, QStringLiteral("Update required."));
    EXPECT_EQ(alert.informativeText,
              QStringLiteral("This version of Tolvane for Mac is no longer valid. You must "
                             "update to the latest version in order to print."));
    ASSERT_EQ(alert.buttons.size(), 2);
    EXPECT_EQ(alert.buttons[0].title, QStringLiteral("Check for Updates"));
    EXPECT_EQ(alert.buttons[0].answer, 1);
    EXPECT_EQ(alert.buttons[1].title, QStringLiteral("Cancel"));
    EXPECT_FALSE(updater.isChecking());

    // "Check for Updates" checks at once and still refuses this print; the
    // stamps-only edition names itself.
    defaults().setBool(true, QStringLiteral("kivoStampsVersion"));
    dialogs->answers = {1};
    EXPECT_FALSE(updater.validateVersionForPrinting());
    EXPECT_TRUE(dialogs->alerts.last().informativeText.startsWith(QStringLiteral("This version of Tolvane is")));
    EXPECT_TRUE(updater.isChecking());
    dialogs->answers = {};
    ASSERT_TRUE(waitForCheck(updater));
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(UpdaterTest, NewerVersionIsShownAndOpenedNeverInstalled)
{
    DialogsScope dialogs;
    UrlOpenerScope opener;
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    QVUpdater updater(environment(server.url(QStringLiteral("/feed.xml"))));
    updater.setUpFeedURL();
    const QByteArray path = "/tolvaneformac/TolvaneForMacSparkle.xml";

    // The running build is the newest: a background check says nothing, the
    // user's check says so.
    server.setReply(path, ScriptedReply::text(200, feedWithItem("<sparkle:version>400</sparkle:version>")));
    ASSERT_TRUE(runCheck(updater, false));
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    ASSERT_TRUE(runCheck(updater, true));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("You’re up to date!"));

    // A newer build: its page opens when asked, nothing else happens.
    server.setReply(path,
                    ScriptedReply::text(
                        200,
                        "<rss xmlns:sparkle=\"s\"><channel>"
                        "<item><link>https://example.invalid/old</link><sparkle:version>399</sparkle:version></item>"
                        "<item><link>https://example.invalid/new</link><sparkle:version>412</sparkle:version>"
                        "<sparkle:shortVersionString>2.1</sparkle:shortVersionString></item>"
                        "</channel></rss>"));
    dialogs->alerts.clear();
    dialogs->answers = {0};
    ASSERT_TRUE(runCheck(updater, false));
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("A new version of Tolvane is available."));
    EXPECT_TRUE(dialogs->alerts[0].informativeText.contains(QStringLiteral("2.1")));
    EXPECT_TRUE(opener->opened.isEmpty());
    dialogs->answers = {1};
    ASSERT_TRUE(runCheck(updater, true));
    ASSERT_EQ(opener->opened.size(), 1);
    EXPECT_EQ(opener->opened[0], QUrl(QStringLiteral("https://example.invalid/new")));

    // A page that is not on the web is never opened.
    server.setReply(path,
                    ScriptedReply::text(200,
                                        feedWithItem("<link>file:///etc/passwd</link>"
                                                     "<sparkle:version>500</sparkle:version>")));
    dialogs->answers = {1, 1};
    ASSERT_TRUE(runCheck(updater, true));
    EXPECT_EQ(opener->opened.size(), 1);
}

TEST_F(UpdaterTest, UnreadableFeedTroublesOnlyTheUsersCheck)
{
    DialogsScope dialogs;
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    QVUpdater updater(environment(server.url(QStringLiteral("/feed.xml"))));
    updater.setUpFeedURL();
    for (const ScriptedReply &reply : {ScriptedReply::text(404, "gone"), ScriptedReply::text(200, "<rss><channel>")}) {
        server.setReply("/tolvaneformac/TolvaneForMacSparkle.xml", reply);
        dialogs->alerts.clear();
        ASSERT_TRUE(runCheck(updater, false));
        EXPECT_TRUE(dialogs->alerts.isEmpty());
        ASSERT_TRUE(runCheck(updater, true));
        ASSERT_EQ(dialogs->alerts.size(), 1);
        EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Update Error!"));
    }
    EXPECT_EQ(updater.minimumToPrintVersion(), 0u);
}

TEST_F(UpdaterTest, LaunchStartsDailyBackgroundChecks)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply("/tolvaneformac/TolvaneForMacSparkle.xml",
                    ScriptedReply::text(200, feedWithItem("<sparkle:version>400</sparkle:version>")));
    QVUpdater updater(environment(server.url(QStringLiteral("/feed.xml"))));
    EXPECT_FALSE(updater.automaticChecksRunning());
    updater.startAutomaticChecks();
    EXPECT_TRUE(updater.automaticChecksRunning());
    EXPECT_TRUE(updater.isChecking());
    ASSERT_TRUE(waitForCheck(updater));
    EXPECT_EQ(server.requestCount(), 1);
}

TEST_F(UpdaterTest, WindowTitleMarks)
{
    const struct {
        const char *shortVersion;
        const char *testHost;
        const char *title;
    } cases[] = {
        {"2.0", "", "Tolvane"},
        {"2.1B3", "", "Tolvane - BETA (400)"},
        {"2.0", "127.0.0.1", "Tolvane - **TEST SERVER** (127.0.0.1)"},
        {"2.1b3", "postage.local", "Tolvane - BETA (400) - **TEST SERVER** (postage.local)"},
    };
    for (const auto &c : cases) {
        QVUpdaterEnvironment e = environment();
        e.shortVersionString = QString::fromUtf8(c.shortVersion);
        testServerHost = QString::fromUtf8(c.testHost);
        const QVUpdater updater(e);
        EXPECT_EQ(updater.addJunkToWindowTitle(QStringLiteral("Tolvane")), QString::fromUtf8(c.title));
    }
}

// The running program's environment: the build's values and the shared
// clients.
TEST_F(UpdaterTest, DefaultEnvironmentReachesTheClients)
{
    QVCommandCenter::resetSharedInstancesForTesting();
    const QVUpdaterEnvironment e = defaultUpdaterEnvironment();
    EXPECT_EQ(e.bundleVersion, Bundle::bundleVersion());
    EXPECT_EQ(e.shortVersionString, Bundle::shortVersionString());
    EXPECT_TRUE(QUrl(e.bundleFeedURL).host().endsWith(QStringLiteral(".invalid"))) << e.bundleFeedURL.toStdString();

    const QVariantMap holidays{{QStringLiteral("2014-07-04"), QStringLiteral("Independence Day")}};
    e.setAllHolidays(holidays);
    EXPECT_EQ(QVUSPSCommandCenter::commandCenter()->allHolidays(), holidays);

    const auto postage = QVRHOCommandCenter::commandCenter();
    postage->setServer(QStringLiteral("https://postage.example.invalid"));
    EXPECT_TRUE(e.testServerHost().isEmpty());
    postage->setServer(QStringLiteral("http://127.0.0.1:8123"));
    EXPECT_EQ(e.testServerHost(), QStringLiteral("127.0.0.1"));
    QVCommandCenter::resetSharedInstancesForTesting();
}
