#include "services/QVRHOResponse.h"

#include "services/QVRHOCommandCenter.h"

#include <QHash>
#include <QUrl>
#include <QtDebug>
#include <QtEndian>

namespace {

const QString RawBytesKey = QStringLiteral("rawBytes");

QDateTime dateFromDigits(const QString &text, int digits, const QString &format)
{
    if (text.size() < digits)
        return {};
    const QString head = text.left(digits);
    for (const QChar c : head) {
        if (!c.isDigit())
            return {};
    }
    return QDateTime::fromString(head, format);
}

// Groups the digits of a whole number by thousands with ",".
QString grouped(const QString &digits)
{
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out.append(QLatin1Char(','));
        out.append(digits.at(i));
    }
    return out;
}

} // namespace

std::shared_ptr<QVRHOResponse> QVRHOResponse::responseWithData(const QByteArray &data, QString *error)
{
    if (data.isEmpty()) {
        if (error)
            *error = QStringLiteral("The postage server sent an empty reply.");
        return nullptr;
    }
    if (data.size() < RecordLength) {
        if (error)
            *error = QStringLiteral("The postage server's reply is incomplete (%1 of %2 bytes).")
                         .arg(data.size())
                         .arg(RecordLength);
        return nullptr;
    }
    return std::shared_ptr<QVRHOResponse>(new QVRHOResponse(data));
}

QVariantMap QVRHOResponse::encodeWithCoder() const { return QVariantMap{{RawBytesKey, m_data}}; }

std::shared_ptr<QVRHOResponse> QVRHOResponse::initWithCoder(const QVariantMap &archive, QString *error)
{
    const QVariant raw = archive.value(RawBytesKey);
    if (raw.typeId() != QMetaType::QByteArray) {
        if (error)
            *error = QStringLiteral("The archived postage-server reply has no raw bytes.");
        return nullptr;
    }
    return responseWithData(raw.toByteArray(), error);
}

std::optional<QByteArray> QVRHOResponse::bytesAtRange(int location, int length) const
{
    if (location < 0 || length < 0 || qint64(m_data.size()) < qint64(location) + length) {
        qWarning().noquote()
            << QStringLiteral("{%1, %2} out of range for length %3").arg(location).arg(length).arg(m_data.size());
        return std::nullopt;
    }
    return m_data.mid(location, length);
}

quint32 QVRHOResponse::uint32At(int offset) const { return qFromLittleEndian<quint32>(m_data.constData() + offset); }

qint64 QVRHOResponse::int64At(int offset) const { return qFromLittleEndian<qint64>(m_data.constData() + offset); }

QString QVRHOResponse::textAt(int offset, int width) const
{
    const char *start = m_data.constData() + offset;
    int length = 0;
    while (length < width && start[length] != '\0')
        ++length;
    return QString::fromUtf8(start, length);
}

quint32 QVRHOResponse::version() const { return uint32At(0); }
quint32 QVRHOResponse::returnCode() const { return uint32At(4); }
QString QVRHOResponse::softwareModel() const { return textAt(8, 4); }
QString QVRHOResponse::softwareVendor() const { return textAt(12, 4); }
QString QVRHOResponse::accountStatus() const { return textAt(16, 4); }
quint32 QVRHOResponse::serialNumber() const { return uint32At(20); }
qint64 QVRHOResponse::ascendingRegister() const { return int64At(24); }
qint64 QVRHOResponse::controlRegister() const { return int64At(32); }
qint64 QVRHOResponse::descendingRegister() const { return int64At(40); }
quint32 QVRHOResponse::piececount() const { return uint32At(48); }
quint32 QVRHOResponse::timestamp() const { return uint32At(52); }
QString QVRHOResponse::returnDateTimeString() const { return textAt(56, 15); }

QDateTime QVRHOResponse::returnDateTime() const
{
    const QString text = returnDateTimeString();
    return text.size() == 14 ? dateFromDigits(text, 14, QStringLiteral("yyyyMMddHHmmss")) : QDateTime();
}

QDateTime QVRHOResponse::returnDateTimeReprint() const
{
    return dateFromDigits(returnDateTimeString(), 12, QStringLiteral("yyyyMMddHHmm"));
}

QString QVRHOResponse::POLicense() const { return textAt(71, 12); }
QString QVRHOResponse::licenseZIP5() const { return textAt(83, 8); }
QString QVRHOResponse::licenseCity() const { return textAt(91, 52); }
QString QVRHOResponse::licenseState() const { return textAt(143, 4); }
QString QVRHOResponse::name() const { return textAt(147, 100); }
QString QVRHOResponse::email() const { return textAt(247, 100); }
QString QVRHOResponse::physicalAddress() const { return textAt(347, 200); }
QString QVRHOResponse::flags() const { return textAt(547, 4); }
QString QVRHOResponse::ccType() const { return textAt(563, 2); }
quint32 QVRHOResponse::transactionID() const { return uint32At(576); }
quint32 QVRHOResponse::transactionAmountMils() const { return uint32At(580); }
QByteArray QVRHOResponse::indicium() const { return m_data.mid(584, 98); }
quint32 QVRHOResponse::clientVersion() const { return uint32At(684); }
QString QVRHOResponse::textMessage() const { return textAt(688, 256); }
QString QVRHOResponse::referenceID() const { return textAt(944, 20); }

