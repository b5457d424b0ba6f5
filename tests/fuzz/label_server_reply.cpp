// The label server's reply reader on any bytes: the document parse, the
// status and error look-ups, the price, the label reply copied into a
// shipment, and a result carried as text (the partner's refunds) parsed in
// turn.
#include "FuzzSupport.h"
#include "model/QVShipment.h"
#include "services/LabelServerXML.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/QVShipmentVLS.h"

namespace {

class FuzzAccount final : public QVPostageServerAccount
{
public:
    QString userid() override { return QStringLiteral("1234567"); }
    QString password() override { return QStringLiteral("phrase"); }
    bool testServer() override { return false; }
    QString websiteServerName() override { return QString(); }
};

void readReply(const QVXMLDocument &reply)
{
    static const bool registered = [] {
        setPostageServerAccount(std::make_shared<FuzzAccount>());
        return true;
    }();
    (void)registered;
    for (const char *query : {"//*:Status", "//*:ErrorMessage", "//*:ErrorMsg", "//*:IsApproved", "//*:RefundStatus",
                              "//*:PostageBalance", "//*:Base64LabelImage"})
        (void)qv_stringForAnyPrefixXPath(reply, QString::fromLatin1(query));
    (void)VLSPriceFromReply(reply);
    QVShipment shipment(QVariantMap{{QStringLiteral("QVUSPSShipmentPostageEnabledKey"), true}});
    takeValuesFromVLSLabelResponse(shipment, reply);
    (void)shipment.totalPrice();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::optional<QVXMLDocument> reply = QVXMLDocument::fromData(tolvane::fuzz::bytesOf(data, size));
    if (!reply)
        return 0;
    readReply(*reply);
    const QString carried = qv_stringForAnyPrefixXPath(*reply, QStringLiteral("//*:RefundRequestResult"));
    if (!carried.isEmpty()) {
        if (const std::optional<QVXMLDocument> inner = QVXMLDocument::fromData(carried.toUtf8()))
            readReply(*inner);
    }
    return 0;
}
