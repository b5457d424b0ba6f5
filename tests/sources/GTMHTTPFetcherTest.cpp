// GTMHTTPFetcher against the local HTTP and HTTPS servers: one completion
// per fetch with the body and the error of the right domain, the redirect
// rules, the retry schedule (on a fake timer, so no test waits it out),
// stopping, failures to begin, the reply size cap, the notifications and the
// shared cookie store.
#include "sources/GTMHTTPFetcher.h"

#include "LocalHttpServer.h"
#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

bool waitFor(const std::function<bool()> &done, int milliseconds = 8000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds) {
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

void spin(int milliseconds)
{
    waitFor([] { return false; }, milliseconds);
}

// The waits asked of the retry timer; each fires on the next pass of the
// event loop unless the test fires it by hand.
struct RetryTimerLog {
    QList<double> intervals;
    bool autoFire = true;
    int cancelled = 0;
    std::function<void()> pending;
};

class FakeRetryTimer : public GTMRetryTimer
{
public:
    explicit FakeRetryTimer(RetryTimerLog *log) : m_log(log) {}
    void start(double seconds, std::function<void()> fire) override
    {
        m_log->intervals.append(seconds);
        if (m_log->autoFire)
            QTimer::singleShot(0, &m_context, std::move(fire));
        else
            m_log->pending = std::move(fire);
    }
    void cancel() override
    {
        ++m_log->cancelled;
        m_log->pending = nullptr;
    }

private:
    RetryTimerLog *m_log;
    QObject m_context;
};

struct Outcome {
    int calls = 0;
    QByteArray data;
    std::optional<GTMFetcherError> error;
    int statusInCompletion = -1;
};

class FetcherTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setHttpCAFile(LocalHttpServer::testCertificateAuthorityFile());
        GTMHTTPFetcher::setRetryTimerFactoryForTesting([this] { return std::make_unique<FakeRetryTimer>(&timers); });
        for (const QString &name :
             {kGTMHTTPFetcherStartedNotification, kGTMHTTPFetcherStoppedNotification,
              kGTMHTTPFetcherRetryDelayStartedNotification, kGTMHTTPFetcherRetryDelayStoppedNotification})
            observers.push_back(NotificationCenter::defaultCenter().addObserver(
                name, [this](const Notification &n) { posted.append(n.name); }));
    }
    void TearDown() override { GTMHTTPFetcher::setRetryTimerFactoryForTesting(nullptr); }

    static HttpRequest request(const QString &url, const QByteArray &method = "GET", const QByteArray &body = {})
    {
        HttpRequest r;
        r.url = QUrl(url);
        r.method = method;
        r.body = body;
        return r;
    }
    // Starts a fetch whose completion fills the outcome; the test keeps no
    // reference to the fetcher.
    bool start(const HttpRequest &r, Outcome &outcome, bool retry = false,
               const std::function<void(GTMHTTPFetcher &)> &configure = {})
    {
        auto fetcher = GTMHTTPFetcher::fetcherWithRequest(r);
        fetcher->setRetryEnabled(retry);
        if (configure)
            configure(*fetcher);
        return fetcher->beginFetch(
            [&outcome](GTMHTTPFetcher &f, const QByteArray &data, const std::optional<GTMFetcherError> &error) {
                ++outcome.calls;
                outcome.data = data;
                outcome.error = error;
                outcome.statusInCompletion = f.statusCode();
            });
    }
    int count(const QString &name) const { return static_cast<int>(posted.count(name)); }

    RetryTimerLog timers;
    QStringList posted;
    std::vector<NotificationObserver> observers;
};

