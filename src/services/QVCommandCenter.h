#pragma once
// QVCommandCenter: the base of every client of a remote service (postage
// server, label server, label numbers, account information, zone charts,
// address correction, USPS Web Tools, web stores).
//
// Shared instances: each client class has exactly one instance, made on the
// first QVCommandCenter::commandCenter<Client>() (or the class's own
// Client::commandCenter()) and kept for the life of the process; a subclass
// never receives its base class's instance. Holders get a shared_ptr, so an
// instance stays valid however often a holder lets go of it.
// resetSharedInstancesForTesting() forgets every instance (the next request
// makes a new one); instances still held elsewhere live on unshared.
//
// Fields: server (a bare host or a URL prefix, as each client says), path,
// user id and pass phrase, the code and text of the last failure, and the two
// log flags. All start empty. Every accessor is safe from any thread: the
// postage-server receipt report writes the last-error fields from a thread of
// its own, so they are kept under a lock, and setLastError() sets both at
// once. A success never clears them.
//
// Networking: synchronous requests on the calling thread through the
// platform's HTTP client (platform/HttpClient.h): the request reloads (no
// cache), sends no cookies and ends within 60 seconds, whatever the server
// sends (the time-out bounds the whole exchange). The body of any reply
// comes back, whatever its HTTP status; a transport failure answers nothing
// and leaves the client's error code (the platform's negative URL-loading
// code, in decimal) and text in the last-error fields.
//
// Debug log: log() writes one entry to the console (logToConsole) and/or to
// the client's log file (logToFile), "<class name>.txt" in the
// application-support folder, each file entry headed by "\n--\n<date>\n--\n"
// (the date as "yyyy-MM-dd HH:mm:ss +0000", UTC). Before anything is written
// the value of every field named like a pass phrase or a password, and of
// the client's own secretFieldNames(), is taken out of the text by its place
// (see LogRedaction.h), for test servers too; the pass phrase's text is not
// searched for elsewhere. debugLog() is the console log that the clients write when the user
// default "logDebugInfo" is on, with the same removal.
#include "platform/HttpClient.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <typeindex>

class QFile;

// Extra HTTP header fields of a request: name to value.
using QVHeaderDictionary = QMap<QString, QString>;

// The user default that switches the clients' debug logging on.
inline const QString QVLogDebugInfoDefaultsKey = QStringLiteral("logDebugInfo");

class QVCommandCenter
{
public:
    virtual ~QVCommandCenter();
    QVCommandCenter(const QVCommandCenter &) = delete;
    QVCommandCenter &operator=(const QVCommandCenter &) = delete;

    // ---- Shared instances ----------------------------------------------
    // The one instance of the client class, made with its default
    // constructor on first request.
    template <class Client> static std::shared_ptr<Client> commandCenter()
    {
        static_assert(std::is_base_of_v<QVCommandCenter, Client>);
        return std::static_pointer_cast<Client>(
            sharedInstance(typeid(Client), [] { return std::shared_ptr<QVCommandCenter>(new Client); }));
    }
    // For tests: forgets every shared instance.
    static void resetSharedInstancesForTesting();

    // ---- Accessors ------------------------------------------------------
    // The client's own class name (the log file's name); by default the
    // name of the most derived class without namespaces.
    virtual QString className() const;

    virtual QString server() const;
    virtual void setServer(const QString &server);
    QString path() const;
    void setPath(const QString &path);
    virtual QString userid() const;
    virtual void setUserid(const QString &userid);
    virtual QString password() const;
    virtual void setPassword(const QString &password);
    // setUserid() then setPassword(), so that a subclass's versions run.
    void setUseridAndPassword(const QString &userid, const QString &password);

    QString lastErrorDescription() const;
    void setLastErrorDescription(const QString &description);
    QString lastErrorCode() const;
    void setLastErrorCode(const QString &code);
    // Both fields under one lock.
    void setLastError(const QString &code, const QString &description);

    bool logToFile() const { return m_logToFile; }
    void setLogToFile(bool on) { m_logToFile = on; }
    bool logToConsole() const { return m_logToConsole; }
    void setLogToConsole(bool on) { m_logToConsole = on; }

    // ---- Debug log --------------------------------------------------------
    // The path of the client's log file (empty without a support folder).
    QString logFilePath() const;
    // The log file, created empty when missing, opened for appending;
    // nullptr when it cannot be opened.
    std::unique_ptr<QFile> logFile() const;
    // Writes one entry (see above); nothing when both flags are off.
    void log(const QString &message) const;
    // Writes the message to the console when the user default
    // "logDebugInfo" is on.
    void debugLog(const QString &message) const;
    // The message as the logs write it: secrets taken out by their place
    // (fields named like a pass phrase, and secretFieldNames()).
    QString messageForLog(const QString &message) const;
    // Further fields of the client's requests whose values are secret;
    // none by default.
    virtual QStringList secretFieldNames() const { return {}; }

    // ---- Networking -------------------------------------------------------
    // A request for the URL: no cache, no cookies, the time-out, then every
    // extra header field set.
    HttpRequest genericURLRequestForURL(const QUrl &url, const QVHeaderDictionary &extraHeaders = {}) const;
    std::optional<QByteArray> getURL(const QUrl &url, const QVHeaderDictionary &extraHeaders = {});
    // A POST of the body, with "Host" (the URL's host) and "Content-Length"
    // (the body's length) set after the extra fields, replacing any of the
    // same name.
    HttpRequest URLRequestForPostData(const QByteArray &body, const QUrl &url,
                                      const QVHeaderDictionary &extraHeaders = {}) const;
    std::optional<QByteArray> postData(const QByteArray &body, const QUrl &url,
                                       const QVHeaderDictionary &extraHeaders = {});
    // Sends the request: the reply's body (of any status), or nothing with
    // the last-error fields set.
    virtual std::optional<QByteArray> submitURLRequest(const HttpRequest &request);
    // The same, answering the whole reply (status, fields and body), for a
    // client whose peer's replies count only under one status.
    std::optional<HttpResponse> sendURLRequest(const HttpRequest &request);
    // Whether the host named by server() can be reached (through the
    // registered QVReachability). The server may be given as a bare host,
    // "host:port" or a whole URL; only its host is asked about.
    virtual bool serverReachable() const;
    // The host of a server setting: the host of a URL with a scheme, else
    // the host of the text read as an https address ("host" or "host:port");
    // empty when there is none.
    static QString hostOfServer(const QString &server);

    // The request time-out, 60 seconds; tests shorten it.
    int requestTimeoutMilliseconds() const { return m_requestTimeoutMilliseconds; }
    void setRequestTimeoutMilliseconds(int milliseconds) { m_requestTimeoutMilliseconds = milliseconds; }

protected:
    QVCommandCenter();

    // Sets the log flags from the user defaults: "logDebugInfo" switches the
    // console on; when a mode key is given, its value "console" switches the
    // file and the console on, "file" the file.
    void takeLogFlagsFromDefaults(const QString &fileModeKey = QString());

private:
    static std::shared_ptr<QVCommandCenter>
    sharedInstance(std::type_index type, const std::function<std::shared_ptr<QVCommandCenter>()> &make);

    mutable std::mutex m_mutex;
    QString m_lastErrorDescription;
    QString m_lastErrorCode;
    QString m_server;
    QString m_path;
    QString m_userid;
    QString m_password;
    std::atomic<bool> m_logToFile{false};
    std::atomic<bool> m_logToConsole{false};
    std::atomic<int> m_requestTimeoutMilliseconds{60000};
};
