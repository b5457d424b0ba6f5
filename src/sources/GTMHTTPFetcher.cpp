#include "sources/GTMHTTPFetcher.h"

#include "platform/NotificationCenter.h"

#include <QAuthenticator>
#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QSslConfiguration>
#include <QTimer>

#include <algorithm>

namespace {

std::function<std::unique_ptr<GTMRetryTimer>()> g_retryTimerFactory;

class QtRetryTimer : public GTMRetryTimer
{
public:
    ~QtRetryTimer() override { cancel(); }
    void start(double seconds, std::function<void()> fire) override
    {
        cancel();
        m_timer = new QTimer;
        m_timer->setSingleShot(true);
        QObject::connect(m_timer, &QTimer::timeout, m_timer, std::move(fire));
        m_timer->start(static_cast<int>(seconds * 1000.0));
    }
    void cancel() override
    {
        if (m_timer) {
            m_timer->stop();
            m_timer->disconnect();
            m_timer->deleteLater();
            m_timer = nullptr;
        }
    }

private:
    QTimer *m_timer = nullptr;
};

// The one manager of the main thread, with the process-wide cookie store.
QNetworkAccessManager *manager()
{
    static QPointer<QNetworkAccessManager> shared;
    if (!shared) {
        shared = new QNetworkAccessManager(QCoreApplication::instance());
        shared->setCookieJar(new QNetworkCookieJar);
    }
    return shared;
}

GTMFetcherError urlError(int code, const QString &description)
{
    return GTMFetcherError{NSURLErrorDomain, code, {}, description};
}

GTMFetcherError transportError(QNetworkReply::NetworkError error, const QString &text)
{
    switch (error) {
    case QNetworkReply::HostNotFoundError:
        return urlError(HttpErrorCannotFindHost, text);
    case QNetworkReply::ConnectionRefusedError:
        return urlError(HttpErrorCannotConnectToHost, text);
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        return urlError(HttpErrorNetworkConnectionLost, text);
    case QNetworkReply::TimeoutError:
        return urlError(HttpErrorTimedOut, text);
    case QNetworkReply::SslHandshakeFailedError:
        return urlError(HttpErrorServerCertificateUntrusted, text);
    case QNetworkReply::ProtocolUnknownError:
        return urlError(HttpErrorUnsupportedURL, text);
    case QNetworkReply::ProtocolFailure:
        return urlError(HttpErrorBadServerResponse, text);
    default:
        return urlError(HttpErrorUnknown, text);
    }
}

// An empty reply body that is not null (a null one means no data at all).
QByteArray emptyData() { return QByteArray("", 0); }

} // namespace

QString GTMFetcherError::localizedDescription() const
{
    return QStringLiteral("%1 (%2 error %3)").arg(description, domain).arg(code);
}

GTMHTTPFetcher::GTMHTTPFetcher(const HttpRequest &request)
    : m_request(request), m_minRetryInterval(1.0 + QRandomGenerator::global()->generateDouble())
{}

std::shared_ptr<GTMHTTPFetcher> GTMHTTPFetcher::fetcherWithRequest(const HttpRequest &request)
{
    return std::shared_ptr<GTMHTTPFetcher>(new GTMHTTPFetcher(request));
}

GTMHTTPFetcher::~GTMHTTPFetcher()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

QNetworkCookieJar *GTMHTTPFetcher::sharedCookieStorage() { return manager()->cookieJar(); }

void GTMHTTPFetcher::setRetryTimerFactoryForTesting(std::function<std::unique_ptr<GTMRetryTimer>()> factory)
{
    g_retryTimerFactory = std::move(factory);
}

void GTMHTTPFetcher::setRetryEnabled(bool enabled)
{
    if (enabled && !m_retryEnabled) {
        m_minRetryInterval = 1.0 + QRandomGenerator::global()->generateDouble();
        m_lastRetryInterval = 0.0;
    }
    m_retryEnabled = enabled;
}

void GTMHTTPFetcher::setMinRetryInterval(double seconds)
{
    m_minRetryInterval = seconds > 0 ? seconds : 1.0 + QRandomGenerator::global()->generateDouble();
}

