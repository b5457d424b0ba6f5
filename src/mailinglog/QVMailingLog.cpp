#include "mailinglog/QVMailingLog.h"

#include "model/QVAddress.h"
#include "model/StringAdditions.h"
#include "platform/DurableFile.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/BinaryPropertyListWriter.h"
#include "platform/PropertyList.h"
#include "rates/QVShipmentUSPS.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMultiHash>

#include <algorithm>

namespace {

std::unique_ptr<QVMailingLog> &sharedSlot()
{
    static std::unique_ptr<QVMailingLog> log;
    return log;
}

std::shared_ptr<QVMailingLogTrackingClient> &trackingSlot()
{
    static std::shared_ptr<QVMailingLogTrackingClient> client;
    return client;
}

// The find-next state shared by every caller for the life of the process.
struct FindNextState {
    std::optional<QString> lastText;
    qint64 nextPosition = -1;
};

FindNextState &findNextState()
{
    static FindNextState state;
    return state;
}

QString entryText(const QVariantMap &entry, const QString &key)
{
    const auto it = entry.constFind(key);
    if (it == entry.cend() || !it->isValid())
        return QString();
    return it->toString();
}

bool hasText(const QVariantMap &entry, const QString &key)
{
    const auto it = entry.constFind(key);
    return it != entry.cend() && it->isValid() && !it->toString().isNull();
}

// The entries of a property-list array, refused when any element is not a
// dictionary.
std::optional<QList<QVariantMap>> entriesOf(const QVariant &root, QString *error)
{
    if (root.typeId() != QMetaType::QVariantList) {
        if (error)
            *error = QStringLiteral("The mailing log is not a list of entries.");
        return std::nullopt;
    }
    QList<QVariantMap> entries;
    const QVariantList list = root.toList();
    entries.reserve(list.size());
    for (const QVariant &element : list) {
        if (element.typeId() != QMetaType::QVariantMap) {
            if (error)
                *error = QStringLiteral("The mailing log holds an entry that is not a dictionary.");
            return std::nullopt;
        }
        entries.append(element.toMap());
    }
    return entries;
}

QVariantList listOf(const QList<QVariantMap> &entries)
{
    QVariantList list;
    list.reserve(entries.size());
    for (const QVariantMap &entry : entries)
        list.append(entry);
    return list;
}

// ---- the comparator's values

enum class ValueKind { Text, Number, Decimal, Date, Other };

ValueKind kindOf(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return ValueKind::Text;
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return ValueKind::Number;
    case QMetaType::QDateTime:
        return ValueKind::Date;
    default:
        return value.metaType() == QMetaType::fromType<Decimal>() ? ValueKind::Decimal : ValueKind::Other;
    }
}

QVariant sortValue(const QVariantMap &entry, const QString &key)
{
    const QVShipment shipment(entry);
    QVariant value;
    if (key == QVShipmentToAddressKey) {
        value =
            QVAddress::addressWithDictionary(entry.value(QVShipmentToAddressKey).toMap()).formattedAddressOnOneLine();
    } else if (key == QVShipmentWeightNumberKey) {
        value = qint64(weightInTenthOunces(shipment));
    } else if (key == QVShipmentDeliveryStatusKey) {
        const QString type = entryText(entry, QVUSPSShipmentRHOTransactionTypeKey);
        if (type == QVUSPSShipmentRHOCorrectionTransaction || type == QVUSPSShipmentRHOPurchaseTransaction)
            value = QStringLiteral("p");
        else if (shipmentBool(shipment, QVShipmentVoidKey))
            value = QStringLiteral("v");
        else
            value = entry.value(QVShipmentDeliveryStatusKey);
    } else if (key == QVUSPSShipmentRateClassKey) {
        value = entry.value(QVUSPSShipmentRateClassKey);
        if (!value.isValid()) {
            const QString type = entryText(entry, QVUSPSShipmentRHOTransactionTypeKey);
            if (type == QVUSPSShipmentRHOStampTransaction)
                value = QStringLiteral("QVUSPSS");
            else if (type == QVUSPSShipmentRHOCorrectionTransaction)
                value = QStringLiteral("QVUSPSC");
            else if (type == QVUSPSShipmentRHOPurchaseTransaction)
                value = QStringLiteral("QVUSPSP");
            else if (type == QVUSPSShipmentRHOTessaroTransaction)
                value = QStringLiteral("QVUSPSI");
            else if (entry.contains(QVUSPSShipmentRHOTransactionTypeKey))
                value = entry.value(QVUSPSShipmentRHOTransactionTypeKey);
        }
    } else if (key == QVUSPSShipmentRHOBalanceKey) {
        if (entry.contains(key))
            value = entryText(entry, key).remove(QLatin1Char('$')).remove(QLatin1Char(','));
    } else {
        value = entry.value(key);
    }
    if (!value.isValid())
        value = QString();
    if (key == QVShipmentPriceKey) {
        const Decimal price = value.metaType() == QMetaType::fromType<Decimal>()
            ? value.value<Decimal>()
            : Decimal::fromString(value.toString());
        value = QVariant::fromValue(price);
    }
    return value;
}

