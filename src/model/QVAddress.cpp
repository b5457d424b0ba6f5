#include "model/QVAddress.h"

#include <algorithm>

#include "model/DataAdditions.h"
#include "model/FieldFormatters.h"
#include "model/QVCountry.h"
#include "model/ServiceHooks.h"
#include "platform/VariantKinds.h"

#include <QDebug>

namespace {

bool isAsciiDigits(const QString &text)
{
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

const OFZipCodeFormatter &sharedZipCodeFormatter()
{
    static const OFZipCodeFormatter formatter;
    return formatter;
}

int sign(int comparison) { return comparison < 0 ? -1 : (comparison > 0 ? 1 : 0); }

QString joinedNonEmpty(const QStringList &lines, const QString &separator)
{
    QStringList kept;
    for (const QString &line : lines) {
        if (!line.isEmpty())
            kept << line;
    }
    const QString joined = kept.join(separator);
    return joined.isNull() ? QString(QLatin1String("")) : joined;
}

} // namespace

namespace {

bool isNumber(const QVariant &value)
{
    return value.typeId() == QMetaType::Bool || isIntegerVariant(value) || isRealVariant(value);
}

bool isList(const QVariant &value)
{
    return value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList;
}

} // namespace

bool isEqualStoredValue(const QVariant &a, const QVariant &b)
{
    if (!a.isValid() || !b.isValid())
        return a.isValid() == b.isValid();
    if (isNumber(a) || isNumber(b))
        return isNumber(a) && isNumber(b) && a == b;
    if (isList(a) || isList(b)) {
        if (!isList(a) || !isList(b))
            return false;
        const QVariantList left = a.toList(), right = b.toList();
        if (left.size() != right.size())
            return false;
        for (qsizetype i = 0; i < left.size(); ++i) {
            if (!isEqualStoredValue(left.at(i), right.at(i)))
                return false;
        }
        return true;
    }
    if (a.typeId() == QMetaType::QVariantMap || b.typeId() == QMetaType::QVariantMap) {
        return a.typeId() == b.typeId() && isEqualStoredDictionary(a.toMap(), b.toMap());
    }
    return a.metaType() == b.metaType() && a == b;
}

bool isEqualStoredDictionary(const QVariantMap &a, const QVariantMap &b)
{
    if (a.size() != b.size())
        return false;
    for (auto left = a.cbegin(), right = b.cbegin(); left != a.cend(); ++left, ++right) {
        if (left.key() != right.key() || !isEqualStoredValue(left.value(), right.value()))
            return false;
    }
    return true;
}

size_t qHashStoredDictionary(const QVariantMap &dictionary, size_t seed) noexcept
{
    size_t hash = seed;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        hash = qHashMulti(hash, it.key());
        if (it->typeId() == QMetaType::QString)
            hash = qHashMulti(hash, it->toString());
    }
    return hash;
}

QVAddress::QVAddress() = default;

QVAddress::QVAddress(const QVariantMap &dictionary) { setValuesForKeysWithDictionary(dictionary); }

// ---------------------------------------------------------------- raw access

QVariant QVAddress::objectForKey(const QString &key) const
{
    return ::objectForKey(m_address, key, QString(QLatin1String("")));
}

void QVAddress::setObject(const QVariant &value, const QString &key)
{
    if (!value.isValid()) {
        qWarning() << "QVAddress: tried to set no value for" << key;
        return;
    }
    m_address.insert(key, value);
}

void QVAddress::setValuesForKeysWithDictionary(const QVariantMap &dictionary)
{
    m_address = dictionaryByAddingObjectsFromDictionary(m_address, dictionary);
}

QString QVAddress::description() const
{
    QString text;
    QDebug(&text) << m_address;
    return text;
}

QString QVAddress::text(const QString &key) const { return objectForKey(key).toString(); }

void QVAddress::setText(const QString &key, const QString &value)
{
    if (value.isNull())
        return;
    m_address.insert(key, value);
}

// -------------------------------------------------------------- plain fields

