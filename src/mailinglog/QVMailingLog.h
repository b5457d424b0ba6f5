#pragma once
// QVMailingLog: the one mailing log of the application, an ordered list of
// every piece printed (labels, postage purchases, corrections, sheet and roll
// stamps), kept in memory and written whole to "mailinglog.plist" in the
// application-support folder after every change.
//
// Each entry is the property-list form of a QVShipment (QVShipment::plist()).
// Index 0 is the oldest entry. The file is a binary property list whose root
// is an array of the entry dictionaries; it is replaced whole and atomically
// (written to a temporary file, synced to disk, renamed over the old one), so
// a process killed at any moment leaves either the old or the new log.
//
// The log also holds the display order of the log window: a sort key with a
// direction, a filter text and the find-next position. Every change posts
// QVMailingLogWillChangeNotification once before the change and
// QVMailingLogDidChangeNotification twice after the file was written (once
// from re-filtering, once at the end); a filter change posts one
// did-change. Notifications go to the default centre with the log as object.
//
// Main thread only.
#include "model/QVShipment.h"
#include "platform/BinaryPropertyListWriter.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QVariantMap>

#include <limits>
#include <memory>
#include <optional>

inline const QString QVMailingLogWillChangeNotification = QStringLiteral("QVMailingLogWillChangeNotification");
inline const QString QVMailingLogDidChangeNotification = QStringLiteral("QVMailingLogDidChangeNotification");
inline const QString QVMailingLogFileName = QStringLiteral("mailinglog.plist");
// Entries of paid pieces that the log could not save (a full disk, a log file
// that cannot be read), kept beside the log in the same form as the log, until
// the shared log takes them in: when it is next read, or at its next write.
inline const QString QVMailingLogPendingFileName = QStringLiteral("mailinglog-pending.plist");

// The "nothing found" display index (all ones).
inline constexpr quint64 QVMailingLogNotFound = std::numeric_limits<quint64>::max();

// What the mailing log asks of the USPS tracking service to track one entry.
// The USPS client registers itself (QVMailingLog::setTrackingClient); tests
// register a fake.
class QVMailingLogTrackingClient
{
public:
    virtual ~QVMailingLogTrackingClient() = default;
    // The "TrackV2Field" reply for one tracking number as a dictionary
    // ("TrackResponse" → "TrackInfo" → "TrackSummary" → "Event", or an
    // "Error" with "Description"); nothing on failure.
    virtual std::optional<QVariantMap> trackFieldResponseForID(const QString &trackingNumber) = 0;
    // The text of the last failure.
    virtual QString lastErrorDescription() const = 0;
};

// "DELIVERED" and "DELIVERED ABROAD" (any case) give QVShipmentDeliveredStatus,
// "UNDELIVERABLE AS ADDRESSED" QVShipmentDeliveryExceptionStatus, anything
// else QVShipmentUndeliveredStatus.
QString deliveryStatusForTrackEvent(const QString &event);

// Orders two entry dictionaries by a shipment key as the log window's
// columns do: -1, 0 or 1.
int compareShipments(const QVariantMap &a, const QVariantMap &b, const QString &key);

class QVMailingLog
{
public:
    // The shared log, created on first use from "mailinglog.plist" in the
    // support folder. Nothing when the file cannot be read or its root is not
    // an array of dictionaries (the file is left as it is); the next call
    // tries again.
    static QVMailingLog *sharedMailingLog();
    // Forgets the shared log and the find-next state (tests, and a change of
    // support folder).
    static void resetSharedMailingLog();

    // A log over the file at the path; nothing when the file exists but is
    // not a property-list array of dictionaries (error receives why).
    static std::unique_ptr<QVMailingLog> logWithPath(const QString &path, QString *error = nullptr);

    // Adds the entry to the file of waiting entries in the support folder;
    // false (error says why) when that file cannot be written, or exists but
    // cannot be read (it is then left as it is).
    static bool keepShipmentForLog(const QVShipment &shipment, QString *error = nullptr);
    // The path of that file; empty without a support folder.
    static QString pendingEntriesPath();

    // The USPS tracking service used by trackShipmentAtIndex (nullptr: none).
    static void setTrackingClient(std::shared_ptr<QVMailingLogTrackingClient> client);
    static std::shared_ptr<QVMailingLogTrackingClient> trackingClient();

    // ---- access
    qsizetype itemsInLog() const { return m_log.size(); }
    std::shared_ptr<QVShipment> shipmentAtIndex(qsizetype index) const;
    std::shared_ptr<QVShipment> lastShipment() const;
    // The newest entry that is a piece: no transaction type, or "Stamp".
    std::shared_ptr<QVShipment> lastShipmentThatIsAShipment() const;
    std::optional<QDateTime> oldestDate() const;
    QString logPath() const { return m_logFilePath; }
    const QList<QVariantMap> &entries() const { return m_log; }

