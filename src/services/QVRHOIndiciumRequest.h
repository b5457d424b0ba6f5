#pragma once
// QVRHOIndiciumRequest: the values of one postage (indicium) request, from
// which the postage-server client builds the 48-byte indicium block of a
// sealed request (QVRHORequest.h) and the "ConfirmReceipt" document that
// reports a printed piece.
//
// A request holds an immutable dictionary under fixed key texts ("ToZip5",
// "Postage", "ShipDate", ...); indiciumRequestWithShipment() fills it from a
// shipment. Money is text with three
// decimals ("1.650") and goes to the server in mils; weights go in tenths of
// an ounce. QVRHOStampIndiciumRequest (a subclass) answers the same
// operations for a sheet or roll stamp.
//
// Amounts: amountMils() reads "Postage" as an exact decimal, so "1.65",
// "1.650" and "1.6500" are all 1650 mils; a text that is not a number, a
// negative amount, a fraction of a mil or an amount beyond 32 bits gives no
// value and the transaction is refused with that reason.
#include "model/QVShipment.h"
#include "platform/Decimal.h"
#include "services/QVRHORequest.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <optional>

// Exact mils of a decimal text: nothing for a text that is not a number, a
// negative amount, a fraction of a mil, or more than 32 bits of mils.
std::optional<quint32> QVRHOMilsFromDecimalText(const QString &text);

class QVRHOIndiciumRequest
{
public:
    explicit QVRHOIndiciumRequest(const QVariantMap &values = {}) : m_values(values) {}
    virtual ~QVRHOIndiciumRequest() = default;

    // The request of a shipment (always made; without a price the postage
    // is "0.000", with postage switched off "0.00").
    static std::shared_ptr<QVRHOIndiciumRequest> indiciumRequestWithShipment(const QVShipment &shipment,
                                                                             bool reprint = false);
    static std::shared_ptr<QVRHOIndiciumRequest> initWithValueDictionary(const QVariantMap &values)
    {
        return std::make_shared<QVRHOIndiciumRequest>(values);
    }

    QVariant objectForKey(const QString &key) const { return m_values.value(key); }
    const QVariantMap &values() const { return m_values; }

    virtual bool isStampRequest() const { return false; }
    // "Domestic" present and false.
    virtual bool isInternational() const;
    QVariant pieceCount() const { return m_values.value(QStringLiteral("PieceCount")); }
    bool isReprint() const;

    // The destination number: domestic "ToZip5", a 4-digit "ToZip4", the
    // first two digits of a 2- or 3-digit "ToZip2", then zeros up to 11
    // digits; international the country's postal-code text followed by the
    // address length (at least 3 digits). Nothing when the domestic text
    // would be longer than 11 characters or is not all digits.
    virtual std::optional<qint64> zip() const;
    virtual qint32 weightTenthOunce() const;
    virtual std::optional<quint32> amountMils() const;
    // Days from today to "ShipDate" ("yyyyMMdd"), 0 for a past date.
    virtual qint32 daysAdvance() const;
    qint32 daysAdvanceFrom(const QDate &today) const;
    // The last nine digits of "PICNumber" (non-digits removed).
    virtual qint32 last9PIC() const;
    virtual qint32 mailedFromZIP5() const;
    virtual qint32 optionalServices() const;
    virtual qint32 serviceClass() const;
    virtual qint32 costCenter() const;
    // "TransactionType" is "Correction".
    virtual bool postageCorrection() const;
    // The indicium kind code of the request.
    quint32 indiciumKindCode() const;

    // The indicium block of the request; nothing (with the reason) when
    // its amount or destination cannot be had.
    std::optional<QVRHOIndiciumBlock> indiciumBlock(QString *error = nullptr) const;

    // The "ConfirmReceipt" document as XML text.
    virtual QString xmlConfirmReceiptWithAccountNumber(const QString &accountNumber, const QString &pieceID) const;

protected:
    QVariantMap m_values;
};
