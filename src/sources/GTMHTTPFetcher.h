#pragma once
// GTMHTTPFetcher: the program's one asynchronous HTTP client. A fetcher
// takes one prepared request, sends it through QNetworkAccessManager on the
// event loop of the thread that started it (the main thread), gathers the
// reply body in memory and, unless it is stopped, calls its completion
// exactly once with the fetcher, the data and an error - always from the
// event loop, never from inside beginFetch().
//
// Lifetime: users create a fetcher per request and may drop it at once; a
// running fetch keeps itself alive (the connection, and while waiting to
// retry the retry timer, hold it) until its completion has run or it was
// stopped. The completion may let go of the fetcher.
//
// Errors (GTMFetcherError):
// - kGTMHTTPFetcherHTTPStatusDomain: a reply of status 300 or more; the code
//   is the status, user info "data" the body when there was one;
// - kGTMHTTPFetcherFailureDomain: -1 the fetch could not begin (no URL,
//   already running), -2 an authentication challenge went unanswered;
// - NSURLErrorDomain: transport failures with the platform's codes
//   (HttpClient.h): -1001 timed out, -1003 host not found, -1004 cannot
//   connect, -1005 connection lost, -1103 reply too large, -1200/-1202 TLS.
//
// Redirects are decided here: the redirected request keeps the method, body,
// header fields and time-out of the current one; an http request redirected
// to https continues over https, an https request never continues over
// http (the scheme stays https). A redirect to another host is not followed
// (the request carries the account's password and the client secret): the
// fetch ends with the redirect's status error, as does a chain of more than
// GTMHTTPFetcherMaxRedirects redirects.
//
// The reply body is capped (setMaximumReplySize(), 4 MiB by default): a
// larger reply ends the fetch with -1103 and keeps nothing of it.
//
// Retry (setRetryEnabled): replies 408, 503, 504, a time-out and a lost
// connection are retried after waits of m, 2m, 4m ... (m random between 1
// and 2 seconds) while the next wait stays below the maximum (600 s, or 60 s
// for a GET or HEAD); the completion runs once, after the last attempt. The
// waits run on an injectable timer (setRetryTimerFactoryForTesting).
//
// Notifications (NotificationCenter::defaultCenter(), object the fetcher):
// "kGTMHTTPFetcherStartedNotification" and
// "kGTMHTTPFetcherStoppedNotification" once each per attempt,
// "kGTMHTTPFetcherRetryDelayStartedNotification" and
// "kGTMHTTPFetcherRetryDelayStoppedNotification" around each wait.
//
// Cookies: cookie method 2 only - every fetch stores and sends cookies in
// one process-wide cookie store (sharedCookieStorage()).
#include "platform/HttpClient.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class QNetworkCookieJar;
class QNetworkReply;
class QTimer;

inline const QString kGTMHTTPFetcherFailureDomain = QStringLiteral("com.tolvane.HTTPFetcher");
inline const QString kGTMHTTPFetcherHTTPStatusDomain = QStringLiteral("com.tolvane.HTTPStatus");
inline const QString NSURLErrorDomain = QStringLiteral("NSURLErrorDomain");

inline const QString kGTMHTTPFetcherStartedNotification = QStringLiteral("kGTMHTTPFetcherStartedNotification");
inline const QString kGTMHTTPFetcherStoppedNotification = QStringLiteral("kGTMHTTPFetcherStoppedNotification");
inline const QString kGTMHTTPFetcherRetryDelayStartedNotification =
    QStringLiteral("kGTMHTTPFetcherRetryDelayStartedNotification");
inline const QString kGTMHTTPFetcherRetryDelayStoppedNotification =
    QStringLiteral("kGTMHTTPFetcherRetryDelayStoppedNotification");

inline constexpr int kGTMHTTPFetcherErrorDownloadFailed = -1;
inline constexpr int kGTMHTTPFetcherErrorAuthenticationChallengeFailed = -2;

inline constexpr qint64 GTMHTTPFetcherDefaultMaxReplySize = 4 * 1024 * 1024;
inline constexpr int GTMHTTPFetcherMaxRedirects = 20;

struct GTMFetcherError {
    QString domain;
    int code = 0;
    QVariantMap userInfo;
    QString description;

    // "<description> (<domain> error <code>)"
    QString localizedDescription() const;
};

