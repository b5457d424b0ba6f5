#include "platform/UserDefaults.h"

#include "platform/Bundle.h"
#include "platform/Decimal.h"
#include "platform/NotificationCenter.h"
#include "platform/VariantKinds.h"

#include <QBuffer>
#include <QDataStream>
#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

#include <atomic>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr QDataStream::Version kStreamVersion = QDataStream::Qt_6_0;

const QString kBool = QStringLiteral("bool");
const QString kInt = QStringLiteral("int");
const QString kReal = QStringLiteral("real");
const QString kString = QStringLiteral("string");
const QString kData = QStringLiteral("data");
const QString kDate = QStringLiteral("date");
const QString kDecimal = QStringLiteral("decimal");
const QString kVariant = QStringLiteral("variant");

QString tagged(const QString &tag, const QString &payload) { return tag + QLatin1Char(':') + payload; }

// The leading integer of a text, as NSString's integerValue reads it: white
// space, an optional sign, digits; 0 when there are none.
qint64 leadingInteger(const QString &text)
{
    const QByteArray latin = text.trimmed().toLatin1();
    const char *begin = latin.constData();
    const char *end = begin + latin.size();
    if (begin != end && *begin == '+')
        ++begin;
    qint64 value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec == std::errc::result_out_of_range)
        return (begin != end && *begin == '-') ? std::numeric_limits<qint64>::min()
                                               : std::numeric_limits<qint64>::max();
    return result.ec == std::errc() ? value : 0;
}

double leadingDouble(const QString &text)
{
    const QByteArray latin = text.trimmed().toLatin1();
    const char *begin = latin.constData();
    const char *end = begin + latin.size();
    if (begin != end && *begin == '+')
        ++begin;
    double value = 0;
    const auto result = std::from_chars(begin, end, value);
    return result.ec == std::errc() ? value : 0.0;
}

} // namespace

QString encodeUserDefaultValue(const QVariant &value)
{
    if (!value.isValid())
        return QString();
    if (isDecimalVariant(value))
        return tagged(kDecimal, value.value<Decimal>().toString());
    if (value.metaType().id() == QMetaType::Bool)
        return tagged(kBool, value.toBool() ? QStringLiteral("true") : QStringLiteral("false"));
    if (isIntegerVariant(value)) {
        bool ok = false;
        const qint64 n = value.toLongLong(&ok);
        if (!ok ||
            (value.metaType().id() == QMetaType::ULongLong &&
             value.toULongLong() > quint64(std::numeric_limits<qint64>::max())))
            return QString();
        return tagged(kInt, QString::number(n));
    }
    if (isRealVariant(value))
        return tagged(kReal, QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest));
    if (value.metaType().id() == QMetaType::QString)
        return tagged(kString, value.toString());
    if (value.metaType().id() == QMetaType::QByteArray)
        return tagged(kData, QString::fromLatin1(value.toByteArray().toBase64()));
    if (value.metaType().id() == QMetaType::QDateTime) {
        const QDateTime when = value.toDateTime();
        if (!when.isValid())
            return QString();
        return tagged(kDate, when.toUTC().toString(Qt::ISODateWithMs));
    }
    // Lists, dictionaries and anything else Qt can stream keep their exact
    // types through QDataStream.
    if (!value.metaType().hasRegisteredDataStreamOperators() && value.metaType().id() >= QMetaType::User)
        return QString();
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out << value;
    if (out.status() != QDataStream::Ok)
        return QString();
    return tagged(kVariant, QString::fromLatin1(bytes.toBase64()));
}

