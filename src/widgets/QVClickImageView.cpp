#include "widgets/QVClickImageView.h"

#include <QMouseEvent>
#include <QPainter>

QVClickImageView::QVClickImageView(QWidget *parent) : QWidget(parent) { setAttribute(Qt::WA_TranslucentBackground); }

void QVClickImageView::setImage(const QImage &image)
{
    m_image = image.convertToFormat(QImage::Format_ARGB32);
    updateGeometry();
    update();
}

bool QVClickImageView::actsAt(const QPoint &point) const
{
    if (!kActiveRect.contains(point) || !m_image.valid(point))
        return false;
    return qAlpha(m_image.pixel(point)) != 0;
}

void QVClickImageView::paintEvent(QPaintEvent *event)
{
    (void)event;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_image);
}

void QVClickImageView::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    const std::function<void()> &call = actsAt(event->position().toPoint()) ? m_action : m_fade;
    if (call)
        call();
}
