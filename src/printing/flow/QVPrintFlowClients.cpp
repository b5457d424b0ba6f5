#include "printing/flow/QVPrintFlowClients.h"

#include "platform/ServiceSlot.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOIndiciumRequest.h"
#include "services/QVRHOLabelNumberCommandCenter.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/QVRHOResponse.h"

namespace tolvane {

namespace {

QVClientError errorOf(const QVCommandCenter &client) { return {client.lastErrorCode(), client.lastErrorDescription()}; }

class ServerClients final : public QVPrintFlowClients
{
public:
    std::optional<Decimal> lastValidBalance() override
    {
        if (const auto status = postage()->lastValidStatusResponse())
            return status->balanceDecimalNumber();
        return std::nullopt;
    }
    QString lastValidMeterID() override
    {
        const auto status = postage()->lastValidStatusResponse();
        return status ? status->meterID() : QString();
    }
    QString lastValidAccountStatus() override
    {
        const auto status = postage()->lastValidStatusResponse();
        return status ? status->accountStatus() : QString();
    }
    bool refreshStatus() override
    {
        postage()->status();
        return postage()->lastValidStatusResponse() != nullptr;
    }
    std::optional<QByteArray> indiciumDataWithShipment(QVShipment &shipment) override
    {
        return postage()->indiciumDataWithShipment(shipment);
    }
    void sendReceiptForShipment(const QVShipment &shipment) override
    {
        postage()->sendReceiptTransactionForRequest(*QVRHOIndiciumRequest::indiciumRequestWithShipment(shipment),
                                                    QStringLiteral("0"));
    }
    QVClientError postageError() override { return errorOf(*postage()); }

    std::optional<QVXMLDocument> labelNumberForShipment(const QVShipment &shipment) override
    {
        return QVRHOLabelServerCommandCenter::commandCenter()->labelForShipment(shipment, false,
                                                                                {{QVNumberOnlyAttributeKey, true}});
    }
    QVClientError labelServerError() override { return errorOf(*QVRHOLabelServerCommandCenter::commandCenter()); }

    std::optional<QString> domesticLabelNumber(QVariantMap *response, const QVShipment &shipment) override
    {
        return QVRHOLabelNumberCommandCenter::commandCenter()->domesticLabelNumberAndResponse(response, shipment);
    }
    std::optional<QString> expressLabelNumber(QVariantMap *response, const QVShipment &shipment) override
    {
        return QVRHOLabelNumberCommandCenter::commandCenter()->expressLabelNumberAndResponse(response, shipment);
    }
    std::optional<QString> confirmNumber(const QVShipment &shipment) override
    {
        QVariantMap response;
        return QVRHOLabelNumberCommandCenter::commandCenter()->confirmNumberAndResponse(&response, shipment);
    }
    QVClientError labelNumberError() override { return errorOf(*QVRHOLabelNumberCommandCenter::commandCenter()); }

    std::optional<QString> cn22CustomsForm(std::optional<QVUSPSImage> *label, std::optional<QVUSPSImage> *instructions,
                                           const QVShipment &shipment, bool sample) override
    {
        return QVUSPSCommandCenter::commandCenter()->cn22CustomsFormNumberAndLabel(label, instructions, shipment,
                                                                                   sample);
    }
    std::optional<QString> cp72CustomsForm(QList<QVUSPSImage> *labels, std::optional<QVUSPSImage> *instructions,
                                           const QVShipment &shipment, bool sample) override
    {
        return QVUSPSCommandCenter::commandCenter()->cp72CustomsFormNumberAndLabels(labels, instructions, shipment,
                                                                                    sample);
    }
    QVClientError uspsError() override { return errorOf(*QVUSPSCommandCenter::commandCenter()); }

    int discountLevel(const QString &rateClassName, const QString &size) override
    {
        return QVRHOAccountInformationCommandCenter::commandCenter()->discountLevelForRateClassName(rateClassName,
                                                                                                    size);
    }
    bool forceVLS() override { return QVRHOAccountInformationCommandCenter::commandCenter()->forceVLS(); }
    bool insuranceAgreement() override
    {
        return QVRHOAccountInformationCommandCenter::commandCenter()->insuranceAgreement();
    }

private:
    static std::shared_ptr<QVRHOCommandCenter> postage() { return QVRHOCommandCenter::commandCenter(); }
};

using ClientsSlot = ServiceSlot<QVPrintFlowClients, ServerClients>;

} // namespace

QVariantMap QVPrintFlowClients::allHolidays() { return QVUSPSCommandCenter::commandCenter()->allHolidays(); }

void setPrintFlowClients(std::shared_ptr<QVPrintFlowClients> clients)
{
    ClientsSlot::shared().registered = std::move(clients);
}

std::shared_ptr<QVPrintFlowClients> printFlowClients() { return ClientsSlot::shared().current(); }

} // namespace tolvane
