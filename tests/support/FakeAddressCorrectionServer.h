#pragma once
// Stand-in for the vendor's address-correction service (Addrelle) on the
// local HTTPS test server. Both routes answer GETs whose query carries the
// request: "/GLZService/v2.0/MethodISAPIZIPXMLValidate" (the current route,
// on the label-server host) and "/isapi/isapiZIPxml.dll" (the older direct
// route). The query is read as any server reads it (fields split at "&",
// "+" a space, percent escapes undone).
//
// Without a scripted reply the service answers from the request: the last
// address line sent is read as "CITY ST ZIP5[-ZIP4]" and the one before it
// as the street, both upper-cased, with return code 31, in an
// "Addrelle_Response" document (elements ReturnCode, AddrLine1, City,
// State, ZIP5, ZIP4, AddrLineLast).
#include "LocalHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <mutex>
#include <optional>

namespace tolvane::test {

inline constexpr const char *kAddressCorrectionPath = "/GLZService/v2.0/MethodISAPIZIPXMLValidate";
inline constexpr const char *kAddressCorrectionV1Path = "/isapi/isapiZIPxml.dll";

// One request: its query fields (decoded) and the raw request.
struct AddressCorrectionRequest {
    QMap<QString, QString> fields;
    RecordedRequest request;
};

class FakeAddressCorrectionServer
{
public:
    FakeAddressCorrectionServer();

    bool isListening() const { return m_http.isListening(); }
    QString host() const { return m_http.hostAndPort(); }
    LocalHttpServer &http() { return m_http; }

    // An Addrelle_Response holding the elements (XML text).
    void setResponseElements(const QByteArray &elements);
    // The reply body as it is (HTML pages, text that is not XML, nothing).
    void setRawReply(const QByteArray &body);
    // Back to answering from the request.
    void answerFromRequest();

    QList<AddressCorrectionRequest> received() const;
    std::optional<AddressCorrectionRequest> lastReceived() const;

private:
    ScriptedReply answer(const RecordedRequest &request);

    mutable std::mutex m_mutex;
    std::optional<QByteArray> m_reply;
    QList<AddressCorrectionRequest> m_received;
    LocalHttpServer m_http{LocalHttpServer::Scheme::Https};
};

} // namespace tolvane::test
