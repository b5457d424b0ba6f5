// QVXController's launch: the steps in order over fakes, the single copy,
// the clock, the system version, the engine and country files, the network
// and read-only checks, upgrades by lastRun, the announcement, the large-log
// warning, the purge of old label files, the first run and the quit.
#include "LaunchFakes.h"

#include "ConsoleCapture.h"
#include "RecordingDialogs.h"
#include "TestSupport.h"

#include "devices/QVUSBScale.h"
#include "platform/Bundle.h"
#include "platform/NotificationCenter.h"
#include "platform/SingleInstance.h"
#include "platform/SystemVersion.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <stdexcept>

using namespace tolvane::test;

namespace {

class FixedVersionSource : public SystemVersionSource
{
public:
    explicit FixedVersionSource(uint32_t major, uint32_t minor, uint32_t bugfix) : m_parts{major, minor, bugfix} {}
    std::optional<uint32_t> component(Component which) override { return m_parts[int(which)]; }
    std::optional<uint32_t> packedVersion() override { return std::nullopt; }

private:
    uint32_t m_parts[3];
};

void emptyFolder(const QString &path)
{
    QDir dir(path);
    for (const QFileInfo &entry : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

class Launch : public ::testing::Test
{
protected:
    RuntimeDirScope runtime;
    DialogsScope dialogs;
    std::shared_ptr<FakeScheduler> scheduler = std::make_shared<FakeScheduler>();
    FakeProgressPanel panel;
    FakeOverlayHost overlays;
    QStringList calls;
    QDateTime clock = QDateTime(QDate(2014, 3, 10), QTime(9, 30));
    int32_t engineResult = 0;
    bool countryLoads = true;
    bool aliasesLoad = true;
    bool reachable = true;
    bool readOnly = false;
    bool printerPresent = false;
    qint64 logPieces = 10;
    bool mainWindowThrows = false;
    int terminateStatus = -1;
    int exitStatus = -1;

    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        UserDefaults::standardUserDefaults().registerDefaults(
            {{QVFirstRunKey, true}, {QVPrinterTypeKey, QVDelegatePlainPaperPrinter}});
        emptyFolder(supportDir());
        setSystemVersionSource(std::make_shared<FixedVersionSource>(12, 0, 0));
    }
    void TearDown() override
    {
        setSystemVersionSource(nullptr);
        UserDefaults::resetStandardUserDefaults();
        setAutomationMode(false);
    }

    QVXControllerHooks hooks()
    {
        QVXControllerHooks h;
        auto record = [this](const char *name) { return [this, name] { calls << QLatin1String(name); }; };
        h.installURLHandler = record("installURLHandler");
        h.useStampsEditionMenu = record("useStampsEditionMenu");
        h.now = [this] { return clock; };
        h.initializeRateEngine = [this](const QString &path, const QString &date) {
            calls << QStringLiteral("initializeRateEngine ") + date;
            return engineResult;
        };
        h.loadCountryFile = [this](const QString &path) {
            calls << QStringLiteral("loadCountryFile ") + QFileInfo(path).fileName();
            return countryLoads;
        };
        h.loadCountryAliasFile = [this](const QString &path) {
            calls << QStringLiteral("loadCountryAliasFile ") + QFileInfo(path).fileName();
            return aliasesLoad;
        };
        h.addressCorrectionHost = [] { return QStringLiteral("glz.example.test"); };
        h.isHostReachable = [this](const QString &host) {
            calls << QStringLiteral("isHostReachable ") + host;
            return reachable;
        };
        h.isRunningOnReadOnlyVolume = [this] { return readOnly; };
        h.setUpUpdater = record("setUpUpdater");
        h.labelPrinterAvailable = [this] { return printerPresent; };
        h.createSharedClients = record("createSharedClients");
        h.createAccountPanels = record("createAccountPanels");
        h.refreshAccountInformation = record("refreshAccountInformation");
        h.checkForZoneUpdate = record("checkForZoneUpdate");
        h.loadMainWindow = [this] {
            calls << QStringLiteral("loadMainWindow");
            if (mainWindowThrows)
                throw std::runtime_error("the main window's layout is missing");
        };
        h.setPrinterType = [this](const QString &type) { calls << QStringLiteral("setPrinterType ") + type; };
        h.becomeServicesProvider = record("becomeServicesProvider");
        h.vendRootObject = record("vendRootObject");
        h.readFromDefaults = record("readFromDefaults");
        h.centreMainWindow = record("centreMainWindow");
        h.showTessaro = record("showTessaro");
        h.setPrintingMode = [this](const QString &mode) { calls << QStringLiteral("setPrintingMode ") + mode; };
        h.addJunkToWindowTitle = record("addJunkToWindowTitle");
        h.mailingLogCount = [this] { return logPieces; };
        h.showMailingLogAndArchive = record("showMailingLogAndArchive");
        h.setUpScales = record("setUpScales");
        h.scaleWasAdded = record("scaleWasAdded");
        h.scaleWasRemoved = record("scaleWasRemoved");
        h.announcementURL = [] { return QUrl(QStringLiteral("https://feed.example.test/announcement.html")); };
        h.showAnnouncement = [this](const QUrl &url) { calls << QStringLiteral("showAnnouncement ") + url.toString(); };
        h.terminate = [this](int status) {
            terminateStatus = status;
            calls << QStringLiteral("terminate %1").arg(status);
        };
        h.exitProcess = [this](int status) {
            exitStatus = status;
            calls << QStringLiteral("exitProcess %1").arg(status);
        };
        h.releaseScales = record("releaseScales");
        return h;
    }

    std::unique_ptr<QVXController> controller()
    {
        auto c = std::make_unique<QVXController>(hooks(), scheduler);
        c->setProgressPanel(&panel);
        c->setOverlayHost(&overlays);
        return c;
    }

    bool launch()
    {
        auto c = controller();
        return c->applicationDidFinishLaunching();
    }

    QStringList alertTexts() const
    {
        QStringList texts;
        for (const Alert &alert : dialogs->alerts)
            texts << alert.messageText;
        return texts;
    }

    UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }
};

const QStringList kFullLaunch = {
    QStringLiteral("initializeRateEngine 03/10/2014"),
    QStringLiteral("loadCountryFile country2013.dat"),
    QStringLiteral("loadCountryAliasFile country-aliases.txt"),
    QStringLiteral("isHostReachable glz.example.test"),
    QStringLiteral("setUpUpdater"),
    QStringLiteral("createSharedClients"),
    QStringLiteral("createAccountPanels"),
    QStringLiteral("refreshAccountInformation"),
    QStringLiteral("checkForZoneUpdate"),
    QStringLiteral("loadMainWindow"),
    QStringLiteral("becomeServicesProvider"),
    QStringLiteral("vendRootObject"),
    QStringLiteral("readFromDefaults"),
    QStringLiteral("centreMainWindow"),
    QStringLiteral("setPrintingMode QVStandardPrintingMode"),
    QStringLiteral("addJunkToWindowTitle"),
    QStringLiteral("setUpScales"),
};

} // namespace

