#include "services/QVRHORequest.h"

#include "model/DataAdditions.h"

#include <QtEndian>

#include <algorithm>
#include <limits>

namespace {

void appendInt32(QByteArray &data, qint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    data.append(bytes, 4);
}

void appendUInt32(QByteArray &data, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    data.append(bytes, 4);
}

void appendInt64(QByteArray &data, qint64 value)
{
    char bytes[8];
    qToLittleEndian(value, bytes);
    data.append(bytes, 8);
}

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

int QVRHOWireType(int kind)
{
    switch (kind) {
    case 1:
        return 28;
    case 2:
        return 27;
    case 3:
        return 48;
    case 4:
        return 26;
    case 5:
        return 51;
    case 6:
        return 29;
    case 7:
        return 97;
    default:
        return 0;
    }
}

QByteArray QVRHOIndiciumBlock::bytes() const
{
    QByteArray data;
    data.reserve(48);
    appendInt64(data, zip);
    appendInt32(data, optionalServices);
    appendInt32(data, serviceClass);
    appendUInt32(data, amountMils);
    appendInt32(data, weightTenthOunce);
    appendInt32(data, daysAdvance);
    appendInt32(data, 1);
    appendUInt32(data, kindCode);
    appendInt32(data, costCenter);
    appendInt32(data, last9PIC);
    appendInt32(data, mailedFromZIP5);
    return data;
}

namespace QVRHORequest {

QByteArray lossyASCII(const QString &text)
{
    QByteArray ascii;
    ascii.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            ascii.append(static_cast<char>(c.unicode()));
            continue;
        }
        // A letter with marks keeps its base letter when that is ASCII.
        const QString decomposed = QString(c).normalized(QString::NormalizationForm_D);
        if (!decomposed.isEmpty() && decomposed.at(0).unicode() < 0x80 && decomposed.size() > 1)
            ascii.append(static_cast<char>(decomposed.at(0).unicode()));
        else if (c.category() != QChar::Mark_NonSpacing)
            ascii.append('?');
    }
    return ascii;
}

QByteArray passPhraseDigest(const QString &passPhrase)
{
    QString padded = passPhrase;
    while (padded.size() % 4 != 0)
        padded.append(QLatin1Char(' '));
    return rho_sha1Signature(lossyASCII(padded));
}

