#include "printing/layouts/QVLayoutViews.h"

#include "barcodes/imaging/ViewGeometry.h"
#include "platform/Bundle.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QImageReader>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>

#include <cmath>

namespace tolvane {

QPaintDevice *pointMeasuringDevice()
{
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_Mono);
        const int dotsPerMeter = qRound(72.0 / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

// ---- QVLayoutImage -------------------------------------------------------

QVLayoutImage QVLayoutImage::fromImage(const QImage &image)
{
    QVLayoutImage result;
    if (image.isNull())
        return result;
    result.m_image = image;
    const double dpiX = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() * 0.0254 : 72.0;
    const double dpiY = image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() * 0.0254 : 72.0;
    result.m_size = QSizeF(image.width() * 72.0 / dpiX, image.height() * 72.0 / dpiY);
    return result;
}

QVLayoutImage QVLayoutImage::fromFile(const QString &path)
{
    if (path.isEmpty())
        return QVLayoutImage();
    QImageReader reader(path);
    // Pictures of a sane size only: a huge file never becomes a huge image.
    reader.setAllocationLimit(256);
    return fromImage(reader.read());
}

QVLayoutImage QVLayoutImage::named(const QString &name)
{
    QVLayoutImage image = fromFile(Bundle::pathForResource(name, QStringLiteral("png")));
    if (!image.isNull())
        image.m_name = name;
    return image;
}

QVLayoutImage QVLayoutImage::fromView(QWidget *view)
{
    QVLayoutImage result;
    if (!view || view->width() <= 0 || view->height() <= 0)
        return result;
    auto picture = std::make_shared<QPicture>();
    {
        QPainter painter(picture.get());
        view->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    result.m_picture = std::move(picture);
    result.m_size = QSizeF(view->width(), view->height());
    return result;
}

void QVLayoutImage::draw(QPainter &painter, const QRectF &target) const
{
    if (isNull() || target.isEmpty())
        return;
    if (m_picture) {
        painter.save();
        painter.translate(target.topLeft());
        painter.scale(target.width() / m_size.width(), target.height() / m_size.height());
        // A recording is replayed scaled from its own resolution to the
        // device's; undo that so that a recorded point stays a point.
        const QPaintDevice *device = painter.device();
        if (device && device->logicalDpiX() > 0 && device->logicalDpiY() > 0)
            painter.scale(qreal(m_picture->logicalDpiX()) / device->logicalDpiX(),
                          qreal(m_picture->logicalDpiY()) / device->logicalDpiY());
        painter.drawPicture(QPointF(0, 0), *m_picture);
        painter.restore();
    } else {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(target, m_image);
        painter.restore();
    }
}

// ---- QVImageView -----------------------------------------------------------

QVImageView::QVImageView(QWidget *parent) : QWidget(parent) {}

void QVImageView::setImage(const QVLayoutImage &image)
{
    m_image = image;
    update();
}

void QVImageView::setScaling(Scaling scaling)
{
    m_scaling = scaling;
    update();
}

void QVImageView::setAlignment(Qt::Alignment alignment)
{
    m_alignment = alignment;
    update();
}

void QVImageView::setFramed(bool framed)
{
    m_framed = framed;
    update();
}

QRectF QVImageView::imageRect() const
{
    if (m_image.isNull())
        return QRectF();
    const QRectF bounds(0, 0, width(), height());
    QSizeF size = m_image.size();
    if (m_scaling == Scaling::AxesIndependently)
        return bounds;
    if (m_scaling == Scaling::ProportionallyDown && (size.width() > bounds.width() || size.height() > bounds.height()))
        size = size.scaled(bounds.size(), Qt::KeepAspectRatio);
    qreal x = (bounds.width() - size.width()) / 2;
    qreal y = (bounds.height() - size.height()) / 2;
    if (m_alignment & Qt::AlignLeft)
        x = 0;
    else if (m_alignment & Qt::AlignRight)
        x = bounds.width() - size.width();
    if (m_alignment & Qt::AlignTop)
        y = 0;
    else if (m_alignment & Qt::AlignBottom)
        y = bounds.height() - size.height();
    return QRectF(QPointF(x, y), size);
}

void QVImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setClipRect(rect(), Qt::IntersectClip);
    m_image.draw(painter, imageRect());
    if (m_framed) {
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(QRectF(0.5, 0.5, width() - 1, height() - 1));
    }
}

// ---- QVAddressField --------------------------------------------------------

QVAddressField::QVAddressField(QWidget *parent) : QWidget(parent)
{
    m_document.setDocumentMargin(0);
    m_document.setUndoRedoEnabled(false);
    m_document.documentLayout()->setPaintDevice(pointMeasuringDevice());
}

QString QVAddressField::text() const { return m_document.toPlainText(); }

void QVAddressField::clear()
{
    m_document.clear();
    m_document.setDefaultFont(font());
    update();
}

void QVAddressField::setPlainText(const QString &text)
{
    clear();
    if (!text.isEmpty())
        appendRun(text, font(), m_color);
}

void QVAddressField::insertHtml(const QString &html)
{
    QTextCursor cursor(&m_document);
    cursor.movePosition(QTextCursor::End);
    cursor.insertHtml(html);
    update();
}

namespace {
// Fixed line heights reach the layout scaled from the toolkit's default
// resolution to the layout device's; this factor undoes it so that a line
// height given in points is one in the layout.
qreal fixedLineHeightScale()
{
    static const qreal scale = [] {
        QTextDocument probe;
        probe.setDocumentMargin(0);
        probe.documentLayout()->setPaintDevice(pointMeasuringDevice());
        QTextCursor cursor(&probe);
        QTextBlockFormat block;
        block.setLineHeight(100, QTextBlockFormat::FixedHeight);
        cursor.setBlockFormat(block);
        cursor.insertText(QStringLiteral("A"));
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("A"));
        const qreal height = probe.documentLayout()->documentSize().height();
        return height > 0 ? height / 200 : 1.0;
    }();
    return scale;
}
} // namespace

void QVAddressField::appendRun(const QString &text, const QFont &font, const QColor &color, qreal lineHeight)
{
    QTextCursor cursor(&m_document);
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setFont(font);
    format.setForeground(color);
    // Each line becomes its own block; the first line continues the block
    // where the cursor stands.
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0)
            cursor.insertBlock();
        if (lineHeight > 0) {
            QTextBlockFormat block = cursor.blockFormat();
            block.setLineHeight(lineHeight / fixedLineHeightScale(), QTextBlockFormat::FixedHeight);
            cursor.setBlockFormat(block);
        }
        cursor.insertText(lines.at(i), format);
    }
    update();
}