int sign(int value) { return value < 0 ? -1 : (value > 0 ? 1 : 0); }

int compareSortValues(const QVariant &a, const QVariant &b)
{
    const ValueKind ka = kindOf(a), kb = kindOf(b);
    if (ka == ValueKind::Text && kb == ValueKind::Text)
        return sign(numericCompare(a.toString(), b.toString()));
    if (ka != kb)
        return 0;
    switch (ka) {
    case ValueKind::Number: {
        const QPartialOrdering order = QVariant::compare(a, b);
        return order == QPartialOrdering::Less ? -1 : (order == QPartialOrdering::Greater ? 1 : 0);
    }
    case ValueKind::Decimal: {
        const Decimal x = a.value<Decimal>(), y = b.value<Decimal>();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    case ValueKind::Date: {
        const QDateTime x = a.toDateTime(), y = b.toDateTime();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    default:
        return 0;
    }
}

// The day of a print date in local time; nothing when the entry has none.
std::optional<qint64> printDay(const QVariantMap &entry)
{
    const QVariant date = entry.value(QVShipmentPrintDateKey);
    if (date.typeId() != QMetaType::QDateTime)
        return std::nullopt;
    const QDateTime dateTime = date.toDateTime();
    if (!dateTime.isValid())
        return std::nullopt;
    return dateTime.toLocalTime().date().toJulianDay();
}

} // namespace

QString deliveryStatusForTrackEvent(const QString &event)
{
    const QString upper = event.toUpper();
    if (upper == QLatin1String("DELIVERED") || upper == QLatin1String("DELIVERED ABROAD"))
        return QVShipmentDeliveredStatus;
    if (upper == QLatin1String("UNDELIVERABLE AS ADDRESSED"))
        return QVShipmentDeliveryExceptionStatus;
    return QVShipmentUndeliveredStatus;
}

int compareShipments(const QVariantMap &a, const QVariantMap &b, const QString &key)
{
    return compareSortValues(sortValue(a, key), sortValue(b, key));
}

// ------------------------------------------------------------ creation

QVMailingLog *QVMailingLog::sharedMailingLog()
{
    std::unique_ptr<QVMailingLog> &slot = sharedSlot();
    if (!slot) {
        const QString folder = applicationSupportDirectory();
        if (folder.isEmpty())
            return nullptr;
        QString error;
        slot = logWithPath(QDir(folder).filePath(QVMailingLogFileName), &error);
        if (!slot)
            qWarning().noquote() << QStringLiteral("Error restoring log: %1").arg(error);
        else
            slot->takeInPendingEntries();
    }
    return slot.get();
}

QString QVMailingLog::pendingEntriesPath()
{
    const QString folder = applicationSupportDirectory();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QVMailingLogPendingFileName);
}

namespace {

// The waiting entries: none when there is no file; nothing (error says why)
// when it cannot be read.
std::optional<QList<QVariantMap>> readPendingEntries(const QString &path, QString *error)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return QList<QVariantMap>();
    const std::optional<QVariant> root = readPropertyListFile(path, error);
    if (!root)
        return std::nullopt;
    return entriesOf(*root, error);
}

} // namespace

bool QVMailingLog::keepShipmentForLog(const QVShipment &shipment, QString *error)
{
    const QString path = pendingEntriesPath();
    if (path.isEmpty()) {
        if (error)
            *error = QStringLiteral("There is no folder for the mailing log.");
        return false;
    }
    std::optional<QList<QVariantMap>> entries = readPendingEntries(path, error);
    if (!entries)
        return false;
    entries->append(shipment.plist());
    QString writeError;
    const std::optional<QByteArray> data = writeBinaryPropertyList(listOf(*entries), &writeError);
    if (!data) {
        if (error)
            *error = writeError;
        return false;
    }
    return writeFileDurably(path, *data, error);
}

