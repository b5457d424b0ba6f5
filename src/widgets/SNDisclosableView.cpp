#include "widgets/SNDisclosableView.h"

void SNDisclosableView::setIsShown(bool shown)
{
    if (shown)
        show();
    else
        hide();
}

void SNDisclosableView::changeWindowHeightBy(int amount)
{
    QWidget *top = window();
    if (!top || top == this)
        return;
    // Without a layout to do it, the controls whose top edge lies below the
    // view's keep their distance to the window's bottom edge; those above
    // keep theirs to the top.
    QWidget *container = parentWidget();
    if (container && !container->layout()) {
        for (QObject *child : container->children()) {
            auto *sibling = qobject_cast<QWidget *>(child);
            if (sibling && sibling != this && !sibling->isWindow() && sibling->y() > y())
                sibling->move(sibling->x(), sibling->y() + amount);
        }
    }
    // The top edge stays; the window's minimum height follows the change.
    top->setMinimumHeight(qMax(0, top->minimumHeight() + amount));
    top->resize(top->width(), qMax(0, top->height() + amount));
}

void SNDisclosableView::hide()
{
    if (!m_isShown)
        return;
    if (m_originalHeight < 0)
        m_originalHeight = height();
    m_hiddenSubviews.clear();
    for (QObject *child : children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (widget && !widget->isHidden()) {
            m_hiddenSubviews.append(widget);
            widget->setVisible(false);
        }
    }
    setFixedHeight(m_hiddenHeight);
    changeWindowHeightBy(-(m_originalHeight - m_hiddenHeight));
    m_isShown = false;
    update();
}

void SNDisclosableView::show()
{
    if (m_isShown)
        return;
    for (const QPointer<QWidget> &widget : std::as_const(m_hiddenSubviews))
        if (widget)
            widget->setVisible(true);
    m_hiddenSubviews.clear();
    setFixedHeight(m_originalHeight);
    changeWindowHeightBy(m_originalHeight - m_hiddenHeight);
    m_isShown = true;
    update();
}
