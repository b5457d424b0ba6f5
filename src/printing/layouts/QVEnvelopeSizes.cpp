#include "printing/layouts/QVEnvelopeSizes.h"

#include "platform/Bundle.h"
#include "platform/UserDefaults.h"

#include <QRegularExpression>

#include <cmath>

namespace tolvane {

namespace {

QVariantList arrayResource(const QString &name)
{
    const std::optional<QVariant> list = Bundle::propertyListForResource(name);
    if (!list || list->typeId() != QMetaType::QVariantList)
        return {};
    return list->toList();
}

QVEnvelopeSize selected(const QString &key, const QVariantList &builtin, const QVariantList &custom)
{
    return QVEnvelopeSizes::entryForTag(UserDefaults::standardUserDefaults().integerForKey(key), builtin, custom);
}

} // namespace

QVariantList QVEnvelopeSizes::builtinEnvelopeSizes()
{
    static const QVariantList sizes = arrayResource(QStringLiteral("EnvelopeSizes"));
    return sizes;
}

QVariantList QVEnvelopeSizes::builtinPostcardSizes()
{
    static const QVariantList sizes = arrayResource(QStringLiteral("PostcardSizes"));
    return sizes;
}

QVariantList QVEnvelopeSizes::customEnvelopeSizes()
{
    return UserDefaults::standardUserDefaults().arrayForKey(QVEnvelopeSizesKey);
}

QVEnvelopeSize QVEnvelopeSizes::entryForTag(qint64 tag, const QVariantList &builtin, const QVariantList &custom)
{
    if (tag < kBuiltinTagBase)
        return {};
    const QVariantList &list = tag < kCustomTagBase ? builtin : custom;
    const qint64 index = tag - (tag < kCustomTagBase ? kBuiltinTagBase : kCustomTagBase);
    if (index >= list.size())
        return {};
    return entryFromVariant(list.at(qsizetype(index)));
}

QVEnvelopeSize QVEnvelopeSizes::entryFromVariant(const QVariant &entry)
{
    if (entry.typeId() != QMetaType::QVariantMap)
        return {};
    const QVariantMap map = entry.toMap();
    const QVariant sizeText = map.value(QVEnvelopeSizeSizeKey);
    if (sizeText.typeId() != QMetaType::QString)
        return {};
    const std::optional<QSizeF> size = sizeFromString(sizeText.toString());
    if (!size)
        return {};
    const QVariant name = map.value(QVEnvelopeSizeNameKey);
    return {name.typeId() == QMetaType::QString ? name.toString() : QString(), *size};
}

QVEnvelopeSize QVEnvelopeSizes::currentEnvelope()
{
    return selected(QVSelectedEnvelopeSizeKey, builtinEnvelopeSizes(), customEnvelopeSizes());
}

QVEnvelopeSize QVEnvelopeSizes::currentPostcard()
{
    return selected(QVSelectedPostcardSizeKey, builtinPostcardSizes(), customPostcardSizes());
}

QString QVEnvelopeSizes::summaryString(const QVEnvelopeSize &entry)
{
    const QString numbers =
        QStringLiteral("(%1\" x %2\")").arg(plainDecimal(entry.size.height()), plainDecimal(entry.size.width()));
    return entry.name.isEmpty() ? numbers : entry.name + QLatin1Char(' ') + numbers;
}

QString QVEnvelopeSizes::menuTitle(const QVEnvelopeSize &entry)
{
    return QStringLiteral("%1 - %2\" x %3\"")
        .arg(entry.name, plainDecimal(entry.size.height()), plainDecimal(entry.size.width()));
}

std::optional<QSizeF> QVEnvelopeSizes::sizeFromString(const QString &text)
{
    static const QString number = QStringLiteral("([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)");
    static const QRegularExpression form(QStringLiteral("^\\s*\\{\\s*%1\\s*,\\s*%1\\s*\\}\\s*$").arg(number));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool widthOk = false;
    bool heightOk = false;
    const double width = match.captured(1).toDouble(&widthOk);
    const double height = match.captured(2).toDouble(&heightOk);
    const auto usable = [](bool ok, double side) {
        return ok && std::isfinite(side) && side >= kMinimumSideInches && side <= kMaximumSideInches;
    };
    if (!usable(widthOk, width) || !usable(heightOk, height))
        return std::nullopt;
    return QSizeF(width, height);
}

QString QVEnvelopeSizes::stringFromSize(const QSizeF &size)
{
    return QStringLiteral("{%1, %2}").arg(plainDecimal(size.width()), plainDecimal(size.height()));
}

QString QVEnvelopeSizes::plainDecimal(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    QString text = QString::number(value, 'f', 6);
    while (text.contains(QLatin1Char('.')) && (text.endsWith(QLatin1Char('0')) || text.endsWith(QLatin1Char('.'))))
        text.chop(1);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

QVariantMap QVEnvelopeSizes::entry(const QString &name, const QSizeF &size)
{
    return {{QVEnvelopeSizeNameKey, name}, {QVEnvelopeSizeSizeKey, stringFromSize(size)}};
}

} // namespace tolvane
