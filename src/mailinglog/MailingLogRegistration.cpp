#include "mailinglog/MailingLogRegistration.h"

#include "mailinglog/QVMailingLog.h"
#include "model/MailingLogServices.h"
#include "platform/Dialogs.h"

#include <QtDebug>

namespace {

class SharedMailingLogServices final : public QVMailingLogServices
{
public:
    quint32 itemsInLog() override
    {
        QVMailingLog *log = sharedLog();
        return log ? quint32(log->itemsInLog()) : 0;
    }
    std::shared_ptr<QVShipment> lastShipment() override
    {
        QVMailingLog *log = sharedLog();
        return log ? log->lastShipment() : nullptr;
    }
    std::shared_ptr<QVShipment> shipmentAtIndex(quint32 index) override
    {
        QVMailingLog *log = sharedLog();
        return log ? log->shipmentAtIndex(qsizetype(index)) : nullptr;
    }
    std::optional<quint32> indexForPIC(const QString &pic) override
    {
        QVMailingLog *log = sharedLog();
        return narrowed(log ? log->indexForPIC(pic) : std::nullopt);
    }
    std::optional<quint32> sortedIndexForPIC(const QString &pic) override
    {
        QVMailingLog *log = sharedLog();
        return narrowed(log ? log->sortedIndexForPIC(pic) : std::nullopt);
    }
    std::optional<QString> trackShipmentAtIndex(quint32 index) override
    {
        QVMailingLog *log = sharedLog();
        if (!log)
            return QStringLiteral("There is no mailing log.");
        return log->trackShipmentAtIndex(qsizetype(index));
    }
    bool writeShipmentToLog(const QVShipment &shipment) override
    {
        QVMailingLog *log = sharedLog();
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
        QVMailingLog *log = sharedLog();
        if (!log) {
            qWarning("There is no mailing log: the void status was not stored.");
            return;
        }
        const std::shared_ptr<QVShipment> changed = shipment.copy();
        changed->mutableDictionary().insert(QVShipmentVoidKey, status != 0);
        if (!log->replaceShipment(shipment, *changed))
            qWarning("The piece is not in the mailing log: the void status was not stored.");
    }

    bool canWriteToLog() override { return QVMailingLog::sharedMailingLog() != nullptr; }
    bool keepShipmentForLog(const QVShipment &shipment) override
    {
        QString error;
        if (QVMailingLog::keepShipmentForLog(shipment, &error))
            return true;
        qWarning().noquote()
            << QStringLiteral("The entry waiting for the mailing log could not be kept: %1").arg(error);
        return false;
    }

private:
    // The shared log; the first time it cannot be read, the user is told
    // (once for the life of the registration).
    QVMailingLog *sharedLog()
    {
        QVMailingLog *log = QVMailingLog::sharedMailingLog();
        if (!log && !m_toldUnreadable) {
            m_toldUnreadable = true;
            runAlert(alertWithText(
                QStringLiteral("The mailing log could not be read."),
                QStringLiteral("The file \"%1\" in the support folder is damaged or is not a mailing log. It is "
                               "left as it is. Tolvane prints no postage until the mailing log can be read: "
                               "restore the file from a backup, or move it away to start a new log, then try "
                               "again.")
                    .arg(QVMailingLogFileName)));
        }
        return log;
    }
    static std::optional<quint32> narrowed(std::optional<qsizetype> index)
    {
        return index ? std::optional<quint32>(quint32(*index)) : std::nullopt;
    }

    bool m_toldUnreadable = false;
};

} // namespace

void registerMailingLog() { setMailingLog(std::make_shared<SharedMailingLogServices>()); }
