// The partner label service's inner reply on any bytes: the SOAP reply read
// as the client reads it, the answer it carries as text in
// "RefundRequestResult" or "SCANRequestResult" read as a document of its
// own, and what the mailing log and the SCAN form read of that answer. An
// answer that is read has a root element.
#include "FuzzSupport.h"
#include "services/LabelServerXML.h"
#include "model/XMLDocument.h"
#include "services/QVBRKLabelServerCommandCenter.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<QVXMLDocument> reply = QVXMLDocument::fromData(tolvane::fuzz::bytesOf(data, size));
    if (!reply)
        return 0;
    for (const char *resultName : {"RefundRequestResult", "SCANRequestResult"}) {
        QString error;
        const std::optional<QVXMLDocument> inner =
            QVBRKLabelServerCommandCenter::innerReplyOfReply(*reply, QString::fromLatin1(resultName), &error);
        if (!inner) {
            if (error.isEmpty())
                std::abort();
            continue;
        }
        if (inner->rootElement().isNull())
            std::abort();
        for (const char *query : {"//*:IsApproved", "//*:ErrorMsg", "//*:Status", "//*:ErrorMessage", "//*:PICNumber",
                                  "//*:SCANFormImage", "//*:Base64SCANImage"})
            (void)qv_stringForAnyPrefixXPath(*inner, QString::fromLatin1(query));
        (void)QVBRKLabelServerCommandCenter::envelopeTextForLog(*inner);
    }
    return 0;
}
