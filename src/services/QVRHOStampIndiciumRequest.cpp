#include "services/QVRHOStampIndiciumRequest.h"

#include "mailcategory/MailCategory.h"
#include "model/NumericFormatters.h"
#include "model/XMLDocument.h"
#include "platform/UserDefaults.h"
#include "rateengine/RateCountries.h"
#include "rateengine/ServiceClass.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"

#include <QHash>
#include <QtDebug>

QVRHOStampIndiciumRequest::QVRHOStampIndiciumRequest(const Decimal &postage, const QString &rate, quint32 weight,
                                                     const QString &size, bool international, qint32 zone,
                                                     bool customAmount)
    : m_postage(threeDigitDollarFormatter().stringFromNumber(postage)), m_mailClass(rate), m_weightInOunces(weight),
      m_size(size), m_international(international), m_zone(zone), m_customAmount(customAmount), m_postageNumber(postage)
{
    if (!international && QVUSPSRateClass::weightUnitForRateClassName(rate) == QLatin1String("lb"))
        m_weightInOunces = weight * 16;
}

std::shared_ptr<QVRHOStampIndiciumRequest> QVRHOStampIndiciumRequest::stampRequestWithRate(const QString &rate,
                                                                                           quint32 weight,
                                                                                           const QString &size,
                                                                                           bool machinable)
{
    return stampRequestWithRate(rate, weight, size, machinable, QVUSPSRateClass::currentRates());
}

std::shared_ptr<QVRHOStampIndiciumRequest>
QVRHOStampIndiciumRequest::stampRequestWithRate(const QString &rate, quint32 weight, const QString &size,
                                                bool machinable, const QVUSPSRateYear &ratefoldClass)
{
    const QVUSPSRateClass *rateClass = ratefoldClass.rateClassWithName(rate);
    const Decimal price = rateClass
        ? rateClass->rateForWeight(static_cast<int>(weight), QStringLiteral("1"), size, machinable)
        : Decimal::zero();
    return stampRequestWithPostageAmount(price, rate, weight, size);
}

std::shared_ptr<QVRHOStampIndiciumRequest>
QVRHOStampIndiciumRequest::stampRequestWithIntlRateClass(const QVUSPSIntlRateClass &rateClass, quint32 ounces,
                                                         const QString &size)
{
    QString error;
    const Decimal price = rateClass.rateForWeightInOunces(
        static_cast<int>(ounces), size, false, false, QVUSPSRateClass::currentRates().effectiveDate(), nullptr, &error);
    if (price.isZero() || price.isNaN()) {
        qWarning().noquote() << error;
        return nullptr;
    }
    const int code = QVUSPSIntlRateClass::tolvaneClassTypeForRateClassName(rateClass.name());
    const QByteArray country =
        rateClass.country() ? rateClass.country()->twoLetterCountryCode().toLatin1() : QByteArray();
    const qint32 zone = GetCountryGroup(code, 0, country.constData());
    return std::make_shared<QVRHOStampIndiciumRequest>(price, rateClass.name(), ounces, size, true, zone);
}

std::shared_ptr<QVRHOStampIndiciumRequest>
QVRHOStampIndiciumRequest::stampRequestWithPostageAmount(const Decimal &postage, const QString &rate, quint32 weight,
                                                         const QString &size)
{
    return std::make_shared<QVRHOStampIndiciumRequest>(postage, rate, weight, size, false);
}

QVariantMap QVRHOStampIndiciumRequest::encodeWithCoder() const
{
    QVariantMap archive{
        {QStringLiteral("postageNumber"), m_postageNumber.toString()},
        {QStringLiteral("mailClass"), m_mailClass},
        {QStringLiteral("weightInOunces"), m_weightInOunces},
        {QStringLiteral("size"), m_size},
        {QStringLiteral("international"), m_international},
        {QStringLiteral("zone"), m_zone},
        {QStringLiteral("customAmount"), m_customAmount},
    };
    if (m_referenceID)
        archive.insert(QStringLiteral("referenceID"), *m_referenceID);
    return archive;
}

std::shared_ptr<QVRHOStampIndiciumRequest> QVRHOStampIndiciumRequest::initWithCoder(const QVariantMap &archive)
{
    const auto postage = Decimal::parse(archive.value(QStringLiteral("postageNumber")).toString());
    if (!postage)
        return nullptr;
    std::shared_ptr<QVRHOStampIndiciumRequest> request(new QVRHOStampIndiciumRequest(Restored{}));
    request->m_postageNumber = *postage;
    request->m_postage = threeDigitDollarFormatter().stringFromNumber(*postage);
    request->m_mailClass = archive.value(QStringLiteral("mailClass")).toString();
    request->m_weightInOunces = archive.value(QStringLiteral("weightInOunces")).toUInt();
    request->m_size = archive.value(QStringLiteral("size")).toString();
    request->m_international = archive.value(QStringLiteral("international")).toBool();
    request->m_zone = archive.value(QStringLiteral("zone")).toInt();
    request->m_customAmount = archive.value(QStringLiteral("customAmount")).toBool();
    const QVariant reference = archive.value(QStringLiteral("referenceID"));
    if (reference.isValid() && !reference.isNull())
        request->m_referenceID = reference.toString();
    return request;
}

