#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the tests of the server clients:
// plain HTTP or HTTPS (with a certificate of the test CA, see
// testCertificateAuthorityFile()), on an ephemeral port, in a thread of its
// own so that a client may call it synchronously from the test's thread.
//
// It is written from the wire format alone and shares no code with the
// program's HTTP client: it reads a request line, header fields and a body of
// "Content-Length" bytes, records the request, and answers with the reply
// scripted for the request's path (the target without its query). A path
// without a script gets 404 with an empty body. Every reply carries
// "Content-Length" and "Connection: close" and the connection is closed after
// it.
//
// Scripts per path:
//   setReply(path, reply)      - this reply for every request of the path;
//   queueReplies(path, list)   - the replies in order, the last one repeated;
//   setHandler(path, function) - a reply computed from the request (the
//                                function runs on the server's thread).
// A reply may be delayed, withheld for good (the client times out), or
// broken off: the connection closed before any byte, or in the middle of the
// body.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>

namespace tolvane::test {

using HeaderFields = QList<QPair<QByteArray, QByteArray>>;

struct RecordedRequest {
    QByteArray method;
    QByteArray target; // as on the request line: path and query
    QByteArray version;
    HeaderFields headers; // in the order received, names as sent
    QByteArray body;

    QByteArray path() const;
    QByteArray query() const;
    // The first field of the name (without regard to case); null when absent.
    QByteArray header(const QByteArray &name) const;
    // How many fields of the name arrived.
    int headerCount(const QByteArray &name) const;
};

struct ScriptedReply {
    enum class Action {
        Reply,            // the status line, fields and body
        Withhold,         // read the request and never answer
        CloseBeforeReply, // close the connection without a byte
        CloseMidBody,     // announce the whole body, send half, close
    };
    int status = 200;
    QByteArray body;
    HeaderFields headers; // besides Content-Length and Connection
    int delayMilliseconds = 0;
    Action action = Action::Reply;

    ScriptedReply &addHeader(const QByteArray &name, const QByteArray &value)
    {
        headers.append(qMakePair(name, value));
        return *this;
    }

    static ScriptedReply text(int status, const QByteArray &body, const QByteArray &contentType = "text/plain")
    {
        ScriptedReply reply;
        reply.status = status;
        reply.body = body;
        return reply.addHeader("Content-Type", contentType);
    }
};

class LocalHttpServer
{
public:
    enum class Scheme { Http, Https };
    // The dates of the HTTPS server's certificate: valid now, expired long
    // ago, or valid only from a date far ahead (signed by the test CA all
    // the same).
    enum class CertificateDates { Current, Expired, NotYetValid };

    // Starts listening; check isListening() (a test should ASSERT it).
    explicit LocalHttpServer(Scheme scheme = Scheme::Http, CertificateDates dates = CertificateDates::Current);
    // Stops the server; withheld and delayed replies are dropped.
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer &) = delete;
    LocalHttpServer &operator=(const LocalHttpServer &) = delete;

    bool isListening() const;
    // Why listening failed (empty when it did not).
    QString errorString() const;
    quint16 port() const;
    // "127.0.0.1:<port>"
    QString hostAndPort() const;
    // "http://127.0.0.1:<port>" or "https://127.0.0.1:<port>"
    QString baseUrl() const;
    // baseUrl() followed by the path.
    QString url(const QString &path) const;

    void setReply(const QByteArray &path, const ScriptedReply &reply);
    void queueReplies(const QByteArray &path, const QList<ScriptedReply> &replies);
    void setHandler(const QByteArray &path, std::function<ScriptedReply(const RecordedRequest &)> handler);

    // Every request received so far, in order of arrival.
    QList<RecordedRequest> requests() const;
    int requestCount() const;
    // The newest request; an empty record when none came.
    RecordedRequest lastRequest() const;
    void clearRequests();
    // Waits (up to the time-out) until at least count requests arrived.
    bool waitForRequests(int count, int timeoutMilliseconds = 5000) const;

    // The PEM file of the test certificate authority that signed the HTTPS
    // server's certificate (for 127.0.0.1 and localhost). It and the
    // server's key are made once per test run with the openssl tool in a
    // temporary folder; empty when that failed.
    static QString testCertificateAuthorityFile();

    class Worker;

private:
    std::unique_ptr<Worker> m_worker;
};

} // namespace tolvane::test
