#include "app/shell/QVUpdater.h"

#include "app/shell/Appcast.h"
#include "platform/Dialogs.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "sources/GTMHTTPFetcher.h"

#include <QDebug>
#include <QLocale>
#include <QUrlQuery>
#include <QXmlStreamWriter>

namespace {

const QString kVersionCheckService = QStringLiteral("VcService.asmx");
const QString kStampsVersionKey = QStringLiteral("kivoStampsVersion");
const QString kAccountNumberKey = QStringLiteral("tolvaneUser");
const QString kProductName = QStringLiteral("Tolvane for Mac");

// Query values escaped so that no character of theirs (an XML document's
// "+", "&", "=", "/", "?") can be read as the query's own.
QString queryText(const QList<QPair<QString, QString>> &fields)
{
    QStringList parts;
    for (const auto &[key, value] : fields)
        parts.append(QString::fromLatin1(QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value)));
    return parts.join(QLatin1Char('&'));
}

QString hexSystemVersion(const QVUpdaterEnvironment &environment)
{
    const quint32 version = environment.systemVersionBCD ? environment.systemVersionBCD() : 0;
    return QString::number(version, 16);
}

// The newest item by build number; nothing for a feed without versions.
std::optional<AppcastItem> newestItem(const QList<AppcastItem> &items)
{
    std::optional<AppcastItem> newest;
    for (const AppcastItem &item : items) {
        if (item.version.isEmpty())
            continue;
        if (!newest || compareFeedVersions(item.version, newest->version) > 0)
            newest = item;
    }
    return newest;
}

} // namespace

QString defaultUpdateFeedURL()
{
#ifdef TOLVANE_SU_FEED_URL
    return QStringLiteral(TOLVANE_SU_FEED_URL);
#else
    return QString();
#endif
}

QString updateFeedName()
{
    const UserDefaults &defaults = UserDefaults::standardUserDefaults();
    if (!defaults.boolForKey(kStampsVersionKey))
        return QStringLiteral("TolvaneForMacSparkle");
    return defaults.boolForKey(QVUpdaterZPMVersionDefaultsKey) ? QStringLiteral("ZPMMacSparkle")
                                                               : QStringLiteral("KIVOStampsMacSparkle");
}

bool isBetaVersion(const QString &shortVersionString)
{
    return shortVersionString.contains(QLatin1Char('b'), Qt::CaseInsensitive);
}

QUrl editionFeedURL(const QUrl &bundleFeedURL, bool beta, const QString &feedName)
{
    if (bundleFeedURL.toString().contains(kVersionCheckService))
        return bundleFeedURL;
    QUrl url;
    url.setScheme(bundleFeedURL.scheme());
    url.setHost(bundleFeedURL.host());
    url.setPort(bundleFeedURL.port());
    url.setPath(
        QStringLiteral("/%1/%2.xml").arg(beta ? QStringLiteral("tfmbeta") : QStringLiteral("tolvaneformac"), feedName));
    return url;
}

QString windowTitleWithMarks(const QString &title, bool beta, const QString &bundleVersion,
                             const QString &testServerHost)
{
    QString marked = title;
    if (beta)
        marked += QStringLiteral(" - BETA (%1)").arg(bundleVersion);
    if (!testServerHost.isEmpty())
        marked += QStringLiteral(" - **TEST SERVER** (%1)").arg(testServerHost);
    return marked;
}

QVUpdater::QVUpdater(QVUpdaterEnvironment environment, QObject *parent)
    : QObject(parent), m_environment(std::move(environment))
{
    m_dailyTimer.setInterval(kQVUpdaterCheckInterval * 1000);
    connect(&m_dailyTimer, &QTimer::timeout, this, &QVUpdater::checkInBackground);
}

QVUpdater::~QVUpdater()
{
    if (m_fetcher)
        m_fetcher->stopFetching();
}

void QVUpdater::setUpFeedURL()
{
    const QUrl bundleURL(m_environment.bundleFeedURL);
    // Without a feed of the build the current one stays.
    if (m_environment.bundleFeedURL.isEmpty() || !bundleURL.isValid())
        return;
    m_feedURL = editionFeedURL(bundleURL, isBeta(), updateFeedName());
}

void QVUpdater::startAutomaticChecks()
{
    setUpFeedURL();
    m_dailyTimer.start();
    m_launchCheckPending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_launchCheckPending)
            checkInBackground();
    });
}