// The wait before a retry. start() calls fire once after the interval
// unless cancel() came first.
class GTMRetryTimer
{
public:
    virtual ~GTMRetryTimer() = default;
    virtual void start(double seconds, std::function<void()> fire) = 0;
    virtual void cancel() = 0;
};

class GTMHTTPFetcher : public QObject, public std::enable_shared_from_this<GTMHTTPFetcher>
{
    Q_OBJECT
public:
    // The completion: the fetcher, the reply data (empty on a transport
    // failure) and the error (none on success).
    using Completion = std::function<void(GTMHTTPFetcher &fetcher, const QByteArray &data,
                                          const std::optional<GTMFetcherError> &error)>;

    static std::shared_ptr<GTMHTTPFetcher> fetcherWithRequest(const HttpRequest &request);
    ~GTMHTTPFetcher() override;

    // Starts the fetch. False when it cannot begin (no URL, already
    // running): the completion then receives the -1 error on a later pass
    // of the event loop.
    bool beginFetch(Completion completion);
    // Ends a running fetch or a wait for a retry without calling the
    // completion; nothing after the completion ran.
    void stopFetching();

    bool isRetryEnabled() const { return m_retryEnabled; }
    void setRetryEnabled(bool enabled);
    double minRetryInterval() const { return m_minRetryInterval; }
    void setMinRetryInterval(double seconds);
    // -1 (the default) chooses 600 s, or 60 s for a GET or HEAD, at begin.
    double maxRetryInterval() const { return m_maxRetryInterval; }
    void setMaxRetryInterval(double seconds) { m_maxRetryInterval = seconds; }
    double retryFactor() const { return m_retryFactor; }
    void setRetryFactor(double factor) { m_retryFactor = factor; }
    int retryCount() const { return m_retryCount; }
    // The retry decision for a status (0 with a transport error) or error.
    bool shouldRetryNowForStatus(int status, const std::optional<GTMFetcherError> &error);

    // The status of the last response received (0 before any).
    int statusCode() const { return m_statusCode; }
    // The header fields of the last response received.
    const HttpHeaderList &responseHeaders() const { return m_responseHeaders; }
    const HttpRequest &request() const { return m_request; }
    // Always 2: the process-wide cookie store.
    int cookieStorageMethod() const { return 2; }

    qint64 maximumReplySize() const { return m_maxReplySize; }
    void setMaximumReplySize(qint64 bytes) { m_maxReplySize = bytes; }

    // The process-wide cookie store of every fetch.
    static QNetworkCookieJar *sharedCookieStorage();
    // For tests: the retry timers made from now on (nothing: QTimer).
    static void setRetryTimerFactoryForTesting(std::function<std::unique_ptr<GTMRetryTimer>()> factory);

private:
    explicit GTMHTTPFetcher(const HttpRequest &request);

    void startConnection();
    void failToBegin(const GTMFetcherError &error);
    void connectionFinished();
    void connectionFailed(const GTMFetcherError &error);
    void dataArrived();
    void idleTimedOut();
    bool followRedirect();
    void dropConnection(bool cancel);
    void postStoppedIfOwed();
    void beginRetryTimer();
    void destroyRetryTimer();
    void retryTimerFired();
    void callCompletion(const QByteArray &data, const std::optional<GTMFetcherError> &error);
    void releaseCallbacks();
    GTMFetcherError statusError(int status) const;

    HttpRequest m_request;
    QPointer<QNetworkReply> m_reply;
    QTimer *m_idleTimer = nullptr;
    QByteArray m_downloadedData;
    int m_statusCode = 0;
    HttpHeaderList m_responseHeaders;
    Completion m_completion;
    std::shared_ptr<GTMHTTPFetcher> m_keepAlive; // while running or waiting
    std::unique_ptr<GTMRetryTimer> m_retryTimer;
    bool m_hasConnection = false;
    bool m_hasConnectionEnded = false;
    bool m_isStopNotificationNeeded = false;
    bool m_timedOut = false;
    bool m_tooLarge = false;
    bool m_challenged = false;
    int m_redirects = 0;
    bool m_retryEnabled = false;
    double m_minRetryInterval = 1.0;
    double m_maxRetryInterval = -1.0;
    double m_retryFactor = 2.0;
    double m_lastRetryInterval = 0.0;
    int m_retryCount = 0;
    qint64 m_maxReplySize = GTMHTTPFetcherDefaultMaxReplySize;
};
