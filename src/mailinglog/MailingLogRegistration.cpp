#include "mailinglog/MailingLogRegistration.h"

#include "mailinglog/QVMailingLog.h"
#include "model/MailingLogServices.h"

#include <QtDebug>

namespace {

class SharedMailingLogServices final : public QVMailingLogServices
{
public:
    quint32 itemsInLog() override
    {
        QVMailingLog *log = QVMailingLog::sharedMailingLog();
        return log ? quint32(log->itemsInLog()) : 0;
    }
    std::shared_ptr<QVShipment> lastShipment() override
    {
        QVMailingLog *log = QVMailingLog::sharedMailingLog();
        return log ? log->lastShipment() : nullptr;
    }
    std::shared_ptr<QVShipment> shipmentAtIndex(quint32 index) override
    {
        QVMailingLog *log = QVMailingLog::sharedMailingLog();
        return log ? log->shipmentAtIndex(qsizetype(index)) : nullptr;
    }
    std::optional<quint32> indexForPIC(const QString &pic) override
    {
        QVMailingLog *log = QVMailingLog::sharedMailingLog();
        return narrowed(log ? log->indexForPIC(pic) : std::nullopt);
    }
    std::optional<quint32> sortedIndexForPIC(const QString &pic) override
    {
        QVMailingLog *log = QVMailingLog::sharedMailingLog();
        return narrowed(log ? log->sortedIndexForPIC(pic) : std::nullopt);
    }
    std::optional<QString> trackShipmentAtIndex(quint32 index) override
    {
        QVMailingLog *log = QVMailingLog::sharedMailingLog();
        if (!log)
            return QStringLiteral("There is no mailing log.");
        return log->trackShipmentAtIndex(qsizetype(index));
    }
    bool writeShipmentToLog(const QVShipment &shipment) override
    {
        QVMailingLog *log = QVMailingLog::sharedMailingLog();
        if (!log) {
            qWarning("There is no mailing log: the shipment was not logged.");
            return false;
        }
        if (log->writeShipmentToLog(shipment))
            return true;
        qWarning().noquote() << QStringLiteral("The mailing log could not be saved.");
        return false;
    }
    void setVoidStatus(int status, const QVShipment &shipment) override
    {
        QVMailingLog *log = QVMailingLog::sharedMailingLog();
        if (!log) {
            qWarning("There is no mailing log: the void status was not stored.");
            return;
        }
        const std::shared_ptr<QVShipment> changed = shipment.copy();
        changed->mutableDictionary().insert(QVShipmentVoidKey, status != 0);
        if (!log->replaceShipment(shipment, *changed))
            qWarning("The piece is not in the mailing log: the void status was not stored.");
    }

private:
    static std::optional<quint32> narrowed(std::optional<qsizetype> index)
    {
        return index ? std::optional<quint32>(quint32(*index)) : std::nullopt;
    }
};

} // namespace

void registerMailingLog() { setMailingLog(std::make_shared<SharedMailingLogServices>()); }
