#include "printing/layouts/QVPortraitLabelView.h"

#include "printing/customs/QVViewTags.h"
#include "printing/layouts/QVTemplateFields.h"

#include <QPainter>

#include <algorithm>

namespace tolvane {

namespace {

QVImageView *imageViewWithTag(QWidget *view, int tag) { return qobject_cast<QVImageView *>(viewWithTag(view, tag)); }

} // namespace

QVLabelImageView::QVLabelImageView(QWidget *parent) : QVImageView(parent) {}

QVPortraitLabelView::QVPortraitLabelView(QWidget *parent) : QWidget(parent) {}

QString QVPortraitLabelView::printJobTitle() { return QStringLiteral("Tolvane Label"); }

void QVPortraitLabelView::addImage(const QImage &image) { m_images.append(image); }

void QVPortraitLabelView::setImages(const QList<QImage> &images) { m_images = images; }

int QVPortraitLabelView::perPage() const
{
    for (QWidget *child : findChildren<QWidget *>()) {
        if (viewTag(child) == 2)
            return 2;
    }
    return 1;
}

int QVPortraitLabelView::pageCount() const
{
    const int per = perPage();
    return int((m_images.size() + per - 1) / per);
}

void QVPortraitLabelView::setStringsWithDictionary(const QVariantMap &values)
{
    setStringsWithDictionary(values, this);
}

void QVPortraitLabelView::setStringsWithDictionary(const QVariantMap &values, QWidget *view)
{
    fillTemplateFields(values, view, true);
}

void QVPortraitLabelView::showPage(int page)
{
    const int per = perPage();
    const qsizetype first = qsizetype(per) * (page - 1);
    auto imageAt = [this](qsizetype index) {
        return index >= 0 && index < m_images.size() ? QVLayoutImage::fromImage(m_images.at(index)) : QVLayoutImage();
    };
    if (QVImageView *one = imageViewWithTag(this, 1))
        one->setImage(imageAt(first));
    if (per == 2) {
        if (QVImageView *two = imageViewWithTag(this, 2))
            two->setImage(imageAt(first + 1));
    }
}

QSizeF QVPortraitLabelView::logicalPageSize(const PrintInfo &printInfo)
{
    const QSizeF paper = printInfo.paperSize;
    if (printInfo.orientation == PrintInfo::Orientation::Landscape)
        return QSizeF(std::max(paper.width(), paper.height()), std::min(paper.width(), paper.height()));
    return paper;
}

int QVPortraitLabelView::pageCountForPrinting(const PrintInfo &printInfo)
{
    const QSizeF page = logicalPageSize(printInfo);
    if (page.width() >= 1 && page.height() >= 1)
        resize(page.toSize());
    return pageCount();
}

QRectF QVPortraitLabelView::rectForPage(int page, const PrintInfo &printInfo)
{
    (void)printInfo;
    if (page < 1 || page > pageCount())
        return QRectF();
    return QRectF(0, 0, width(), height());
}

std::optional<QPointF> QVPortraitLabelView::locationOfPrintRect(int page, const QRectF &rect,
                                                                const PrintInfo &printInfo)
{
    (void)page;
    const QSizeF paper = logicalPageSize(printInfo);
    const double scale = printInfo.scalingFactor > 0 ? printInfo.scalingFactor : 1.0;
    const double x = (paper.width() - rect.right() * scale) / 2 + (printInfo.leftMargin - printInfo.rightMargin);
    const double y = (paper.height() - rect.bottom() * scale) / 2 + (printInfo.topMargin - printInfo.bottomMargin);
    return QPointF(x, y);
}

QImage bwRotateImage90DegreesClockwise(const QImage &image, bool clockwise)
{
    if (image.isNull())
        return QImage();
    const int w = image.width();
    const int h = image.height();
    QImage turned(h, w, QImage::Format_ARGB32_Premultiplied);
    turned.fill(Qt::transparent);
    QPainter painter(&turned);
    // In the y-down space of the painter the angles run the other way: +90
    // degrees counterclockwise (y-up) is -90 here.
    painter.translate(h / 2.0, w / 2.0);
    painter.rotate(clockwise ? 90 : -90);
    painter.translate(-w / 2.0, -h / 2.0);
    painter.drawImage(QRectF(0, 0, w, h), image);
    painter.end();
    return turned;
}

} // namespace tolvane
