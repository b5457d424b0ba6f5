// The networking operations of QVCommandCenter: requests made synchronously
// on the calling thread through the platform's HTTP client.
#include "services/QVCommandCenter.h"
#include "services/QVReachability.h"

namespace {

// The value of a "Host" field for the URL's host: an IPv6 address in
// brackets, as the field's syntax wants it.
QByteArray hostFieldValue(const QUrl &url)
{
    const QString host = url.host(QUrl::FullyEncoded);
    return host.contains(QLatin1Char(':')) ? '[' + host.toUtf8() + ']' : host.toUtf8();
}

} // namespace

HttpRequest QVCommandCenter::genericURLRequestForURL(const QUrl &url, const QVHeaderDictionary &extraHeaders) const
{
    // The platform client keeps no cache and no cookies; only the time-out
    // and the caller's fields remain to be set.
    HttpRequest request;
    request.url = url;
    request.timeoutMilliseconds = requestTimeoutMilliseconds();
    for (auto field = extraHeaders.constBegin(); field != extraHeaders.constEnd(); ++field)
        request.setHeader(field.key().toUtf8(), field.value().toUtf8());
    return request;
}

std::optional<QByteArray> QVCommandCenter::getURL(const QUrl &url, const QVHeaderDictionary &extraHeaders)
{
    HttpRequest request = genericURLRequestForURL(url, extraHeaders);
    request.method = "GET";
    return submitURLRequest(request);
}

HttpRequest QVCommandCenter::URLRequestForPostData(const QByteArray &body, const QUrl &url,
                                                   const QVHeaderDictionary &extraHeaders) const
{
    HttpRequest request = genericURLRequestForURL(url, extraHeaders);
    request.method = "POST";
    request.body = body;
    request.setHeader("Host", hostFieldValue(url));
    request.setHeader("Content-Length", QByteArray::number(body.size()));
    return request;
}

std::optional<QByteArray> QVCommandCenter::postData(const QByteArray &body, const QUrl &url,
                                                    const QVHeaderDictionary &extraHeaders)
{
    return submitURLRequest(URLRequestForPostData(body, url, extraHeaders));
}

std::optional<HttpResponse> QVCommandCenter::sendURLRequest(const HttpRequest &request)
{
    HttpError error;
    std::optional<HttpResponse> response = sendHttpRequest(request, &error);
    if (!response)
        setLastError(QString::number(error.code), error.description);
    return response;
}

std::optional<QByteArray> QVCommandCenter::submitURLRequest(const HttpRequest &request)
{
    std::optional<HttpResponse> response = sendURLRequest(request);
    if (!response)
        return std::nullopt;
    // The HTTP status is not examined: an error page is data like any other.
    return std::move(response->body);
}

QString QVCommandCenter::hostOfServer(const QString &server)
{
    const QString text = server.trimmed();
    const QUrl url(text);
    if (url.isValid() && !url.scheme().isEmpty() && !url.host().isEmpty())
        return url.host();
    return QUrl(QStringLiteral("https://") + text).host();
}

bool QVCommandCenter::serverReachable() const { return reachability()->isHostReachable(hostOfServer(server())); }