QString QVAddress::firstName() const { return text(QVAddressFirstNameKey); }
QString QVAddress::lastName() const { return text(QVAddressLastNameKey); }
QString QVAddress::company() const { return text(QVAddressCompanyKey); }
QString QVAddress::suiteApt() const { return text(QVAddressSuiteAptKey); }
QString QVAddress::street() const { return text(QVAddressStreetKey); }
QString QVAddress::city() const { return text(QVAddressCityKey); }
QString QVAddress::state() const { return text(QVAddressStateKey); }
QString QVAddress::ZIP5() const { return text(QVAddressZIP5Key); }
QString QVAddress::ZIP4() const { return text(QVAddressZIP4Key); }
QString QVAddress::ZIP2() const { return text(QVAddressZIP2Key); }
QString QVAddress::country() const { return text(QVAddressCountryKey); }
QString QVAddress::phone() const { return text(QVAddressPhoneKey); }
QString QVAddress::email() const { return text(QVAddressEmailKey); }
QString QVAddress::abLabel() const { return text(QVAddressABLabelKey); }
QString QVAddress::abUniqueId() const { return text(QVAddressABUIDKey); }
QString QVAddress::residentialIndicator() const { return text(QVAddressRDIKey); }
QString QVAddress::USPSCarrierRoute() const { return text(QVUSPSAddressCarrierRouteKey); }

std::optional<QString> QVAddress::associatedReferenceID() const
{
    const auto it = m_address.constFind(QVAddressAssociatedInvoiceNumberKey);
    if (it == m_address.cend())
        return std::nullopt;
    return it->toString();
}

std::optional<QString> QVAddress::associatedDescription() const
{
    const auto it = m_address.constFind(QVAddressAssociatedDescriptionKey);
    if (it == m_address.cend())
        return std::nullopt;
    return it->toString();
}

std::optional<QStringList> QVAddress::internationalAddressLines() const
{
    const auto it = m_address.constFind(QVAddressInternationalAddressLinesKey);
    if (it == m_address.cend())
        return std::nullopt;
    if (it->typeId() != QMetaType::QVariantList && it->typeId() != QMetaType::QStringList)
        return std::nullopt;
    return it->toStringList();
}

void QVAddress::setName(const QString &name) { setText(QVAddressNameKey, name); }
void QVAddress::setFirstName(const QString &firstName) { setText(QVAddressFirstNameKey, firstName); }
void QVAddress::setLastName(const QString &lastName) { setText(QVAddressLastNameKey, lastName); }
void QVAddress::setCompany(const QString &company) { setText(QVAddressCompanyKey, company); }
void QVAddress::setSuiteApt(const QString &suiteApt) { setText(QVAddressSuiteAptKey, suiteApt); }
void QVAddress::setStreet(const QString &street) { setText(QVAddressStreetKey, street); }
void QVAddress::setCity(const QString &city) { setText(QVAddressCityKey, city); }
void QVAddress::setState(const QString &state) { setText(QVAddressStateKey, state); }
void QVAddress::setCountry(const QString &country) { setText(QVAddressCountryKey, country); }
void QVAddress::setPhone(const QString &phone) { setText(QVAddressPhoneKey, phone); }
void QVAddress::setEmail(const QString &email) { setText(QVAddressEmailKey, email); }
void QVAddress::setABLabel(const QString &label) { setText(QVAddressABLabelKey, label); }
void QVAddress::setABUniqueId(const QString &uniqueId) { setText(QVAddressABUIDKey, uniqueId); }
void QVAddress::setResidentialIndicator(const QString &indicator) { setText(QVAddressRDIKey, indicator); }
void QVAddress::setUSPSCarrierRoute(const QString &route) { setText(QVUSPSAddressCarrierRouteKey, route); }
void QVAddress::setAssociatedDescription(const QString &description)
{
    setText(QVAddressAssociatedDescriptionKey, description);
}
void QVAddress::setAssociatedReferenceID(const QString &referenceID)
{
    setText(QVAddressAssociatedInvoiceNumberKey, referenceID);
}

void QVAddress::setInternationalAddressLines(const QStringList &lines)
{
    QVariantList stored;
    for (const QString &line : lines)
        stored << line;
    m_address.insert(QVAddressInternationalAddressLinesKey, stored);
}