TEST_F(FetcherTest, BodiesAndStatusErrors)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply("/empty", ScriptedReply::text(200, ""));
    server.setReply("/missing", ScriptedReply::text(404, "<Fault>gone</Fault>", "application/xml"));
    server.setReply("/bare404", ScriptedReply::text(404, ""));

    Outcome ok, missing, bare;
    ASSERT_TRUE(start(request(server.url("/empty")), ok));
    ASSERT_TRUE(start(request(server.url("/missing")), missing));
    ASSERT_TRUE(start(request(server.url("/bare404")), bare));
    ASSERT_TRUE(waitFor([&] { return ok.calls && missing.calls && bare.calls; }));
    spin(50);

    EXPECT_EQ(ok.calls, 1);
    EXPECT_FALSE(ok.error.has_value());
    EXPECT_TRUE(ok.data.isEmpty());
    EXPECT_FALSE(ok.data.isNull());

    EXPECT_EQ(missing.calls, 1);
    EXPECT_EQ(missing.data, QByteArray("<Fault>gone</Fault>"));
    ASSERT_TRUE(missing.error.has_value());
    EXPECT_EQ(missing.error->domain, kGTMHTTPFetcherHTTPStatusDomain);
    EXPECT_EQ(missing.error->code, 404);
    EXPECT_EQ(missing.error->userInfo.value(QStringLiteral("data")).toByteArray(), missing.data);

    ASSERT_TRUE(bare.error.has_value());
    EXPECT_EQ(bare.error->code, 404);
    EXPECT_TRUE(bare.error->userInfo.isEmpty());

    // One started and one stopped notice per attempt.
    EXPECT_EQ(count(kGTMHTTPFetcherStartedNotification), 3);
    EXPECT_EQ(count(kGTMHTTPFetcherStoppedNotification), 3);
}

TEST_F(FetcherTest, RedirectsKeepTheRequestAndNeverLeaveHttpsOrTheHost)
{
    LocalHttpServer plain;
    LocalHttpServer secure(LocalHttpServer::Scheme::Https);
    ASSERT_TRUE(plain.isListening());
    ASSERT_TRUE(secure.isListening());
    ScriptedReply up;
    up.status = 302;
    up.addHeader("Location", secure.url("/up-target").toUtf8());
    plain.setReply("/up", up);
    secure.setReply("/up-target", ScriptedReply::text(200, "secure"));
    ScriptedReply down;
    down.status = 301;
    down.addHeader("Location", QStringLiteral("http://%1/down-target").arg(secure.hostAndPort()).toUtf8());
    secure.setReply("/down", down);
    secure.setReply("/down-target", ScriptedReply::text(200, "still secure"));
    ScriptedReply away;
    away.status = 302;
    away.addHeader("Location", QStringLiteral("http://localhost:%1/elsewhere").arg(plain.port()).toUtf8());
    plain.setReply("/away", away);
    plain.setReply("/elsewhere", ScriptedReply::text(200, "must not be reached"));

    HttpRequest post = request(plain.url("/up"), "POST", "<Request/>");
    post.setHeader("USER-SECRET", "s3cret");
    post.setHeader("Content-Type", "application/xml");
    Outcome upOutcome, downOutcome, awayOutcome;
    ASSERT_TRUE(start(post, upOutcome));
    HttpRequest downPost = post;
    downPost.url = QUrl(secure.url("/down"));
    ASSERT_TRUE(start(downPost, downOutcome));
    HttpRequest awayPost = post;
    awayPost.url = QUrl(plain.url("/away"));
    ASSERT_TRUE(start(awayPost, awayOutcome));
    ASSERT_TRUE(waitFor([&] { return upOutcome.calls && downOutcome.calls && awayOutcome.calls; }));

    EXPECT_FALSE(upOutcome.error.has_value());
    EXPECT_EQ(upOutcome.data, QByteArray("secure"));
    EXPECT_FALSE(downOutcome.error.has_value());
    EXPECT_EQ(downOutcome.data, QByteArray("still secure"));
    int followed = 0;
    for (const RecordedRequest &r : secure.requests()) {
        if (r.path() != "/up-target" && r.path() != "/down-target")
            continue;
        ++followed;
        EXPECT_EQ(r.method, QByteArray("POST"));
        EXPECT_EQ(r.body, QByteArray("<Request/>"));
        EXPECT_EQ(r.header("USER-SECRET"), QByteArray("s3cret"));
        EXPECT_EQ(r.header("Content-Type"), QByteArray("application/xml"));
    }
    EXPECT_EQ(followed, 2);

    // Another host: not followed, the redirect's status ends the fetch.
    ASSERT_TRUE(awayOutcome.error.has_value());
    EXPECT_EQ(awayOutcome.error->domain, kGTMHTTPFetcherHTTPStatusDomain);
    EXPECT_EQ(awayOutcome.error->code, 302);
    for (const RecordedRequest &r : plain.requests())
        EXPECT_NE(r.path(), QByteArray("/elsewhere"));
}

