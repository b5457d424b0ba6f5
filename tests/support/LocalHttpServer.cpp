#include "LocalHttpServer.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QHostAddress>
#include <QProcess>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <utility>

namespace tolvane::test {

namespace {

constexpr qsizetype MaxHeadSize = 64 * 1024;
constexpr qsizetype MaxBodySize = 64 * 1024 * 1024;

const char *const PkiConfig = R"([req]
distinguished_name = dn
prompt = no
[dn]
CN = Tolvane Test CA
[ca_ext]
basicConstraints = critical,CA:TRUE
keyUsage = critical,keyCertSign,cRLSign
subjectKeyIdentifier = hash
[server_ext]
basicConstraints = CA:FALSE
keyUsage = critical,digitalSignature
extendedKeyUsage = serverAuth
subjectAltName = IP:127.0.0.1,DNS:localhost
authorityKeyIdentifier = keyid
[ca]
default_ca = test_ca
[test_ca]
database = index.txt
serial = serial.txt
new_certs_dir = .
default_md = sha256
policy = any_name
unique_subject = no
[any_name]
commonName = supplied
)";

// The test CA and the server's certificate and key, made once per run.
struct TestPki {
    QTemporaryDir dir;
    QString caFile;
    QString certificateFile;
    // The same key and name, signed by the same CA, for dates long past
    // (2000) and far ahead (2100).
    QString expiredCertificateFile;
    QString notYetValidCertificateFile;
    QString keyFile;
    QString error;

    TestPki()
    {
        if (!dir.isValid()) {
            error = QStringLiteral("no temporary folder");
            return;
        }
        const QString config = dir.filePath(QStringLiteral("pki.cnf"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) || file.write(PkiConfig) < 0) {
            error = QStringLiteral("cannot write %1").arg(config);
            return;
        }
        file.close();
        for (const auto &[name, content] :
             {std::pair{"index.txt", QByteArray()}, std::pair{"serial.txt", QByteArray("03\n")}}) {
            QFile extra(dir.filePath(QString::fromLatin1(name)));
            if (!extra.open(QIODevice::WriteOnly) || extra.write(content) < 0) {
                error = QStringLiteral("cannot write %1").arg(extra.fileName());
                return;
            }
        }
        const auto dated = [&](const QString &start, const QString &end, const QString &out) {
            return QStringList{QStringLiteral("ca"),
                               QStringLiteral("-batch"),
                               QStringLiteral("-config"),
                               config,
                               QStringLiteral("-in"),
                               QStringLiteral("server.csr"),
                               QStringLiteral("-cert"),
                               QStringLiteral("ca.pem"),
                               QStringLiteral("-keyfile"),
                               QStringLiteral("ca.key"),
                               QStringLiteral("-startdate"),
                               start,
                               QStringLiteral("-enddate"),
                               end,
                               QStringLiteral("-extfile"),
                               config,
                               QStringLiteral("-extensions"),
                               QStringLiteral("server_ext"),
                               QStringLiteral("-notext"),
                               QStringLiteral("-out"),
                               out};
        };
        const QStringList ecKey{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                                QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-noenc")};
        const QStringList steps[] = {
            QStringList{QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-config"), config,
                        QStringLiteral("-extensions"), QStringLiteral("ca_ext")} +
                ecKey +
                QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                            QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("3650")},
            QStringList{QStringLiteral("req"), QStringLiteral("-new"), QStringLiteral("-config"), config,
                        QStringLiteral("-subj"), QStringLiteral("/CN=127.0.0.1")} +
                ecKey +
                QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                            QStringLiteral("server.csr")},
            QStringList{QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                        QStringLiteral("server.csr"), QStringLiteral("-CA"), QStringLiteral("ca.pem"),
                        QStringLiteral("-CAkey"), QStringLiteral("ca.key"), QStringLiteral("-set_serial"),
                        QStringLiteral("2"), QStringLiteral("-days"), QStringLiteral("3650"),
                        QStringLiteral("-extfile"), config, QStringLiteral("-extensions"), QStringLiteral("server_ext"),
                        QStringLiteral("-out"), QStringLiteral("server.pem")},
            dated(QStringLiteral("20000101000000Z"), QStringLiteral("20010101000000Z"), QStringLiteral("expired.pem")),
            dated(QStringLiteral("21000101000000Z"), QStringLiteral("21010101000000Z"), QStringLiteral("future.pem")),
        };
        for (const QStringList &arguments : steps) {
            QProcess openssl;
            openssl.setWorkingDirectory(dir.path());
            openssl.setProcessChannelMode(QProcess::MergedChannels);
            openssl.start(QStringLiteral("openssl"), arguments);
            if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit ||
                openssl.exitCode() != 0) {
                error = QStringLiteral("openssl %1 failed: %2 %3")
                            .arg(arguments.first(), openssl.errorString(), QString::fromLocal8Bit(openssl.readAll()));
                return;
            }
        }
        caFile = dir.filePath(QStringLiteral("ca.pem"));
        certificateFile = dir.filePath(QStringLiteral("server.pem"));
        expiredCertificateFile = dir.filePath(QStringLiteral("expired.pem"));
        notYetValidCertificateFile = dir.filePath(QStringLiteral("future.pem"));
        keyFile = dir.filePath(QStringLiteral("server.key"));
    }
};

