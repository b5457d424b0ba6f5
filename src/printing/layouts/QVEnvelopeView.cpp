#include "printing/layouts/QVEnvelopeView.h"

#include "barcodes/imaging/ViewGeometry.h"

#include <QPainter>

#include <cmath>

namespace tolvane {

namespace {

constexpr QSizeF kPageSize(792, 612);

// One axis: the margins before and after and the length, each stretching or
// not, share the change of the container's length.
void resizeAxis(qreal &before, qreal &length, qreal &after, bool flexBefore, bool flexLength, bool flexAfter,
                qreal change)
{
    const int flexible = int(flexBefore) + int(flexLength) + int(flexAfter);
    if (flexible == 0 || change == 0)
        return;
    const qreal total = (flexBefore ? before : 0) + (flexLength ? length : 0) + (flexAfter ? after : 0);
    const auto share = [&](bool flex, qreal part) {
        if (!flex)
            return qreal(0);
        return total > 0 ? change * part / total : change / flexible;
    };
    const qreal toBefore = share(flexBefore, before);
    const qreal toLength = share(flexLength, length);
    const qreal toAfter = share(flexAfter, after);
    before += toBefore;
    length += toLength;
    after += toAfter;
}

} // namespace

QRectF QVAutoresizing::resizedFrame(const QRectF &frame, int mask, const QSizeF &oldSize, const QSizeF &newSize)
{
    qreal left = frame.x();
    qreal width = frame.width();
    qreal right = oldSize.width() - frame.right();
    qreal bottom = frame.y();
    qreal height = frame.height();
    qreal top = oldSize.height() - frame.bottom();
    resizeAxis(left, width, right, mask & MinXMargin, mask & WidthSizable, mask & MaxXMargin,
               newSize.width() - oldSize.width());
    resizeAxis(bottom, height, top, mask & MinYMargin, mask & HeightSizable, mask & MaxYMargin,
               newSize.height() - oldSize.height());
    // An axis with nothing stretching keeps its left and bottom margins.
    return QRectF(left, bottom, std::max<qreal>(width, 0), std::max<qreal>(height, 0));
}

QVEnvelopeView::QVEnvelopeView(QWidget *parent) : QWidget(parent) {}

void QVEnvelopeView::setFrameSize(const QSizeF &size)
{
    const QSizeF oldSize(width(), height());
    const QSize newSize(int(std::lround(std::max<qreal>(size.width(), 0))),
                        int(std::lround(std::max<qreal>(size.height(), 0))));
    // Frames are read y-up against the old height before anything moves.
    QList<QPair<QWidget *, QRectF>> children;
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        children.append({child, frameOf(child)});
    resize(newSize);
    for (const auto &[child, frame] : children) {
        const int mask = child->property(QVAutoresizing::PropertyName).toInt();
        setFrame(child, QVAutoresizing::resizedFrame(frame, mask, oldSize, QSizeF(newSize)));
    }
    if (m_sizeObserver)
        m_sizeObserver();
}

void QVEnvelopeView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (drawingToScreen(painter))
        painter.fillRect(rect(), Qt::white);
}

QVEnvelopePrintView::QVEnvelopePrintView(QWidget *parent) : QWidget(parent)
{
    resize(kPageSize.toSize());
    setAttribute(Qt::WA_TranslucentBackground);
}

void QVEnvelopePrintView::setEnvelope(QWidget *envelopeView)
{
    m_envelope = envelopeView;
    m_pdf = QVLayoutImage::fromView(envelopeView);
    update();
}

QSizeF QVEnvelopePrintView::envelopeSize() const
{
    return m_envelope ? QSizeF(m_envelope->width(), m_envelope->height()) : QSizeF(0, 0);
}

void QVEnvelopePrintView::setAlign(const QString &align)
{
    m_origin.setX(align == QLatin1String("left") ? 0 : width() - envelopeSize().width());
    update();
}

void QVEnvelopePrintView::setPosition(const QString &position)
{
    const qreal page = height();
    const qreal envelope = envelopeSize().height();
    if (position == QLatin1String("bottom"))
        m_origin.setY(0);
    else if (position == QLatin1String("center"))
        m_origin.setY(page / 2 - envelope / 2);
    else if (position == QLatin1String("top"))
        m_origin.setY(page - envelope);
    update();
}

void QVEnvelopePrintView::setFlip(bool flip)
{
    m_rotated = flip;
    update();
}

void QVEnvelopePrintView::setGiantRotate(bool giantRotate)
{
    m_giantRotate = giantRotate;
    update();
}

QRectF QVEnvelopePrintView::envelopeRectOnPage() const
{
    const QSizeF envelope = envelopeSize();
    const QRectF placed = flippedFrame(QRectF(m_origin, envelope), height());
    if (!m_giantRotate)
        return placed;
    return QRectF(width() - placed.right(), height() - placed.bottom(), placed.width(), placed.height());
}

void QVEnvelopePrintView::drawPage(QPainter &painter) const
{
    const QSizeF envelope = envelopeSize();
    if (m_pdf.isNull() || envelope.isEmpty())
        return;
    painter.save();
    if (m_giantRotate) {
        // The whole page turns about its centre.
        painter.translate(width(), height());
        painter.rotate(180);
    }
    const QRectF target = flippedFrame(QRectF(m_origin, envelope), height());
    if (m_rotated) {
        // The envelope turns about itself and keeps its place on the page.
        painter.translate(target.right(), target.bottom());
        painter.rotate(180);
        painter.translate(-target.topLeft());
    }
    m_pdf.draw(painter, target);
    painter.restore();
}

void QVEnvelopePrintView::drawForPrinting(QPainter &painter, const PrintInfo &) { drawPage(painter); }

void QVEnvelopePrintView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawPage(painter);
}

} // namespace tolvane