TEST_F(FetcherTest, RetriesAPostAnswered503UntilTheWaitReaches600Seconds)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply("/busy", ScriptedReply::text(503, "busy"));

    struct Case {
        QByteArray method;
        double maximum;
    } cases[] = {{"POST", 600.0}, {"GET", 60.0}};
    for (const Case &c : cases) {
        timers = RetryTimerLog();
        posted.clear();
        server.clearRequests();
        Outcome outcome;
        double minimum = 0;
        ASSERT_TRUE(start(request(server.url("/busy"), c.method, "x"), outcome, true,
                          [&](GTMHTTPFetcher &f) { minimum = f.minRetryInterval(); }));
        ASSERT_TRUE(waitFor([&] { return outcome.calls > 0; }, 20000)) << c.method.constData();
        spin(50);
        EXPECT_EQ(outcome.calls, 1);
        ASSERT_TRUE(outcome.error.has_value());
        EXPECT_EQ(outcome.error->code, 503);
        EXPECT_EQ(outcome.data, QByteArray("busy"));

        EXPECT_GE(minimum, 1.0);
        EXPECT_LE(minimum, 2.0);
        ASSERT_FALSE(timers.intervals.isEmpty());
        EXPECT_DOUBLE_EQ(timers.intervals.first(), minimum);
        for (qsizetype i = 1; i < timers.intervals.size(); ++i)
            EXPECT_DOUBLE_EQ(timers.intervals[i], 2 * timers.intervals[i - 1]);
        EXPECT_LT(timers.intervals.last(), c.maximum);
        EXPECT_GE(timers.intervals.last() * 2, c.maximum);
        const int attempts = static_cast<int>(timers.intervals.size()) + 1;
        EXPECT_EQ(server.requestCount(), attempts);
        EXPECT_EQ(count(kGTMHTTPFetcherStartedNotification), attempts);
        EXPECT_EQ(count(kGTMHTTPFetcherStoppedNotification), attempts);
        EXPECT_EQ(count(kGTMHTTPFetcherRetryDelayStartedNotification), attempts - 1);
        EXPECT_EQ(count(kGTMHTTPFetcherRetryDelayStoppedNotification), attempts - 1);
    }
}