void QVMailingLog::takeInPendingEntries()
{
    const QString path = pendingEntriesPath();
    QString error;
    const std::optional<QList<QVariantMap>> entries = readPendingEntries(path, &error);
    if (!entries) {
        qWarning().noquote()
            << QStringLiteral("The waiting mailing-log entries in %1 cannot be read: %2").arg(path, error);
        return;
    }
    m_holdsPendingEntries = true;
    if (entries->isEmpty())
        return;
    postWillChange();
    m_log.append(*entries);
    if (!persistLog(&error))
        qWarning().noquote() << QStringLiteral("The waiting mailing-log entries stay in %1: %2").arg(path, error);
}

void QVMailingLog::resetSharedMailingLog()
{
    sharedSlot().reset();
    findNextState() = FindNextState();
}

std::unique_ptr<QVMailingLog> QVMailingLog::logWithPath(const QString &path, QString *error)
{
    std::unique_ptr<QVMailingLog> log(new QVMailingLog(path));
    if (QFileInfo::exists(path)) {
        QString readError;
        const std::optional<QVariant> root = readPropertyListFile(path, &readError);
        if (!root) {
            if (error)
                *error = readError;
            return nullptr;
        }
        std::optional<QList<QVariantMap>> entries = entriesOf(*root, error);
        if (!entries)
            return nullptr;
        log->m_log = std::move(*entries);
    }
    return log;
}

void QVMailingLog::setTrackingClient(std::shared_ptr<QVMailingLogTrackingClient> client)
{
    trackingSlot() = std::move(client);
}

std::shared_ptr<QVMailingLogTrackingClient> QVMailingLog::trackingClient() { return trackingSlot(); }

// ------------------------------------------------------------ access

std::shared_ptr<QVShipment> QVMailingLog::shipmentAtIndex(qsizetype index) const
{
    if (index < 0 || index >= m_log.size())
        return nullptr;
    return QVShipment::shipmentWithDictionary(m_log.at(index));
}

std::shared_ptr<QVShipment> QVMailingLog::lastShipment() const { return shipmentAtIndex(m_log.size() - 1); }

std::shared_ptr<QVShipment> QVMailingLog::lastShipmentThatIsAShipment() const
{
    for (qsizetype i = m_log.size() - 1; i >= 0; --i) {
        const QVariantMap &entry = m_log.at(i);
        if (!entry.contains(QVUSPSShipmentRHOTransactionTypeKey) ||
            entryText(entry, QVUSPSShipmentRHOTransactionTypeKey) == QVUSPSShipmentRHOStampTransaction)
            return QVShipment::shipmentWithDictionary(entry);
    }
    return nullptr;
}

std::optional<QDateTime> QVMailingLog::oldestDate() const
{
    std::optional<QDateTime> oldest;
    for (const QVariantMap &entry : m_log) {
        const QVariant date = entry.value(QVShipmentPrintDateKey);
        if (date.typeId() != QMetaType::QDateTime)
            continue;
        const QDateTime dateTime = date.toDateTime();
        if (!oldest || dateTime < *oldest)
            oldest = dateTime;
    }
    return oldest;
}

// ------------------------------------------------------------ changes

void QVMailingLog::postWillChange()
{
    NotificationCenter::defaultCenter().post(QVMailingLogWillChangeNotification, this);
}

void QVMailingLog::postDidChange()
{
    NotificationCenter::defaultCenter().post(QVMailingLogDidChangeNotification, this);
}