void QVAddressField::setBordered(bool bordered)
{
    m_bordered = bordered;
    update();
}

QSizeF QVAddressField::fittingSize() const
{
    if (m_document.isEmpty())
        return QSizeF(2 * kHorizontalInset, 0);
    QTextDocument &document = const_cast<QTextDocument &>(m_document);
    document.setTextWidth(-1);
    const QSizeF size = document.documentLayout()->documentSize();
    return QSizeF(std::ceil(document.idealWidth()) + 2 * kHorizontalInset, std::ceil(size.height()));
}

void QVAddressField::sizeToFit()
{
    const QSizeF size = fittingSize();
    const QRectF frame = frameOf(this);
    setFrame(this, QRectF(frame.topLeft(), size));
}

qreal QVAddressField::defaultLineHeight() const { return QFontMetricsF(font(), pointMeasuringDevice()).lineSpacing(); }

void QVAddressField::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing, drawingToScreen(painter));
    painter.setRenderHint(QPainter::Antialiasing, drawingToScreen(painter));
    painter.setClipRect(rect(), Qt::IntersectClip);
    if (!m_document.isEmpty()) {
        painter.save();
        painter.translate(kHorizontalInset, 0);
        // The layout was made on a 72-dpi device, so its units are points,
        // the units of the field.
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, m_color);
        m_document.documentLayout()->draw(&painter, context);
        painter.restore();
    }
    if (m_bordered) {
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(QRectF(0.5, 0.5, width() - 1, height() - 1));
    }
}

} // namespace tolvane
