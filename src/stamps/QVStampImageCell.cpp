#include "stamps/QVStampImageCell.h"

#include "platform/Bundle.h"
#include "stamps/TintedImage.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QHash>
#include <QPainterPath>
#include <QPalette>

#include <map>

namespace {

bool gDrawDollarOverlay = false;

std::map<QString, QHash<QString, QImage>> &amountCache()
{
    static std::map<QString, QHash<QString, QImage>> cache;
    return cache;
}

// Stamp artwork: a white stamp with perforated edges, a blue frame and a
// flag band, `size` pixels.
QImage drawnStamp(const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = size.width();
    const double h = size.height();
    const double hole = std::max(3.0, w / 40);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 248, 240));
    painter.drawRect(QRectF(0, 0, w, h));
    // Perforations: half circles cut out along the edges.
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    for (double x = hole; x < w; x += hole * 3) {
        painter.drawEllipse(QPointF(x, 0), hole, hole);
        painter.drawEllipse(QPointF(x, h), hole, hole);
    }
    for (double y = hole; y < h; y += hole * 3) {
        painter.drawEllipse(QPointF(0, y), hole, hole);
        painter.drawEllipse(QPointF(w, y), hole, hole);
    }
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRectF inner(w * 0.08, h * 0.08, w * 0.84, h * 0.84);
    painter.setBrush(QColor(232, 238, 247));
    painter.setPen(QPen(QColor(30, 60, 120), std::max(1.0, w / 120)));
    painter.drawRect(inner);
    // A band of stripes along the bottom and a star field in the corner.
    const double stripe = inner.height() * 0.06;
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(QColor(178, 34, 52, 150));
        painter.drawRect(QRectF(inner.left(), inner.bottom() - stripe * (2 * i + 1.5), inner.width(), stripe));
    }
    painter.setBrush(QColor(30, 60, 120, 170));
    painter.drawRect(QRectF(inner.left(), inner.top(), inner.width() * 0.22, inner.height() * 0.22));
    QFont font(QStringLiteral("Helvetica"));
    font.setPixelSize(std::max(6, int(h * 0.09)));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(30, 60, 120));
    painter.drawText(inner.adjusted(0, h * 0.02, -w * 0.03, 0), Qt::AlignRight | Qt::AlignTop, QStringLiteral("USA"));
    return image;
}

QImage loadedOrDrawn(const QString &name, const QSize &size)
{
    const QString path = Bundle::pathForResource(name, QStringLiteral("png"));
    QImage image;
    if (!path.isEmpty())
        image.load(path);
    if (image.isNull())
        image = drawnStamp(size);
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

QImage QVStampImageCell::backgroundImage()
{
    static const QImage image = loadedOrDrawn(QStringLiteral("tolvanestamp"), QSize(240, 200));
    return image;
}

QImage QVStamp2000ImageCell::backgroundImage()
{
    static const QImage image = loadedOrDrawn(QStringLiteral("just-stamp"), QSize(480, 400));
    return image;
}

bool QVStampImageCell::drawDollarOverlay() { return gDrawDollarOverlay; }

void QVStampImageCell::setDrawDollarOverlay(bool on) { gDrawDollarOverlay = on; }

QImage QVStampImageCell::tintImage()
{
    static const QImage image = kx_tintedImageWithColor(backgroundImage(), QColor::fromRgbF(0, 1, 1, 0.2));
    return image;
}

int QVStampImageCell::cachedAmountCount(const QString &cellClass)
{
    const auto found = amountCache().find(cellClass);
    return found == amountCache().end() ? 0 : int(found->second.size());
}

QColor QVStampImageCell::selectionTint()
{
    QColor color = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    color.setAlphaF(0.4f);
    return color;
}

void QVStampImageCell::setOverlayImage(const QImage &overlay)
{
    QImage image = classBackgroundImage();
    if (!overlay.isNull()) {
        image = image.copy();
        QPainter painter(&image);
        painter.drawImage(QRectF(15, 15, overlay.width() * 1.2, overlay.height() * 1.2), overlay);
    }
    m_stampImage = image;
}

QImage QVStampImageCell::renderedImage() const
{
    QImage image;
    if (!m_stampAmount.isNull()) {
        QHash<QString, QImage> &cache = amountCache()[cellClassName()];
        const auto found = cache.constFind(m_stampAmount);
        if (found != cache.constEnd()) {
            image = found.value();
        } else {
            image = classBackgroundImage().copy();
            QPainter painter(&image);
            painter.setRenderHint(QPainter::TextAntialiasing);
            QFont font(QStringLiteral("Helvetica"));
            font.setPixelSize(classFontSize());
            painter.setFont(font);
            painter.setPen(QColor::fromRgbF(0.1f, 0.1f, 0.1f, 1));
            const QFontMetricsF metrics(font);
            const double width = metrics.horizontalAdvance(m_stampAmount);
            const double height = metrics.height();
            const QPointF origin((image.width() - width) / 2 + classHOffset(), (image.height() - height) / 2);
            painter.drawText(QPointF(origin.x(), origin.y() + metrics.ascent()), m_stampAmount);
            painter.end();
            cache.insert(m_stampAmount, image);
        }
    } else {
        image = classBackgroundImage().copy();
    }
    if (m_selected)
        image = kx_tintedImageWithColor(image, selectionTint());
    return image;
}

void QVStampImageCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame) const
{
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(1.0);
    painter.drawImage(frame, renderedImage());
    painter.restore();
}