TEST_F(Launch, RunsEveryStepInOrder)
{
    defaults().registerDefaults({{QVPrintingModeKey, QStringLiteral("QVStandardPrintingMode")}});
    auto c = controller();
    ASSERT_TRUE(c->applicationDidFinishLaunching());
    EXPECT_EQ(calls, kFullLaunch);
    EXPECT_TRUE(dialogs->alerts.isEmpty()) << alertTexts().join(QLatin1Char('|')).toStdString();
    // The progress panel said "Initializing…" and went away again.
    EXPECT_EQ(panel.calls,
              (QStringList{QStringLiteral("text:Initializing") + QChar(0x2026), QStringLiteral("centre"),
                           QStringLiteral("front+key"), QStringLiteral("spin"), QStringLiteral("stop"),
                           QStringLiteral("out")}));
    EXPECT_FALSE(defaults().boolForKey(QVFirstRunKey));
    EXPECT_EQ(c->currentMode(), QStringLiteral("QVStandardPrintingMode"));
    // The account information every 1,800 seconds.
    ASSERT_EQ(scheduler->repeatingIntervals, QList<double>{1800.0});
    calls.clear();
    scheduler->repeating[0]();
    EXPECT_EQ(calls, QStringList{QStringLiteral("refreshAccountInformation")});
    // The scales' notifications reach their reactions.
    calls.clear();
    NotificationCenter::defaultCenter().post(QVUSBScaleWasAddedNotification);
    NotificationCenter::defaultCenter().post(QVUSBScaleWasRemovedNotification);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("scaleWasAdded"), QStringLiteral("scaleWasRemoved")}));
}

