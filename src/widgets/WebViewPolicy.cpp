#include "widgets/WebViewPolicy.h"

#include <QCloseEvent>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocale>

namespace {

// A script value: numbers are doubles (the script has no other), null a null
// variant.
QVariant scriptValue(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Bool:
        return value.toBool();
    case QJsonValue::Double:
        return value.toDouble();
    case QJsonValue::Array: {
        QVariantList list;
        for (const QJsonValue &item : value.toArray())
            list.append(scriptValue(item));
        return list;
    }
    case QJsonValue::Object: {
        QVariantMap map;
        const QJsonObject object = value.toObject();
        for (auto it = object.begin(); it != object.end(); ++it)
            map.insert(it.key(), scriptValue(it.value()));
        return map;
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return QVariant();
}

} // namespace

std::optional<ScriptCall> scriptCallFromJson(const QByteArray &json)
{
    if (json.size() > kMaxScriptCallSize)
        return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue name = object.value(QLatin1String("name"));
    const QJsonValue arguments = object.value(QLatin1String("args"));
    if (!name.isString() || name.toString().isEmpty() || !(arguments.isArray() || arguments.isUndefined()))
        return std::nullopt;
    ScriptCall call;
    call.name = name.toString();
    for (const QJsonValue &argument : arguments.toArray())
        call.arguments.append(scriptValue(argument));
    return call;
}

QString scriptArgumentText(const QVariant &argument)
{
    const QJsonValue value = QJsonValue::fromVariant(argument);
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QJsonValue::Array:
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return QStringLiteral("null");
}

QStringList scriptArgumentTexts(const QVariantList &arguments)
{
    QStringList texts;
    for (const QVariant &argument : arguments)
        texts << scriptArgumentText(argument);
    return texts;
}

namespace {

WebPageWindowMaker &installedMaker()
{
    static WebPageWindowMaker maker;
    return maker;
}

} // namespace

void setWebPageWindowMaker(WebPageWindowMaker maker) { installedMaker() = std::move(maker); }

WebPageWindow *makeWebPageWindow(std::shared_ptr<WebViewPolicy> policy)
{
    if (!installedMaker() || !policy)
        return nullptr;
    return installedMaker()(std::move(policy));
}

void WebPageWindow::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        policy().windowWillClose();
}
