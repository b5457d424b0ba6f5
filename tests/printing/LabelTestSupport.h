#pragma once
// Helpers of the label layout tests: sample shipments, label PDFs made by
// the print operation (saved to a file), and looking at their 300-dpi
// rasters.
#include "Epl2Checker.h"
#include "PrintingTestSupport.h"
#include "ViewTestSupport.h"

#include "model/QVShipment.h"
#include "printing/QVPrintOperation.h"
#include "rates/QVUSPSRateClassNames.h"

#include <QImage>
#include <QRectF>
#include <QWidget>

#include <memory>

namespace tolvane::test {

inline QVariantMap sampleAddress(const QString &name, const QString &street, const QString &city, const QString &state,
                                 const QString &zip)
{
    QVAddress address;
    address.setName(name);
    address.setStreet(street);
    address.setCity(city);
    address.setState(state);
    address.setZIP(zip);
    return address.plist();
}

// A Priority Mail package from Denver to Boston with a package number and an
// Intelligent Mail tracking code.
inline std::shared_ptr<QVShipment> samplePriorityShipment()
{
    auto shipment = std::make_shared<QVShipment>();
    QVAddress from(sampleAddress(QStringLiteral("Ada Sender"), QStringLiteral("1600 Blake St"),
                                 QStringLiteral("Denver"), QStringLiteral("CO"), QStringLiteral("80202-1234")));
    from.setPhone(QStringLiteral("3035550123"));
    shipment->setObject(from.plist(), QVShipmentFromAddressKey);
    QVAddress to(sampleAddress(QStringLiteral("Grace Receiver"), QStringLiteral("12 Harvard St"),
                               QStringLiteral("Boston"), QStringLiteral("MA"), QStringLiteral("02134-1409")));
    to.setZIP2(QStringLiteral("12"));
    shipment->setObject(to.plist(), QVShipmentToAddressKey);
    shipment->setObject(QVUSPSPriorityMail, QVUSPSShipmentRateClassKey);
    shipment->setObject(QVUSPSRegularSize, QVUSPSShipmentSizeKey);
    shipment->setObject(QStringLiteral("9205590100130471010801"), QVUSPSShipmentPICKey);
    shipment->setObject(QStringLiteral("00040123456200800001"), QVUSPSShipmentConfirmKey);
    return shipment;
}

// Extras that save the job's PDF at the path instead of spooling it.
inline QVariantMap saveExtras(const QString &path)
{
    return {{QVPrintInfoJobDispositionKey, QVPrintInfoJobSave}, {QVPrintInfoSavePathKey, path}};
}

// The share of dark pixels (below mid grey) of a rectangle given in points
// of a raster made at `dpi`.
inline double darkShare(const QImage &image, const QRectF &points, int dpi = 300)
{
    const double scale = dpi / 72.0;
    const QRect area = QRectF(points.x() * scale, points.y() * scale, points.width() * scale, points.height() * scale)
                           .toAlignedRect()
                           .intersected(image.rect());
    if (area.isEmpty())
        return 0;
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    qint64 dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar *line = grey.constScanLine(y);
        for (int x = area.left(); x <= area.right(); ++x)
            dark += line[x] < 128;
    }
    return double(dark) / double(area.width() * area.height());
}

// The Intelligent Mail bars of a view as drawn in a raster made at `dpi`
// (the view's frame given in points, top-left based, with a margin around).
inline FourStateBarGeometry intelligentMailBarsOf(const QImage &raster, const QRectF &viewInLabel, int dpi = 300)
{
    const double scale = dpi / 72.0;
    const QRectF area = viewInLabel.adjusted(-2, -2, 2, 2);
    const QRect band =
        QRectF(area.x() * scale, area.y() * scale, area.width() * scale, area.height() * scale).toAlignedRect();
    return measureFourStateBars(raster, band, dpi);
}

// The letters of the Intelligent Mail barcode as drawn.
inline QString readIntelligentMailBars(const QImage &raster, const QRectF &viewInLabel, int dpi = 300)
{
    return intelligentMailBarsOf(raster, viewInLabel, dpi).letters;
}

// A frame of a view inside its window (the label or envelope view), top-left based.
inline QRectF topLeftFrame(QWidget *view) { return QRectF(view->mapTo(view->window(), QPoint(0, 0)), view->size()); }

} // namespace tolvane::test