bool QVAddress::setInternationalAddressLines(const QVariantList &lines)
{
    for (const QVariant &line : lines) {
        if (line.typeId() != QMetaType::QString) {
            qWarning() << "tried to put non-strings in an intl address";
            return false;
        }
    }
    m_address.insert(QVAddressInternationalAddressLinesKey, lines);
    return true;
}

// ------------------------------------------------------------------ ZIP parts

void QVAddress::setZIP(const QString &zip)
{
    if (zip.isNull())
        return;
    if (zip.contains(QLatin1Char('-'))) {
        const QStringList pieces = zip.split(QLatin1Char('-'));
        m_address.insert(QVAddressZIP5Key, pieces.at(0));
        m_address.insert(QVAddressZIP4Key, pieces.at(1));
    } else {
        m_address.insert(QVAddressZIP5Key, zip);
    }
}

void QVAddress::setZIP5(const QString &zip5)
{
    if (zip5.size() == 5 && isAsciiDigits(zip5))
        m_address.insert(QVAddressZIP5Key, zip5);
}

void QVAddress::setZIP4(const QString &zip4)
{
    if (zip4.size() == 4 && isAsciiDigits(zip4))
        m_address.insert(QVAddressZIP4Key, zip4);
}

void QVAddress::setZIP2(const QString &zip2)
{
    if ((zip2.size() == 2 || zip2.size() == 3) && isAsciiDigits(zip2))
        m_address.insert(QVAddressZIP2Key, zip2);
}

// ------------------------------------------------------------- derived values

QString QVAddress::name() const
{
    const QString stored = text(QVAddressNameKey);
    if (!stored.isEmpty())
        return stored;
    return joinedNonEmpty({firstName(), lastName()}, QStringLiteral(" "));
}

QString QVAddress::twoLetterState() const
{
    QString letters;
    for (const QChar c : state()) {
        if (c.isLetter())
            letters += c;
    }
    return letters.size() < 2 ? QString(QLatin1String("")) : letters.left(2);
}

std::optional<QString> QVAddress::ZIP11() const
{
    const QString zip5 = ZIP5(), zip4 = ZIP4(), zip2 = ZIP2();
    if (zip5.size() != 5 || zip4.size() != 4 || (zip2.size() != 2 && zip2.size() != 3))
        return std::nullopt;
    return zip5 + zip4 + zip2.left(2);
}

QString QVAddress::lossyZIP11() const
{
    QString result(QLatin1String(""));
    if (!isDomestic())
        return result;
    const QString zip5 = ZIP5(), zip4 = ZIP4(), zip2 = ZIP2();
    if (zip5.size() == 5)
        result += zip5;
    if (zip4.size() == 4)
        result += zip4;
    if (zip2.size() == 2 || zip2.size() == 3)
        result += zip2.left(2);
    return result;
}

QString QVAddress::intelligentMailRoutingCode() const
{
    if (!isDomestic())
        return QString(QLatin1String(""));
    auto digits = [](const QString &text) {
        return !text.isEmpty() &&
            std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit() && c.unicode() < 128; });
    };
    const QString zip5 = ZIP5(), zip4 = ZIP4(), zip2 = ZIP2();
    if (zip5.size() != 5 || !digits(zip5))
        return QString(QLatin1String(""));
    if (zip4.size() != 4 || !digits(zip4))
        return zip5;
    if ((zip2.size() != 2 && zip2.size() != 3) || !digits(zip2.left(2)))
        return zip5 + zip4;
    return zip5 + zip4 + zip2.left(2);
}

QString QVAddress::formattedZIP() const
{
    const QString zip5 = ZIP5();
    if (zip5.size() <= 4)
        return zip5;
    QVariant value;
    sharedZipCodeFormatter().getObjectValue(&value, QStringLiteral("%1-%2").arg(zip5, ZIP4()), nullptr);
    return value.toString();
}

QString QVAddress::phoneWithNoPunctuation() const
{
    QString digits;
    for (const QChar c : phone()) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits += c;
    }
    if (digits.startsWith(QLatin1Char('1')))
        digits.remove(0, 1);
    return digits.isNull() ? QString(QLatin1String("")) : digits;
}

