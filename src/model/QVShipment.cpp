#include "model/QVShipment.h"

#include "model/DataAdditions.h"
#include "model/StringAdditions.h"
#include "platform/NotificationCenter.h"
#include "platform/VariantKinds.h"

#include <QDebug>
#include <QHash>
#include <QLocale>

#include <array>
#include <iterator>

namespace {

std::shared_ptr<QVShipmentPricer> &registeredPricer()
{
    static std::shared_ptr<QVShipmentPricer> pricer;
    return pricer;
}

// The boolean value of a stored flag: a text reads as "YES"/"true"/"1".
bool flagValue(const QVariant &value)
{
    if (!value.isValid())
        return false;
    if (value.typeId() == QMetaType::QString)
        return boolValue(value.toString());
    return value.toBool();
}

// The same decimal in every respect (sign, digits and exponent, or both not
// a number): the stored form would not change.
bool isSameDecimal(const Decimal &x, const Decimal &y)
{
    return x.isNaN() == y.isNaN() && x.isNegative() == y.isNegative() && x.mantissa() == y.mantissa() &&
        x.exponent() == y.exponent();
}

// True when the two values are the same in every respect (type, amount and
// form), so that storing one over the other changes nothing. Answers false
// for the kinds where equal values may differ in form (dates, doubles) and
// for anything else.
bool isSameValue(const QVariant &a, const QVariant &b)
{
    if (a.metaType() != b.metaType())
        return false;
    switch (a.typeId()) {
    case QMetaType::QString:
        return *static_cast<const QString *>(a.constData()) == *static_cast<const QString *>(b.constData());
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::QStringList:
        return a == b;
    default:
        break;
    }
    if (isDecimalVariant(a))
        return isSameDecimal(*static_cast<const Decimal *>(a.constData()),
                             *static_cast<const Decimal *>(b.constData()));
    return false;
}

// The keys pricing reads, each with a slot in QVShipment::HotValues. A key is
// found by the address of its text, which every copy of a key constant
// shares; a key text made elsewhere is found by its text where it must be
// (loading the slots, and stores, so that no slot goes stale).
const QString *const kHotKeys[] = {
    &QVShipmentFromAddressKey,
    &QVShipmentToAddressKey,
    &QVShipmentShipDateKey,
    &QVShipmentPriceKey,
    &QVShipmentWeightUnitKey,
    &QVShipmentWeightNumberKey,
    &QVShipmentCarrierKey,
    &QVShipmentRectangularKey,
    &QVShipmentMeasurementUnitKey,
    &QVShipmentLengthMeasurementKey,
    &QVShipmentWidthMeasurementKey,
    &QVShipmentHeightMeasurementKey,
    &QVShipmentValueKey,
    &QVShipmentItemsKey,
    &QVUSPSShipmentRateClassKey,
    &QVUSPSShipmentPostageKey,
    &QVUSPSShipmentOriginalPostageKey,
    &QVUSPSShipmentConfirmationServiceKey,
    &QVUSPSShipmentConfirmationServicePriceKey,
    &QVUSPSShipmentRateClassificationKey,
    &QVUSPSShipmentCubicPricingKey,
    &QVUSPSShipmentCubicTierKey,
    &QVUSPSShipmentOptionalServicesKey,
    &QVUSPSShipmentOptionalServicesPriceKey,
    &QVUSPSShipmentCashOnDeliveryAmountKey,
    &QVUSPSShipmentMailedFromZIP5Key,
    &QVUSPSShipmentZoneKey,
    &QVUSPSShipmentSizeKey,
    &QVUSPSShipmentMachinableKey,
    &QVUSPSShipmentIntraBMCEligibleKey,
    &QVUSPSShipmentPostageEnabledKey,
    &QVUSPSShipmentInsuranceTypeKey,
    &QVUSPSShipmentInsurancePriceKey,
    &QVUSPSShipmentExpressMailOptionsKey,
    &QVUSPSShipmentStealthPostageKey,
    &QVUSPSShipmentReplyPostageKey,
    &QVUSPSShipmentCustomsFormTypeKey,
    &QVUSPSShipmentRHOTransactionTypeKey,
};

struct HotKeyIndex {
    // Open addressing on the text's address: (address, slot), null when free.
    static constexpr size_t kSize = 256;
    std::array<std::pair<const void *, int>, kSize> byAddress{};
    QHash<QString, int> byText;