QVariant decodeUserDefaultValue(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return QVariant(text);
    const QString tag = text.left(colon);
    const QString payload = text.mid(colon + 1);
    if (tag == kString)
        return QVariant(payload);
    if (tag == kBool) {
        if (payload == QLatin1String("true"))
            return QVariant(true);
        if (payload == QLatin1String("false"))
            return QVariant(false);
    } else if (tag == kInt) {
        bool ok = false;
        const qint64 n = payload.toLongLong(&ok);
        if (ok)
            return QVariant(n);
    } else if (tag == kReal) {
        bool ok = false;
        const double d = payload.toDouble(&ok);
        if (ok)
            return QVariant(d);
    } else if (tag == kData) {
        const auto decoded =
            QByteArray::fromBase64Encoding(payload.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (decoded)
            return QVariant(decoded.decoded);
    } else if (tag == kDate) {
        const QDateTime when = QDateTime::fromString(payload, Qt::ISODateWithMs);
        if (when.isValid())
            return QVariant(when.toLocalTime());
    } else if (tag == kDecimal) {
        return QVariant::fromValue(Decimal::fromString(payload));
    } else if (tag == kVariant) {
        QMetaType::fromType<Decimal>().id(); // known by name before streaming in
        const auto decoded =
            QByteArray::fromBase64Encoding(payload.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (decoded) {
            QDataStream in(decoded.decoded);
            in.setVersion(kStreamVersion);
            QVariant value;
            in >> value;
            if (in.status() == QDataStream::Ok && value.isValid())
                return value;
        }
    }
    // Not one of ours (or damaged): the text as it stands.
    return QVariant(text);
}

UserDefaults &UserDefaults::standardUserDefaults()
{
    static UserDefaults defaults(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                                             QStringLiteral("Tolvane"), QStringLiteral("Tolvane")));
    return defaults;
}

void UserDefaults::resetStandardUserDefaults()
{
    UserDefaults &defaults = standardUserDefaults();
    std::lock_guard lock(defaults.m_mutex);
    defaults.m_settings->clear();
    defaults.m_settings->sync();
    defaults.m_registered.clear();
    defaults.forgetAnswers();
}

UserDefaults::UserDefaults(const QString &filePath)
    : UserDefaults(std::make_unique<QSettings>(filePath, QSettings::IniFormat))
{}

UserDefaults::UserDefaults(std::unique_ptr<QSettings> settings) : m_settings(std::move(settings)) {}

UserDefaults::~UserDefaults()
{
    std::lock_guard lock(m_mutex);
    m_settings->sync();
}

QString UserDefaults::filePath() const
{
    std::lock_guard lock(m_mutex);
    return m_settings->fileName();
}

void UserDefaults::registerDefaults(const QVariantMap &defaults)
{
    {
        std::lock_guard lock(m_mutex);
        for (auto it = defaults.begin(); it != defaults.end(); ++it)
            m_registered.insert(it.key(), it.value());
        forgetAnswers();
    }
    postChange();
}

bool UserDefaults::registerBundleDefaults(QString *error)
{
    const std::optional<QVariant> list = Bundle::propertyListForResource(QStringLiteral("QVDefaults"), error);
    if (!list)
        return false;
    if (list->metaType().id() != QMetaType::QVariantMap) {
        if (error)
            *error = QStringLiteral("The resource “QVDefaults.plist” is not a dictionary.");
        return false;
    }
    registerDefaults(list->toMap());
    return true;
}

QVariantMap UserDefaults::registeredDefaults() const
{
    std::lock_guard lock(m_mutex);
    return m_registered;
}

QVariant UserDefaults::objectForKey(const QString &key) const
{
    std::lock_guard lock(m_mutex);
    const auto known = m_answers.constFind(key);
    if (known != m_answers.cend())
        return *known;
    QVariant answer;
    if (!key.isEmpty() && m_settings->contains(key)) {
        const QVariant stored = m_settings->value(key);
        answer = stored.metaType().id() == QMetaType::QString ? decodeUserDefaultValue(stored.toString()) : stored;
    } else {
        answer = m_registered.value(key);
    }
    m_answers.insert(key, answer);
    return answer;
}

bool UserDefaults::boolForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::Bool)
        return v.toBool();
    if (isIntegerVariant(v))
        return v.toLongLong() != 0;
    if (isRealVariant(v))
        return v.toDouble() != 0.0;
    if (isDecimalVariant(v))
        return !v.value<Decimal>().isZero() && !v.value<Decimal>().isNaN();
    if (v.metaType().id() == QMetaType::QString) {
        QString text = v.toString().trimmed();
        if (text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-')))
            text.remove(0, 1);
        while (text.startsWith(QLatin1Char('0')))
            text.remove(0, 1);
        if (text.isEmpty())
            return false;
        const QChar c = text.at(0);
        return c == QLatin1Char('Y') || c == QLatin1Char('y') || c == QLatin1Char('T') || c == QLatin1Char('t') ||
            (c >= QLatin1Char('1') && c <= QLatin1Char('9'));
    }
    return false;
}

