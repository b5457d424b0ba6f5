#include "model/MailingLogServices.h"

#include "model/QVShipment.h"
#include "platform/ServiceSlot.h"

#include <QtDebug>

namespace {

class NoMailingLog final : public QVMailingLogServices
{
public:
    quint32 itemsInLog() override { return 0; }
    std::shared_ptr<QVShipment> lastShipment() override { return nullptr; }
    std::shared_ptr<QVShipment> shipmentAtIndex(quint32) override { return nullptr; }
    std::optional<quint32> indexForPIC(const QString &) override { return std::nullopt; }
    std::optional<quint32> sortedIndexForPIC(const QString &) override { return std::nullopt; }
    std::optional<QString> trackShipmentAtIndex(quint32) override { return QStringLiteral("There is no mailing log."); }
    bool writeShipmentToLog(const QVShipment &) override
    {
        qWarning("There is no mailing log: the shipment was not logged.");
        return false;
    }
    void setVoidStatus(int, const QVShipment &) override
    {
        qWarning("There is no mailing log: the void status was not stored.");
    }
    bool canWriteToLog() override { return false; }
};

using MailingLogSlot = ServiceSlot<QVMailingLogServices, NoMailingLog>;

} // namespace

void setMailingLog(std::shared_ptr<QVMailingLogServices> log) { MailingLogSlot::shared().registered = std::move(log); }

std::shared_ptr<QVMailingLogServices> sharedMailingLog() { return MailingLogSlot::shared().current(); }
