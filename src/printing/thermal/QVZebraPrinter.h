#pragma once
// One print queue whose make and model name a Zebra printer, fed raw EPL2 or
// ZPL jobs. The printer id is the print system's identifier of the queue
// (its name).
#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <optional>

// Keys of a queue description of allPrinters().
inline const QString QVZebraPrinterNameKey = QStringLiteral("printerName");
inline const QString QVZebraPrinterIDKey = QStringLiteral("printerID");
inline const QString QVZebraPrinterModelKey = QStringLiteral("printerModel");

class QVZebraPrinter
{
public:
    // Every local queue whose make-and-model text, upper-cased, contains
    // "ZEBRA", as dictionaries with "printerName", "printerID" and
    // "printerModel". A queue whose make and model can't be read is skipped;
    // when the queues can't be listed the list is empty.
    static QList<QVariantMap> allPrinters();
    // The queue named by the user default advancedZebraPathPrinterID.
    static std::optional<QVZebraPrinter> defaultZebraPrinter();
    // The first queue of allPrinters() with that name.
    static std::optional<QVZebraPrinter> zebraPrinterWithName(const QString &name);
    // Nothing when the print system has no queue of that id.
    static std::optional<QVZebraPrinter> initWithPrinterID(const QString &printerID);

    // The queue's name; empty when the queue is gone.
    QString name() const;
    // The make-and-model text; empty when unavailable.
    QString modelNumber() const;
    // 1 (ZPL) when the upper-cased make-and-model text contains "ZPL", else
    // 0 (EPL).
    int programmingLanguage() const;
    QString printerID() const { return m_printerID; }
    void setPrinterID(const QString &printerID) { m_printerID = printerID; }

    // Submits the bytes as one raw job ("application/vnd.cups-raw") under
    // the job name. False (and an error text) when the queue is gone or the
    // job was refused.
    bool queueData(const QByteArray &data, const QString &jobName, QString *error = nullptr) const;

private:
    explicit QVZebraPrinter(const QString &printerID) : m_printerID(printerID) {}

    QString m_printerID;
};