TEST_F(Launch, SecondDelegateInTheProcessQuitsAndTheFirstServesOn)
{
    auto first = controller();
    ASSERT_TRUE(first->applicationDidFinishLaunching());
    calls.clear();

    auto second = controller();
    EXPECT_FALSE(second->applicationDidFinishLaunching());
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Already running."));
    EXPECT_EQ(dialogs->alerts[0].informativeText,
              QStringLiteral("You are already running an Tolvane for Mac application. You may only run one copy at a "
                             "time on this computer."));
    ASSERT_EQ(dialogs->alerts[0].buttons.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].buttons[0].title, QStringLiteral("Quit"));
    EXPECT_EQ(calls, QStringList{QStringLiteral("terminate 0")}); // nothing else ran

    ASSERT_NE(first->singleInstance(), nullptr);
    EXPECT_TRUE(first->singleInstance()->isListening());
    QLocalSocket client;
    client.connectToServer(first->singleInstance()->socketPath());
    EXPECT_TRUE(client.waitForConnected(2000));
}

TEST_F(Launch, StaleSocketOfACrashedCopyDoesNotBlock)
{
    const QString path = QDir(runtime.path()).filePath(QVSingleInstanceName);
    ASSERT_TRUE(leaveStaleSocket(path));
    EXPECT_TRUE(launch());
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(Launch, ClockBefore2014Refuses)
{
    struct Case {
        QDateTime now;
        bool starts;
    };
    for (const Case &c : {Case{QDateTime(QDate(2013, 12, 31), QTime(23, 59, 59)), false},
                          Case{QDateTime(QDate(2014, 1, 1), QTime(0, 0)), true}}) {
        SetUp();
        dialogs->alerts.clear();
        calls.clear();
        clock = c.now;
        EXPECT_EQ(launch(), c.starts) << c.now.toString().toStdString();
        if (c.starts) {
            EXPECT_TRUE(dialogs->alerts.isEmpty());
            EXPECT_TRUE(calls.contains(QStringLiteral("initializeRateEngine 01/01/2014")));
        } else {
            ASSERT_EQ(dialogs->alerts.size(), 1);
            EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Your clock is set incorrectly"));
            EXPECT_EQ(dialogs->alerts[0].informativeText,
                      QStringLiteral("Tolvane is not able to launch because your system clock is set for the year "
                                     "2013. Please correct this and open Tolvane again."));
            EXPECT_EQ(calls, QStringList{QStringLiteral("terminate 0")});
        }
    }
}

TEST_F(Launch, OldSystemShowsTheLionWarningUnlessSuppressed)
{
    struct Case {
        uint32_t major, minor, bugfix;
        bool suppressed;
        bool warns;
    };
    for (const Case &c : {Case{10, 5, 8, false, true}, Case{10, 5, 8, true, false}, Case{10, 6, 0, false, false},
                          Case{12, 0, 0, false, false}}) {
        SetUp();
        dialogs->alerts.clear();
        setSystemVersionSource(std::make_shared<FixedVersionSource>(c.major, c.minor, c.bugfix));
        if (c.suppressed)
            defaults().setBool(true, QStringLiteral("lionWarning"));
        EXPECT_TRUE(launch()); // launching goes on
        ASSERT_EQ(dialogs->alerts.size(), c.warns ? 1 : 0) << c.major << "." << c.minor << "." << c.bugfix;
        if (c.warns) {
            EXPECT_TRUE(dialogs->alerts[0].showsSuppressionButton);
            EXPECT_EQ(dialogs->alerts[0].buttons[0].title, QStringLiteral("OK"));
            EXPECT_FALSE(dialogs->alerts[0].messageText.isEmpty());
        }
    }
}

TEST_F(Launch, EngineOrCountryFileFailureEndsWithFailureStatus)
{
    {
        ConsoleCapture console;
        engineResult = 3;
        EXPECT_FALSE(launch());
        EXPECT_EQ(exitStatus, 1);
        EXPECT_EQ(calls.last(), QStringLiteral("exitProcess 1"));
        EXPECT_FALSE(calls.contains(QStringLiteral("terminate 0")));
        EXPECT_TRUE(console.lines().contains(QStringLiteral("QVXController: couldn't load ratedll : 3")))
            << console.lines().join(QLatin1Char('|')).toStdString();
    }
    {
        SetUp();
        calls.clear();
        engineResult = 0;
        countryLoads = false;
        exitStatus = -1;
        ConsoleCapture console;
        EXPECT_FALSE(launch());
        EXPECT_EQ(exitStatus, 1);
        EXPECT_FALSE(calls.contains(QStringLiteral("loadCountryAliasFile country-aliases.txt")));
        const QString countryPath = QVXController::pathForSupportFileWithName(QStringLiteral("country2013.dat"));
        EXPECT_TRUE(
            console.lines().contains(QStringLiteral("QVXController: couldn't load the %1 file").arg(countryPath)))
            << console.lines().join(QLatin1Char('|')).toStdString();
    }
    {
        // Without the aliases the program still starts.
        SetUp();
        calls.clear();
        countryLoads = true;
        aliasesLoad = false;
        exitStatus = -1;
        ConsoleCapture console;
        EXPECT_TRUE(launch());
        EXPECT_EQ(exitStatus, -1);
        EXPECT_EQ(console.lines().filter(QStringLiteral("country-aliases.txt file")).size(), 1);
    }
}

TEST_F(Launch, UnreachableHostAndReadOnlyVolumeStopWithTheirAlerts)
{
    reachable = false;
    EXPECT_FALSE(launch());
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Internet Connection Required"));
    EXPECT_EQ(dialogs->alerts[0].informativeText,
              QStringLiteral("You must be connected to the Internet for this functionality to be available. Please "
                             "connect to the Internet and try again."));
    EXPECT_EQ(calls.last(), QStringLiteral("terminate 0"));
    EXPECT_FALSE(calls.contains(QStringLiteral("setUpUpdater")));

    SetUp();
    dialogs->alerts.clear();
    calls.clear();
    reachable = true;
    readOnly = true;
    EXPECT_FALSE(launch());
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText,
              QStringLiteral("Tolvane can't be run from a read-only volume like a disk image or an optical drive. Move "
                             "Tolvane to your Applications folder, relaunch it from there, and try again."));
    EXPECT_EQ(calls.last(), QStringLiteral("terminate 0"));
    EXPECT_FALSE(calls.contains(QStringLiteral("setUpUpdater")));
}

