#pragma once
// Stand-in for USPS Web Tools on the local test servers: one plain HTTP and
// one HTTPS server (the secure APIs), each answering POSTs to
// "/ShippingAPI.dll" whose form body carries the fields "API" (the API's
// name) and "XML" (the request document).
//
// Written from Web Tools' wire format alone: the form is decoded as any
// server decodes it ("+" a space, percent escapes undone) and the request
// document is read with Qt's stream reader. Each API answers the reply
// scripted for it; an API without a script, a body without both fields or a
// document that is not XML get the service's own error document
// ("<Error><Number>…</Number><Description>…</Description></Error>").
#include "FakeLabelServers.h"
#include "LocalHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>

#include <mutex>
#include <optional>

namespace tolvane::test {

inline constexpr const char *kUSPSWebToolsPath = "/ShippingAPI.dll";

// One request the fake received.
struct USPSWebToolsRequest {
    bool secure = false;
    QByteArray api;      // the "API" field
    QByteArray xml;      // the "XML" field, form-decoded
    XmlElement document; // its root element (empty when not XML)
    RecordedRequest request;
};

class FakeUSPSWebToolsServer
{
public:
    FakeUSPSWebToolsServer();

    bool isListening() const { return m_http.isListening() && m_https.isListening(); }
    // "127.0.0.1:<port>" of the plain and of the secure server.
    QString host() const { return m_http.hostAndPort(); }
    QString secureHost() const { return m_https.hostAndPort(); }
    LocalHttpServer &http() { return m_http; }
    LocalHttpServer &https() { return m_https; }

    // The reply body of an API (every request of it).
    void setReply(const QByteArray &api, const QByteArray &body);
    // The reply of an API computed from each request's document (over a
    // scripted reply of the same API).
    using Answerer = std::function<QByteArray(const XmlElement &document)>;
    void setAnswerer(const QByteArray &api, Answerer answerer);
    // The service's error document as the reply of an API.
    void setErrorReply(const QByteArray &api, const QByteArray &number, const QByteArray &description);

    QList<USPSWebToolsRequest> received() const;
    std::optional<USPSWebToolsRequest> lastReceived() const;
    int receivedCount() const;

    static QByteArray errorDocument(const QByteArray &number, const QByteArray &description);

private:
    ScriptedReply answer(const RecordedRequest &request, bool secure);

    mutable std::mutex m_mutex;
    QMap<QByteArray, QByteArray> m_replies;
    QMap<QByteArray, Answerer> m_answerers;
    QList<USPSWebToolsRequest> m_received;
    LocalHttpServer m_http;
    LocalHttpServer m_https{LocalHttpServer::Scheme::Https};
};

} // namespace tolvane::test