QString QVAddress::tenDigitPhoneNumber() const
{
    const QString digits = phoneWithNoPunctuation();
    if (digits.size() < 10)
        return digits.leftJustified(10, QLatin1Char('0'));
    return digits.left(10);
}

QString QVAddress::fancyPhoneNumber() const
{
    const QString digits = phoneWithNoPunctuation();
    if (digits.size() != 10)
        return QString(QLatin1String(""));
    return QStringLiteral("(%1) %2-%3").arg(digits.mid(0, 3), digits.mid(3, 3), digits.mid(6, 4));
}

bool QVAddress::isDomestic() const
{
    // Every name of the United States that a country text may carry ("USA",
    // "U.S.", "United States of America", ...); the text itself is kept as
    // written.
    const QString c = country();
    // The name the program itself stores is answered without the letter-by-
    // letter reading of the other names.
    return c.isEmpty() || c == QLatin1String("United States") || QVCountry::isCountryStringUSA(c);
}

// -------------------------------------------------------------- printed forms

QString QVAddress::formattedAddressWithoutName() const
{
    if (m_address.isEmpty())
        return QString(QLatin1String(""));
    QStringList lines;
    if (isDomestic()) {
        lines << company() << suiteApt() << street() << QStringLiteral("%1 %2 %3").arg(city(), state(), formattedZIP());
    } else {
        lines << internationalAddressLines().value_or(QStringList()) << country();
    }
    return joinedNonEmpty(lines, QStringLiteral("\n"));
}

QString QVAddress::formattedAddress() const
{
    const QString n = name();
    if (n.isEmpty())
        return formattedAddressWithoutName();
    return n + QLatin1Char('\n') + formattedAddressWithoutName();
}

QString QVAddress::formattedAddressOnOneLine() const
{
    return formattedAddress().split(QLatin1Char('\n')).join(QStringLiteral(", "));
}

QString QVAddress::formattedAddressOnOneLineWithoutName() const
{
    return formattedAddressWithoutName().split(QLatin1Char('\n')).join(QStringLiteral(", "));
}

// ---------------------------------------------------------------- comparisons

int QVAddress::nameCompare(const QVAddress &other) const
{
    return sign(name().compare(other.name(), Qt::CaseInsensitive));
}

int QVAddress::lastNameCompare(const QVAddress &other) const
{
    const QString mine = QStringLiteral("%1 %2").arg(lastName(), firstName());
    const QString theirs = QStringLiteral("%1 %2").arg(other.lastName(), other.firstName());
    return sign(mine.compare(theirs, Qt::CaseInsensitive));
}

int QVAddress::firstNameCompare(const QVAddress &other) const
{
    return sign(firstName().compare(other.firstName(), Qt::CaseInsensitive));
}

QString capitalizedWords(const QString &text)
{
    QString result = text.toLower();
    bool wordStart = true;
    for (QChar &c : result) {
        if (c.isSpace()) {
            wordStart = true;
        } else if (wordStart) {
            c = c.toUpper();
            wordStart = false;
        }
    }
    return result.isNull() ? QString(QLatin1String("")) : result;
}

void QVAddress::titlecase()
{
    setName(capitalizedWords(name()));
    setCompany(capitalizedWords(company()));
    setSuiteApt(capitalizedWords(suiteApt()));
    setStreet(capitalizedWords(street()));
    setCity(capitalizedWords(city()));
}

// --------------------------------------------------------------- USPS services

QString QVAddress::USPSzoneToZIP(const QString &zip) const { return uspsZoneFromOriginZIP(ZIP5(), zip); }

QString QVAddress::USPSzoneFromZIP(const QString &zip) const { return uspsZoneFromOriginZIP(zip, ZIP5()); }

bool QVAddress::USPSstandardize()
{
    const auto services = uspsAddressServices();
    if (!services)
        return false;
    const std::optional<QVAddress> standardized = services->addressByStandardizingAddress(*this);
    if (!standardized)
        return false;
    setValuesForKeysWithDictionary(standardized->plist());
    return true;
}

size_t qHash(const QVAddress &address, size_t seed) noexcept { return qHashStoredDictionary(address.plist(), seed); }