bool GTMHTTPFetcher::beginFetch(Completion completion)
{
    m_completion = std::move(completion);
    if (m_hasConnection) {
        failToBegin({});
        return false;
    }
    if (!m_request.url.isValid() || m_request.url.isEmpty()) {
        failToBegin({});
        return false;
    }
    m_downloadedData = QByteArray();

    QByteArray method = m_request.header("X-HTTP-Method-Override");
    if (method.isEmpty())
        method = m_request.method;
    const bool isGet = method.isEmpty() || method == "GET";
    if (m_retryEnabled && m_maxRetryInterval <= -1)
        m_maxRetryInterval = (isGet || method == "HEAD") ? 60.0 : 600.0;

    m_downloadedData = emptyData();
    m_hasConnectionEnded = false;
    m_keepAlive = shared_from_this();
    startConnection();
    m_hasConnection = true;
    m_isStopNotificationNeeded = true;
    NotificationCenter::defaultCenter().post(kGTMHTTPFetcherStartedNotification, NotificationObject(this));
    return true;
}

void GTMHTTPFetcher::failToBegin(const GTMFetcherError &given)
{
    GTMFetcherError error = given;
    if (error.domain.isEmpty())
        error = GTMFetcherError{kGTMHTTPFetcherFailureDomain,
                                kGTMHTTPFetcherErrorDownloadFailed,
                                {},
                                QStringLiteral("The fetch could not begin")};
    // Reported on a later pass of the event loop, never from inside begin.
    auto self = shared_from_this();
    QMetaObject::invokeMethod(
        this,
        [self, error] {
            self->callCompletion(QByteArray(), error);
            self->releaseCallbacks();
        },
        Qt::QueuedConnection);
}

void GTMHTTPFetcher::startConnection()
{
    QNetworkRequest request(m_request.url);
    for (const auto &[name, value] : m_request.headers()) {
        // Qt writes the body's length itself.
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0)
            continue;
        request.setRawHeader(name, value);
    }
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    if (m_request.url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0) {
        QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
        if (const QString caFile = httpCAFile(); !caFile.isEmpty())
            ssl.addCaCertificates(caFile);
        request.setSslConfiguration(ssl);
    }

    m_timedOut = false;
    m_tooLarge = false;
    m_challenged = false;
    QNetworkReply *reply = manager()->sendCustomRequest(
        request, m_request.method.isEmpty() ? QByteArray("GET") : m_request.method, m_request.body);
    m_reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, [this] {
        // A new response: whatever an earlier one sent is discarded.
        m_downloadedData = emptyData();
        m_statusCode = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        m_responseHeaders = m_reply->rawHeaderPairs();
        if (m_idleTimer)
            m_idleTimer->start();
        const qint64 declared = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (declared > m_maxReplySize) {
            m_tooLarge = true;
            m_reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, this, &GTMHTTPFetcher::dataArrived);
    connect(reply, &QNetworkReply::uploadProgress, this, [this] {
        if (m_idleTimer)
            m_idleTimer->start();
    });
    connect(reply, &QNetworkReply::finished, this, [this] {
        auto self = shared_from_this();
        QNetworkReply *reply = m_reply;
        if (!reply)
            return;
        if (m_idleTimer)
            m_idleTimer->stop();
        const bool hasStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
        if (m_tooLarge) {
            m_downloadedData = QByteArray();
            connectionFailed(urlError(HttpErrorDataLengthExceedsMaximum,
                                      QStringLiteral("The reply is larger than %1 bytes").arg(m_maxReplySize)));
        } else if (m_timedOut) {
            connectionFailed(urlError(HttpErrorTimedOut, QStringLiteral("The request timed out.")));
        } else if (m_challenged) {
            GTMFetcherError error{kGTMHTTPFetcherFailureDomain,
                                  kGTMHTTPFetcherErrorAuthenticationChallengeFailed,
                                  {},
                                  QStringLiteral("The server asked for credentials")};
            error.userInfo.insert(QStringLiteral("challenge"),
                                  QString::fromLatin1(reply->rawHeader("WWW-Authenticate")));
            connectionFailed(error);
        } else if (reply->error() != QNetworkReply::NoError &&
                   (!hasStatus || reply->error() < QNetworkReply::ContentAccessDenied ||
                    reply->error() == QNetworkReply::ProtocolFailure)) {
            // A transport failure (the HTTP-status errors of Qt are replies).
            connectionFailed(transportError(reply->error(), reply->errorString()));
        } else {
            m_statusCode = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            m_responseHeaders = reply->rawHeaderPairs();
            const QByteArray rest = reply->readAll();
            if (m_downloadedData.size() + rest.size() > m_maxReplySize) {
                m_downloadedData = QByteArray();
                connectionFailed(urlError(HttpErrorDataLengthExceedsMaximum,
                                          QStringLiteral("The reply is larger than %1 bytes").arg(m_maxReplySize)));
                return;
            }
            m_downloadedData += rest;
            if (m_statusCode >= 300 && m_statusCode < 400 && followRedirect())
                return;
            connectionFinished();
        }
    });
    connect(manager(), &QNetworkAccessManager::authenticationRequired, reply,
            [this, reply](QNetworkReply *asking, QAuthenticator *) {
                if (asking == reply)
                    m_challenged = true; // no credential is ever given
            });

    if (!m_idleTimer) {
        m_idleTimer = new QTimer(this);
        m_idleTimer->setSingleShot(true);
        connect(m_idleTimer, &QTimer::timeout, this, &GTMHTTPFetcher::idleTimedOut);
    }
    m_idleTimer->setInterval(std::max(1, m_request.timeoutMilliseconds));
    m_idleTimer->start();
}