QString QVRHOResponse::tolvaneDotComPassword() const
{
    const auto bytes = bytesAtRange(940, 20);
    if (!bytes)
        return {};
    return textAt(940, 20);
}

int QVRHOResponse::rateCategory() const
{
    const QByteArray digits = m_data.mid(584 + 45, 4);
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

QByteArray QVRHOResponse::shortIndiciumWithIntelligentMailCode(quint16 code) const
{
    const QByteArray data = indicium();
    QByteArray out;
    out.reserve(20);
    out.append('\xFF');
    out.append(data.mid(49, 4));
    out.append('\x71');
    out.append(data.mid(10, 3));
    out.append(data.mid(19, 3));
    out.append(static_cast<char>(code & 0xFF));
    out.append(static_cast<char>(code >> 8));
    out.append(QByteArray(6, '\0'));
    return out;
}

QByteArray QVRHOResponse::shortIndicium() const
{
    return shortIndiciumWithIntelligentMailCode(static_cast<quint16>(rateCategory()));
}

QString QVRHOResponse::errorDescription() const
{
    return QVRHOCommandCenter::errorDescriptionForReturnCode(static_cast<qint32>(returnCode()));
}

QString QVRHOResponse::meterID() const
{
    return softwareVendor() + softwareModel() +
        QStringLiteral("%1").arg(static_cast<qint32>(serialNumber()), 8, 10, QLatin1Char('0'));
}

Decimal QVRHOResponse::balanceDecimalNumber() const { return Decimal::fromMils(descendingRegister()); }

QString QVRHOResponse::balanceStringWithDecimalNumber(const Decimal &number, bool dollarSign)
{
    if (number.isNaN())
        return QStringLiteral("NaN");
    const Decimal rounded = number.rounded(3, Decimal::RoundingMode::Bankers);
    const Decimal magnitude = rounded.abs();
    // Whole part and thousandths as texts.
    const Decimal whole = magnitude.rounded(0, Decimal::RoundingMode::Down);
    QString wholeText = whole.toString();
    const Decimal fraction = magnitude - whole;
    QString fractionText = QStringLiteral("%1").arg(fraction.toMils().value_or(0), 3, 10, QLatin1Char('0'));
    if (fractionText.endsWith(QLatin1Char('0')))
        fractionText.chop(1);
    QString text = grouped(wholeText) + QLatin1Char('.') + fractionText;
    if (dollarSign)
        text.prepend(QLatin1Char('$'));
    if (rounded.isNegative())
        text.prepend(QLatin1Char('-'));
    return text;
}

QString QVRHOResponse::balanceStringWithDollarSign(bool dollarSign) const
{
    return balanceStringWithDecimalNumber(balanceDecimalNumber(), dollarSign);
}

QString QVRHOResponse::balanceString() const { return balanceStringWithDollarSign(true); }

QString QVRHOResponse::ccTypeWord() const
{
    static const QHash<QString, QString> words{
        {QStringLiteral("A"), QStringLiteral("American Express")},
        {QStringLiteral("B"), QStringLiteral("Carte Blanche")},
        {QStringLiteral("D"), QStringLiteral("Diner's Club")},
        {QStringLiteral("M"), QStringLiteral("MasterCard")},
        {QStringLiteral("N"), QStringLiteral("Discover/Novus")},
        {QStringLiteral("V"), QStringLiteral("Visa")},
        {QStringLiteral("Z"), QStringLiteral("Direct Debit")},
        {QStringLiteral("K"), QStringLiteral("Check")},
        {QStringLiteral("L"), QStringLiteral("Bill Me Later")},
        {QStringLiteral("U"), QStringLiteral("Bill Me Later Business")},
    };
    return words.value(ccType(), QStringLiteral("payment"));
}

QString QVRHOResponse::accountStatusWord() const
{
    const QString status = accountStatus();
    if (status == QLatin1String("A"))
        return QStringLiteral("Active");
    if (status == QLatin1String("C"))
        return QStringLiteral("Closed");
    if (status == QLatin1String("V"))
        return QStringLiteral("Needs passphrase reset");
    return {};
}

QString QVRHOResponse::displayPOLicense() const
{
    const QString license = POLicense();
    return license == QLatin1String("9999999999") ? QStringLiteral("Pending") : license;
}

QString QVRHOResponse::escapedTolvaneDotComPassword() const
{
    return QString::fromLatin1(QUrl::toPercentEncoding(tolvaneDotComPassword()));
}

QString QVRHOResponse::glimraType() const
{
    const QString text = flags();
    return text.size() >= 4 ? text.mid(2, 1) : QString();
}

bool QVRHOResponse::isZPMAccount() const
{
    return glimraType() == QLatin1String("E") && softwareModel() == QLatin1String("1M");
}

bool QVRHOResponse::isKIVOAccount() const
{
    return isZPMAccount() || (glimraType() == QLatin1String("Y") && softwareModel() == QLatin1String("1M"));
}

bool QVRHOResponse::isMacAccount() const
{
    return glimraType() == QLatin1String("S") || isKIVOAccount() || isZPMAccount();
}