qint64 UserDefaults::integerForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::Bool)
        return v.toBool() ? 1 : 0;
    if (isIntegerVariant(v))
        return v.toLongLong();
    if (isRealVariant(v)) {
        const double d = v.toDouble();
        if (!std::isfinite(d))
            return 0;
        if (d >= 9.2233720368547758e18)
            return std::numeric_limits<qint64>::max();
        if (d <= -9.2233720368547758e18)
            return std::numeric_limits<qint64>::min();
        return static_cast<qint64>(d);
    }
    if (isDecimalVariant(v))
        return v.value<Decimal>().toInt64().value_or(0);
    if (v.metaType().id() == QMetaType::QString)
        return leadingInteger(v.toString());
    return 0;
}

double UserDefaults::doubleForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::Bool)
        return v.toBool() ? 1.0 : 0.0;
    if (isIntegerVariant(v) || isRealVariant(v))
        return v.toDouble();
    if (isDecimalVariant(v)) {
        const double d = v.value<Decimal>().toDouble();
        return std::isnan(d) ? 0.0 : d;
    }
    if (v.metaType().id() == QMetaType::QString)
        return leadingDouble(v.toString());
    return 0.0;
}

QString UserDefaults::stringForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::QString)
        return v.toString();
    if (v.metaType().id() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    if (isIntegerVariant(v))
        return QString::number(v.toLongLong());
    if (isRealVariant(v))
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    if (isDecimalVariant(v))
        return v.value<Decimal>().toString();
    return QString();
}

QVariantList UserDefaults::arrayForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::QVariantList || v.metaType().id() == QMetaType::QStringList)
        return v.toList();
    return QVariantList();
}

QVariantMap UserDefaults::dictionaryForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::QVariantMap)
        return v.toMap();
    if (v.metaType().id() == QMetaType::QVariantHash) {
        QVariantMap map;
        const QVariantHash hash = v.toHash();
        for (auto it = hash.begin(); it != hash.end(); ++it)
            map.insert(it.key(), it.value());
        return map;
    }
    return QVariantMap();
}

QByteArray UserDefaults::dataForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::QByteArray)
        return v.toByteArray();
    return QByteArray();
}

QStringList UserDefaults::stringArrayForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.metaType().id() == QMetaType::QStringList)
        return v.toStringList();
    if (v.metaType().id() != QMetaType::QVariantList)
        return QStringList();
    QStringList strings;
    for (const QVariant &item : v.toList()) {
        if (item.metaType().id() != QMetaType::QString)
            return QStringList();
        strings << item.toString();
    }
    return strings;
}

void UserDefaults::setObject(const QVariant &value, const QString &key)
{
    if (key.isEmpty()) {
        qWarning("A user default without a key was not stored.");
        return;
    }
    if (!value.isValid()) {
        removeObjectForKey(key);
        return;
    }
    const QString encoded = encodeUserDefaultValue(value);
    if (encoded.isEmpty()) {
        qWarning("The user default %s was not stored: a value of type %s cannot be kept.", qPrintable(key),
                 value.metaType().name());
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_settings->setValue(key, encoded);
        m_settings->sync();
        forgetAnswers();
    }
    postChange();
}

void UserDefaults::removeObjectForKey(const QString &key)
{
    if (key.isEmpty())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_settings->remove(key);
        m_settings->sync();
        forgetAnswers();
    }
    postChange();
}

QVariantMap UserDefaults::dictionaryRepresentation() const
{
    QVariantMap all = registeredDefaults();
    for (const QString &key : storedKeys())
        all.insert(key, objectForKey(key));
    return all;
}

QStringList UserDefaults::storedKeys() const
{
    std::lock_guard lock(m_mutex);
    return m_settings->allKeys();
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    m_settings->sync();
    forgetAnswers();
    return m_settings->status() == QSettings::NoError;
}

namespace {
std::atomic<quint64> g_defaultsChanges{1};
} // namespace

quint64 UserDefaults::changeCount() { return g_defaultsChanges.load(std::memory_order_acquire); }

void UserDefaults::forgetAnswers() const
{
    m_answers.clear();
    g_defaultsChanges.fetch_add(1, std::memory_order_acq_rel);
}

void UserDefaults::postChange() { NotificationCenter::defaultCenter().post(NSUserDefaultsDidChangeNotification, this); }
