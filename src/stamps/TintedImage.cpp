#include "stamps/TintedImage.h"

QImage kx_tintedImageWithColor(const QImage &image, const QColor &color, QPainter::CompositionMode operation)
{
    QImage tinted(image.size(), QImage::Format_ARGB32_Premultiplied);
    tinted.setDevicePixelRatio(image.devicePixelRatio());
    tinted.fill(Qt::transparent);
    QPainter painter(&tinted);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPoint(0, 0), image);
    painter.setCompositionMode(operation);
    painter.fillRect(QRect(QPoint(0, 0), image.size()), color);
    return tinted;
}
