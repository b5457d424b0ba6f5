#include "model/DataAdditions.h"

#include <algorithm>

#include "model/StringAdditions.h"

#include <openssl/evp.h>

#include <cctype>
#include <cwctype>

QByteArray dataWithBase64String(const QString &text, QString *error) { return decodeBase64(text, error); }

namespace {

bool isLeadingSpace(char16_t unit)
{
    if (unit <= 127)
        return std::isspace(static_cast<unsigned char>(unit)) != 0;
    return std::iswspace(static_cast<wint_t>(unit)) != 0;
}

} // namespace

std::optional<QByteArray> dataWithHexString(const QString &text, QString *error)
{
    const qsizetype length = text.size();
    qsizetype i = 0;
    while (i < length && isLeadingSpace(text.at(i).unicode()))
        ++i;
    if (i + 1 < length && text.at(i) == u'0' && (text.at(i + 1) == u'x' || text.at(i + 1) == u'X'))
        i += 2;

    const qsizetype digits = length - i;
    QByteArray bytes;
    bytes.reserve((digits + 1) / 2);

    auto digitAt = [&](qsizetype position, int *value) {
        *value = hexDigitValue(text.at(position).unicode());
        if (*value < 0) {
            if (error) {
                *error = QStringLiteral("Attempt to interpret a string containing '%1' as a "
                                        "hexidecimal value")
                             .arg(text.at(position));
            }
            return false;
        }
        return true;
    };

    if (digits % 2 != 0) {
        int value;
        if (!digitAt(i, &value))
            return std::nullopt;
        bytes.append(char(value));
        ++i;
    }
    for (; i + 1 < length; i += 2) {
        int high;
        int low;
        if (!digitAt(i, &high) || !digitAt(i + 1, &low))
            return std::nullopt;
        bytes.append(char(high * 16 + low));
    }
    return bytes;
}

QString lowercaseHexStringWithPrefix(const QByteArray &data, const QString &prefix)
{
    // Never a null text, even for no prefix and no data.
    QString text(QLatin1String(""));
    return text.append(prefix).append(QLatin1String(data.toHex()));
}

QString lowercaseHexString(const QByteArray &data) { return lowercaseHexStringWithPrefix(data, QStringLiteral("0x")); }

QString unadornedLowercaseHexString(const QByteArray &data) { return lowercaseHexStringWithPrefix(data, QString()); }

namespace {

QByteArray digest(const QByteArray &data, const EVP_MD *type)
{
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    // The whole block in one call; the length is a size_t, so blocks beyond
    // 4 GiB are digested whole.
    if (EVP_Digest(data.constData(), static_cast<size_t>(data.size()), out, &size, type, nullptr) != 1)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(out), int(size));
}

} // namespace

QByteArray rho_sha1Signature(const QByteArray &data) { return digest(data, EVP_sha1()); }

QByteArray rho_sha256Signature(const QByteArray &data) { return digest(data, EVP_sha256()); }

bool isNullObject(const QVariant &value) { return value.typeId() == QMetaType::Nullptr; }

QVariant objectForKey(const QVariantMap &dictionary, const QString &key, const QVariant &defaultObject)
{
    const auto it = dictionary.constFind(key);
    if (it == dictionary.constEnd())
        return defaultObject;
    return it.value();
}

std::optional<QString> keyForObjectEqualTo(const QVariantMap &dictionary, const QVariant &object)
{
    for (auto it = dictionary.constBegin(); it != dictionary.constEnd(); ++it) {
        if (it.value() == object)
            return it.key();
    }
    return std::nullopt;
}

QVariantMap dictionaryByAddingObjectsFromDictionary(const QVariantMap &dictionary, const QVariantMap &other)
{
    // Added to nothing, a dictionary without null values is itself (shared,
    // not copied entry by entry: addresses are made this way at every re-price).
    if (dictionary.isEmpty() &&
        std::none_of(other.cbegin(), other.cend(), [](const QVariant &v) { return !v.isValid() || isNullObject(v); }))
        return other;
    QVariantMap result = dictionary;
    for (auto it = other.constBegin(); it != other.constEnd(); ++it) {
        if (!it.value().isValid() || isNullObject(it.value()))
            result.remove(it.key());
        else
            result.insert(it.key(), it.value());
    }
    return result;
}

bool isAfterDate(const QDateTime &date, const QDateTime &other) { return date > other; }

bool isBeforeDate(const QDateTime &date, const QDateTime &other) { return date < other; }
