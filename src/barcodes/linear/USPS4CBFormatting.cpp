// Feeding the Intelligent Mail encoder from a text.
#include "barcodes/linear/USPS4CBFormatting.h"

#include "barcodes/linear/USPS4CB.h"

#include <QDebug>

namespace tolvane {

QByteArray dataByEncodingConfirmNumber(const QString &text)
{
    if (text.size() < 20)
        return QByteArray();
    const QByteArray tracking = text.left(20).toUtf8();
    const QByteArray routing = text.mid(20).toUtf8();
    QByteArray bars(kUSPS4CBBarCount + 1, '\0');
    const int code = USPS4CB(tracking.constData(), routing.constData(), bars.data());
    if (code != USPS4CB_SUCCESS) {
        qWarning().noquote() << QStringLiteral("USPS4CB returned %1").arg(code);
        return QByteArray();
    }
    return bars;
}

} // namespace tolvane
