#include "model/QVShipment.h"

#include "model/DataAdditions.h"
#include "model/StringAdditions.h"
#include "platform/NotificationCenter.h"
#include "platform/VariantKinds.h"

#include <QDebug>
#include <QLocale>

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

QVariant QVShipment::objectForKey(const QString &key) const { return m_shipment.value(key); }

QVariant QVShipment::objectForKey(const QString &key, const QVariant &defaultObject) const
{
    return ::objectForKey(m_shipment, key, defaultObject);
}

void QVShipment::setObject(const QVariant &value, const QString &key, bool updatePricing)
{
    if (!value.isValid()) {
        qWarning().noquote() << QStringLiteral("tried to set nil object for %1").arg(key);
        return;
    }
    const auto it = m_shipment.constFind(key);
    if (it != m_shipment.cend() && isEqualStoredValue(*it, value))
        return;
    m_shipment.insert(key, value);
    dropDestinationFor(key);
    if (updatePricing)
        _updatePricing();
    postDidChange();
}

void QVShipment::removeObjectForKey(const QString &key, bool updatePricing)
{
    if (!m_shipment.contains(key))
        return;
    m_shipment.remove(key);
    dropDestinationFor(key);
    if (updatePricing)
        _updatePricing();
    postDidChange();
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
    Destination d;
    d.address = toAddress();
    d.domestic = d.address.isDomestic();
    d.ZIP5 = d.address.ZIP5();
    d.state = d.address.state().toUpper();
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
    if (m_shipment.m_destination.scopes++ == 0)
        m_shipment.m_destination.value = m_shipment.destination();
}

QVShipment::DestinationScope::~DestinationScope()
{
    if (--m_shipment.m_destination.scopes == 0)
        m_shipment.m_destination.value.reset();
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
    m_shipment.insert(QVShipmentPriceKey, QVariant::fromValue(price));
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
    return {
        {QVShipmentLengthMeasurementKey, objectForKey(QVShipmentLengthMeasurementKey, 0)},
        {QVShipmentWidthMeasurementKey, objectForKey(QVShipmentWidthMeasurementKey, 0)},
        {QVShipmentHeightMeasurementKey, objectForKey(QVShipmentHeightMeasurementKey, 0)},
        {QVShipmentRectangularKey, objectForKey(QVShipmentRectangularKey, true)},
    };
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