TEST_F(Launch, UpgradesFollowLastRun)
{
    struct Case {
        std::optional<QString> lastRun;
        bool labelPrinterChosenAndPresent;
        bool useKIVOForEnvelopes;
        bool tessaroSheetType;
    };
    const Case cases[] = {
        {QStringLiteral("75"), true, true, true},    {QStringLiteral("75"), false, false, true},
        {QStringLiteral("76"), true, false, true},   {QStringLiteral("190"), true, false, true},
        {QStringLiteral("191"), true, false, false}, {std::nullopt, true, true, true}, // a first installation
    };
    for (const Case &c : cases) {
        SetUp();
        if (c.lastRun)
            defaults().setString(*c.lastRun, QVLastRunKey);
        if (c.labelPrinterChosenAndPresent)
            defaults().setString(QVDelegateKIVOTagwrightPrinter, QVPrinterTypeKey);
        printerPresent = c.labelPrinterChosenAndPresent;
        defaults().setString(QStringLiteral("old chart"), QVZoneChartCacheKey);
        ASSERT_TRUE(launch());
        const std::string name = c.lastRun.value_or(QStringLiteral("none")).toStdString();
        EXPECT_EQ(defaults().boolForKey(QVUseKIVOForEnvelopesKey), c.useKIVOForEnvelopes) << name;
        EXPECT_EQ(defaults().objectForKey(QVTessaroSheetTypeKey).isValid(), c.tessaroSheetType) << name;
        if (c.tessaroSheetType) {
            EXPECT_EQ(defaults().integerForKey(QVTessaroSheetTypeKey), 1);
        }
        EXPECT_FALSE(defaults().objectForKey(QVZoneChartCacheKey).isValid());
    }
}

