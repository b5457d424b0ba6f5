#pragma once
// The program's synchronous HTTP client, over libcurl. A request is sent on
// the calling thread, which waits for the whole reply; any thread may send
// requests at the same time.
//
// What it does and does not do:
// - No cookies are sent or stored, nothing is cached, redirects are not
//   followed (a 3xx reply comes back as it is), only http and https URLs are
//   accepted.
// - The header fields of the request are sent as given, in their order; the
//   caller sets "Host" and "Content-Length" itself where it wants them forced.
//   A header name or value holding a line break is refused (the request is
//   not sent) so that no text can smuggle in fields of its own.
// - The time-out is a deadline for the whole exchange: the request fails as
//   timed out when connecting, sending and the whole reply together take
//   longer, whatever the server sends meanwhile (a server that drips a byte
//   now and then holds the caller no longer than a silent one).
// - A reply larger than the request's size cap fails; nothing of it is kept.
// - HTTPS peers are checked against the system's certificate authorities
//   plus the extra CA file of setHttpCAFile() (tests name their own CA
//   there). A host for which the certificate-exemption rule answers true is
//   not checked at all; no host is exempt until a rule is installed.
// - Any HTTP status is a reply; only transport failures are errors.
//
// Errors carry the platform's URL-loading codes (negative numbers, as
// NSURLErrorDomain numbers them) and a readable description.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

using HttpHeaderList = QList<QPair<QByteArray, QByteArray>>;

// Transport error codes.
enum HttpErrorCode : int {
    HttpErrorUnknown = -1,
    HttpErrorCancelled = -999,
    HttpErrorBadURL = -1000,
    HttpErrorTimedOut = -1001,
    HttpErrorUnsupportedURL = -1002,
    HttpErrorCannotFindHost = -1003,
    HttpErrorCannotConnectToHost = -1004,
    HttpErrorNetworkConnectionLost = -1005,
    HttpErrorBadServerResponse = -1011,
    HttpErrorDataLengthExceedsMaximum = -1103,
    HttpErrorSecureConnectionFailed = -1200,
    // The server's certificate has expired or is not valid yet by this
    // computer's clock (often a clock set to the wrong date).
    HttpErrorServerCertificateHasBadDate = -1201,
    HttpErrorServerCertificateUntrusted = -1202,
};

struct HttpError {
    int code = 0;
    QString description;
};

// Replies larger than this fail unless the request sets its own cap.
constexpr qint64 HttpDefaultMaxReplySize = 32 * 1024 * 1024;

struct HttpRequest {
    QUrl url;
    QByteArray method = "GET";
    QByteArray body;
    // Time-out of the whole exchange in milliseconds (see above).
    int timeoutMilliseconds = 60000;
    qint64 maxReplySize = HttpDefaultMaxReplySize;

    // The header fields in sending order.
    const HttpHeaderList &headers() const { return m_headers; }
    // Sets a field, replacing every field of the same name (names compare
    // without regard to case); the field keeps the place of the first one
    // replaced, or goes last.
    void setHeader(const QByteArray &name, const QByteArray &value);
    // The value of the first field of that name; a null array when absent.
    QByteArray header(const QByteArray &name) const;
    void removeHeader(const QByteArray &name);

private:
    HttpHeaderList m_headers;
};

struct HttpResponse {
    int statusCode = 0;
    HttpHeaderList headers;
    QByteArray body;

    QByteArray header(const QByteArray &name) const;
};

// Sends the request and waits for the reply. Answers the reply, or nothing
// with the reason in *error (when given).
std::optional<HttpResponse> sendHttpRequest(const HttpRequest &request, HttpError *error = nullptr);

// A PEM file of certificate authorities trusted in addition to the system's
// (tests name their test CA here); an empty path removes it. When never set,
// the environment variable TOLVANE_TEST_CA_FILE names it. Applies to every
// later request of the process.
void setHttpCAFile(const QString &path);
QString httpCAFile();

// The rule that names hosts whose certificates are accepted unchecked (the
// service layer installs it); an empty function exempts no host.
using HttpCertificateExemptionRule = std::function<bool(const QString &host)>;
void setHttpCertificateExemptionRule(HttpCertificateExemptionRule rule);