void GTMHTTPFetcher::idleTimedOut()
{
    if (!m_reply || m_hasConnectionEnded)
        return;
    m_timedOut = true;
    m_reply->abort();
}

void GTMHTTPFetcher::dataArrived()
{
    if (!m_reply || m_hasConnectionEnded || m_tooLarge)
        return;
    if (m_idleTimer)
        m_idleTimer->start();
    if (m_downloadedData.size() + m_reply->bytesAvailable() > m_maxReplySize) {
        m_tooLarge = true;
        m_downloadedData = QByteArray();
        m_reply->abort();
        return;
    }
    m_downloadedData += m_reply->readAll();
}

bool GTMHTTPFetcher::followRedirect()
{
    const QByteArray location = m_reply->rawHeader("Location");
    if (location.isEmpty())
        return false;
    const QUrl target = m_request.url.resolved(QUrl::fromEncoded(location));
    // Never to another host: the request carries the account's secrets.
    if (!target.isValid() || target.host().compare(m_request.url.host(), Qt::CaseInsensitive) != 0)
        return false;
    if (++m_redirects > GTMHTTPFetcherMaxRedirects)
        return false;
    // An http request may move up to https; an https one never moves down.
    const QString current = m_request.url.scheme();
    const bool upgrade = current.compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 &&
        target.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    QUrl redirected = target;
    redirected.setScheme(upgrade ? QStringLiteral("https") : current);
    m_request.url = redirected;

    m_reply->disconnect(this);
    m_reply->deleteLater();
    m_reply = nullptr;
    startConnection();
    return true;
}

void GTMHTTPFetcher::connectionFinished()
{
    auto self = shared_from_this();
    m_hasConnectionEnded = true;
    const int status = m_statusCode;
    std::optional<GTMFetcherError> error;
    bool retry = false;
    if (status >= 300) {
        retry = shouldRetryNowForStatus(status, std::nullopt);
        if (!retry)
            error = statusError(status);
    }
    if (retry)
        beginRetryTimer();
    postStoppedIfOwed();
    if (!retry) {
        callCompletion(m_downloadedData, error);
        stopFetching();
    }
}

void GTMHTTPFetcher::connectionFailed(const GTMFetcherError &error)
{
    if (!m_hasConnection)
        return;
    auto self = shared_from_this();
    m_hasConnectionEnded = true;
    postStoppedIfOwed();
    if (shouldRetryNowForStatus(0, error)) {
        beginRetryTimer();
    } else {
        callCompletion(QByteArray(), error);
        stopFetching();
    }
}