    // The texts of the key constants lie close together: a multiplicative
    // hash spreads them over the table, so that a look-up rarely probes twice.
    static size_t start(const void *address)
    {
        return size_t((quint64(quintptr(address)) * 0x9E3779B97F4A7C15ull) >> 56) & (kSize - 1);
    }

    HotKeyIndex()
    {
        for (int slot = 0; slot < int(std::size(kHotKeys)); ++slot) {
            const QString &key = *kHotKeys[slot];
            byText.insert(key, slot);
            size_t i = start(key.constData());
            while (byAddress[i].first)
                i = (i + 1) & (kSize - 1);
            byAddress[i] = {key.constData(), slot};
        }
    }

    int slotByAddress(const QString &key) const
    {
        const void *address = key.constData();
        for (size_t i = start(address);; i = (i + 1) & (kSize - 1)) {
            if (byAddress[i].first == address)
                return byAddress[i].second;
            if (!byAddress[i].first)
                return -1;
        }
    }

    int slot(const QString &key) const
    {
        const int slot = slotByAddress(key);
        return slot >= 0 ? slot : byText.value(key, -1);
    }
};

// Made with the other statics of this file: the key constants of the header
// are made before it, as they come first in this file.
const HotKeyIndex g_hotKeyIndex;

const HotKeyIndex &hotKeyIndex() { return g_hotKeyIndex; }

} // namespace

QVShipment::QVShipment() = default;

QVShipment::QVShipment(const QVariantMap &dictionary, bool) : m_shipment(dictionary) {}

std::shared_ptr<QVShipment> QVShipment::shipmentWithDictionary(const QVariantMap &dictionary)
{
    return std::make_shared<QVShipment>(dictionary);
}

std::shared_ptr<QVShipment> QVShipment::copy() const
{
    // Qt containers are values: every level of the copy is independent.
    return std::make_shared<QVShipment>(m_shipment, true);
}

// ---------------------------------------------------------------------- access

int QVShipment::hotSlot(const QString &key) const
{
    static_assert(std::size(kHotKeys) <= kHotKeyCapacity);
    return m_hot.reading && m_hot.loaded ? hotKeyIndex().slotByAddress(key) : -1;
}

void QVShipment::loadHotValues() const
{
    if (m_hot.loaded)
        return;
    const HotKeyIndex &index = hotKeyIndex();
    for (size_t i = 0; i < m_hot.values.size(); ++i) {
        if (m_hot.present[i]) {
            QVariant().swap(m_hot.values[i]);
            m_hot.present[i] = false;
        }
    }
    for (auto it = m_shipment.cbegin(); it != m_shipment.cend(); ++it) {
        const int slot = index.slot(it.key());
        if (slot >= 0) {
            m_hot.values[size_t(slot)] = it.value();
            m_hot.present[size_t(slot)] = true;
        }
    }
    m_hot.loaded = true;
}

void QVShipment::noteHotValue(const QString &key, const QVariant &value)
{
    if (!m_hot.loaded)
        return;
    const int slot = hotKeyIndex().slot(key);
    if (slot < 0)
        return;
    m_hot.values[size_t(slot)] = value;
    m_hot.present[size_t(slot)] = value.isValid();
}

bool QVShipment::containsKey(const QString &key) const
{
    const int slot = hotSlot(key);
    return slot >= 0 ? m_hot.present[size_t(slot)] : m_shipment.contains(key);
}

