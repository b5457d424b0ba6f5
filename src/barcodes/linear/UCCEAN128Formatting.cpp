// Preparation of numbers for Code 128 / GS1-128.
#include "barcodes/linear/UCCEAN128Formatting.h"

#include "model/StringAdditions.h"

#include <QDebug>

namespace tolvane {

namespace {

const QString kFNC1Escape = QStringLiteral("~999");

bool isAsciiDigits(QStringView text)
{
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace

QString stringByEncodingCustomsBarcodeNumber(const QString &number) { return number; }

QString stringByEncodingUSPSExpressMailTrackingNumber(const QString &number)
{
    if (number.contains(QLatin1Char('*'))) {
        QString out = number;
        return out.replace(QLatin1Char('*'), kFNC1Escape);
    }
    return ::stringByRemovingWhitespace(number);
}

QString stringByEncodingUSPSConfirmationNumber(const QString &number)
{
    if (number.contains(QLatin1Char('*'))) {
        QString out = number;
        return out.replace(QLatin1Char('*'), kFNC1Escape);
    }
    if (number.startsWith(QLatin1String("420"))) {
        // "420", the 5-digit ZIP Code, then the tracking number (at least
        // two characters of it).
        if (number.size() >= 10 && isAsciiDigits(QStringView(number).mid(3, 5)))
            return QString(number).insert(8, kFNC1Escape);
    } else if (number.startsWith(QLatin1Char('9'))) {
        return number;
    }
    qWarning().noquote() << QStringLiteral("bad conf number passed to %1: %2")
                                .arg(QStringLiteral("stringByEncodingUSPSConfirmationNumber"), number);
    return QString();
}

} // namespace tolvane
