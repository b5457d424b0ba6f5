#pragma once
// QVRHOResponse: the postage server's reply to any transaction, one
// fixed-layout record of 964 bytes (integers little-endian, texts ASCII or
// UTF-8 ending at the first zero byte or at the end of their field).
//
//   0 uint32 version          4 uint32 returnCode (1 = success)
//   8 text(4) softwareModel   12 text(4) softwareVendor   16 text(4) accountStatus
//  20 uint32 serialNumber     24 int64 ascendingRegister (mils)
//  32 int64 controlRegister   40 int64 descendingRegister (the balance, mils)
//  48 uint32 piececount       52 uint32 timestamp (server clock, s since 1970)
//  56 text(15) returnDateTime ("yyyyMMddHHmmss"; a reprint: "yyyyMMddHHmm")
//  71 text(12) POLicense      83 text(8) licenseZIP5    91 text(52) licenseCity
// 143 text(4) licenseState   147 text(100) name        247 text(100) email
// 347 text(200) physicalAddress                        547 text(16) flags
// 563 text(2) ccType         565..575 not read
// 576 uint32 transactionID   580 uint32 transactionAmountMils
// 584 bytes(98) indicium     682..683 not read          684 uint32 clientVersion
// 688 text(256) textMessage  944 text(20) referenceID
// Bytes 940 to 959 of a status reply hold the account's web-site password
// (over the end of the text message and the start of the reference id).
//
// A reply keeps its own copy of the bytes and reads every field from it. A
// body shorter than the record is refused when the reply is made (with a
// reason), so no field is ever read past the end; a longer body is read for
// its first 964 bytes and kept whole.
//
// Archiving: encodeWithCoder() gives the raw bytes under "rawBytes";
// initWithCoder() makes the reply again from them.
#include "platform/Decimal.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

class QVRHOResponse
{
public:
    static constexpr int RecordLength = 964;

    // The reply of a body: nothing for an empty body (silently) or a body
    // shorter than the record (with the reason in *error).
    static std::shared_ptr<QVRHOResponse> responseWithData(const QByteArray &data, QString *error = nullptr);

    // Keyed archiving.
    QVariantMap encodeWithCoder() const;
    static std::shared_ptr<QVRHOResponse> initWithCoder(const QVariantMap &archive, QString *error = nullptr);

    // The bytes at a range; nothing (and a console message) when the reply
    // is shorter than location plus length.
    std::optional<QByteArray> bytesAtRange(int location, int length) const;
    const QByteArray &data() const { return m_data; }

    // ---- Fields of the record ---------------------------------------------
    quint32 version() const;
    quint32 returnCode() const;
    QString softwareModel() const;
    QString softwareVendor() const;
    QString accountStatus() const;
    quint32 serialNumber() const;
    qint64 ascendingRegister() const;
    qint64 controlRegister() const;
    qint64 descendingRegister() const;
    quint32 piececount() const;
    quint32 timestamp() const;
    // The 14 digits as a local date and time; invalid when they are not.
    QDateTime returnDateTime() const;
    // The same field read to the minute (12 digits); invalid when it is not.
    QDateTime returnDateTimeReprint() const;
    QString returnDateTimeString() const;
    QString POLicense() const;
    QString licenseZIP5() const;
    QString licenseCity() const;
    QString licenseState() const;
    QString name() const;
    QString email() const;
    QString physicalAddress() const;
    // The first 4 characters of the flag field (up to a zero byte).
    QString flags() const;
    QString ccType() const;
    quint32 transactionID() const;
    quint32 transactionAmountMils() const;
    QByteArray indicium() const;
    quint32 clientVersion() const;
    QString textMessage() const;
    QString referenceID() const;
    // The web-site password of a status reply.
    QString tolvaneDotComPassword() const;
    // The rate category: indicium bytes 45 to 48 as a decimal number (0 when
    // they are not digits).
    int rateCategory() const;
    // 20 bytes: 0xFF, indicium bytes 49-52, 0x71, indicium bytes 10-12 and
    // 19-21, the code (16 bits, little-endian), six zero bytes.
    QByteArray shortIndiciumWithIntelligentMailCode(quint16 code) const;
    QByteArray shortIndicium() const;

    // ---- Derived texts ------------------------------------------------------
    // The postage-server client's text for this reply's return code.
    QString errorDescription() const;
    // Vendor, model and the serial number as 8 digits: "QV1M01234567".
    QString meterID() const;
    // The descending register in dollars, exactly.
    Decimal balanceDecimalNumber() const;
    // en_US, grouping, 2 or 3 fraction digits: "$1,234.50" with the dollar
    // sign (negative "-$5.00"), "1,234.50" without.
    static QString balanceStringWithDecimalNumber(const Decimal &number, bool dollarSign);
    QString balanceStringWithDollarSign(bool dollarSign) const;
    QString balanceString() const;
    // The card name of ccType ("payment" for an unknown letter).
    QString ccTypeWord() const;
    // "Active", "Closed", "Needs passphrase reset", or empty.
    QString accountStatusWord() const;
    // "Pending" for the licence number "9999999999".
    QString displayPOLicense() const;
    // The web-site password percent-escaped as UTF-8 for a query value
    // (everything but letters, digits and "-._~" escaped).
    QString escapedTolvaneDotComPassword() const;
    // The third flag character when there are at least 4, else empty.
    QString glimraType() const;
    bool isZPMAccount() const;
    bool isKIVOAccount() const;
    bool isMacAccount() const;

private:
    explicit QVRHOResponse(const QByteArray &data) : m_data(data) {}
    quint32 uint32At(int offset) const;
    qint64 int64At(int offset) const;
    QString textAt(int offset, int width) const;

    QByteArray m_data;
};