QVariant QVShipment::objectForKey(const QString &key) const
{
    const int slot = hotSlot(key);
    return slot >= 0 ? m_hot.values[size_t(slot)] : m_shipment.value(key);
}

QVariant QVShipment::objectForKey(const QString &key, const QVariant &defaultObject) const
{
    const int slot = hotSlot(key);
    if (slot >= 0)
        return m_hot.present[size_t(slot)] ? m_hot.values[size_t(slot)] : defaultObject;
    return ::objectForKey(m_shipment, key, defaultObject);
}

void QVShipment::setObject(const QVariant &value, const QString &key, bool updatePricing)
{
    if (!value.isValid()) {
        qWarning().noquote() << QStringLiteral("tried to set nil object for %1").arg(key);
        return;
    }
    const int slot = hotSlot(key);
    if (slot >= 0) {
        if (m_hot.present[size_t(slot)] &&
            (isSameValue(m_hot.values[size_t(slot)], value) || isEqualStoredValue(m_hot.values[size_t(slot)], value)))
            return;
    } else {
        const auto it = m_shipment.constFind(key);
        if (it != m_shipment.cend() && isEqualStoredValue(*it, value))
            return;
    }
    setObjectQuietly(value, key);
    if (updatePricing)
        _updatePricing();
    postDidChange();
}

void QVShipment::removeObjectForKey(const QString &key, bool updatePricing)
{
    if (!containsKey(key))
        return;
    removeObjectQuietly(key);
    if (updatePricing)
        _updatePricing();
    postDidChange();
}

void QVShipment::setObjectQuietly(const QVariant &value, const QString &key)
{
    // Pricing stores most of its results again unchanged: a value of the same
    // type and equal to the kept one leaves the record as it is.
    const int slot = hotSlot(key);
    if (slot >= 0 && m_hot.present[size_t(slot)]) {
        if (isSameValue(m_hot.values[size_t(slot)], value))
            return;
    }
    m_dimensionMemo.current = false;
    m_shipment.insert(key, value);
    noteHotValue(key, value);
    dropDestinationFor(key);
}

void QVShipment::removeObjectQuietly(const QString &key)
{
    // Most keys are absent; asking first spares the map's erase (and, when
    // the dictionary is shared with a copy, a detach that copies it whole).
    if (!containsKey(key))
        return;
    m_dimensionMemo.current = false;
    m_shipment.remove(key);
    noteHotValue(key, QVariant());
    dropDestinationFor(key);
}

QString QVShipment::description() const
{
    QString text;
    QDebug(&text) << m_shipment;
    return text;
}

QVariantMap QVShipment::plist() const
{
    QVariantMap result;
    for (auto it = m_shipment.cbegin(); it != m_shipment.cend(); ++it) {
        if (it.key() == QVUSPSShipmentRHOIndiciumDataKey)
            continue; // the raw indicium bytes never leave the record
        if (isDecimalVariant(*it))
            result.insert(it.key(), it->value<Decimal>().toString());
        else
            result.insert(it.key(), *it);
    }
    return result;
}

// ------------------------------------------------------------ typed accessors

QVAddress QVShipment::fromAddress() const
{
    const QString &key = isReplyPostage() ? QVShipmentToAddressKey : QVShipmentFromAddressKey;
    return QVAddress::addressWithDictionary(objectForKey(key).toMap());
}

QVAddress QVShipment::toAddress() const
{
    if (m_destination.value)
        return m_destination.value->address;
    const QString &key = isReplyPostage() ? QVShipmentFromAddressKey : QVShipmentToAddressKey;
    return QVAddress::addressWithDictionary(objectForKey(key).toMap());
}

bool QVShipment::isReplyPostage() const { return flagValue(objectForKey(QVUSPSShipmentReplyPostageKey)); }

