#pragma once
// The fake mailing log of the print-flow tests, with a look at the world at
// the moment of each write (what was printed or archived before it).
#include "FakeMailingLog.h"

#include "model/MailingLogServices.h"

#include <functional>

namespace tolvane::test {

// The fake log, with a look at the world at the moment of each write.
class WatchedLog final : public QVMailingLogServices
{
public:
    FakeMailingLog log;
    std::function<void(const QVShipment &)> onWrite;

    quint32 itemsInLog() override { return log.itemsInLog(); }
    std::shared_ptr<QVShipment> lastShipment() override { return log.lastShipment(); }
    std::shared_ptr<QVShipment> shipmentAtIndex(quint32 index) override { return log.shipmentAtIndex(index); }
    std::optional<quint32> indexForPIC(const QString &pic) override { return log.indexForPIC(pic); }
    std::optional<quint32> sortedIndexForPIC(const QString &pic) override { return log.sortedIndexForPIC(pic); }
    std::optional<QString> trackShipmentAtIndex(quint32 index) override { return log.trackShipmentAtIndex(index); }
    bool writeShipmentToLog(const QVShipment &shipment) override
    {
        if (onWrite)
            onWrite(shipment);
        return log.writeShipmentToLog(shipment);
    }
    void setVoidStatus(int status, const QVShipment &shipment) override { log.setVoidStatus(status, shipment); }
};

} // namespace tolvane::test