TEST_F(Launch, AnnouncementForBuildsUpTo364OnTheNextPass)
{
    struct Case {
        std::optional<QString> lastRun;
        bool stampsEdition;
        bool shows;
    };
    const Case cases[] = {
        {QStringLiteral("364"), false, true},
        {QStringLiteral("365"), false, false},
        {std::nullopt, false, false},
        {QStringLiteral("364"), true, false},
    };
    for (const Case &c : cases) {
        SetUp();
        calls.clear();
        if (c.lastRun)
            defaults().setString(*c.lastRun, QVLastRunKey);
        defaults().setBool(c.stampsEdition, QVStampsEditionKey);
        auto delegate = controller();
        ASSERT_TRUE(delegate->applicationDidFinishLaunching());
        const QString shown = QStringLiteral("showAnnouncement https://feed.example.test/announcement.html");
        EXPECT_FALSE(calls.contains(shown)); // not during the launch itself
        scheduler->advance(0);
        EXPECT_EQ(calls.contains(shown), c.shows) << c.lastRun.value_or(QStringLiteral("none")).toStdString();
    }
    // A delegate that has ended shows nothing any more.
    SetUp();
    calls.clear();
    defaults().setString(QStringLiteral("364"), QVLastRunKey);
    ASSERT_TRUE(launch());
    scheduler->advance(0);
    EXPECT_FALSE(calls.filter(QStringLiteral("showAnnouncement")).size());
}

TEST_F(Launch, LargeLogWarningAbove2500Pieces)
{
    struct Case {
        qint64 pieces;
        bool noWarningSet;
        int answer;
        bool warns;
        bool archives;
    };
    const Case cases[] = {
        {2500, false, 1, false, false},
        {2501, false, 0, true, false},
        {2501, false, 1, true, true},
        {9000, true, 1, false, false},
    };
    for (const Case &c : cases) {
        SetUp();
        dialogs->alerts.clear();
        calls.clear();
        logPieces = c.pieces;
        defaults().setBool(c.noWarningSet, QVNoLargeLogWarningKey);
        dialogs->answers = {c.answer};
        ASSERT_TRUE(launch());
        ASSERT_EQ(dialogs->alerts.size(), c.warns ? 1 : 0) << c.pieces;
        if (c.warns) {
            EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Your mailing log exceeds 2500 entries."));
            ASSERT_EQ(dialogs->alerts[0].buttons.size(), 2);
            EXPECT_EQ(dialogs->alerts[0].buttons[0].title, QStringLiteral("Archive Log"));
            EXPECT_EQ(dialogs->alerts[0].buttons[0].answer, 1);
            EXPECT_EQ(dialogs->alerts[0].buttons[1].title, QStringLiteral("Not Now"));
            EXPECT_EQ(dialogs->alerts[0].buttons[1].answer, 0);
        }
        EXPECT_EQ(calls.contains(QStringLiteral("showMailingLogAndArchive")), c.archives);
    }
}

