#pragma once
// What the server clients and the application shell ask of the mailing log
// (the one log of printed pieces and postage purchases of the process). The
// mailing-log library registers the log at start-up; tests register a fake.
// Until something is registered the stand-in is an empty log that keeps
// nothing: it finds no piece and refuses every write with a console message,
// so a caller that writes before the log exists sees the failure.
#include <QString>

#include <memory>
#include <optional>

class QVShipment;

class QVMailingLogServices
{
public:
    virtual ~QVMailingLogServices() = default;

    // Number of logged pieces.
    virtual quint32 itemsInLog() = 0;
    // The newest entry as a shipment; nullptr for an empty log.
    virtual std::shared_ptr<QVShipment> lastShipment() = 0;
    // A shipment made from the stored record; nullptr out of range.
    virtual std::shared_ptr<QVShipment> shipmentAtIndex(quint32 index) = 0;
    // The highest index whose tracking number, its USPS log form or its
    // customs barcode number equals the text exactly; nothing when none.
    virtual std::optional<quint32> indexForPIC(const QString &pic) = 0;
    // Likewise over the log's sorted order, comparing the tracking number
    // and the customs barcode number only.
    virtual std::optional<quint32> sortedIndexForPIC(const QString &pic) = 0;
    // Tracks the piece through USPS Web Tools; nothing on success or when
    // there is nothing to do, else the error text.
    virtual std::optional<QString> trackShipmentAtIndex(quint32 index) = 0;
    // Posts the will-change notification, appends the shipment's property
    // list and saves the log; false (with a console message) when it could
    // not be saved.
    virtual bool writeShipmentToLog(const QVShipment &shipment) = 0;
    // Marks the piece void (1) or not (0) in the log and saves it.
    virtual void setVoidStatus(int status, const QVShipment &shipment) = 0;

    // Whether the log can take entries now: false while its file cannot be
    // read. Nothing that would need a log entry (a paid piece) is bought
    // then.
    virtual bool canWriteToLog() { return true; }
    // After writeShipmentToLog() refused the entry of a piece already paid
    // for: keeps the entry in a file beside the log, from which the log
    // takes it at its next chance (its next write, or its next reading).
    // False (with a console message) when it could not be kept either.
    virtual bool keepShipmentForLog(const QVShipment &shipment)
    {
        (void)shipment;
        return false;
    }
};

void setMailingLog(std::shared_ptr<QVMailingLogServices> log);
// The registered log, or the empty stand-in.
std::shared_ptr<QVMailingLogServices> sharedMailingLog();