QString QVRHOStampIndiciumRequest::twoDigitPostageString() const
{
    return twoDigitDollarFormatter().stringFromNumber(m_postageNumber);
}

QString QVRHOStampIndiciumRequest::mailClassMenuString() const
{
    if (m_international)
        return QVUSPSIntlRateClass::casualNameForRateClassName(m_mailClass);
    return QVUSPSRateClass::casualNameForRateClassName(m_mailClass);
}

QString QVRHOStampIndiciumRequest::mailClassDisplayString() const
{
    if (m_international)
        return QStringLiteral("INTL MAIL");
    if (m_size == QVUSPSPostcardSize)
        return QStringLiteral("POSTCARD");
    if (m_mailClass == QVUSPSFirstClassMail)
        return QStringLiteral("FIRST-CLASS");
    if (m_mailClass == QVUSPSBoundPrintedMatter)
        return QStringLiteral("BPM");
    if (m_mailClass == QVUSPSExpressMail)
        return QStringLiteral("PM EXPRESS");
    const QVUSPSRateClass *rateClass = QVUSPSRateClass::currentRates().rateClassWithName(m_mailClass);
    return rateClass ? rateClass->casualName().toUpper() : QString();
}

int QVRHOStampIndiciumRequest::tolvaneClassType() const
{
    if (m_international)
        return QVUSPSIntlRateClass::tolvaneClassTypeForRateClassName(m_mailClass);
    return QVUSPSRateClass::tolvaneClassTypeForRateClassName(m_mailClass);
}

int QVRHOStampIndiciumRequest::tolvaneShapeType() const { return QVUSPSRateClass::tolvaneShapeTypeForSize(m_size); }

int QVRHOStampIndiciumRequest::intelligentMailCode() const
{
    return GetIntelligentMailCode(tolvaneClassType(), tolvaneShapeType(), 0);
}

int QVRHOStampIndiciumRequest::mailCategory() const { return GetMailCategory(serviceClass(), optionalServices()); }

qint32 QVRHOStampIndiciumRequest::serviceClass() const
{
    // Whole ounces, the zone (or price group) and the fixed options 1 and 0.
    return GetServiceClassRE(tolvaneClassType(), tolvaneShapeType(), weightTenthOunce() / 10, m_zone, 1, 0, 0, 0);
}

std::optional<quint32> QVRHOStampIndiciumRequest::amountMils() const { return QVRHOMilsFromDecimalText(m_postage); }

qint32 QVRHOStampIndiciumRequest::weightTenthOunce() const
{
    if (m_weightInOunces == 4 && m_mailClass == QVUSPSFirstClassMail && m_size == QVUSPSLetterSize &&
        m_postage == QLatin1String("0.920"))
        return 35;
    return static_cast<qint32>(m_weightInOunces * 10);
}

QString QVRHOStampIndiciumRequest::mailedFromZIP5String() const
{
    return UserDefaults::standardUserDefaults().stringForKey(QStringLiteral("mailedFromZIP5"));
}

qint32 QVRHOStampIndiciumRequest::mailedFromZIP5() const
{
    return QVRHORequest::accountNumberInteger(mailedFromZIP5String());
}

QString QVRHOStampIndiciumRequest::xmlConfirmReceiptWithAccountNumber(const QString &accountNumber,
                                                                      const QString &pieceID) const
{
    // The dictionary's own key order.
    QVariantMap values{
        {QStringLiteral("ShipDate"), QDate::currentDate().toString(QStringLiteral("yyyyMMdd"))},
        {QStringLiteral("Postage"), m_postage},
        {QStringLiteral("WeightInOunces"), QString::number(m_weightInOunces)},
        {QStringLiteral("AccntID"), accountNumber},
        {QStringLiteral("PieceID"), pieceID},
    };
    if (m_referenceID)
        values.insert(QStringLiteral("PackageReference1"), *m_referenceID);
    return QString::fromUtf8(qv_documentWithRootName(QStringLiteral("ConfirmReceipt"), values).xmlData());
}

bool QVRHOStampIndiciumRequest::isEqualToStampRequest(const QVRHOStampIndiciumRequest &other) const
{
    return m_postageNumber == other.m_postageNumber && m_mailClass == other.m_mailClass && m_size == other.m_size &&
        m_international == other.m_international && m_weightInOunces == other.m_weightInOunces &&
        m_referenceID == other.m_referenceID;
}

size_t QVRHOStampIndiciumRequest::hash() const
{
    return qHash(m_postageNumber.toString()) | qHash(m_mailClass) | qHash(m_size) |
        static_cast<size_t>(m_international) | m_weightInOunces;
}
