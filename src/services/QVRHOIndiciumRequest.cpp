#include "services/QVRHOIndiciumRequest.h"

#include "model/QVCountry.h"
#include "model/XMLDocument.h"

#include <limits>

namespace {

QString text(const QVariantMap &values, const QString &key) { return values.value(key).toString(); }

// The integer value of a text as the platform's intValue reads it: leading
// white space, a sign, the digits that follow; 0 without digits; clamped.
qint32 intValue(const QString &value) { return QVRHORequest::accountNumberInteger(value); }

// The 64-bit value of the leading digits of a text.
std::optional<qint64> digitsValue(const QString &digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        if (value > (std::numeric_limits<qint64>::max() - 9) / 10)
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

const QStringList &receiptKeys()
{
    static const QStringList keys{
        QStringLiteral("PICNumber"),
        QStringLiteral("AccntID"),
        QStringLiteral("PieceID"),
        QStringLiteral("FromName"),
        QStringLiteral("FromFirm"),
        QStringLiteral("FromAddress1"),
        QStringLiteral("FromAddress2"),
        QStringLiteral("FromCity"),
        QStringLiteral("FromState"),
        QStringLiteral("FromZip5"),
        QStringLiteral("FromZip4"),
        QStringLiteral("ToName"),
        QStringLiteral("ToFirm"),
        QStringLiteral("ToAddress1"),
        QStringLiteral("ToAddress2"),
        QStringLiteral("ToCity"),
        QStringLiteral("ToState"),
        QStringLiteral("ToZip5"),
        QStringLiteral("ToZip4"),
        QStringLiteral("ToCountry"),
        QStringLiteral("FromPhone"),
        QStringLiteral("ToPhone"),
        QStringLiteral("WeightInOunces"),
        QStringLiteral("ServiceType"),
        QStringLiteral("OptionalServices"),
        QStringLiteral("ShipDate"),
        QStringLiteral("Postage"),
        QStringLiteral("PackageValue"),
        QStringLiteral("PackageDescription"),
        QStringLiteral("InsuranceType"),
        QStringLiteral("WaiverOfSignature"),
        QStringLiteral("NoHoliday"),
        QStringLiteral("NoWeekend"),
        QStringLiteral("NoSaturday"),
        QStringLiteral("NoSunday"),
        QStringLiteral("CONFIRM"),
        QStringLiteral("SenderEMail"),
        QStringLiteral("RecipientEMail"),
        QStringLiteral("PackageReference1"),
        QStringLiteral("PackageReference2"),
        QStringLiteral("CustomsID"),
    };
    return keys;
}

} // namespace

std::optional<quint32> QVRHOMilsFromDecimalText(const QString &value)
{
    const auto amount = Decimal::parse(value.trimmed());
    if (!amount || amount->isNaN() || amount->isNegative())
        return std::nullopt;
    const Decimal mils = Decimal::multiplyByPowerOf10(*amount, 3);
    if (!mils.isInteger())
        return std::nullopt;
    const auto whole = mils.toInt64();
    if (!whole || *whole < 0 || *whole > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return static_cast<quint32>(*whole);
}

bool QVRHOIndiciumRequest::isInternational() const
{
    const QVariant domestic = m_values.value(QStringLiteral("Domestic"));
    return domestic.isValid() && !domestic.toBool();
}

bool QVRHOIndiciumRequest::isReprint() const { return m_values.value(QStringLiteral("Reprint")).toBool(); }

std::optional<qint64> QVRHOIndiciumRequest::zip() const
{
    QString digits;
    if (!isInternational()) {
        digits = text(m_values, QStringLiteral("ToZip5"));
        const QString zip4 = text(m_values, QStringLiteral("ToZip4"));
        if (zip4.size() == 4)
            digits += zip4;
        const QString zip2 = text(m_values, QStringLiteral("ToZip2"));
        if (zip2.size() == 2 || zip2.size() == 3)
            digits += zip2.left(2);
        if (digits.size() > 11)
            return std::nullopt;
        digits = digits.leftJustified(11, QLatin1Char('0'));
        return digitsValue(digits);
    }
    const QString length = text(m_values, QStringLiteral("AddressLength"));
    const auto country = QVCountry::countryWithAnyName(text(m_values, QStringLiteral("ToCountry")));
    const QString postal = country ? country->zipString() : QString();
    if (postal.isEmpty())
        digits = length;
    else
        digits = postal + length.rightJustified(3, QLatin1Char('0'));
    // The leading digits, as the platform's longLongValue reads them.
    qsizetype n = 0;
    while (n < digits.size() && digits.at(n).isDigit() && digits.at(n).unicode() < 0x80)
        ++n;
    return n == 0 ? std::optional<qint64>(0) : digitsValue(digits.left(n));
}

qint32 QVRHOIndiciumRequest::weightTenthOunce() const
{
    return intValue(text(m_values, QStringLiteral("WeightInTenthOunces")));
}

std::optional<quint32> QVRHOIndiciumRequest::amountMils() const
{
    return QVRHOMilsFromDecimalText(text(m_values, QStringLiteral("Postage")));
}

qint32 QVRHOIndiciumRequest::daysAdvance() const { return daysAdvanceFrom(QDate::currentDate()); }

qint32 QVRHOIndiciumRequest::daysAdvanceFrom(const QDate &today) const
{
    const QDate shipDate = QDate::fromString(text(m_values, QStringLiteral("ShipDate")), QStringLiteral("yyyyMMdd"));
    if (!shipDate.isValid())
        return 0;
    const qint64 days = today.daysTo(shipDate);
    return days < 0 ? 0 : static_cast<qint32>(std::min<qint64>(days, std::numeric_limits<qint32>::max()));
}

qint32 QVRHOIndiciumRequest::last9PIC() const
{
    QString digits;
    for (const QChar c : text(m_values, QStringLiteral("PICNumber"))) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits.append(c);
    }
    if (digits.isEmpty())
        return 0;
    if (digits.size() > 8)
        digits = digits.right(9);
    return intValue(digits);
}

qint32 QVRHOIndiciumRequest::mailedFromZIP5() const
{
    return intValue(text(m_values, QStringLiteral("MailedFromZip5")));
}

qint32 QVRHOIndiciumRequest::optionalServices() const
{
    return intValue(text(m_values, QStringLiteral("OptionalServices")));
}

qint32 QVRHOIndiciumRequest::serviceClass() const { return intValue(text(m_values, QStringLiteral("ServiceType"))); }

qint32 QVRHOIndiciumRequest::costCenter() const
{
    return intValue(text(m_values, QStringLiteral("PackageReference2")));
}

bool QVRHOIndiciumRequest::postageCorrection() const
{
    return text(m_values, QStringLiteral("TransactionType")) == QVUSPSShipmentRHOCorrectionTransaction;
}

quint32 QVRHOIndiciumRequest::indiciumKindCode() const
{
    if (isStampRequest())
        return QVRHOStampIndiciumCode;
    if (isInternational())
        return postageCorrection() ? QVRHOInternationalCorrectionIndiciumCode : QVRHOInternationalIndiciumCode;
    return postageCorrection() ? QVRHODomesticCorrectionIndiciumCode : QVRHODomesticIndiciumCode;
}

std::optional<QVRHOIndiciumBlock> QVRHOIndiciumRequest::indiciumBlock(QString *error) const
{
    QVRHOIndiciumBlock block;
    const auto destination = zip();
    if (!destination) {
        if (error)
            *error = QStringLiteral("The destination ZIP code of the postage request is not valid.");
        return std::nullopt;
    }
    const auto mils = amountMils();
    if (!mils) {
        if (error)
            *error = QStringLiteral("The postage amount \"%1\" is not a whole number of mils.")
                         .arg(text(m_values, QStringLiteral("Postage")));
        return std::nullopt;
    }
    block.zip = *destination;
    block.optionalServices = optionalServices();
    block.serviceClass = serviceClass();
    block.amountMils = *mils;
    block.weightTenthOunce = weightTenthOunce();
    block.daysAdvance = daysAdvance();
    block.kindCode = indiciumKindCode();
    block.costCenter = costCenter();
    block.last9PIC = last9PIC();
    block.mailedFromZIP5 = mailedFromZIP5();
    return block;
}

QString QVRHOIndiciumRequest::xmlConfirmReceiptWithAccountNumber(const QString &accountNumber,
                                                                 const QString &pieceID) const
{
    QVariantMap values = m_values;
    values.insert(QStringLiteral("AccntID"), accountNumber);
    values.insert(QStringLiteral("PieceID"), pieceID);
    QVXMLDocument document = qv_documentWithRootName(QStringLiteral("ConfirmReceipt"), values, receiptKeys());
    QVXMLNode root = document.rootElement();
    for (const QVariant &element : m_values.value(QStringLiteral("CustomsData")).toList()) {
        const QStringList pair = element.toStringList();
        if (pair.size() == 2)
            root.addChildElement(pair.at(0), pair.at(1));
    }
    return QString::fromUtf8(document.xmlData());
}