TestPki &testPki()
{
    static TestPki pki;
    return pki;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

// The bytes of one connection until its request is complete.
struct Connection {
    QByteArray buffer;
    bool answered = false;
};

// Parses the request in the buffer: false while incomplete; on a complete
// or a broken request true, with *badStatus set for a broken one.
bool parseRequest(const QByteArray &buffer, RecordedRequest &request, int *badStatus)
{
    *badStatus = 0;
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (buffer.size() > MaxHeadSize)
            *badStatus = 431;
        return buffer.size() > MaxHeadSize;
    }
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[2].startsWith("HTTP/1.")) {
        *badStatus = 400;
        return true;
    }
    request.method = requestLine[0];
    request.target = requestLine[1];
    request.version = requestLine[2];
    request.headers.clear();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].endsWith('\r') ? lines[i].chopped(1) : lines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            *badStatus = 400;
            return true;
        }
        request.headers.append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    if (request.headerCount("Transfer-Encoding") > 0) {
        *badStatus = 501;
        return true;
    }
    qint64 length = 0;
    if (request.headerCount("Content-Length") > 1) {
        *badStatus = 400;
        return true;
    }
    if (request.headerCount("Content-Length") == 1) {
        bool ok = false;
        length = request.header("Content-Length").toLongLong(&ok);
        if (!ok || length < 0 || length > MaxBodySize) {
            *badStatus = 400;
            return true;
        }
    }
    const qsizetype bodyStart = headEnd + 4;
    if (buffer.size() - bodyStart < length)
        return false;
    request.body = buffer.mid(bodyStart, qsizetype(length));
    return true;
}

QByteArray replyBytes(const ScriptedReply &reply)
{
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    for (const auto &[name, value] : reply.headers)
        bytes += name + ": " + value + "\r\n";
    bytes += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    bytes += "Connection: close\r\n\r\n";
    return bytes;
}

} // namespace

QByteArray RecordedRequest::path() const
{
    const qsizetype mark = target.indexOf('?');
    return mark < 0 ? target : target.left(mark);
}

QByteArray RecordedRequest::query() const
{
    const qsizetype mark = target.indexOf('?');
    return mark < 0 ? QByteArray() : target.mid(mark + 1);
}

