#pragma once
// The printing modes of the application delegate: the main window shows the
// shipment form (labels and envelopes, QVStandardPrintingMode) or the stamp
// view (sheets and rolls of stamps, QVTessaroPrintingMode).
//
// setCurrentPrintingMode(mode): a mode other than the current one (the first
// one after launch always) becomes current: its view goes into the main
// window (the stamp mode closes the address drawer first and then sets the
// stamp window's title), the mode menu checks its item (tag 0 labels, 1
// stamps), and QVPrintingModeDidChangeNotification is posted with the mode as
// object. The first switch places the main window's top-left corner at the
// point of the user default "masterWindowOrigin" ("{x, y}") when it holds
// one. Every call, also with the current mode, makes the main window key and
// brings it to front.
//
// Scales that arrive or leave are reported to the stamp window in the stamp
// mode and to the shipment form otherwise. The stamps-only edition's dock
// menu (three quick-print items, while the stamp window prints rolls) becomes
// a tray-icon menu where the desktop has a tray.
#include "platform/Decimal.h"

#include <QList>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <optional>

class QMainWindow;
class QMenu;
class QSystemTrayIcon;
class QWidget;

inline const QString QVStandardPrintingMode = QStringLiteral("QVStandardPrintingMode");
inline const QString QVTessaroPrintingMode = QStringLiteral("QVTessaroPrintingMode");
inline const QString QVPrintingModeDidChangeNotification = QStringLiteral("QVPrintingModeDidChangeNotification");

// What the modes ask of the main window and the two controllers.
class QVMainViewHost
{
public:
    enum class View { Dashboard, Tessaro };
    virtual ~QVMainViewHost() = default;
    // switchToView: with the main-window controller's dashboard view or the
    // stamp controller's stamp view.
    virtual void switchToView(View view) = 0;
    virtual void checkModeMenuItem(int tag) = 0;
    virtual void closeAddressDrawer() = 0;
    // updateWindowTitle of the stamp controller.
    virtual void updateStampWindowTitle() = 0;
    virtual void setMainWindowTopLeft(const QPointF &topLeft) = 0;
    virtual void makeMainWindowKeyAndFront() = 0;
    // scaleWasAdded / scaleWasRemoved of the stamp controller (true) or of
    // the main-window controller (false).
    virtual void scaleWasAdded(bool stampWindow) = 0;
    virtual void scaleWasRemoved(bool stampWindow) = 0;
};

class QVPrintingModes
{
public:
    explicit QVPrintingModes(QVMainViewHost &host) : m_host(host) {}

    // Empty before the first switch.
    QString currentPrintingMode() const { return m_currentMode; }
    void setCurrentPrintingMode(const QString &mode);
    void showLabels() { setCurrentPrintingMode(QVStandardPrintingMode); }
    void showTessaro() { setCurrentPrintingMode(QVTessaroPrintingMode); }
    // The other mode; nothing before the first switch.
    void swapMainViews();

    void scaleWasAdded() { m_host.scaleWasAdded(m_currentMode == QVTessaroPrintingMode); }
    void scaleWasRemoved() { m_host.scaleWasRemoved(m_currentMode == QVTessaroPrintingMode); }

    // "Print 49¢ stamp" below one dollar, "Print $5.60 stamp" from it on.
    static QString menuTitleForQuickPrintAmount(const Decimal &dollars);

    // The textual point form "{x, y}"; nothing for any other text.
    static std::optional<QPointF> pointFromString(const QString &text);

private:
    QVMainViewHost &m_host;
    QString m_currentMode;
};

// The main window's frame for a new content view: the same left and top
// edges, the view's width, and the height changed by the difference of the
// two contents (frames and sizes in Qt's coordinates, y down).
QRect frameKeepingTopEdge(const QRect &windowFrame, const QSize &oldContent, const QSize &newContent);

// The Qt side of switchToView: puts the view into the main window as its
// central widget, keeping the window's top edge; the view that leaves stays
// with its owner (hidden, not deleted). Nothing for a null view or the view
// already shown.
void switchMainWindowView(QMainWindow *window, QWidget *view);

// One item of the stamps-only edition's dock menu.
struct QVDockMenuItem {
    QString title;
    QString action; // "quickPrint1oz:", "quickPrint2oz:", "quickPrint1lbPrio:"
};
// The items, in order, for the postage of the three quick-print requests;
// none outside the stamps-only edition or unless the stamp window prints
// rolls (its mode 2).
QList<QVDockMenuItem> dockMenuItems(bool stampsEdition, int stampMode, const Decimal &oneOunce,
                                    const Decimal &twoOunces, const Decimal &onePoundPriority);

// The dock menu as a tray icon's menu: shown while `items` answers items and
// the desktop has a tray; a chosen item calls `perform` with its action.
class QVStampsTrayMenu
{
public:
    QVStampsTrayMenu(std::function<QList<QVDockMenuItem>()> items, std::function<void(const QString &)> perform);
    ~QVStampsTrayMenu();
    // Shows, fills or hides the tray icon as the items now are.
    void update();
    QMenu *menu() const { return m_menu; }

private:
    std::function<QList<QVDockMenuItem>()> m_items;
    std::function<void(const QString &)> m_perform;
    QMenu *m_menu = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
};
