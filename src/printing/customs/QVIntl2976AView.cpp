#include "printing/customs/QVIntl2976AView.h"

#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "printing/customs/QVViewTags.h"

#include <QPainter>
#include <QPicture>

namespace tolvane {

namespace {

constexpr int kPictureTag = 1;
constexpr int kCopiedFieldTag = 2;
constexpr int kCopyTag = 3;
constexpr int kMovedTag = 75;
constexpr int kMoveTargetTag = 76;
constexpr int kHiddenOnPage2Tag = 77;
constexpr int kFirstPage2Tag = 100;
constexpr int kLastPage2Tag = 199;

void collectDescendants(QWidget *view, QList<QWidget *> &into)
{
    for (QObject *child : view->children()) {
        if (auto *widget = qobject_cast<QWidget *>(child)) {
            into.append(widget);
            collectDescendants(widget, into);
        }
    }
}

} // namespace

QVIntl2976AView::QVIntl2976AView(QWidget *parent) : QWidget(parent) { resize(612, 792); }

void QVIntl2976AView::setLabelImage(const QVLayoutImage &image)
{
    if (auto *picture = qobject_cast<QVImageView *>(viewWithTag(this, kPictureTag)))
        picture->setImage(image);
}

int QVIntl2976AView::formPageForPrintedPage(int page) const { return m_sendersCopyOnly ? 2 : page; }

QRectF QVIntl2976AView::rectForFormPage(int formPage) const
{
    if (formPage < 1 || formPage > m_images.size())
        return QRectF();
    if (formPage == 2 && m_sendersCopyOnly)
        return QRectF(0, kHalfPageHeight, kPageWidth, kHalfPageHeight);
    if (formPage == 2 && !m_printSendersCopy)
        return QRectF(0, 0, kPageWidth, kHalfPageHeight);
    return QRectF(0, 0, width(), height());
}

int QVIntl2976AView::pageCountForPrinting(const PrintInfo &printInfo)
{
    // The bounds are the paper; the print operation applies the scaling.
    resize(printInfo.paperSize.toSize());
    if (m_sendersCopyOnly)
        return m_images.size() >= 2 ? 1 : 0;
    return int(m_images.size());
}

QRectF QVIntl2976AView::rectForPage(int page, const PrintInfo &)
{
    return rectForFormPage(formPageForPrintedPage(page));
}

QPointF QVIntl2976AView::centredLocation(const QRectF &rect, const PrintInfo &printInfo, bool raised)
{
    // The rule is in y-up terms (the frame's origin at the paper's lower
    // left); the answer is the rectangle's top-left corner.
    const double scale = printInfo.scalingFactor > 0 ? printInfo.scalingFactor : 1.0;
    const QSizeF paper = printInfo.paperSize;
    const QSizeF frame = paper * scale;
    const double x = (paper.width() - frame.width()) / 2;
    double yUp = (paper.height() - frame.height()) / 2;
    if (raised)
        yUp += kHalfPageHeight;
    return QPointF(x, paper.height() - (yUp + rect.height() * scale));
}

std::optional<QPointF> QVIntl2976AView::locationOfPrintRect(int page, const QRectF &rect, const PrintInfo &printInfo)
{
    return centredLocation(rect, printInfo,
                           formPageForPrintedPage(page) == 2 && (m_sendersCopyOnly || !m_printSendersCopy));
}

void QVIntl2976AView::drawViewRect(QWidget *view, QPainter &painter, const QRectF &rect)
{
    if (rect.isEmpty())
        return;
    // Recorded first and replayed (a widget rendered straight through a
    // transformed painter loses some of its children); only the rectangle's
    // region is rendered, at its own place in the view.
    const QRect area = rect.toAlignedRect();
    QPicture picture;
    {
        QPainter recorder(&picture);
        view->render(&recorder, area.topLeft(), QRegion(area), QWidget::DrawChildren);
    }
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
    // A recording is replayed scaled from its own resolution to the
    // device's; undo that so that a recorded point stays a point.
    const QPaintDevice *device = painter.device();
    if (device && device->logicalDpiX() > 0 && device->logicalDpiY() > 0)
        painter.scale(qreal(picture.logicalDpiX()) / device->logicalDpiX(),
                      qreal(picture.logicalDpiY()) / device->logicalDpiY());
    painter.drawPicture(QPointF(0, 0), picture);
    painter.restore();
}

void QVIntl2976AView::drawForPrinting(QPainter &painter, const PrintInfo &printInfo)
{
    drawViewRect(this, painter, rectForPage(QVPrintOperation::currentPage(), printInfo));
}

void QVIntl2976AView::beginPage(int page) { showFormPage(formPageForPrintedPage(page)); }

void QVIntl2976AView::takeOut(QWidget *view)
{
    if (!view || view->isHidden())
        return;
    view->hide();
    m_viewsToTempRemove.append(view);
}

void QVIntl2976AView::showFormPage(int formPage)
{
    auto *picture = qobject_cast<QVImageView *>(viewWithTag(this, kPictureTag));
    if (picture)
        picture->setImage(formPage >= 1 && formPage <= m_images.size() ? m_images.at(formPage - 1) : QVLayoutImage());
    for (const QPointer<QWidget> &view : std::as_const(m_viewsToTempRemove)) {
        if (view)
            view->show();
    }
    m_viewsToTempRemove.clear();
    delete m_copyOfTag2;

    QList<QWidget *> views;
    collectDescendants(this, views);
    if (formPage == 1) {
        takeOut(viewWithTag(this, kMovedTag));
    } else if (formPage == 2) {
        for (QWidget *view : std::as_const(views)) {
            const int tag = viewTag(view);
            if (tag >= kFirstPage2Tag && tag <= kLastPage2Tag)
                takeOut(view);
        }
        QWidget *moved = viewWithTag(this, kMovedTag);
        QWidget *target = viewWithTag(this, kMoveTargetTag);
        if (moved && target) {
            const QRectF frame = frameOf(moved);
            setFrame(moved, QRectF(frameOf(target).topLeft(), frame.size()));
        }
        takeOut(target);
        takeOut(viewWithTag(this, kHiddenOnPage2Tag));
        auto *field = qobject_cast<QVTextField *>(viewWithTag(this, kCopiedFieldTag));
        if (field && !field->text().isEmpty()) {
            auto *copy = new QVTextField(field->parentWidget());
            copy->setFont(field->font());
            copy->setAlignment(field->alignment());
            copy->setText(field->text());
            setFrame(copy, frameOf(field).translated(0, kHalfPageHeight));
            setViewTag(copy, kCopyTag);
            copy->show();
            m_copyOfTag2 = copy;
        }
    } else if (formPage == 3) {
        for (QObject *child : children()) {
            auto *view = qobject_cast<QWidget *>(child);
            if (view && view != picture)
                takeOut(view);
        }
    }
}

} // namespace tolvane
