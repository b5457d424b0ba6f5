#include "app/shell/QVXControllerViews.h"

#include <QMainWindow>
#include <QWidget>

namespace {

void run(const std::function<void()> &hook)
{
    if (hook)
        hook();
}

} // namespace

QMainWindow *QVMainWindowViews::window() const { return m_hooks.window ? m_hooks.window() : nullptr; }

void QVMainWindowViews::switchToView(View view)
{
    const auto &source = view == View::Tessaro ? m_hooks.tessaroView : m_hooks.dashboardView;
    switchMainWindowView(window(), source ? source() : nullptr);
    if (m_hooks.statusLineFollowsDefaults)
        m_hooks.statusLineFollowsDefaults(view);
}

void QVMainWindowViews::checkModeMenuItem(int tag)
{
    if (m_hooks.checkModeMenuItem)
        m_hooks.checkModeMenuItem(tag);
}

void QVMainWindowViews::closeAddressDrawer() { run(m_hooks.closeAddressDrawer); }

void QVMainWindowViews::updateStampWindowTitle() { run(m_hooks.updateStampWindowTitle); }

void QVMainWindowViews::setMainWindowTopLeft(const QPointF &topLeft)
{
    if (QMainWindow *shown = window())
        shown->move(topLeft.toPoint());
}

void QVMainWindowViews::makeMainWindowKeyAndFront()
{
    if (QMainWindow *shown = window()) {
        shown->show();
        shown->raise();
        shown->activateWindow();
    }
}

void QVMainWindowViews::scaleWasAdded(bool stampWindow)
{
    if (m_hooks.scaleWasAdded)
        m_hooks.scaleWasAdded(stampWindow);
}

void QVMainWindowViews::scaleWasRemoved(bool stampWindow)
{
    if (m_hooks.scaleWasRemoved)
        m_hooks.scaleWasRemoved(stampWindow);
}
