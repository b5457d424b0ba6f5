#include "widgets/QVDoubleClickActionImageView.h"

#include <QDialog>
#include <QMouseEvent>

void QVDoubleClickActionImageView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (m_action) {
        event->accept();
        m_action();
        return;
    }
    QLabel::mouseDoubleClickEvent(event);
}

bool closeSheet(QWidget *sender)
{
    if (!sender)
        return false;
    auto *sheet = qobject_cast<QDialog *>(sender->window());
    if (!sheet || sheet->windowModality() != Qt::WindowModal)
        return false;
    sheet->reject();
    sheet->hide();
    return true;
}