QVShipment::Destination QVShipment::destination() const
{
    if (m_destination.value)
        return *m_destination.value;
    // The same address dictionary (shared with the memo, so that a change
    // of it anywhere is a different one) gives the same recipient.
    const bool reply = isReplyPostage();
    const QVariant stored = objectForKey(reply ? QVShipmentFromAddressKey : QVShipmentToAddressKey);
    const bool isMap = stored.metaType() == QMetaType::fromType<QVariantMap>();
    if (isMap && m_destinationMemo.value && m_destinationMemo.reply == reply &&
        m_destinationMemo.address.isSharedWith(*static_cast<const QVariantMap *>(stored.constData())))
        return *m_destinationMemo.value;
    Destination d;
    d.address = QVAddress::addressWithDictionary(stored.toMap());
    d.domestic = d.address.isDomestic();
    d.ZIP5 = d.address.ZIP5();
    d.state = d.address.state().toUpper();
    if (isMap) {
        m_destinationMemo.address = *static_cast<const QVariantMap *>(stored.constData());
        m_destinationMemo.reply = reply;
        m_destinationMemo.value = d;
    } else {
        m_destinationMemo.value.reset();
    }
    return d;
}

void QVShipment::dropDestinationFor(const QString &key)
{
    if (m_destination.scopes > 0 &&
        (key == QVShipmentToAddressKey || key == QVShipmentFromAddressKey || key == QVUSPSShipmentReplyPostageKey)) {
        m_destination.value.reset();
        m_destination.value = destination();
    }
}

QVShipment::DestinationScope::DestinationScope(const QVShipment &shipment) : m_shipment(shipment)
{
    if (m_shipment.m_destination.scopes++ == 0) {
        m_shipment.loadHotValues();
        m_shipment.m_hot.reading = true;
        m_shipment.m_destination.value = m_shipment.destination();
    }
}

QVShipment::DestinationScope::~DestinationScope()
{
    if (--m_shipment.m_destination.scopes == 0) {
        m_shipment.m_destination.value.reset();
        m_shipment.m_hot.reading = false;
    }
}

bool QVShipment::isDomestic() const
{
    return m_destination.value ? m_destination.value->domestic : toAddress().isDomestic();
}

std::optional<QString> QVShipment::mailedFromZIP5() const
{
    if (isReplyPostage())
        return fromAddress().ZIP5();
    const QVariant stored = objectForKey(QVUSPSShipmentMailedFromZIP5Key);
    if (!stored.isValid())
        return std::nullopt;
    return stored.toString();
}

QString QVShipment::mailedToZIP5() const
{
    return m_destination.value ? m_destination.value->ZIP5 : toAddress().ZIP5();
}

QString QVShipment::mailedToState() const
{
    return m_destination.value ? m_destination.value->state : toAddress().state().toUpper();
}

Decimal QVShipment::totalPrice() const
{
    const QVariant stored = objectForKey(QVShipmentPriceKey);
    if (isDecimalVariant(stored))
        return stored.value<Decimal>();
    if (stored.typeId() == QMetaType::QString)
        return Decimal::parse(stored.toString()).value_or(Decimal::zero());
    return Decimal::zero();
}

void QVShipment::setTotalPrice(const Decimal &price)
{
    // A re-price mostly stores the total it found last time: the same
    // decimal kept in the slot is left as it is without making a value of it.
    const int slot = hotSlot(QVShipmentPriceKey);
    if (slot >= 0 && m_hot.present[size_t(slot)] && isDecimalVariant(m_hot.values[size_t(slot)]) &&
        isSameDecimal(*static_cast<const Decimal *>(m_hot.values[size_t(slot)].constData()), price))
        return;
    setObjectQuietly(QVariant::fromValue(price), QVShipmentPriceKey);
}

