#include "stamps/TessaroNumberView.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

// A box blur of the alpha channel (three passes approach a Gaussian).
QImage blurred(const QImage &source, int radius)
{
    if (radius <= 0)
        return source;
    QImage image = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = image.width();
    const int h = image.height();
    QList<int> alpha(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            alpha[y * w + x] = qAlpha(image.pixel(x, y));
    QList<int> buffer(w * h);
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int sum = 0, count = 0;
                for (int k = std::max(0, x - radius); k <= std::min(w - 1, x + radius); ++k, ++count)
                    sum += alpha[y * w + k];
                buffer[y * w + x] = sum / count;
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                int sum = 0, count = 0;
                for (int k = std::max(0, y - radius); k <= std::min(h - 1, y + radius); ++k, ++count)
                    sum += buffer[k * w + x];
                alpha[y * w + x] = sum / count;
            }
    }
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            out.setPixel(x, y, qRgba(0, 0, 0, alpha[y * w + x]));
    return out;
}

QFont badgeFont()
{
    QFont font(QStringLiteral("LucidaGrande-Bold"));
    if (!QFontDatabase::families().contains(QStringLiteral("LucidaGrande-Bold"))) {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setBold(true);
    }
    font.setPointSizeF(18);
    return font;
}

} // namespace

TessaroNumberView::TessaroNumberView(QWidget *parent) : QWidget(parent) {}

void TessaroNumberView::setNumberToDisplay(const QString &number)
{
    if (number == m_number)
        return;
    m_number = number;
    ++m_redisplayRequests;
    update();
}

QImage TessaroNumberView::badgeImage(const QSize &pixels) const
{
    const double sx = pixels.width() / 26.0;
    const double sy = pixels.height() / 26.0;
    const double s = (sx + sy) / 2;
    QImage badge(pixels, QImage::Format_ARGB32_Premultiplied);
    badge.fill(Qt::transparent);
    if (pixels.isEmpty())
        return badge;

    // The disc in box units: rim width L whole pixels, its half-pixel fraction f.
    double lineWidth = 1.5 * s < 1 ? std::ceil(1.5 * s) : std::round(1.5 * s);
    const double f = std::fmod(lineWidth / 2, 1.0);
    const QRectF oval((std::round(1.5 * s + f) - f) / s, (std::round(3.5 * s + f) - f) / s, std::round(22.5 * s) / s,
                      std::round(22.404 * s) / s);
    // Box units are y-up; flip the oval into y-down.
    const QRectF disc(oval.x(), 26 - oval.y() - oval.height(), oval.width(), oval.height());

    QImage layer(pixels, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter painter(&layer);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(sx, sy);
        painter.setBrush(QColor::fromRgbF(0.52f, 0.52f, 0.52f, 1));
        QPen rim(Qt::white, lineWidth / s);
        rim.setCapStyle(Qt::SquareCap);
        painter.setPen(rim);
        painter.drawEllipse(disc);
        painter.setPen(Qt::white);
        painter.setFont(badgeFont());
        const QRectF textBox(std::round(3 * s) / s, 0, std::round(20 * s) / s, std::round(26 * s) / s);
        const QString text = QFontMetricsF(painter.font()).elidedText(m_number, Qt::ElideRight, textBox.width());
        painter.drawText(textBox, Qt::AlignCenter, text);
    }

    // The shadow: black at 0.252, blurred 3 s, 1.439 s lower.
    {
        QImage shadow = blurred(layer, int(std::round(3 * s / 2)));
        QPainter painter(&badge);
        painter.setOpacity(0.252);
        painter.drawImage(QPointF(0, 1.439 * s), shadow);
        painter.setOpacity(1);
        painter.drawImage(QPointF(0, 0), layer);
    }

    // The gloss over the upper part: white 0.3 where the badge is, above an
    // oval twice the box's width centred on its bottom edge.
    {
        QPainter painter(&badge);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.setOpacity(0.846);
        QPainterPath region;
        region.setFillRule(Qt::OddEvenFill);
        const QRectF box(0, 0, pixels.width(), pixels.height());
        region.addRect(box);
        region.addEllipse(QRectF(0, box.height() - 0.601 * box.height(), 2 * box.width(), 1.202 * box.height()));
        painter.setClipPath(region);
        painter.fillRect(box, QColor::fromRgbF(1, 1, 1, 0.3f));
    }
    return badge;
}

void TessaroNumberView::paintEvent(QPaintEvent *)
{
    const qreal ratio = devicePixelRatioF();
    QImage image = badgeImage((QSizeF(size()) * ratio).toSize());
    image.setDevicePixelRatio(ratio);
    QPainter painter(this);
    painter.drawImage(QPointF(0, 0), image);
}