TEST_F(Launch, LabelFilesOlderThan90DaysAreDeletedAlsoInSubFolders)
{
    const QDateTime now = QDateTime::currentDateTime();
    clock = now;
    const QDir support(supportDir());
    struct File {
        QString path;
        int ageDays;
        bool kept;
    };
    const File files[] = {
        {QStringLiteral("Labels/9405500000000000000001.plist"), 89, true},
        {QStringLiteral("Labels/9405500000000000000002.plist"), 91, false},
        {QStringLiteral("Labels/2014/03/9405500000000000000003.plist"), 89, true},
        {QStringLiteral("Labels/2014/03/9405500000000000000004.plist"), 91, false},
        {QStringLiteral("confs/EC000000000US.pdf"), 91, false},
        {QStringLiteral("confs/EC000000001US.pdf"), 1, true},
        {QStringLiteral("Other/old.plist"), 400, true}, // not a label folder
    };
    for (const File &f : files) {
        const QString path = support.filePath(f.path);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("label");
        file.flush();
        ASSERT_TRUE(file.setFileTime(now.addDays(-f.ageDays), QFileDevice::FileModificationTime));
    }
    ASSERT_TRUE(launch());
    for (const File &f : files)
        EXPECT_EQ(QFileInfo::exists(support.filePath(f.path)), f.kept) << f.path.toStdString();
}

TEST_F(Launch, ExceptionWhileLoadingTheMainWindowEndsWithFailureStatus)
{
    mainWindowThrows = true;
    ConsoleCapture console;
    EXPECT_FALSE(launch());
    EXPECT_EQ(terminateStatus, 1);
    EXPECT_EQ(calls.last(), QStringLiteral("terminate 1"));
    EXPECT_FALSE(calls.contains(QStringLiteral("readFromDefaults")));
    const QString text = console.lines().join(QLatin1Char('\n'));
    EXPECT_TRUE(text.contains(QStringLiteral("Exception raised:\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Reason: the main window's layout is missing"))) << text.toStdString();
}

TEST_F(Launch, LabelPrinterThatIsGoneFallsBackToPlainPaper)
{
    defaults().setString(QVDelegateKIVOTagwrightPrinter, QVPrinterTypeKey);
    printerPresent = false;
    ASSERT_TRUE(launch());
    EXPECT_TRUE(calls.contains(QStringLiteral("setPrinterType QVPlainPaperPrinter")));
}

TEST_F(Launch, StampsEditionTakesItsOwnRoad)
{
    defaults().setBool(true, QVStampsEditionKey);
    logPieces = 5000;
    auto c = controller();
    c->applicationWillFinishLaunching();
    ASSERT_TRUE(c->applicationDidFinishLaunching());
    EXPECT_EQ(calls.first(), QStringLiteral("installURLHandler"));
    EXPECT_TRUE(calls.contains(QStringLiteral("useStampsEditionMenu")));
    EXPECT_TRUE(calls.contains(QStringLiteral("showTessaro")));
    EXPECT_FALSE(calls.contains(QStringLiteral("becomeServicesProvider")));
    EXPECT_FALSE(calls.filter(QStringLiteral("setPrintingMode")).size());
    EXPECT_TRUE(dialogs->alerts.isEmpty()); // no large-log warning
    EXPECT_EQ(panel.title, Bundle::bundleName());
    EXPECT_TRUE(c->applicationShouldTerminateAfterLastWindowClosed());
}