namespace {

// Whether every word of the filter is in one of the entry's searched fields.
bool entryMatchesWords(const QVariantMap &stored, const QStringList &words)
{
    const QVShipment shipment(stored);
    const QVariantMap &entry = shipment.dictionary();
    // The delivery address; for reply postage the one the piece returns
    // to, which is the stored to address as well.
    const QVAddress address = shipment.isReplyPostage() ? shipment.fromAddress() : shipment.toAddress();
    const bool hasAddress = entry.contains(QVShipmentToAddressKey);
    // The searched fields; a missing field holds nothing.
    QList<std::optional<QString>> fields;
    fields.append(hasAddress ? std::optional<QString>(address.formattedAddress()) : std::nullopt);
    for (const QString &key : {QVShipmentInvoiceNumberKey, QVShipmentDescriptionKey})
        fields.append(entry.contains(key) ? std::optional<QString>(entryText(entry, key)) : std::nullopt);
    fields.append(hasAddress ? std::optional<QString>(address.email()) : std::nullopt);
    if (hasText(entry, QVUSPSShipmentPICKey))
        fields.append(uspsLogPIC(entryText(entry, QVUSPSShipmentPICKey)));
    else if (entry.contains(QVUSPSShipmentCustomsBarcodeNumberKey))
        fields.append(entryText(entry, QVUSPSShipmentCustomsBarcodeNumberKey));
    if (entry.contains(QVUSPSShipmentRHOWebStoreNameKey))
        fields.append(entryText(entry, QVUSPSShipmentRHOWebStoreNameKey));
    if (entry.contains(QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey))
        fields.append(
            entry.value(QVUSPSShipmentRHOWebStoreMarketplaceOrderIdsKey).toStringList().join(QStringLiteral(", ")));
    return std::all_of(words.cbegin(), words.cend(), [&](const QString &word) {
        return std::any_of(fields.cbegin(), fields.cend(), [&](const std::optional<QString> &field) {
            return field && field->contains(word, Qt::CaseInsensitive);
        });
    });
}

} // namespace

bool QVMailingLog::writeShipmentToLog(const QVShipment &shipment)
{
    postWillChange();
    m_log.append(shipment.plist());
    const bool written = writeLogFile(nullptr);
    if (!displayAppendedEntry())
        refreshDisplay();
    return written;
}

bool QVMailingLog::replaceShipmentInLogAtIndex(qsizetype index, const QVShipment &shipment)
{
    if (index < 0 || index >= m_log.size())
        return false;
    postWillChange();
    m_log[index] = shipment.plist();
    return persistLog();
}

bool QVMailingLog::replaceShipment(const QVShipment &oldShipment, const QVShipment &newShipment)
{
    const QVariantMap old = oldShipment.plist();
    for (qsizetype i = 0; i < m_log.size(); ++i) {
        if (isEqualStoredDictionary(m_log.at(i), old))
            return replaceShipmentInLogAtIndex(i, newShipment);
    }
    return false;
}

bool QVMailingLog::restoreFromData(const QByteArray &data, bool prepend, QString *error)
{
    if (data.isEmpty()) {
        if (error)
            *error = QStringLiteral("There is nothing to restore.");
        return false;
    }
    QString readError;
    const std::optional<QVariant> root = readPropertyList(data, &readError);
    if (!root) {
        qWarning().noquote() << QStringLiteral("Error restoring log: %1").arg(readError);
        if (error)
            *error = readError;
        return false;
    }
    std::optional<QList<QVariantMap>> entries = entriesOf(*root, error);
    if (!entries)
        return false;
    // A file can hold what the log cannot store again (a text with a NUL
    // character, say); such an archive is refused before anything changes.
    QString writeError;
    if (!encodeBinaryPropertyListArray(*entries, &writeError)) {
        qWarning().noquote() << QStringLiteral("Error restoring log: %1").arg(writeError);
        if (error)
            *error = writeError;
        return false;
    }
    const QList<QVariantMap> before = m_log;
    postWillChange();
    if (prepend)
        prependArrayToLog(*entries);
    else
        setLogArray(*entries);
    if (persistLog(error))
        return true;
    // The file on disk was left as it was; so is the log.
    postWillChange();
    setLogArray(before);
    refreshDisplay();
    return false;
}

QList<qsizetype> QVMailingLog::indexesWithinDays(const QDateTime &begin, const QDateTime &end) const
{
    const qint64 first = begin.toLocalTime().date().toJulianDay();
    const qint64 last = end.toLocalTime().date().toJulianDay();
    QList<qsizetype> indexes;
    for (qsizetype i = 0; i < m_log.size(); ++i) {
        const std::optional<qint64> day = printDay(m_log.at(i));
        if (day && first <= *day && *day <= last)
            indexes.append(i);
    }
    return indexes;
}