QByteArray QVUpdater::XMLForVersionCheck() const
{
    QByteArray xml;
    QXmlStreamWriter writer(&xml);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("VersionControl"));
    writer.writeTextElement(QStringLiteral("AccountNumber"),
                            UserDefaults::standardUserDefaults().stringForKey(kAccountNumberKey));
    writer.writeTextElement(QStringLiteral("AppName"), updateFeedName());
    writer.writeTextElement(QStringLiteral("AppVersion"), m_environment.bundleVersion);
    writer.writeTextElement(QStringLiteral("OS"), QStringLiteral("Mac"));
    writer.writeTextElement(QStringLiteral("OSVersion"), hexSystemVersion(m_environment));
    writer.writeTextElement(QStringLiteral("Printer"), QString());
    const QSize screen = m_environment.mainScreenSize ? m_environment.mainScreenSize() : QSize(0, 0);
    writer.writeTextElement(QStringLiteral("Misc"),
                            QStringLiteral("s:{%1, %2}").arg(qMax(0, screen.width())).arg(qMax(0, screen.height())));
    writer.writeEndElement();
    writer.writeEndDocument();
    return xml;
}

QList<QPair<QString, QString>> QVUpdater::feedParameters() const
{
    QList<QPair<QString, QString>> parameters;
    if (m_feedURL.toString().contains(kVersionCheckService))
        parameters.append({QStringLiteral("inputString"), QString::fromUtf8(XMLForVersionCheck())});
    const QString account = UserDefaults::standardUserDefaults().stringForKey(kAccountNumberKey);
    if (!account.isEmpty())
        parameters.append({QStringLiteral("AccountNumber"), account});
    return parameters;
}

QUrl QVUpdater::feedRequestURL() const
{
    QList<QPair<QString, QString>> fields = feedParameters();
    fields.append({QStringLiteral("appName"), m_environment.bundleName});
    fields.append({QStringLiteral("appVersion"), m_environment.bundleVersion});
    fields.append({QStringLiteral("osVersion"), hexSystemVersion(m_environment)});
    fields.append({QStringLiteral("lang"), QLocale().name().section(QLatin1Char('_'), 0, 0)});
    QUrl url = m_feedURL;
    const QString existing = url.query(QUrl::FullyEncoded);
    const QString added = queryText(fields);
    url.setQuery(existing.isEmpty() ? added : existing + QLatin1Char('&') + added, QUrl::StrictMode);
    return url;
}

void QVUpdater::checkForUpdates() { startCheck(true); }

void QVUpdater::checkInBackground() { startCheck(false); }

void QVUpdater::startCheck(bool userInitiated)
{
    // A check asked for before the launch's one went out takes its place.
    m_launchCheckPending = false;
    if (m_fetcher) {
        m_userWaiting = m_userWaiting || userInitiated;
        return;
    }
    m_userWaiting = userInitiated;
    if (!m_feedURL.isValid() || m_feedURL.isEmpty()) {
        finishCheck(m_userWaiting, QByteArray(), QStringLiteral("The program has no update feed."));
        return;
    }
    HttpRequest request;
    request.url = feedRequestURL();
    request.maxReplySize = kAppcastMaximumSize;
    m_fetcher = GTMHTTPFetcher::fetcherWithRequest(request);
    m_fetcher->setMaximumReplySize(kAppcastMaximumSize);
    m_fetcher->beginFetch(
        [this](GTMHTTPFetcher &, const QByteArray &data, const std::optional<GTMFetcherError> &error) {
            m_fetcher.reset();
            finishCheck(m_userWaiting, data, error ? error->localizedDescription() : QString());
        });
}

void QVUpdater::finishCheck(bool userInitiated, const QByteArray &data, const QString &failure)
{
    m_userWaiting = false;
    QString problem = failure;
    std::optional<QList<AppcastItem>> items;
    if (problem.isEmpty()) {
        items = readAppcast(data, &problem);
        if (items)
            didFinishLoadingAppcast(*items);
    }
    if (!items) {
        qWarning().noquote() << QStringLiteral("The update feed could not be read: %1").arg(problem);
        if (userInitiated) {
            Alert alert;
            alert.messageText = QStringLiteral("Update Error!");
            alert.informativeText =
                QStringLiteral("The update information could not be read. Please try again later.\n\n%1").arg(problem);
            alert.buttons = {{QStringLiteral("OK"), 1}};
            alert.cancelAnswer = 1;
            runAlert(alert);
        }
    } else if (const std::optional<AppcastItem> newest = newestItem(*items);
               newest && compareFeedVersions(newest->version, m_environment.bundleVersion) > 0) {
        offerNewerVersion(*newest);
    } else if (userInitiated) {
        Alert alert;
        alert.messageText = QStringLiteral("You’re up to date!");
        alert.informativeText = QStringLiteral("%1 %2 is the newest version available.")
                                    .arg(m_environment.bundleName, m_environment.shortVersionString);
        alert.buttons = {{QStringLiteral("OK"), 1}};
        alert.cancelAnswer = 1;
        runAlert(alert);
    }
    if (m_checkFinished)
        m_checkFinished();
}