QDateTime QVShipment::shipCalendarDate() const
{
    const QVariant stored = objectForKey(QVShipmentShipDateKey);
    if (stored.typeId() == QMetaType::QDateTime && stored.toDateTime().isValid())
        return stored.toDateTime().toLocalTime();
    if (stored.typeId() == QMetaType::QDate && stored.toDate().isValid())
        return QDateTime(stored.toDate(), QTime(0, 0));
    return QDateTime::currentDateTime();
}

QVariantMap QVShipment::dimensionDictionary() const
{
    // While a scope reads the kept values, every change goes through the
    // record's stores, which mark the memo: it is taken without looking.
    if (m_dimensionMemo.value && m_dimensionMemo.current && m_hot.reading && m_hot.loaded)
        return *m_dimensionMemo.value;
    const std::array<QVariant, 4> from = {
        objectForKey(QVShipmentLengthMeasurementKey, 0),
        objectForKey(QVShipmentWidthMeasurementKey, 0),
        objectForKey(QVShipmentHeightMeasurementKey, 0),
        objectForKey(QVShipmentRectangularKey, true),
    };
    // The same values, of the same types, give the same dictionary.
    const auto same = [&] {
        for (size_t i = 0; i < from.size(); ++i) {
            if (from[i].metaType() != m_dimensionMemo.from[i].metaType() || from[i] != m_dimensionMemo.from[i])
                return false;
        }
        return true;
    };
    m_dimensionMemo.current = true;
    if (m_dimensionMemo.value && same())
        return *m_dimensionMemo.value;
    m_dimensionMemo.from = from;
    m_dimensionMemo.value = QVariantMap{
        {QVShipmentLengthMeasurementKey, from[0]},
        {QVShipmentWidthMeasurementKey, from[1]},
        {QVShipmentHeightMeasurementKey, from[2]},
        {QVShipmentRectangularKey, from[3]},
    };
    return *m_dimensionMemo.value;
}

bool QVShipment::shippable() const
{
    if (totalPrice().isZero())
        return false;
    if (!isDomestic())
        return true;
    const QVAddress recipient = toAddress();
    return !recipient.city().isEmpty() && !recipient.twoLetterState().isEmpty() && !recipient.ZIP5().isEmpty();
}

QString QVShipment::stringForProposedFilename(const QDateTime &now) const
{
    QString name = QVAddress::addressWithDictionary(objectForKey(QVShipmentToAddressKey).toMap()).name();
    // The text names a file: a path separator or NUL in a recipient's name
    // must not turn it into a path.
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    name.replace(QChar(0), QLatin1Char('-'));
    static const QLocale posix = QLocale::c();
    return QStringLiteral("%1 %2").arg(name, posix.toString(now, QStringLiteral("yyyy-MM-dd h.mm.ss AP")));
}

// --------------------------------------------------------------------- pricing

void QVShipment::setForcedRetailRates(bool forced)
{
    if (forced == m_forceRetailRates)
        return;
    m_forceRetailRates = forced;
    _updatePricing();
}

void QVShipment::_updatePricing()
{
    if (const auto pricer = registeredPricer())
        pricer->updatePricing(*this);
}

void QVShipment::setPricer(std::shared_ptr<QVShipmentPricer> pricer) { registeredPricer() = std::move(pricer); }

std::shared_ptr<QVShipmentPricer> QVShipment::pricer() { return registeredPricer(); }

void QVShipment::postDidChange()
{
    // The record travels as a shared pointer when it is held by one (keeping
    // it alive for the delivery), else as a plain pointer; observers read it
    // with notification.object.get<QVShipment>() either way.
    if (const std::shared_ptr<QVShipment> self = weak_from_this().lock())
        NotificationCenter::defaultCenter().post(QVShipmentDidChangeNotification, self);
    else
        NotificationCenter::defaultCenter().post(QVShipmentDidChangeNotification, this);
}

size_t qHash(const QVShipment &shipment, size_t seed) noexcept
{
    return qHashStoredDictionary(shipment.dictionary(), seed);
}