    // ---- changes (each answers whether the file was written)
    bool writeShipmentToLog(const QVShipment &shipment);
    // The index must be below itemsInLog(); false and no change otherwise.
    bool replaceShipmentInLogAtIndex(qsizetype index, const QVShipment &shipment);
    // Replaces the first entry equal to the old shipment's property-list
    // form; false and no change (no notification) when there is none.
    bool replaceShipment(const QVShipment &oldShipment, const QVShipment &newShipment);
    // Reads a property list (any format) whose root is an array of entry
    // dictionaries and puts its entries before the present ones (prepend) or
    // in place of them. Anything else: false, no change, no notification,
    // error says why. Duplicates are kept.
    bool restoreFromData(const QByteArray &data, bool prepend = false, QString *error = nullptr);
    // The entries printed on the days from begin to end (both inclusive, local
    // time) as a binary property list. With archive, they are also removed
    // from the log and the log is written; when that write fails they are
    // put back, the display is rebuilt and nothing is answered (error says
    // why), so that the caller never believes the archive done.
    std::optional<QByteArray> dataValueWithBeginDate(const QDateTime &begin, const QDateTime &end, bool archive,
                                                     QString *error = nullptr);
    bool persistLog(QString *error = nullptr);

    // ---- serialized forms
    std::optional<QByteArray> dataValue(QString *error = nullptr) const;
    QList<std::shared_ptr<QVShipment>> shipmentsWithinBeginDate(const QDateTime &begin, const QDateTime &end) const;
    // The XML and tab-delimited exports of those entries (LogEntryTexts.h).
    QByteArray XMLExportWithBeginDate(const QDateTime &begin, const QDateTime &end) const;
    QString tabDelimitedExportWithBeginDate(const QDateTime &begin, const QDateTime &end) const;

    // ---- look-ups
    // The newest log index whose PIC, PIC without its routing prefix, or
    // customs number equals the text.
    std::optional<qsizetype> indexForPIC(const QString &pic) const;
    // The highest display index whose PIC (as stored) or customs number
    // equals the text.
    std::optional<qsizetype> sortedIndexForPIC(const QString &pic) const;
    quint64 sortedIndexForShipment(const QVShipment *shipment) const;
    // Walks the display from the last position towards the first, one match
    // per call, then answers QVMailingLogNotFound and starts over.
    quint64 findNextMatchingName(const QString &text);
    // Tracks the entry with USPS; nothing when it was updated or needed
    // nothing, else the error text.
    std::optional<QString> trackShipmentAtIndex(qsizetype index);

    // ---- display order
    qsizetype itemsInDisplayLog() const;
    std::shared_ptr<QVShipment> shipmentAtSortedIndex(qsizetype index) const;
    void filterWithString(const QString &text);
    QSet<qsizetype> filteredIndexesUsingString(const QString &text) const;
    void sortUsingShipmentKey(const QString &key);
    void sortUsingShipmentKey(const QString &key, bool ascending);
    QString filterString() const { return m_filterString; }
    QString currentSortKey() const { return m_currentSortKey; }
    bool sortAscending() const { return m_sortAscending; }

    // Replace or prepend entries: no notification, no persisting.
    void setLogArray(const QList<QVariantMap> &entries) { m_log = entries; }
    void prependArrayToLog(const QList<QVariantMap> &entries) { m_log = entries + m_log; }

private:
    explicit QVMailingLog(const QString &path) : m_logFilePath(path) {}
    void postWillChange();
    void postDidChange();
    // Drops and rebuilds the filtered and sorted lists, posting two
    // did-change notifications.
    void refreshDisplay();
    // After one entry was appended to the log the display was made from:
    // puts it into the sorted and filtered lists where a rebuild would, and
    // posts as refreshDisplay does. False, changing nothing, for any other
    // log.
    bool displayAppendedEntry();
    // The entries that match the filter, in the order of the display.
    void rebuildFilteredArray();
    // Writes the file of the log (the display is left as it is).
    bool writeLogFile(QString *error);
    QList<QVariantMap> sortedByKey(const QList<QVariantMap> &entries, const QString &key) const;
    QList<qsizetype> indexesWithinDays(const QDateTime &begin, const QDateTime &end) const;
    // The shared log, once read: appends the waiting entries and writes the
    // log; from then on every entry of the waiting file is also in memory,
    // so the file goes after each write of the log.
    void takeInPendingEntries();

    QList<QVariantMap> m_log;
    QList<QVariantMap> m_sortedArray;
    // The log as the sorted and filtered lists were last made from it.
    QList<QVariantMap> m_displayedLog;
    std::optional<QList<QVariantMap>> m_filteredArray;
    QString m_logFilePath;
    QString m_filterString;
    QString m_currentSortKey;
    bool m_sortAscending = false;
    // The waiting entries are in memory (the shared log only).
    bool m_holdsPendingEntries = false;
    // Keeps what was encoded of the entries for the next write, which
    // usually only appends one.
    mutable BinaryPropertyListArrayWriter m_encoder;
};