QByteArray RecordedRequest::header(const QByteArray &name) const
{
    for (const auto &[field, value] : headers) {
        if (field.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return QByteArray();
}

int RecordedRequest::headerCount(const QByteArray &name) const
{
    int count = 0;
    for (const auto &field : headers)
        count += field.first.compare(name, Qt::CaseInsensitive) == 0 ? 1 : 0;
    return count;
}

class LocalHttpServer::Worker
{
public:
    // The server's thread is a joinable std::thread running an event loop
    // of its own. (A QThread's wait() returns while the thread is still
    // ending, and a process that exits then cannot be stopped by
    // LeakSanitizer; joining waits until the thread is gone.)
    Worker(Scheme scheme, CertificateDates dates) : m_scheme(scheme), m_dates(dates)
    {
        std::promise<void> listening;
        m_thread = std::thread([this, &listening] {
            QEventLoop loop;
            m_loop = &loop;
            m_anchor = new QObject;
            listen();
            listening.set_value();
            loop.exec();
            delete m_anchor; // and with it the server, every connection and pending timer
            m_anchor = nullptr;
            m_server = nullptr;
        });
        listening.get_future().wait();
    }

    ~Worker()
    {
        QMetaObject::invokeMethod(
            m_anchor, [this] { m_loop->quit(); }, Qt::QueuedConnection);
        m_thread.join();
    }

    struct Script {
        QList<ScriptedReply> replies;
        std::function<ScriptedReply(const RecordedRequest &)> handler;
    };

    Scheme m_scheme;
    CertificateDates m_dates;
    std::thread m_thread;
    QEventLoop *m_loop = nullptr;   // lives in m_thread
    QObject *m_anchor = nullptr;    // lives in m_thread
    QTcpServer *m_server = nullptr; // lives in m_thread, a child of m_anchor
    quint16 m_port = 0;
    QString m_error;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    QList<RecordedRequest> m_requests;
    QHash<QByteArray, Script> m_scripts;

    QString scheme() const { return m_scheme == Scheme::Https ? QStringLiteral("https") : QStringLiteral("http"); }

private:
    void listen()
    {
        if (m_scheme == Scheme::Https) {
            TestPki &pki = testPki();
            if (!pki.error.isEmpty()) {
                m_error = pki.error;
                return;
            }
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            const QString &certificate = m_dates == CertificateDates::Expired ? pki.expiredCertificateFile
                : m_dates == CertificateDates::NotYetValid                    ? pki.notYetValidCertificateFile
                                                                              : pki.certificateFile;
            configuration.setLocalCertificate(QSslCertificate(readFile(certificate), QSsl::Pem));
            configuration.setPrivateKey(QSslKey(readFile(pki.keyFile), QSsl::Ec, QSsl::Pem));
            configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
            auto *server = new QSslServer(m_anchor);
            server->setSslConfiguration(configuration);
            m_server = server;
        } else {
            m_server = new QTcpServer(m_anchor);
        }
        QObject::connect(m_server, &QTcpServer::pendingConnectionAvailable, m_server, [this] { accept(); });
        if (!m_server->listen(QHostAddress::LocalHost, 0)) {
            m_error = m_server->errorString();
            return;
        }
        m_port = m_server->serverPort();
    }

    void accept()
    {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            auto connection = std::make_shared<Connection>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket, connection] { readFrom(socket, *connection); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            if (socket->bytesAvailable() > 0)
                readFrom(socket, *connection);
        }
    }

    void readFrom(QTcpSocket *socket, Connection &connection)
    {
        if (connection.answered) {
            socket->readAll();
            return;
        }
        connection.buffer += socket->readAll();
        RecordedRequest request;
        int badStatus = 0;
        if (!parseRequest(connection.buffer, request, &badStatus))
            return;
        connection.answered = true;
        if (badStatus != 0) {
            send(socket, ScriptedReply::text(badStatus, QByteArray()));
            return;
        }
        ScriptedReply reply = record(request);
        if (reply.delayMilliseconds > 0 && reply.action != ScriptedReply::Action::Withhold)
            QTimer::singleShot(reply.delayMilliseconds, socket, [this, socket, reply] { send(socket, reply); });
        else
            send(socket, reply);
    }

    // Records the request, wakes waiters and answers the scripted reply.
    ScriptedReply record(const RecordedRequest &request)
    {
        std::function<ScriptedReply(const RecordedRequest &)> handler;
        ScriptedReply reply;
        reply.status = 404;
        {
            std::lock_guard lock(m_mutex);
            m_requests.append(request);
            auto script = m_scripts.find(request.path());
            if (script != m_scripts.end()) {
                if (script->handler) {
                    handler = script->handler;
                } else if (!script->replies.isEmpty()) {
                    reply = script->replies.size() > 1 ? script->replies.takeFirst() : script->replies.first();
                }
            }
        }
        m_arrived.notify_all();
        return handler ? handler(request) : reply;
    }

    void send(QTcpSocket *socket, const ScriptedReply &reply)
    {
        switch (reply.action) {
        case ScriptedReply::Action::Withhold:
            return;
        case ScriptedReply::Action::CloseBeforeReply:
            socket->abort();
            return;
        case ScriptedReply::Action::CloseMidBody:
            socket->write(replyBytes(reply) + reply.body.left(reply.body.size() / 2));
            socket->flush();
            socket->abort();
            return;
        case ScriptedReply::Action::Reply:
            socket->write(replyBytes(reply) + reply.body);
            socket->disconnectFromHost();
            return;
        }
    }
};

LocalHttpServer::LocalHttpServer(Scheme scheme, CertificateDates dates)
    : m_worker(std::make_unique<Worker>(scheme, dates))
{}

LocalHttpServer::~LocalHttpServer() = default;

bool LocalHttpServer::isListening() const { return m_worker->m_port != 0; }

QString LocalHttpServer::errorString() const { return m_worker->m_error; }

quint16 LocalHttpServer::port() const { return m_worker->m_port; }

QString LocalHttpServer::hostAndPort() const { return QStringLiteral("127.0.0.1:%1").arg(port()); }

QString LocalHttpServer::baseUrl() const { return m_worker->scheme() + QStringLiteral("://") + hostAndPort(); }

QString LocalHttpServer::url(const QString &path) const { return baseUrl() + path; }

void LocalHttpServer::setReply(const QByteArray &path, const ScriptedReply &reply) { queueReplies(path, {reply}); }

void LocalHttpServer::queueReplies(const QByteArray &path, const QList<ScriptedReply> &replies)
{
    std::lock_guard lock(m_worker->m_mutex);
    m_worker->m_scripts[path] = Worker::Script{replies, {}};
}

void LocalHttpServer::setHandler(const QByteArray &path, std::function<ScriptedReply(const RecordedRequest &)> handler)
{
    std::lock_guard lock(m_worker->m_mutex);
    m_worker->m_scripts[path] = Worker::Script{{}, std::move(handler)};
}

QList<RecordedRequest> LocalHttpServer::requests() const
{
    std::lock_guard lock(m_worker->m_mutex);
    return m_worker->m_requests;
}

int LocalHttpServer::requestCount() const
{
    std::lock_guard lock(m_worker->m_mutex);
    return int(m_worker->m_requests.size());
}

RecordedRequest LocalHttpServer::lastRequest() const
{
    std::lock_guard lock(m_worker->m_mutex);
    return m_worker->m_requests.isEmpty() ? RecordedRequest() : m_worker->m_requests.last();
}

void LocalHttpServer::clearRequests()
{
    std::lock_guard lock(m_worker->m_mutex);
    m_worker->m_requests.clear();
}

bool LocalHttpServer::waitForRequests(int count, int timeoutMilliseconds) const
{
    std::unique_lock lock(m_worker->m_mutex);
    return m_worker->m_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMilliseconds),
                                        [&] { return m_worker->m_requests.size() >= count; });
}

QString LocalHttpServer::testCertificateAuthorityFile() { return testPki().caFile; }

} // namespace tolvane::test