void QVUpdater::offerNewerVersion(const AppcastItem &item)
{
    const QString shown = item.shortVersionString.isEmpty() ? item.version : item.shortVersionString;
    QUrl page(item.link.isEmpty() ? item.enclosureURL : item.link);
    const bool web =
        page.isValid() && (page.scheme() == QLatin1String("https") || page.scheme() == QLatin1String("http"));
    Alert alert;
    alert.messageText = QStringLiteral("A new version of %1 is available.").arg(m_environment.bundleName);
    alert.informativeText = QStringLiteral("%1 %2 is available; you have %3.")
                                .arg(m_environment.bundleName, shown, m_environment.shortVersionString);
    if (web) {
        alert.informativeText += QStringLiteral(" Its download page opens in your browser; install it from there.");
        alert.buttons = {{QStringLiteral("Open Download Page"), 1}, {QStringLiteral("Later"), 0}};
    } else {
        alert.buttons = {{QStringLiteral("OK"), 0}};
    }
    alert.cancelAnswer = 0;
    if (runAlert(alert) == 1 && web)
        openUrl(page);
}

void QVUpdater::didFinishLoadingAppcast(const QList<AppcastItem> &items)
{
    UserDefaults::standardUserDefaults().removeObjectForKey(QVUpdaterSkippedVersionDefaultsKey);
    for (const AppcastItem &item : items) {
        if (const auto holidays = item.properties.constFind(QVAppcastHolidaysKey);
            holidays != item.properties.cend() && !holidays->isEmpty()) {
            QString reason;
            if (const std::optional<QVariantMap> list = readHolidayList(*holidays, &reason)) {
                if (m_environment.setAllHolidays)
                    m_environment.setAllHolidays(*list);
            } else {
                qWarning().noquote() << QStringLiteral("error loading holidays: %1").arg(reason);
            }
        }
        if (const auto minimum = item.properties.constFind(QVAppcastMinimumToPrintKey);
            minimum != item.properties.cend()) {
            QString reason;
            if (const std::optional<quint32> version = readMinimumToPrint(*minimum, &reason))
                m_minimumToPrintVersion = *version;
            else
                qWarning().noquote() << reason;
        }
    }
    if (m_loadedOnce) {
        if (m_environment.refreshAccountInformation)
            m_environment.refreshAccountInformation();
        if (m_environment.checkForZoneUpdate)
            m_environment.checkForZoneUpdate();
    }
    m_loadedOnce = true;
}

bool QVUpdater::isBeta() const { return isBetaVersion(m_environment.shortVersionString); }

bool QVUpdater::isAllowedToPrintBasedOnCurrentVersion() const
{
    // A build number that is not a plain number counts as 0.
    const std::optional<quint32> build = readMinimumToPrint(m_environment.bundleVersion);
    return build.value_or(0) >= m_minimumToPrintVersion;
}

bool QVUpdater::validateVersionForPrinting()
{
    if (isAllowedToPrintBasedOnCurrentVersion())
        return true;
    const QString name =
        UserDefaults::standardUserDefaults().boolForKey(kStampsVersionKey) ? m_environment.bundleName : kProductName;
    Alert alert;
    alert.messageText = QStringLiteral("Update required.");
    alert.informativeText =
        QStringLiteral(
            "This version of %1 is no longer valid. You must update to the latest version in order to print.")
            .arg(name);
    alert.buttons = {{QStringLiteral("Check for Updates"), 1}, {QStringLiteral("Cancel"), 0}};
    alert.cancelAnswer = 0;
    if (runAlert(alert) == 1)
        checkForUpdates();
    return false;
}

QString QVUpdater::addJunkToWindowTitle(const QString &title) const
{
    return windowTitleWithMarks(title, isBeta(), m_environment.bundleVersion,
                                m_environment.testServerHost ? m_environment.testServerHost() : QString());
}
