#include "platform/ArchivedValues.h"

#include "platform/VariantKinds.h"
#include "platform/PropertyList.h"
#include "platform/UserDefaults.h"

#include <QVariantMap>

namespace {

const QString kFamily = QStringLiteral("family");
const QString kPointSize = QStringLiteral("pointSize");
const QString kBold = QStringLiteral("bold");
const QString kItalic = QStringLiteral("italic");
const QString kRed = QStringLiteral("red");
const QString kGreen = QStringLiteral("green");
const QString kBlue = QStringLiteral("blue");
const QString kAlpha = QStringLiteral("alpha");

std::optional<QVariantMap> archivedDictionary(const QVariant &value)
{
    if (value.typeId() != QMetaType::QByteArray)
        return std::nullopt;
    const auto plist = readPropertyList(value.toByteArray());
    if (!plist || plist->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return plist->toMap();
}

} // namespace

QByteArray archivedDataWithFont(const QFont &font)
{
    const QVariantMap plist = {
        {kFamily, font.family()}, {kPointSize, font.pointSizeF()}, {kBold, font.bold()}, {kItalic, font.italic()}};
    return writeBinaryPropertyList(plist).value_or(QByteArray());
}

std::optional<QFont> fontWithArchivedData(const QVariant &value)
{
    const auto plist = archivedDictionary(value);
    if (!plist)
        return std::nullopt;
    const QVariant family = plist->value(kFamily);
    const QVariant size = plist->value(kPointSize);
    if (family.typeId() != QMetaType::QString || family.toString().isEmpty() || !isNumberVariant(size) ||
        !(size.toDouble() > 0) || size.toDouble() > 1000)
        return std::nullopt;
    QFont font(family.toString());
    font.setPointSizeF(size.toDouble());
    font.setBold(plist->value(kBold).toBool());
    font.setItalic(plist->value(kItalic).toBool());
    return font;
}

QByteArray archivedDataWithColor(const QColor &color)
{
    const QColor rgb = color.toRgb();
    const QVariantMap plist = {
        {kRed, rgb.redF()}, {kGreen, rgb.greenF()}, {kBlue, rgb.blueF()}, {kAlpha, rgb.alphaF()}};
    return writeBinaryPropertyList(plist).value_or(QByteArray());
}

std::optional<QColor> colorWithArchivedData(const QVariant &value)
{
    const auto plist = archivedDictionary(value);
    if (!plist)
        return std::nullopt;
    double components[4] = {0, 0, 0, 1};
    const QString keys[4] = {kRed, kGreen, kBlue, kAlpha};
    for (int i = 0; i < 4; ++i) {
        const QVariant component = plist->value(keys[i]);
        if (!component.isValid() && i == 3)
            continue;
        if (!isNumberVariant(component) || component.toDouble() < 0 || component.toDouble() > 1)
            return std::nullopt;
        components[i] = component.toDouble();
    }
    return QColor::fromRgbF(float(components[0]), float(components[1]), float(components[2]), float(components[3]));
}

std::optional<QFont> fontForDefaultsKey(const UserDefaults &defaults, const QString &key)
{
    return fontWithArchivedData(defaults.objectForKey(key));
}

std::optional<QColor> colorForDefaultsKey(const UserDefaults &defaults, const QString &key)
{
    return colorWithArchivedData(defaults.objectForKey(key));
}