TEST_F(Launch, FirstRunTakesTheEarlierSettingsAndFolder)
{
    // The earlier program's settings file, named by a setting.
    const QString configFolder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir().mkpath(QDir(configFolder).filePath(QStringLiteral("Earlier")));
    const QString earlierPath = QDir(configFolder).filePath(QStringLiteral("Earlier/Earlier.ini"));
    QFile::remove(earlierPath);
    QFile::copy(dataPath(QStringLiteral("earlier-settings.ini")), earlierPath);
    defaults().registerDefaults({{QVEarlierPreferencesFileKey, QStringLiteral("Earlier/Earlier.ini")}});
    // The earlier support folder beside ours, and ours empty.
    QDir parent(supportDir());
    ASSERT_TRUE(parent.cdUp());
    const QString earlierFolder = parent.filePath(QStringLiteral("Quorvel"));
    QDir().mkpath(QDir(earlierFolder).filePath(QStringLiteral("Labels")));
    QFile log(QDir(earlierFolder).filePath(QStringLiteral("mailinglog.plist")));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("log");
    log.close();

    ConsoleCapture console;
    ASSERT_TRUE(launch());
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("tolvaneUser")), QStringLiteral("1234567"));
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("zebraDarkness")), 12);
    EXPECT_TRUE(QFileInfo::exists(QDir(supportDir()).filePath(QStringLiteral("mailinglog.plist"))));
    EXPECT_TRUE(console.lines().contains(QStringLiteral("moved files")));
    QDir(earlierFolder).removeRecursively();

    // Not the first run: nothing is taken again.
    defaults().setString(QStringLiteral("7654321"), QStringLiteral("tolvaneUser"));
    ASSERT_TRUE(launch());
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("tolvaneUser")), QStringLiteral("7654321"));
}

TEST_F(Launch, QuitStoresTheBuildAndModeAndReleasesTheScales)
{
    auto c = controller();
    ASSERT_TRUE(c->applicationDidFinishLaunching());
    c->setCurrentMode(QStringLiteral("QVTessaroPrintingMode"));
    calls.clear();
    c->applicationWillTerminate();
    EXPECT_EQ(defaults().stringForKey(QVLastRunKey), Bundle::bundleVersion());
    EXPECT_EQ(defaults().stringForKey(QVPrintingModeKey), QStringLiteral("QVTessaroPrintingMode"));
    EXPECT_EQ(calls, QStringList{QStringLiteral("releaseScales")});

    // A copy that quit before choosing a mode leaves the stored one alone.
    auto second = controller();
    second->applicationWillTerminate();
    EXPECT_EQ(defaults().stringForKey(QVPrintingModeKey), QStringLiteral("QVTessaroPrintingMode"));
}

TEST(SupportFiles, SupportFolderFileWinsOverTheBundleResource)
{
    const QString local = QDir(supportDir()).filePath(QStringLiteral("country-aliases.txt"));
    QFile::remove(local);
    const QString bundled = QVXController::pathForSupportFileWithName(QStringLiteral("country-aliases.txt"));
    EXPECT_EQ(bundled, Bundle::pathForResource(QStringLiteral("country-aliases"), QStringLiteral("txt")));
    EXPECT_FALSE(bundled.isEmpty());
    QFile file(local);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(QVXController::pathForSupportFileWithName(QStringLiteral("country-aliases.txt")), local);
    QFile::remove(local);
    EXPECT_EQ(QVXController::pathForSupportFileWithName(QStringLiteral("no-such-file.dat")), QString());
    EXPECT_EQ(QVXController::pathForSupportFileWithName(QStringLiteral("../config")), QString());
    EXPECT_EQ(QVXController::labelArchiveFolder(), QDir(supportDir()).filePath(QStringLiteral("Labels")));
    EXPECT_TRUE(QFileInfo(QVXController::labelArchiveFolder()).isDir());
}

TEST(NewLineJoinedValueTransformer, JoinsWithNewLines)
{
    QVNewLineJoinedValueTransformer transformer;
    EXPECT_EQ(transformer.transformedValue(QVariantList{QStringLiteral("a"), QStringLiteral("b"), 3}).toString(),
              QStringLiteral("a\nb\n3"));
    EXPECT_EQ(transformer.transformedValue(QVariantList{}).toString(), QString());
    EXPECT_FALSE(QVNewLineJoinedValueTransformer::allowsReverseTransformation());
    EXPECT_EQ(QVNewLineJoinedValueTransformer::name(), QStringLiteral("NewLineJoinedValueTransformer"));
}