std::optional<QByteArray> QVMailingLog::dataValueWithBeginDate(const QDateTime &begin, const QDateTime &end,
                                                               bool archive, QString *error)
{
    const QList<qsizetype> indexes = indexesWithinDays(begin, end);
    QVariantList selected;
    for (const qsizetype i : indexes)
        selected.append(m_log.at(i));
    QString writeError;
    const std::optional<QByteArray> data = encodeBinaryPropertyList(selected, &writeError);
    if (!data) {
        qWarning().noquote() << QStringLiteral("Error serializing archive: %1").arg(writeError);
        if (error)
            *error = writeError;
        return std::nullopt;
    }
    if (!archive)
        return data;

    const QList<QVariantMap> before = m_log;
    postWillChange();
    // Every entry equal to a selected one goes, as the archive holds it.
    QMultiHash<size_t, qsizetype> selectedByHash;
    for (const qsizetype i : indexes)
        selectedByHash.insert(qHashStoredDictionary(before.at(i), 0), i);
    m_log.removeIf([&](const QVariantMap &entry) {
        const QList<qsizetype> candidates = selectedByHash.values(qHashStoredDictionary(entry, 0));
        return std::any_of(candidates.cbegin(), candidates.cend(),
                           [&](qsizetype i) { return isEqualStoredDictionary(before.at(i), entry); });
    });
    if (!persistLog(error)) {
        // The file still holds the entries: so must the display.
        m_log = before;
        refreshDisplay();
        return std::nullopt;
    }
    return data;
}

bool QVMailingLog::persistLog(QString *error)
{
    const bool written = writeLogFile(error);
    refreshDisplay();
    return written;
}

bool QVMailingLog::writeLogFile(QString *error)
{
    bool written = false;
    if (m_logFilePath.isEmpty()) {
        if (error)
            *error = QStringLiteral("There is no folder for the mailing log.");
    } else if (const std::optional<QByteArray> data = dataValue(error)) {
        // The whole file or nothing, synced to disk with its folder.
        written = writeFileDurably(m_logFilePath, *data, error);
    }
    // Every waiting entry is now in the file of the log.
    if (written && m_holdsPendingEntries) {
        const QString pending = pendingEntriesPath();
        if (QFileInfo::exists(pending) && !QFile::remove(pending))
            qWarning().noquote() << QStringLiteral("The waiting mailing-log entries in %1 were written to the log "
                                                   "but the file could not be removed.")
                                        .arg(pending);
    }
    return written;
}

void QVMailingLog::refreshDisplay()
{
    const QString rememberedKey = m_currentSortKey;
    m_currentSortKey.clear();
    m_sortedArray.clear();
    sortUsingShipmentKey(rememberedKey, m_sortAscending);
    m_displayedLog = m_log;
    postDidChange();
    postDidChange();
}

bool QVMailingLog::displayAppendedEntry()
{
    // Only a display made from the log as it was before this entry.
    if (m_displayedLog.size() + 1 != m_log.size())
        return false;
    for (qsizetype i = 0; i < m_displayedLog.size(); ++i) {
        if (!m_log.at(i).isSharedWith(m_displayedLog.at(i)))
            return false;
    }
    const QVariantMap &entry = m_log.last();
    // The newest entry goes where a sort from scratch puts it: after the
    // entries of equal value going up, before them going down.
    const auto insertSorted = [&](QList<QVariantMap> &list) {
        const QVariant value = sortValue(entry, m_currentSortKey);
        const auto at = std::partition_point(list.begin(), list.end(), [&](const QVariantMap &other) {
            const int order = compareSortValues(sortValue(other, m_currentSortKey), value);
            return m_sortAscending ? order <= 0 : order > 0;
        });
        list.insert(at, entry);
    };
    if (!m_currentSortKey.isEmpty())
        insertSorted(m_sortedArray);
    if (m_filteredArray && entryMatchesWords(entry, m_filterString.split(QLatin1Char(' ')))) {
        if (m_currentSortKey.isEmpty())
            m_filteredArray->prepend(entry);
        else
            insertSorted(*m_filteredArray);
    }
    m_displayedLog = m_log;
    postDidChange();
    postDidChange();
    return true;
}

// ------------------------------------------------------------ serialized forms

std::optional<QByteArray> QVMailingLog::dataValue(QString *error) const
{
    QString writeError;
    std::optional<QByteArray> data = m_encoder.encode(m_log, &writeError);
    if (!data) {
        qWarning().noquote() << QStringLiteral("Error serializing mailing log: %1").arg(writeError);
        if (error)
            *error = writeError;
    }
    return data;
}

