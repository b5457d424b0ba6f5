#pragma once
// QVRHOStampIndiciumRequest: the postage request of a sheet or roll stamp,
// made from a rate class, a weight and a piece size instead of a shipment.
// It answers the indicium operations of QVRHOIndiciumRequest from its own
// fields (its value dictionary stays empty): no destination, no options, no
// days in advance, no tracking number; the service class from the rate
// engine; the mailed-from ZIP5 from the user default "mailedFromZIP5".
//
// A request is immutable apart from the international flag and the
// reference id. Two requests are equal when postage, class, size,
// international flag and weight agree and their reference ids are both
// absent or equal (zone and custom amount do not count).
//
// Archiving (keyed): "postageNumber" (decimal text), "mailClass",
// "weightInOunces" (already in ounces), "size", "international", "zone",
// "customAmount" and "referenceID".
#include "platform/Decimal.h"
#include "services/QVRHOIndiciumRequest.h"

#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class QVUSPSRateYear;
class QVUSPSIntlRateClass;

class QVRHOStampIndiciumRequest : public QVRHOIndiciumRequest
{
public:
    // The designated initializer: postage text with three decimals; the
    // weight is in pounds (and kept as ounces) when the request is domestic
    // and today's rate class of that name weighs in pounds.
    QVRHOStampIndiciumRequest(const Decimal &postage, const QString &rate, quint32 weight, const QString &size,
                              bool international, qint32 zone = 1, bool customAmount = false);

    // Priced by today's rate year (or the given one) at zone "1".
    static std::shared_ptr<QVRHOStampIndiciumRequest> stampRequestWithRate(const QString &rate, quint32 weight,
                                                                           const QString &size, bool machinable);
    static std::shared_ptr<QVRHOStampIndiciumRequest> stampRequestWithRate(const QString &rate, quint32 weight,
                                                                           const QString &size, bool machinable,
                                                                           const QVUSPSRateYear &ratefoldClass);
    // Priced by the international class; nothing (the engine's error on the
    // console) when the price is zero. The zone is the country's price group.
    static std::shared_ptr<QVRHOStampIndiciumRequest>
    stampRequestWithIntlRateClass(const QVUSPSIntlRateClass &rateClass, quint32 ounces, const QString &size);
    static std::shared_ptr<QVRHOStampIndiciumRequest>
    stampRequestWithPostageAmount(const Decimal &postage, const QString &rate, quint32 weight, const QString &size);

    QVariantMap encodeWithCoder() const;
    static std::shared_ptr<QVRHOStampIndiciumRequest> initWithCoder(const QVariantMap &archive);

    bool isStampRequest() const override { return true; }
    QString size() const { return m_size; }
    Decimal postage() const { return m_postageNumber; }
    QString postageString() const { return m_postage; }
    QString twoDigitPostageString() const;
    QString mailClass() const { return m_mailClass; }
    QString mailClassMenuString() const;
    QString rateClassificationString() const { return QLatin1String(""); }
    // "INTL MAIL", "POSTCARD", "FIRST-CLASS", "BPM", "PM EXPRESS", or the
    // upper-cased display name of the class.
    QString mailClassDisplayString() const;
    quint32 weightInOunces() const { return m_weightInOunces; }
    qint32 zone() const { return m_zone; }
    bool customAmount() const { return m_customAmount; }
    bool isInternational() const override { return m_international; }
    void setInternational(bool international) { m_international = international; }
    std::optional<QString> referenceID() const { return m_referenceID; }
    void setReferenceID(const std::optional<QString> &referenceID) { m_referenceID = referenceID; }

    int tolvaneClassType() const;
    int tolvaneShapeType() const;
    int intelligentMailCode() const;
    // The vendor's mail-category code of the service class and options.
    int mailCategory() const;
    QString mailedFromZIP5String() const;

    std::optional<qint64> zip() const override { return 0; }
    qint32 optionalServices() const override { return 0; }
    qint32 daysAdvance() const override { return 0; }
    qint32 last9PIC() const override { return 0; }
    qint32 serviceClass() const override;
    std::optional<quint32> amountMils() const override;
    // Ounces x 10; 35 for a 4-ounce First-Class letter at "0.920".
    qint32 weightTenthOunce() const override;
    qint32 mailedFromZIP5() const override;
    QString xmlConfirmReceiptWithAccountNumber(const QString &accountNumber, const QString &pieceID) const override;

    bool isEqualToStampRequest(const QVRHOStampIndiciumRequest &other) const;
    friend bool operator==(const QVRHOStampIndiciumRequest &a, const QVRHOStampIndiciumRequest &b)
    {
        return a.isEqualToStampRequest(b);
    }
    size_t hash() const;

private:
    struct Restored {};
    QVRHOStampIndiciumRequest(Restored) {}

    QString m_postage;
    QString m_mailClass;
    quint32 m_weightInOunces = 0;
    QString m_size;
    bool m_international = false;
    qint32 m_zone = 1;
    bool m_customAmount = false;
    Decimal m_postageNumber;
    std::optional<QString> m_referenceID;
};