qint32 accountNumberInteger(const QString &userid)
{
    qsizetype i = 0;
    while (i < userid.size() && userid.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < userid.size() && (userid.at(i) == QLatin1Char('-') || userid.at(i) == QLatin1Char('+'))) {
        negative = userid.at(i) == QLatin1Char('-');
        ++i;
    }
    qint64 value = 0;
    for (; i < userid.size() && userid.at(i) >= QLatin1Char('0') && userid.at(i) <= QLatin1Char('9'); ++i) {
        value = value * 10 + (userid.at(i).unicode() - '0');
        if (value > qint64(std::numeric_limits<qint32>::max()) + 1)
            value = qint64(std::numeric_limits<qint32>::max()) + 1;
    }
    if (negative)
        value = -value;
    return static_cast<qint32>(
        std::clamp<qint64>(value, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

std::optional<QByteArray> accountNumberField(const QString &userid, QString *error)
{
    const QByteArray ascii = lossyASCII(userid);
    if (ascii.size() > AccountFieldLength) {
        setError(error, QStringLiteral("The account number \"%1\" is longer than 12 characters.").arg(userid));
        return std::nullopt;
    }
    return ascii + QByteArray(AccountFieldLength - ascii.size(), '\0');
}

std::optional<QByteArray> header(const QString &userid, const QString &password, qint32 clientTime, QString *error)
{
    const auto account = accountNumberField(userid, error);
    if (!account)
        return std::nullopt;
    QByteArray data;
    data.reserve(HeaderLength);
    appendUInt32(data, 1);
    data.append(*account);
    data.append(passPhraseDigest(password));
    appendInt32(data, clientTime);
    return data;
}

std::optional<QByteArray> payload(const QVRHORequestInput &input, QString *error)
{
    QByteArray data;
    data.reserve(PayloadLength);
    switch (input.kind) {
    case 1:
    case 7:
        break;
    case 2:
        if (input.number < std::numeric_limits<qint32>::min() || input.number > std::numeric_limits<qint32>::max()) {
            setError(error, QStringLiteral("The amount of %1 mils is out of range.").arg(input.number));
            return std::nullopt;
        }
        appendInt32(data, static_cast<qint32>(input.number));
        break;
    case 3:
        data.append(input.indicium.bytes());
        break;
    case 4:
        appendInt32(data, accountNumberInteger(input.userid));
        data.append(passPhraseDigest(input.newPassword));
        break;
    case 5:
    case 6:
        if (input.number < 0 || input.number > std::numeric_limits<quint32>::max()) {
            setError(error, QStringLiteral("The piece number %1 is out of range.").arg(input.number));
            return std::nullopt;
        }
        break;
    default:
        setError(error, QStringLiteral("There is no postage-server transaction %1.").arg(input.kind));
        return std::nullopt;
    }
    data.append(QByteArray(PayloadLength - data.size(), '\0'));
    return data;
}

quint32 outerParameter(const QVRHORequestInput &input)
{
    if ((input.kind == 5 || input.kind == 6) && input.number >= 0 &&
        input.number <= std::numeric_limits<quint32>::max())
        return static_cast<quint32>(input.number);
    return 0;
}

std::optional<QByteArray> authenticationCode(qint32 accountNumber, int wireType, const QByteArray &sessionBlock,
                                             QVRHOCryptoError *error)
{
    QByteArray input;
    input.reserve(AuthenticationInputLength);
    appendInt32(input, accountNumber);
    appendInt32(input, wireType);
    appendInt32(input, 1);
    input.append(QByteArray(4, '\0'));
    input.append(sessionBlock);
    input.append(QByteArray(8, '\x08'));
    const QByteArray key = sessionBlock.left(8);
    const auto encrypted = QVRHOCrypto::desCBCEncrypt(key, input, QByteArray(8, '\0'), error);
    if (!encrypted)
        return std::nullopt;
    return encrypted->mid(128, 8);
}

std::optional<Sealed> sealWithKey(const QVRHORequestInput &input, const QByteArray &desKey,
                                  const QByteArray &randomBytes, QVRHOCryptoError *error)
{
    auto fail = [error](const QString &text) -> std::optional<Sealed> {
        if (error) {
            error->code = 0;
            error->description = text;
        }
        return std::nullopt;
    };
    if (desKey.size() != 8 || randomBytes.size() != 8)
        return fail(QStringLiteral("The session key and random bytes must be 8 bytes each."));
    const int wireType = QVRHOWireType(input.kind);
    QString reason;
    const auto head = header(input.userid, input.password, input.clientTime, &reason);
    if (!head)
        return fail(reason);
    const auto body = payload(input, &reason);
    if (!body)
        return fail(reason);

    Sealed sealed;
    sealed.sessionBlock = desKey + randomBytes + *head + *body;
    const qint32 account = accountNumberInteger(input.userid);
    const auto code = authenticationCode(account, wireType, sealed.sessionBlock, error);
    if (!code)
        return std::nullopt;
    const auto encrypted =
        QVRHOCrypto::rsaPublicEncrypt(input.modulusHex, input.exponentHex, sealed.sessionBlock, error);
    if (!encrypted)
        return std::nullopt;
    if (encrypted->size() != EncryptedBlockLength)
        return fail(QStringLiteral("The postage server's public key must have a 1,024-bit modulus (this one gives "
                                   "%1 bytes).")
                        .arg(encrypted->size()));

    sealed.body.reserve(BodyLength);
    sealed.body.append(*code);
    appendInt32(sealed.body, account);
    appendInt32(sealed.body, wireType);
    appendInt32(sealed.body, 1);
    appendUInt32(sealed.body, outerParameter(input));
    sealed.body.append(*encrypted);
    return sealed;
}

std::optional<Sealed> seal(const QVRHORequestInput &input, QVRHOCryptoError *error)
{
    const auto key = QVRHOCrypto::randomDESKey(error);
    if (!key)
        return std::nullopt;
    const auto random = QVRHOCrypto::randomDESKey(error);
    if (!random)
        return std::nullopt;
    return sealWithKey(input, *key, *random, error);
}

} // namespace QVRHORequest
