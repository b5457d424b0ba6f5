#include "services/usps/QVUSPSAPI.h"

#include "model/StringAdditions.h"
#include "model/TemplateSubstitution.h"
#include "model/XMLDocument.h"
#include "platform/Bundle.h"
#include "services/QVXMLUtilities.h"

#include <QtDebug>

namespace {

const QString kStart = QStringLiteral("<%");
const QString kEnd = QStringLiteral("%>");

struct TemplateList {
    std::optional<QVariantMap> loaded;
    std::optional<QVariantMap> overridden;
    bool missingForTesting = false;
};

TemplateList &templateList()
{
    static TemplateList list;
    return list;
}

// A value as the text that goes into the template.
QString filledValue(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QVUSPSMarkup>())
        return value.value<QVUSPSMarkup>().xml.replace(QLatin1Char('&'), QStringLiteral("%26"));
    QString text;
    if (value.typeId() == QMetaType::QString)
        text = value.toString();
    else if (value.isValid() && value.typeId() != QMetaType::Nullptr)
        text = qv_descriptionOfValue(value);
    return uspsTextValue(text).replace(QLatin1Char('&'), QStringLiteral("%26"));
}

QVariantMap filledDictionary(const QVariantMap &variables)
{
    QVariantMap filled;
    for (auto entry = variables.cbegin(); entry != variables.cend(); ++entry)
        filled.insert(entry.key(), filledValue(entry.value()));
    return filled;
}

bool isFormSafe(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~' || c == '%';
}

QByteArray formEscaped(const QByteArray &bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray escaped;
    escaped.reserve(bytes.size() * 3 / 2);
    for (char c : bytes) {
        if (isFormSafe(c)) {
            escaped.append(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            escaped.append('%');
            escaped.append(hex[byte >> 4]);
            escaped.append(hex[byte & 0xF]);
        }
    }
    return escaped;
}

} // namespace

QString uspsTextValue(const QString &text)
{
    QString safe = text;
    safe.replace(QLatin1Char('%'), QStringLiteral("%25"));
    return QVXMLUtilities::stringByXMLSpecialChars(safe);
}

QVariant uspsValueForKeyPath(const QVariantMap &dictionary, const QString &keyPath)
{
    const QStringList steps = keyPath.split(QLatin1Char('.'));
    QVariant current = dictionary;
    for (const QString &step : steps) {
        if (current.typeId() != QMetaType::QVariantMap)
            return QVariant();
        const QVariantMap map = current.toMap();
        const auto found = map.constFind(step);
        if (found == map.cend())
            return QVariant();
        current = *found;
    }
    return current;
}

void uspsSetValueForKeyPath(QVariantMap &dictionary, const QString &keyPath, const QVariant &value)
{
    const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        dictionary.insert(keyPath, value);
        return;
    }
    const QString first = keyPath.left(dot);
    QVariantMap inner = dictionary.value(first).toMap();
    uspsSetValueForKeyPath(inner, keyPath.mid(dot + 1), value);
    dictionary.insert(first, inner);
}

QString uspsReplyText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QVariantMap:
        return value.toMap().isEmpty() ? QString() : qv_descriptionOfValue(value);
    case QMetaType::QVariantList:
        return value.toList().isEmpty() ? QString() : qv_descriptionOfValue(value);
    default:
        return value.isValid() ? qv_descriptionOfValue(value) : QString();
    }
}

std::optional<QVariantMap> QVUSPSAPI::APIDictionary()
{
    TemplateList &list = templateList();
    if (list.missingForTesting)
        return std::nullopt;
    if (list.overridden)
        return list.overridden;
    if (!list.loaded) {
        const auto plist = Bundle::propertyListForResource(QStringLiteral("USPSAPI"));
        if (plist && plist->typeId() == QMetaType::QVariantMap)
            list.loaded = plist->toMap();
    }
    return list.loaded;
}

void QVUSPSAPI::setAPIDictionaryForTesting(const std::optional<QVariantMap> &dictionary, bool missing)
{
    templateList().overridden = dictionary;
    templateList().missingForTesting = missing;
}

std::optional<QVUSPSAPI> QVUSPSAPI::apiWithAPI(const QString &api, const QList<QVariantMap> &replacementVariableArray)
{
    const auto list = APIDictionary();
    const QVariant entry = list ? list->value(api) : QVariant();
    if (entry.typeId() != QMetaType::QVariantMap) {
        qInfo().noquote() << QStringLiteral(" no api by that name");
        return std::nullopt;
    }
    const QVariantMap entryMap = entry.toMap();
    const qint64 limit = uspsValueForKeyPath(entryMap, QStringLiteral("request.limit")).toLongLong();
    if (replacementVariableArray.size() > limit) {
        qInfo().noquote() << QStringLiteral("too many API body requests for %1").arg(api);
        return std::nullopt;
    }
    const QString bodyTemplate = uspsValueForKeyPath(entryMap, QStringLiteral("request.body")).toString();
    QString bodies;
    for (const QVariantMap &variables : replacementVariableArray)
        bodies += stringByReplacingKeysInDictionary(bodyTemplate, filledDictionary(variables), kStart, kEnd, true);
    const QString wrapper = uspsValueForKeyPath(entryMap, QStringLiteral("request.wrapper")).toString();
    const QString xml =
        stringByReplacingKeysInDictionary(wrapper, {{QStringLiteral("body"), bodies}}, kStart, kEnd, false);
    return QVUSPSAPI(api, xml);
}

std::optional<QVUSPSAPI> QVUSPSAPI::apiWithAPI(const QString &api, const QVariantMap &replacementVariables)
{
    return apiWithAPI(api, QList<QVariantMap>{replacementVariables});
}

QVariant QVUSPSAPI::entryValue(const QString &keyPath) const
{
    const auto list = APIDictionary();
    if (!list)
        return QVariant();
    return uspsValueForKeyPath(list->value(m_api).toMap(), keyPath);
}

qint64 QVUSPSAPI::limit() const { return entryValue(QStringLiteral("request.limit")).toLongLong(); }

QString QVUSPSAPI::responseStartString() const { return entryValue(QStringLiteral("responseStart")).toString(); }

bool QVUSPSAPI::isSecure() const
{
    const QVariant secure = entryValue(QStringLiteral("isSecure"));
    return secure.typeId() == QMetaType::QString ? boolValue(secure.toString()) : secure.toBool();
}

QString QVUSPSAPI::wireName(const QString &api)
{
    return api == QLatin1String("TrackV2Field") ? QStringLiteral("TrackV2") : api;
}

QByteArray QVUSPSAPI::requestDataForUserID(const QString &userid, const QString &password)
{
    const QVariantMap credentials =
        filledDictionary({{QStringLiteral("userid"), userid}, {QStringLiteral("password"), password}});
    m_requestString = stringByReplacingKeysInDictionary(m_requestString, credentials, kStart, kEnd, true);
    return "API=" + formEscaped(wireName(m_api).toUtf8()) + "&XML=" + formEscaped(dataValue(m_requestString));
}