GTMFetcherError GTMHTTPFetcher::statusError(int status) const
{
    GTMFetcherError error{kGTMHTTPFetcherHTTPStatusDomain, status, {}, QStringLiteral("HTTP status %1").arg(status)};
    if (!m_downloadedData.isEmpty())
        error.userInfo.insert(QStringLiteral("data"), m_downloadedData);
    return error;
}

bool GTMHTTPFetcher::shouldRetryNowForStatus(int status, const std::optional<GTMFetcherError> &given)
{
    const double next = std::max(m_minRetryInterval, std::min(m_lastRetryInterval * m_retryFactor, m_maxRetryInterval));
    if (!m_retryEnabled || !(m_maxRetryInterval > next))
        return false;
    const GTMFetcherError error = given ? *given : statusError(status);
    if (error.domain == kGTMHTTPFetcherHTTPStatusDomain)
        return error.code == 408 || error.code == 503 || error.code == 504;
    if (error.domain == NSURLErrorDomain)
        return error.code == HttpErrorTimedOut || error.code == HttpErrorNetworkConnectionLost;
    return false;
}

void GTMHTTPFetcher::beginRetryTimer()
{
    const double next = std::max(m_minRetryInterval, std::min(m_lastRetryInterval * m_retryFactor, m_maxRetryInterval));
    const double interval = std::min(next, m_maxRetryInterval);
    destroyRetryTimer();
    m_lastRetryInterval = interval;
    m_retryTimer = g_retryTimerFactory ? g_retryTimerFactory() : std::make_unique<QtRetryTimer>();
    m_retryTimer->start(interval, [this] { retryTimerFired(); });
    NotificationCenter::defaultCenter().post(kGTMHTTPFetcherRetryDelayStartedNotification, NotificationObject(this));
}

void GTMHTTPFetcher::destroyRetryTimer()
{
    if (!m_retryTimer)
        return;
    m_retryTimer->cancel();
    m_retryTimer.reset();
    NotificationCenter::defaultCenter().post(kGTMHTTPFetcherRetryDelayStoppedNotification, NotificationObject(this));
}

void GTMHTTPFetcher::retryTimerFired()
{
    auto self = shared_from_this();
    // The timer is let go after its own callback has returned.
    std::shared_ptr<GTMRetryTimer> spent(std::move(m_retryTimer));
    QMetaObject::invokeMethod(
        this, [spent] {}, Qt::QueuedConnection);
    NotificationCenter::defaultCenter().post(kGTMHTTPFetcherRetryDelayStoppedNotification, NotificationObject(this));
    ++m_retryCount;
    // Stop without releasing the callbacks, then begin again.
    dropConnection(false);
    postStoppedIfOwed();
    beginFetch(m_completion);
}

void GTMHTTPFetcher::dropConnection(bool cancel)
{
    if (m_idleTimer)
        m_idleTimer->stop();
    if (m_reply) {
        QNetworkReply *reply = m_reply;
        m_reply = nullptr;
        reply->disconnect(this);
        if (cancel && !m_hasConnectionEnded)
            reply->abort();
        reply->deleteLater();
    }
    m_hasConnection = false;
}

void GTMHTTPFetcher::postStoppedIfOwed()
{
    if (!m_isStopNotificationNeeded)
        return;
    m_isStopNotificationNeeded = false;
    NotificationCenter::defaultCenter().post(kGTMHTTPFetcherStoppedNotification, NotificationObject(this));
}

void GTMHTTPFetcher::stopFetching()
{
    auto self = shared_from_this();
    destroyRetryTimer();
    if (m_hasConnection)
        dropConnection(true);
    postStoppedIfOwed();
    releaseCallbacks();
}

void GTMHTTPFetcher::callCompletion(const QByteArray &data, const std::optional<GTMFetcherError> &error)
{
    const Completion completion = m_completion;
    if (completion)
        completion(*this, data, error);
}

void GTMHTTPFetcher::releaseCallbacks()
{
    m_completion = nullptr;
    // A running connection or a pending retry still holds the fetcher.
    if (!m_hasConnection && !m_retryTimer)
        m_keepAlive.reset();
}