TEST_F(FetcherTest, OnlyTransientFailuresAreRetried)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply("/500", ScriptedReply::text(500, "broken"));
    server.setReply("/401", ScriptedReply::text(401, "who?"));
    for (const char *path : {"/500", "/401"}) {
        Outcome outcome;
        ASSERT_TRUE(start(request(server.url(QString::fromLatin1(path)), "POST"), outcome, true));
        ASSERT_TRUE(waitFor([&] { return outcome.calls > 0; })) << path;
        ASSERT_TRUE(outcome.error.has_value());
        EXPECT_EQ(outcome.error->code, QByteArray(path + 1).toInt());
    }
    EXPECT_TRUE(timers.intervals.isEmpty());
    EXPECT_EQ(server.requestCount(), 2);

    // The decision itself, for the errors no local server can produce.
    auto fetcher = GTMHTTPFetcher::fetcherWithRequest(request(server.url("/x")));
    fetcher->setRetryEnabled(true);
    fetcher->setMaxRetryInterval(600);
    struct Case {
        QString domain;
        int code;
        bool retried;
    } cases[] = {
        {NSURLErrorDomain, HttpErrorCannotFindHost, false},
        {NSURLErrorDomain, HttpErrorTimedOut, true},
        {NSURLErrorDomain, HttpErrorNetworkConnectionLost, true},
        {NSURLErrorDomain, HttpErrorCannotConnectToHost, false},
        {kGTMHTTPFetcherHTTPStatusDomain, 408, true},
        {kGTMHTTPFetcherHTTPStatusDomain, 504, true},
        {kGTMHTTPFetcherHTTPStatusDomain, 304, false},
        {kGTMHTTPFetcherFailureDomain, -2, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(fetcher->shouldRetryNowForStatus(0, GTMFetcherError{c.domain, c.code, {}, {}}), c.retried) << c.code;
    EXPECT_TRUE(fetcher->shouldRetryNowForStatus(503, std::nullopt));
    fetcher->setRetryEnabled(false);
    EXPECT_FALSE(fetcher->shouldRetryNowForStatus(503, std::nullopt));
}

TEST_F(FetcherTest, TimeOutsAndDroppedConnections)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    ScriptedReply silent;
    silent.action = ScriptedReply::Action::Withhold;
    server.setReply("/silent", silent);

    HttpRequest r = request(server.url("/silent"));
    r.timeoutMilliseconds = 300;
    Outcome outcome;
    ASSERT_TRUE(start(r, outcome));
    ASSERT_TRUE(waitFor([&] { return outcome.calls > 0; }));
    ASSERT_TRUE(outcome.error.has_value());
    EXPECT_EQ(outcome.error->domain, NSURLErrorDomain);
    EXPECT_EQ(outcome.error->code, HttpErrorTimedOut);
    EXPECT_TRUE(outcome.data.isNull());
    EXPECT_TRUE(timers.intervals.isEmpty());

    // A 503, then a retry that times out: the status stays 503.
    ScriptedReply busy = ScriptedReply::text(503, "busy");
    server.queueReplies("/flaky", {busy, silent});
    HttpRequest flaky = request(server.url("/flaky"), "POST");
    flaky.timeoutMilliseconds = 300;
    Outcome second;
    ASSERT_TRUE(start(flaky, second, true, [](GTMHTTPFetcher &f) {
        f.setMinRetryInterval(1.0);
        f.setMaxRetryInterval(1.5); // room for one retry only
    }));
    ASSERT_TRUE(waitFor([&] { return second.calls > 0; }));
    ASSERT_TRUE(second.error.has_value());
    EXPECT_EQ(second.error->code, HttpErrorTimedOut);
    EXPECT_EQ(second.statusInCompletion, 503);
    EXPECT_EQ(timers.intervals, QList<double>{1.0});

    // A connection closed in the middle of the body.
    ScriptedReply cut = ScriptedReply::text(200, QByteArray(2000, 'x'));
    cut.action = ScriptedReply::Action::CloseMidBody;
    server.setReply("/cut", cut);
    Outcome third;
    ASSERT_TRUE(start(request(server.url("/cut")), third));
    ASSERT_TRUE(waitFor([&] { return third.calls > 0; }));
    ASSERT_TRUE(third.error.has_value());
    EXPECT_EQ(third.error->domain, NSURLErrorDomain);
}

TEST_F(FetcherTest, StopDuringTheWaitEndsSilently)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply("/busy", ScriptedReply::text(503, "busy"));
    timers.autoFire = false;
    Outcome outcome;
    auto fetcher = GTMHTTPFetcher::fetcherWithRequest(request(server.url("/busy"), "POST"));
    fetcher->setRetryEnabled(true);
    ASSERT_TRUE(fetcher->beginFetch(
        [&](GTMHTTPFetcher &, const QByteArray &, const std::optional<GTMFetcherError> &) { ++outcome.calls; }));
    ASSERT_TRUE(waitFor([&] { return count(kGTMHTTPFetcherRetryDelayStartedNotification) == 1; }));
    EXPECT_EQ(count(kGTMHTTPFetcherRetryDelayStoppedNotification), 0);
    fetcher->stopFetching();
    EXPECT_EQ(count(kGTMHTTPFetcherRetryDelayStoppedNotification), 1);
    EXPECT_EQ(timers.cancelled, 1);
    EXPECT_FALSE(timers.pending);
    const QStringList before = posted;
    fetcher->stopFetching();
    spin(100);
    EXPECT_EQ(outcome.calls, 0);
    EXPECT_EQ(posted, before);
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_EQ(count(kGTMHTTPFetcherStartedNotification), count(kGTMHTTPFetcherStoppedNotification));
}

