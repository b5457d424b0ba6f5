#include "app/shell/QVPrintingModes.h"

#include "app/shell/QVXController.h"
#include "model/NumericFormatters.h"
#include "platform/NotificationCenter.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QRegularExpression>
#include <QSystemTrayIcon>

#include <memory>

void QVPrintingModes::setCurrentPrintingMode(const QString &mode)
{
    const QString previous = m_currentMode;
    if (mode.isEmpty() || mode != previous) {
        m_currentMode = mode;
        if (mode == QVTessaroPrintingMode) {
            m_host.closeAddressDrawer();
            m_host.switchToView(QVMainViewHost::View::Tessaro);
            m_host.checkModeMenuItem(1);
            m_host.updateStampWindowTitle();
        } else if (mode == QVStandardPrintingMode) {
            m_host.switchToView(QVMainViewHost::View::Dashboard);
            m_host.checkModeMenuItem(0);
        }
        NotificationCenter::defaultCenter().post(QVPrintingModeDidChangeNotification,
                                                 NotificationObject(std::make_shared<QString>(mode)));
    }
    if (previous.isEmpty()) {
        const QString origin = UserDefaults::standardUserDefaults().stringForKey(QVMasterWindowOriginKey);
        if (const std::optional<QPointF> point = pointFromString(origin))
            m_host.setMainWindowTopLeft(*point);
    }
    m_host.makeMainWindowKeyAndFront();
}

void QVPrintingModes::swapMainViews()
{
    if (m_currentMode == QVStandardPrintingMode)
        setCurrentPrintingMode(QVTessaroPrintingMode);
    else if (m_currentMode == QVTessaroPrintingMode)
        setCurrentPrintingMode(QVStandardPrintingMode);
}

QString QVPrintingModes::menuTitleForQuickPrintAmount(const Decimal &dollars)
{
    const QString amount = dollars < Decimal::one()
        ? QStringLiteral("%1¢").arg((dollars * Decimal(100)).rounded(0).toString())
        : QStringLiteral("$%1").arg(twoDigitDollarFormatter().stringFromNumber(dollars));
    return QStringLiteral("Print %1 stamp").arg(amount);
}

std::optional<QPointF> QVPrintingModes::pointFromString(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\s*\\{\\s*([-+]?[0-9]*\\.?[0-9]+)\\s*,\\s*([-+]?[0-9]*\\.?[0-9]+)\\s*\\}\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return QPointF(match.captured(1).toDouble(), match.captured(2).toDouble());
}

QRect frameKeepingTopEdge(const QRect &windowFrame, const QSize &oldContent, const QSize &newContent)
{
    return QRect(windowFrame.left(), windowFrame.top(), newContent.width(),
                 windowFrame.height() - oldContent.height() + newContent.height());
}

void switchMainWindowView(QMainWindow *window, QWidget *view)
{
    if (!window || !view || window->centralWidget() == view)
        return;
    // The keyboard focus leaves the old content.
    if (QWidget *focus = window->focusWidget())
        focus->clearFocus();
    QWidget *old = window->centralWidget();
    const QSize oldSize = old ? old->size() : QSize(window->width(), 0);
    const QRect frame = frameKeepingTopEdge(window->geometry(), oldSize, view->size());
    if (old) {
        // The owner of the old view keeps it.
        window->takeCentralWidget();
        old->hide();
        old->setParent(nullptr);
    }
    window->setCentralWidget(view);
    view->show();
    window->setGeometry(frame);
}

QList<QVDockMenuItem> dockMenuItems(bool stampsEdition, int stampMode, const Decimal &oneOunce,
                                    const Decimal &twoOunces, const Decimal &onePoundPriority)
{
    if (!stampsEdition || stampMode != 2)
        return {};
    return {{QVPrintingModes::menuTitleForQuickPrintAmount(oneOunce), QStringLiteral("quickPrint1oz:")},
            {QVPrintingModes::menuTitleForQuickPrintAmount(twoOunces), QStringLiteral("quickPrint2oz:")},
            {QVPrintingModes::menuTitleForQuickPrintAmount(onePoundPriority), QStringLiteral("quickPrint1lbPrio:")}};
}

QVStampsTrayMenu::QVStampsTrayMenu(std::function<QList<QVDockMenuItem>()> items,
                                   std::function<void(const QString &)> perform)
    : m_items(std::move(items)), m_perform(std::move(perform)), m_menu(new QMenu(QStringLiteral("Dock")))
{}

QVStampsTrayMenu::~QVStampsTrayMenu()
{
    delete m_tray;
    delete m_menu;
}

void QVStampsTrayMenu::update()
{
    const QList<QVDockMenuItem> items = m_items ? m_items() : QList<QVDockMenuItem>();
    m_menu->clear();
    for (const QVDockMenuItem &item : items) {
        QAction *action = m_menu->addAction(item.title);
        QObject::connect(action, &QAction::triggered, m_menu, [this, name = item.action] {
            if (m_perform)
                m_perform(name);
        });
    }
    if (items.isEmpty() || !QSystemTrayIcon::isSystemTrayAvailable()) {
        if (m_tray)
            m_tray->hide();
        return;
    }
    if (!m_tray) {
        m_tray = new QSystemTrayIcon(QApplication::windowIcon());
        m_tray->setContextMenu(m_menu);
    }
    m_tray->show();
}
