#include "services/QVXMLUtilities.h"

#include "model/XMLDocument.h"

namespace {

QString valueText(const QVariant &value, bool convertAmpersands)
{
    if (!value.isValid() || value.typeId() == QMetaType::Nullptr)
        return QString();
    if (value.typeId() == QMetaType::QString)
        return convertAmpersands ? QVXMLUtilities::stringByXMLSpecialChars(value.toString()) : value.toString();
    return qv_descriptionOfValue(value);
}

} // namespace

QString QVXMLUtilities::stringByXMLSpecialChars(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    result.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    result.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    result.replace(QLatin1Char('"'), QStringLiteral("&quot;"));
    result.replace(QLatin1Char('\''), QStringLiteral("&apos;"));
    return result;
}

QString QVXMLUtilities::createXMLLineWithTag(const QString &tag, const QVariant &value, bool convertAmpersands)
{
    return QStringLiteral("<%1>%2</%1>\n").arg(tag, valueText(value, convertAmpersands));
}

QString QVXMLUtilities::createXMLRecordWithTag(const QString &tag, const QVariant &value, bool convertAmpersands)
{
    return QStringLiteral("<%1>\n%2\n</%1>\n").arg(tag, valueText(value, convertAmpersands));
}

QString QVXMLUtilities::XMLLinesWithDictionary(const QVariantMap &dictionary)
{
    QString lines;
    for (auto entry = dictionary.cbegin(); entry != dictionary.cend(); ++entry)
        lines += createXMLLineWithTag(entry.key(), entry.value());
    return lines;
}