QList<std::shared_ptr<QVShipment>> QVMailingLog::shipmentsWithinBeginDate(const QDateTime &begin,
                                                                          const QDateTime &end) const
{
    QList<std::shared_ptr<QVShipment>> shipments;
    for (const qsizetype i : indexesWithinDays(begin, end))
        shipments.append(QVShipment::shipmentWithDictionary(m_log.at(i)));
    return shipments;
}

// ------------------------------------------------------------ look-ups

std::optional<qsizetype> QVMailingLog::indexForPIC(const QString &pic) const
{
    for (qsizetype i = m_log.size() - 1; i >= 0; --i) {
        const QVariantMap &entry = m_log.at(i);
        if (hasText(entry, QVUSPSShipmentPICKey)) {
            const QString stored = entryText(entry, QVUSPSShipmentPICKey);
            if (stored == pic || uspsLogPIC(stored) == pic)
                return i;
        }
        if (hasText(entry, QVUSPSShipmentCustomsBarcodeNumberKey) &&
            entryText(entry, QVUSPSShipmentCustomsBarcodeNumberKey) == pic)
            return i;
    }
    return std::nullopt;
}

std::optional<qsizetype> QVMailingLog::sortedIndexForPIC(const QString &pic) const
{
    for (qsizetype i = m_log.size() - 1; i >= 0; --i) {
        const std::shared_ptr<QVShipment> shipment = shipmentAtSortedIndex(i);
        if (!shipment)
            continue;
        const QVariantMap &entry = shipment->dictionary();
        if ((hasText(entry, QVUSPSShipmentPICKey) && entryText(entry, QVUSPSShipmentPICKey) == pic) ||
            (hasText(entry, QVUSPSShipmentCustomsBarcodeNumberKey) &&
             entryText(entry, QVUSPSShipmentCustomsBarcodeNumberKey) == pic))
            return i;
    }
    return std::nullopt;
}

quint64 QVMailingLog::sortedIndexForShipment(const QVShipment *shipment) const
{
    if (!shipment)
        return QVMailingLogNotFound;
    const qsizetype count = itemsInDisplayLog();
    for (qsizetype i = 0; i < count; ++i) {
        const std::shared_ptr<QVShipment> entry = shipmentAtSortedIndex(i);
        if (entry && entry->isEqualToShipment(*shipment))
            return quint64(i);
    }
    return QVMailingLogNotFound;
}

quint64 QVMailingLog::findNextMatchingName(const QString &text)
{
    FindNextState &state = findNextState();
    if (!state.lastText || *state.lastText != text) {
        state.lastText = text;
        state.nextPosition = m_log.size() - 1;
    }
    for (qint64 position = std::min<qint64>(state.nextPosition, m_log.size() - 1); position >= 0; --position) {
        const std::shared_ptr<QVShipment> shipment = shipmentAtSortedIndex(position);
        if (!shipment)
            continue;
        const bool matches = qv_containsCaseInsensitiveString(shipment->toAddress().formattedAddress(), text) ||
            (shipment->dictionary().contains(QVShipmentInvoiceNumberKey) &&
             qv_containsString(shipmentText(*shipment, QVShipmentInvoiceNumberKey), text));
        if (matches) {
            state.nextPosition = position - 1;
            return quint64(position);
        }
    }
    state.nextPosition = m_log.size() - 1;
    return QVMailingLogNotFound;
}

std::optional<QString> QVMailingLog::trackShipmentAtIndex(qsizetype index)
{
    const std::shared_ptr<QVShipment> shipment = shipmentAtIndex(index);
    if (!shipment)
        return std::nullopt;
    const QString pic = shipmentText(*shipment, QVUSPSShipmentPICKey);
    if (pic.isEmpty())
        return std::nullopt;
    const QString stored = shipmentText(*shipment, QVShipmentDeliveryStatusKey);
    if (stored == QVShipmentDeliveredStatus)
        return std::nullopt;
    const std::shared_ptr<QVMailingLogTrackingClient> client = trackingClient();
    if (!client)
        return QStringLiteral("USPS tracking is not available.");
    const std::optional<QVariantMap> response = client->trackFieldResponseForID(pic);
    if (!response)
        return client->lastErrorDescription();
    if (response->contains(QStringLiteral("Error")))
        return response->value(QStringLiteral("Error")).toMap().value(QStringLiteral("Description")).toString();
    const QVariant event = response->value(QStringLiteral("TrackResponse"))
                               .toMap()
                               .value(QStringLiteral("TrackInfo"))
                               .toMap()
                               .value(QStringLiteral("TrackSummary"))
                               .toMap()
                               .value(QStringLiteral("Event"));
    const QString status = deliveryStatusForTrackEvent(event.toString());
    if (status == stored)
        return std::nullopt;
    const std::shared_ptr<QVShipment> updated = shipment->copy();
    updated->mutableDictionary().insert(QVShipmentDeliveryStatusKey, status);
    replaceShipment(*shipment, *updated);
    return std::nullopt;
}

