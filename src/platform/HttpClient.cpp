#include "platform/HttpClient.h"

#include <QLibrary>
#include <QtGlobal>

#include <curl/curl.h>
#include <openssl/x509_vfy.h>

#include <memory>
#include <mutex>

namespace {

std::mutex g_settingsMutex;
std::optional<QString> g_caFile;
HttpCertificateExemptionRule g_exemptionRule;

// libcurl, with the many libraries it brings (Kerberos, LDAP, SSH, RTMP,
// HTTP/2), is loaded and set up when the first request is made, not at
// start-up: the program does not link it.
struct Curl {
    decltype(&::curl_global_init) global_init = nullptr;
    decltype(&::curl_easy_init) easy_init = nullptr;
    decltype(&::curl_easy_setopt) easy_setopt = nullptr;
    decltype(&::curl_easy_perform) easy_perform = nullptr;
    decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
    decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
    decltype(&::curl_easy_strerror) easy_strerror = nullptr;
    decltype(&::curl_slist_append) slist_append = nullptr;
    decltype(&::curl_slist_free_all) slist_free_all = nullptr;
    QString failure;
};

const Curl &loadCurl()
{
    static const Curl loaded = [] {
        Curl api;
        // Never unloaded: a QLibrary that goes without unload() leaves its
        // library loaded.
        QLibrary library(QStringLiteral("curl"), 4);
        bool complete = true;
        auto resolve = [&](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
            complete = complete && function;
        };
        resolve(api.global_init, "curl_global_init");
        resolve(api.easy_init, "curl_easy_init");
        resolve(api.easy_setopt, "curl_easy_setopt");
        resolve(api.easy_perform, "curl_easy_perform");
        resolve(api.easy_getinfo, "curl_easy_getinfo");
        resolve(api.easy_cleanup, "curl_easy_cleanup");
        resolve(api.easy_strerror, "curl_easy_strerror");
        resolve(api.slist_append, "curl_slist_append");
        resolve(api.slist_free_all, "curl_slist_free_all");
        if (!complete)
            api.failure = library.errorString();
        else if (api.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            api.failure = QStringLiteral("libcurl could not be set up");
        return api;
    }();
    return loaded;
}

// Only once loadCurl() has answered a library without a failure.
const Curl &curlApi() { return loadCurl(); }

bool holdsLineBreak(const QByteArray &text) { return text.contains('\r') || text.contains('\n'); }

int indexOfHeader(const HttpHeaderList &headers, const QByteArray &name)
{
    for (qsizetype i = 0; i < headers.size(); ++i) {
        if (headers[i].first.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

QByteArray headerValue(const HttpHeaderList &headers, const QByteArray &name)
{
    const int i = indexOfHeader(headers, name);
    return i < 0 ? QByteArray() : headers[i].second;
}

// What one transfer collects; the callbacks below fill it.
struct Transfer {
    qint64 maxReplySize = 0;
    bool tooLarge = false;
    HttpResponse response;
};

size_t writeBody(char *data, size_t size, size_t count, void *context)
{
    auto *transfer = static_cast<Transfer *>(context);
    const size_t length = size * count;
    if (qint64(transfer->response.body.size()) + qint64(length) > transfer->maxReplySize) {
        transfer->tooLarge = true;
        return 0; // makes curl fail the transfer
    }
    transfer->response.body.append(data, qsizetype(length));
    return length;
}

size_t writeHeader(char *data, size_t size, size_t count, void *context)
{
    auto *transfer = static_cast<Transfer *>(context);
    const size_t length = size * count;
    const QByteArray line = QByteArray(data, qsizetype(length)).trimmed();
    if (line.startsWith("HTTP/")) {
        // A new status line (after "100 Continue" or the like) starts the
        // header list afresh.
        transfer->response.headers.clear();
    } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
        transfer->response.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    return length;
}

// The error of a failed transfer; verifyResult is the TLS library's reason
// when the server's certificate was refused.
HttpError errorForCode(CURLcode code, const Transfer &transfer, const QString &host, const char *detail,
                       long verifyResult)
{
    const QString more = detail && *detail ? QStringLiteral(" (%1)").arg(QString::fromUtf8(detail)) : QString();
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return {HttpErrorTimedOut, QStringLiteral("The request timed out.")};
    case CURLE_COULDNT_RESOLVE_HOST:
        return {HttpErrorCannotFindHost, QStringLiteral("A server with the specified hostname could not be found.")};
    case CURLE_COULDNT_CONNECT:
        return {HttpErrorCannotConnectToHost, QStringLiteral("Could not connect to the server.")};
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return {HttpErrorNetworkConnectionLost, QStringLiteral("The network connection was lost.")};
    case CURLE_WRITE_ERROR:
    case CURLE_FILESIZE_EXCEEDED:
        if (transfer.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
            return {HttpErrorDataLengthExceedsMaximum,
                    QStringLiteral("The reply is larger than the allowed %1 bytes.").arg(transfer.maxReplySize)};
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        if (verifyResult == X509_V_ERR_CERT_HAS_EXPIRED || verifyResult == X509_V_ERR_CERT_NOT_YET_VALID)
            return {HttpErrorServerCertificateHasBadDate,
                    QStringLiteral("The certificate of the server \"%1\" is not valid for the current date.%2")
                        .arg(host, more)};
        return {HttpErrorServerCertificateUntrusted,
                QStringLiteral("The certificate of the server \"%1\" could not be verified.%2").arg(host, more)};
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return {HttpErrorSecureConnectionFailed,
                QStringLiteral("A secure connection to the server \"%1\" could not be made.%2").arg(host, more)};
    case CURLE_UNSUPPORTED_PROTOCOL:
        return {HttpErrorUnsupportedURL, QStringLiteral("unsupported URL")};
    case CURLE_URL_MALFORMAT:
        return {HttpErrorBadURL, QStringLiteral("bad URL")};
    case CURLE_WEIRD_SERVER_REPLY:
        return {HttpErrorBadServerResponse, QStringLiteral("The server's reply could not be read.")};
    default:
        break;
    }
    return {HttpErrorUnknown, QString::fromUtf8(curlApi().easy_strerror(code)) + more};
}

struct CurlDeleter {
    void operator()(CURL *curl) const { curlApi().easy_cleanup(curl); }
};
struct SlistDeleter {
    void operator()(curl_slist *list) const { curlApi().slist_free_all(list); }
};

std::optional<HttpResponse> fail(HttpError *error, int code, const QString &description)
{
    if (error)
        *error = {code, description};
    return std::nullopt;
}

} // namespace

void HttpRequest::setHeader(const QByteArray &name, const QByteArray &value)
{
    const int first = indexOfHeader(m_headers, name);
    if (first < 0) {
        m_headers.append({name, value});
        return;
    }
    m_headers[first] = {name, value};
    for (qsizetype i = m_headers.size() - 1; i > first; --i) {
        if (m_headers[i].first.compare(name, Qt::CaseInsensitive) == 0)
            m_headers.removeAt(i);
    }
}

QByteArray HttpRequest::header(const QByteArray &name) const { return headerValue(m_headers, name); }

void HttpRequest::removeHeader(const QByteArray &name)
{
    m_headers.removeIf([&](const auto &field) { return field.first.compare(name, Qt::CaseInsensitive) == 0; });
}

QByteArray HttpResponse::header(const QByteArray &name) const { return headerValue(headers, name); }

void setHttpCAFile(const QString &path)
{
    std::lock_guard lock(g_settingsMutex);
    g_caFile = path;
}

QString httpCAFile()
{
    std::lock_guard lock(g_settingsMutex);
    if (g_caFile)
        return *g_caFile;
    return qEnvironmentVariable("TOLVANE_TEST_CA_FILE");
}

void setHttpCertificateExemptionRule(HttpCertificateExemptionRule rule)
{
    std::lock_guard lock(g_settingsMutex);
    g_exemptionRule = std::move(rule);
}

static bool hostIsExempt(const QString &host)
{
    HttpCertificateExemptionRule rule;
    {
        std::lock_guard lock(g_settingsMutex);
        rule = g_exemptionRule;
    }
    return rule && rule(host);
}

std::optional<HttpResponse> sendHttpRequest(const HttpRequest &request, HttpError *error)
{
    const QString scheme = request.url.scheme().toLower();
    if (!request.url.isValid() || request.url.host().isEmpty())
        return fail(error, HttpErrorBadURL, QStringLiteral("bad URL"));
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return fail(error, HttpErrorUnsupportedURL, QStringLiteral("unsupported URL"));
    if (request.method.isEmpty() || holdsLineBreak(request.method) || request.method.contains(' '))
        return fail(error, HttpErrorBadURL, QStringLiteral("The request method is not valid."));
    if (const QString &failure = loadCurl().failure; !failure.isEmpty())
        return fail(error, HttpErrorUnknown, QStringLiteral("The HTTP client could not be started: %1").arg(failure));

    std::unique_ptr<curl_slist, SlistDeleter> headerList;
    for (const auto &[name, value] : request.headers()) {
        if (name.isEmpty() || holdsLineBreak(name) || name.contains(':') || holdsLineBreak(value))
            return fail(error, HttpErrorBadURL,
                        QStringLiteral("The header field \"%1\" holds a line break or is not a valid name.")
                            .arg(QString::fromLatin1(name.left(64))));
        // curl drops a field given as "Name:" and sends an empty one for "Name;".
        const QByteArray line = value.isEmpty() ? name + ';' : name + ": " + value;
        curl_slist *grown = curlApi().slist_append(headerList.get(), line.constData());
        if (!grown)
            return fail(error, HttpErrorUnknown, QStringLiteral("Out of memory."));
        headerList.release();
        headerList.reset(grown);
    }
    // No "Expect: 100-continue" round trip before larger bodies.
    if (indexOfHeader(request.headers(), "Expect") < 0) {
        curl_slist *grown = curlApi().slist_append(headerList.get(), "Expect:");
        if (grown) {
            headerList.release();
            headerList.reset(grown);
        }
    }

    std::unique_ptr<CURL, CurlDeleter> curl(curlApi().easy_init());
    if (!curl)
        return fail(error, HttpErrorUnknown, QStringLiteral("The HTTP client could not be started."));
    CURL *c = curl.get();

    Transfer transfer;
    transfer.maxReplySize = request.maxReplySize;
    char detail[CURL_ERROR_SIZE] = {0};
    const QByteArray url = request.url.toEncoded();
    const QString host = request.url.host();
    const long timeoutMs = qMax(1, request.timeoutMilliseconds);

    curlApi().easy_setopt(c, CURLOPT_URL, url.constData());
    curlApi().easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curlApi().easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    curlApi().easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curlApi().easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
    // The time-out bounds the whole exchange: a server that keeps the
    // connection alive with a byte now and then cannot hold the caller past
    // it. The low-speed limit ends a silent connection at the same time.
    curlApi().easy_setopt(c, CURLOPT_TIMEOUT_MS, timeoutMs);
    curlApi().easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    curlApi().easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curlApi().easy_setopt(c, CURLOPT_LOW_SPEED_TIME, long((timeoutMs + 999) / 1000));
    curlApi().easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(request.maxReplySize));
    curlApi().easy_setopt(c, CURLOPT_WRITEFUNCTION, &writeBody);
    curlApi().easy_setopt(c, CURLOPT_WRITEDATA, &transfer);
    curlApi().easy_setopt(c, CURLOPT_HEADERFUNCTION, &writeHeader);
    curlApi().easy_setopt(c, CURLOPT_HEADERDATA, &transfer);
    curlApi().easy_setopt(c, CURLOPT_HTTPHEADER, headerList.get());

    if (request.method == "GET") {
        curlApi().easy_setopt(c, CURLOPT_HTTPGET, 1L);
    } else if (request.method == "HEAD") {
        curlApi().easy_setopt(c, CURLOPT_NOBODY, 1L);
    } else {
        if (request.method == "POST" || !request.body.isEmpty()) {
            curlApi().easy_setopt(c, CURLOPT_POST, 1L);
            curlApi().easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
            curlApi().easy_setopt(c, CURLOPT_POSTFIELDS, request.body.constData());
        }
        if (request.method != "POST")
            curlApi().easy_setopt(c, CURLOPT_CUSTOMREQUEST, request.method.constData());
    }

    const QString caFile = httpCAFile();
    const QByteArray caPath = caFile.toLocal8Bit();
    if (!caFile.isEmpty()) {
        // The CA file replaces curl's default bundle; the system's
        // authorities stay trusted through the hashed certificate folder.
        curlApi().easy_setopt(c, CURLOPT_CAINFO, caPath.constData());
        curlApi().easy_setopt(c, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
    if (scheme == QLatin1String("https") && hostIsExempt(host)) {
        curlApi().easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
        curlApi().easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
    }

    const CURLcode code = curlApi().easy_perform(c);
    if (code != CURLE_OK) {
        long verifyResult = 0;
        if (code == CURLE_PEER_FAILED_VERIFICATION)
            curlApi().easy_getinfo(c, CURLINFO_SSL_VERIFYRESULT, &verifyResult);
        const HttpError failure = errorForCode(code, transfer, host, detail, verifyResult);
        return fail(error, failure.code, failure.description);
    }
    long status = 0;
    curlApi().easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    transfer.response.statusCode = int(status);
    return std::move(transfer.response);
}
