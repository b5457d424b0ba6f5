#pragma once
// A fake of the mailing log that the mailing-log library registers at
// start-up, for tests of its callers. Header-only.
#include "model/MailingLogServices.h"
#include "model/QVShipment.h"

#include <QList>
#include <QPair>
#include <QStringList>
#include <QVariantMap>

namespace tolvane::test {

// An in-memory mailing log: writeShipmentToLog() appends the shipment's
// property list; the look-ups compare the tracking number and the customs
// barcode number exactly. Its sorted order is the order of writing.
class FakeMailingLog final : public QVMailingLogServices
{
public:
    QList<QVariantMap> records;
    QList<QPair<int, QString>> voidStatuses; // status, tracking number
    bool refuseWrites = false;

    quint32 itemsInLog() override { return quint32(records.size()); }
    std::shared_ptr<QVShipment> lastShipment() override
    {
        return records.isEmpty() ? nullptr : QVShipment::shipmentWithDictionary(records.last());
    }
    std::shared_ptr<QVShipment> shipmentAtIndex(quint32 index) override
    {
        return index < quint32(records.size()) ? QVShipment::shipmentWithDictionary(records.at(index)) : nullptr;
    }
    std::optional<quint32> indexForPIC(const QString &pic) override
    {
        for (qsizetype i = records.size() - 1; i >= 0; --i)
            if (matches(records.at(i), pic))
                return quint32(i);
        return std::nullopt;
    }
    std::optional<quint32> sortedIndexForPIC(const QString &pic) override { return indexForPIC(pic); }
    std::optional<QString> trackShipmentAtIndex(quint32 index) override
    {
        tracked << index;
        return std::nullopt;
    }
    bool writeShipmentToLog(const QVShipment &shipment) override
    {
        if (refuseWrites)
            return false;
        records << shipment.plist();
        return true;
    }
    void setVoidStatus(int status, const QVShipment &shipment) override
    {
        voidStatuses << qMakePair(status, shipment.objectForKey(QVUSPSShipmentPICKey).toString());
    }

    QList<quint32> tracked;

private:
    static bool matches(const QVariantMap &record, const QString &pic)
    {
        return !pic.isEmpty() &&
            (record.value(QVUSPSShipmentPICKey).toString() == pic ||
             record.value(QVUSPSShipmentCustomsBarcodeNumberKey).toString() == pic);
    }
};

} // namespace tolvane::test
