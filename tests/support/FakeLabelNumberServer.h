#pragma once
// Stand-in for the vendor's label-number service on the local HTTPS test
// server: the domestic number request (a PicNumberRequest document POSTed as
// the form field "picNumberRequestXML"), the Express Mail number request
// (an ExpressMailNumberRequest as "expressMailNumberRequestXml"), the
// international number request (an InternationalPicNumberRequest as
// "internationalPicNumberRequestXml") and the confirm request (a
// ConfirmRequest document in the query "xmlInput" of a GET). Each answers its
// scripted reply; the documents are read back with Qt's stream reader.
#include "FakeLabelServers.h"
#include "LocalHttpServer.h"

#include <optional>

namespace tolvane::test {

inline constexpr const char *kPicNumberPath = "/LabelService/LabelNumberService.asmx/GetPicNumberXml";
inline constexpr const char *kExpressNumberPath = "/LabelService/LabelNumberService.asmx/GetExpressMailNumberXml";
inline constexpr const char *kInternationalNumberPath =
    "/LabelService/LabelNumberService.asmx/GetInternationalPicNumberXml";
inline constexpr const char *kConfirmNumberPath = "/LabelService/LabelNumberService.asmx/GetFlatsNumberXml";

class FakeLabelNumberServer
{
public:
    bool isListening() const { return m_http.isListening(); }
    QString host() const { return m_http.hostAndPort(); }
    LocalHttpServer &http() { return m_http; }

    // A LabelNumberResponse holding the elements (XML text), for the
    // domestic, the Express Mail and the international request.
    void setPicNumberReply(const QByteArray &elements);
    // A ConfirmResponse whose ConfirmItem holds the elements.
    void setConfirmReply(const QByteArray &itemElements);

    // The newest document of each request.
    std::optional<XmlElement> lastPicNumberRequest() const;
    std::optional<XmlElement> lastConfirmRequest() const;
    // The Express Mail request, POSTed as "expressMailNumberRequestXml".
    std::optional<XmlElement> lastExpressRequest() const;
    // The international request, POSTed as "internationalPicNumberRequestXml".
    std::optional<XmlElement> lastInternationalRequest() const;

private:
    std::optional<XmlElement> lastFormRequest(const char *path, const QByteArray &formKey) const;
    LocalHttpServer m_http{LocalHttpServer::Scheme::Https};
};

} // namespace tolvane::test