TEST_F(FetcherTest, FailuresToBeginArriveOnALaterPass)
{
    Outcome noUrl;
    EXPECT_FALSE(start(HttpRequest(), noUrl));
    EXPECT_EQ(noUrl.calls, 0); // not from inside begin
    ASSERT_TRUE(waitFor([&] { return noUrl.calls > 0; }));
    ASSERT_TRUE(noUrl.error.has_value());
    EXPECT_EQ(noUrl.error->domain, kGTMHTTPFetcherFailureDomain);
    EXPECT_EQ(noUrl.error->code, -1);
    EXPECT_TRUE(noUrl.data.isNull());

    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    ScriptedReply slow = ScriptedReply::text(200, "late");
    slow.delayMilliseconds = 300;
    server.setReply("/slow", slow);
    auto fetcher = GTMHTTPFetcher::fetcherWithRequest(request(server.url("/slow")));
    Outcome first, second;
    auto completion = [](Outcome &o) {
        return [&o](GTMHTTPFetcher &, const QByteArray &data, const std::optional<GTMFetcherError> &error) {
            ++o.calls;
            o.data = data;
            o.error = error;
        };
    };
    ASSERT_TRUE(fetcher->beginFetch(completion(first)));
    EXPECT_FALSE(fetcher->beginFetch(completion(second)));
    // The running connection keeps the fetcher alive until it ends.
    const QPointer<GTMHTTPFetcher> watch = fetcher.get();
    fetcher.reset();
    EXPECT_EQ(second.calls, 0);
    ASSERT_TRUE(waitFor([&] { return second.calls > 0; }));
    ASSERT_TRUE(second.error.has_value());
    EXPECT_EQ(second.error->code, -1);
    EXPECT_FALSE(watch.isNull());
    spin(600);
    EXPECT_TRUE(watch.isNull());
    EXPECT_EQ(first.calls, 0);
    EXPECT_EQ(second.calls, 1);
    EXPECT_EQ(server.requestCount(), 1);
    EXPECT_EQ(count(kGTMHTTPFetcherStartedNotification), 1);
    EXPECT_EQ(count(kGTMHTTPFetcherStoppedNotification), 1);
}

TEST_F(FetcherTest, RepliesBeyondTheCapFail)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply("/big", ScriptedReply::text(200, QByteArray(5000, 'b')));
    server.setReply("/fits", ScriptedReply::text(200, QByteArray(1000, 'f')));
    Outcome big, fits;
    ASSERT_TRUE(start(request(server.url("/big")), big, false, [](GTMHTTPFetcher &f) { f.setMaximumReplySize(1000); }));
    ASSERT_TRUE(
        start(request(server.url("/fits")), fits, false, [](GTMHTTPFetcher &f) { f.setMaximumReplySize(1000); }));
    ASSERT_TRUE(waitFor([&] { return big.calls && fits.calls; }));
    ASSERT_TRUE(big.error.has_value());
    EXPECT_EQ(big.error->code, HttpErrorDataLengthExceedsMaximum);
    EXPECT_TRUE(big.data.isEmpty());
    EXPECT_FALSE(fits.error.has_value());
    EXPECT_EQ(fits.data.size(), 1000);
    EXPECT_EQ(GTMHTTPFetcherDefaultMaxReplySize, GTMHTTPFetcher::fetcherWithRequest({})->maximumReplySize());
}

TEST_F(FetcherTest, ChallengesAndCookies)
{
    LocalHttpServer server;
    ASSERT_TRUE(server.isListening());
    server.setReply("/private", ScriptedReply::text(401, "no").addHeader("WWW-Authenticate", "Basic realm=\"x\""));
    server.setReply("/set", ScriptedReply::text(200, "ok").addHeader("Set-Cookie", "session=abc; Path=/"));
    server.setReply("/use", ScriptedReply::text(200, "ok"));

    Outcome challenged;
    ASSERT_TRUE(start(request(server.url("/private")), challenged));
    ASSERT_TRUE(waitFor([&] { return challenged.calls > 0; }));
    ASSERT_TRUE(challenged.error.has_value());
    EXPECT_EQ(challenged.error->domain, kGTMHTTPFetcherFailureDomain);
    EXPECT_EQ(challenged.error->code, -2);

    Outcome set, use;
    ASSERT_TRUE(start(request(server.url("/set")), set));
    ASSERT_TRUE(waitFor([&] { return set.calls > 0; }));
    ASSERT_TRUE(start(request(server.url("/use")), use));
    ASSERT_TRUE(waitFor([&] { return use.calls > 0; }));
    EXPECT_EQ(server.lastRequest().header("Cookie"), QByteArray("session=abc"));
    EXPECT_EQ(GTMHTTPFetcher::fetcherWithRequest({})->cookieStorageMethod(), 2);
}

} // namespace