// ------------------------------------------------------------ display order

qsizetype QVMailingLog::itemsInDisplayLog() const { return m_filteredArray ? m_filteredArray->size() : m_log.size(); }

std::shared_ptr<QVShipment> QVMailingLog::shipmentAtSortedIndex(qsizetype index) const
{
    if (index < 0)
        return nullptr;
    if (m_filteredArray) {
        if (index >= m_filteredArray->size())
            return nullptr;
        return QVShipment::shipmentWithDictionary(m_filteredArray->at(index));
    }
    if (m_currentSortKey.isEmpty())
        return shipmentAtIndex(index);
    if (index >= m_sortedArray.size())
        return nullptr;
    return QVShipment::shipmentWithDictionary(m_sortedArray.at(index));
}

void QVMailingLog::filterWithString(const QString &text)
{
    m_filterString = text;
    rebuildFilteredArray();
    postDidChange();
}

QSet<qsizetype> QVMailingLog::filteredIndexesUsingString(const QString &text) const
{
    const QStringList words = text.split(QLatin1Char(' '));
    QSet<qsizetype> matches;
    for (qsizetype i = m_log.size() - 1; i >= 0; --i) {
        if (entryMatchesWords(m_log.at(i), words))
            matches.insert(i);
    }
    return matches;
}

void QVMailingLog::rebuildFilteredArray()
{
    m_filteredArray.reset();
    if (m_filterString.isEmpty())
        return;
    const QStringList words = m_filterString.split(QLatin1Char(' '));
    QList<QVariantMap> filtered;
    if (m_currentSortKey.isEmpty()) {
        for (qsizetype i = m_log.size() - 1; i >= 0; --i) {
            if (entryMatchesWords(m_log.at(i), words))
                filtered.append(m_log.at(i));
        }
    } else {
        for (const QVariantMap &entry : std::as_const(m_sortedArray)) {
            if (entryMatchesWords(entry, words))
                filtered.append(entry);
        }
    }
    m_filteredArray = std::move(filtered);
}

void QVMailingLog::sortUsingShipmentKey(const QString &key)
{
    const bool ascending = key == m_currentSortKey ? !m_sortAscending : m_sortAscending;
    sortUsingShipmentKey(key, ascending);
}

QList<QVariantMap> QVMailingLog::sortedByKey(const QList<QVariantMap> &entries, const QString &key) const
{
    // Each entry's value is taken once, then the values are ordered.
    QList<std::pair<QVariant, qsizetype>> keyed;
    keyed.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i)
        keyed.append({sortValue(entries.at(i), key), i});
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto &a, const auto &b) { return compareSortValues(a.first, b.first) < 0; });
    QList<QVariantMap> sorted;
    sorted.reserve(entries.size());
    for (const auto &item : keyed)
        sorted.append(entries.at(item.second));
    return sorted;
}

void QVMailingLog::sortUsingShipmentKey(const QString &key, bool ascending)
{
    if (key.isEmpty()) {
        m_sortedArray.clear();
        m_currentSortKey.clear();
        rebuildFilteredArray();
        return;
    }
    if (key == m_currentSortKey) {
        if (ascending == m_sortAscending)
            return;
        // Reversed, equal values keep the order a sort from scratch gives:
        // oldest first going up, newest first going down.
        std::reverse(m_sortedArray.begin(), m_sortedArray.end());
    } else {
        m_currentSortKey = key;
        m_sortedArray = sortedByKey(m_log, key);
        if (!ascending)
            std::reverse(m_sortedArray.begin(), m_sortedArray.end());
    }
    m_sortAscending = ascending;
    rebuildFilteredArray();
}
