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
