#pragma once
// MasterWindow: the main shipment window on screen, a thin Qt view over
// MasterController. Its central form "MasterControl" holds one widget for
// every control the controller's MasterForm names (object names are the
// controls' outlet names); after every update the widgets follow the form
// (pop-ups as item models with disabled items and separators), and each
// edit goes back to the controller with its control id. A field being
// edited is committed before any action (commitEditing). The Option key's
// changes go to the controller.
//
// What the controller decides beyond the form: the return-address pop-up's
// items enabled by validateMenuItem whenever it is filled or opens; the
// weight box taking the keyboard (selectRateWeight) and its long list opening
// at weightListScrollIndex; the first key-down or left mouse-down
// (windowEventSeen, with whether overlay windows are attached); the scale
// status drawn with its fading alpha; the batch help in the destination box
// while in batch mode (no scroller, no text interaction).
//
// Around the form: the toolbar (MasterToolbar's items; responder-chain
// items go to the application's actions by name), the piece-size pop-up's
// picture menu (small pictures when closed, large pictures and HTML
// descriptions while open), the address drawer (a dock widget on the edge
// that "addressDrawerEdge" names: "left" or "right", else the right edge;
// open at start when "openAddressDrawer" is on, both written when the
// application quits) with the address-book panel, the return-address
// pop-up's fixed items (add and edit in the return-address sheet, delete,
// clear), the vCard views of the destination and return addresses, and
// the favorites pull-down ("favoritesButton": one item
// per favorite with Ctrl+Alt+1 to 8, "Add Favorite…" with its sheet, "Edit
// Favorites…"), rebuilt whenever the favorites change.
//
// In the stamps edition the stamp window's mode changes
// ("TessaroPrintingModeDidChangeNotification", object: the mode as a shared
// int) show Quick Stamps in roll mode only and select the mode's item; the
// Rolls and Sheets items go to the stamp window.
#include "app/mainwindow/MasterControllerServices.h"
#include "app/mainwindow/MasterForm.h"
#include "app/mainwindow/MasterToolbar.h"
#include "platform/NotificationCenter.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QRectF>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class MasterController;
struct MasterControllerEnvironment;
class DKActionButton;
class QAction;
class QComboBox;
class QMenu;
class QVAddFavoriteSheet;
class QDialog;
class QDockWidget;
class QLabel;
class QToolBar;
class QVAddressBookController;
class QVAddressBookPanel;
class QVAddressTextView;
class QVFromAddressBox;
class QVMenuActions;
class QVVCardDragSourceView;

// What the window asks of the application beyond its controller.
struct MasterWindowEnvironment {
    // The application's actions by name (responder-chain toolbar items);
    // null: those items do nothing.
    QVMenuActions *actions = nullptr;
    // The scale set-up's scale type (0 none, 1 serial, 2 USB HID).
    std::function<int()> scaleType;
    // The current printing mode (empty: the standard mode).
    std::function<QString()> printingMode;
    // The stamps edition's toolbar.
    bool stampsEdition = false;
    // The stamp window's mode (1 sheets, 2 rolls) and its toolbar actions
    // ("chooseKIVO:", "chooseSheet:"); empty: no mode is known, and the
    // actions go to the application's actions.
    std::function<int()> stampMode;
    std::function<void(const QString &action)> stampWindowAction;
    // Shows the Web Stores overlay below the toolbar's Web Store item (its
    // frame on the screen); asked shortly after start while "lastRun" is at
    // most 359. Empty: no overlay.
    std::function<void(const QRectF &itemOnScreen)> showWebStoreOverlay;
};

// The stamp window's mode change (posted by the stamp window; the object is
// the new mode as a shared int).
inline const QString QVStampWindowModeDidChangeNotification =
    QStringLiteral("TessaroPrintingModeDidChangeNotification");

class MasterWindow : public QMainWindow, public MasterView
{
public:
    // The window over a controller that it does not own (already set up).
    MasterWindow(MasterController &controller, MasterWindowEnvironment environment = {}, QWidget *parent = nullptr);
    // The application's window: makes its own controller from the
    // environment and sets it up (awakeFromNib).
    MasterWindow(MasterControllerEnvironment controllerEnvironment, MasterWindowEnvironment environment,
                 QWidget *parent = nullptr);
    ~MasterWindow() override;

    MasterController &controller() { return m_controller; }
    // The widget of a control (nullptr for one the window does not show).
    QWidget *widget(FormControl control) const;
    QToolBar *toolbar() const { return m_toolbar; }
    const MasterToolbar &toolbarModel() const { return m_toolbarModel; }
    QAction *toolbarAction(const QString &identifier) const { return m_toolbarActions.value(identifier); }
    QDockWidget *addressDrawer() const { return m_drawer; }
    QVAddressTextView *toAddressView() const { return m_toAddress; }
    QVFromAddressBox *fromAddressBox() const { return m_fromBox; }
    QVVCardDragSourceView *dragView() const { return m_dragView; }
    DKActionButton *favoritesButton() const { return m_favoritesButton; }
    // The favorites pull-down's menu (its first item is the title slot,
    // which is left out).
    QMenu *favoritesMenu() const;
    // The add-favorite sheet while it is open (nullptr otherwise).
    QVAddFavoriteSheet *addFavoriteSheet() const;
    // The return-address sheet while it is open (nullptr otherwise).
    QDialog *returnAddressSheet() const;

    // Brings every widget in line with the controller's form.
    void refresh();
    // Shows or hides the address drawer.
    void toggleAddressDrawer() override;
    // The address drawer's flat-file import (false without an address book
    // or when nothing was imported).
    bool importAddressFile();
    // Favorites: the menu again from the stored favorites; the add sheet.
    void setupFavoritesMenu();
    void addFavorite();
    // The stamp window's mode (1 sheets, 2 rolls): Quick Stamps and the
    // selected mode item (stamps edition).
    void updateQuickStamps(int stampMode);
    // The toolbar's items again from its model, validated.
    void rebuildToolbar();
    // The items enabled for the printing mode (the environment's current
    // one when none is given).
    void validateToolbarItems(const std::optional<QString> &printingMode = std::nullopt);
    // The piece-size pop-up's menu open (large pictures and descriptions)
    // or closed.
    bool mailpieceMenuIsOpen() const { return m_mailpieceMenuOpen; }

    // MasterView
    void commitEditing() override;
    bool hasAttachedSheet() const override;
    void setNeedsWindowUpdate() override;
    void displayNow(FormControl control) override;
    void sheetDidBegin() override;

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void buildForm();
    void buildToolbar();
    void buildDrawer();
    void connectControls();
    void observe();
    void edited(FormControl control);
    void performToolbarItem(const ToolbarItemEntry &item);
    void printTheLabel();
    // One of the preview's PDF outputs (QVPreviewOutput) through the
    // "runPDFLabel:" action when there is one, else the controller.
    void runPDFLabel(int output);
    // The mode item's picture and label for the printing mode (the
    // environment's current one when none is given).
    void updateModeItem(const std::optional<QString> &printingMode = std::nullopt);
    void customizeToolbar();
    void mailpieceMenuWillPop();
    void mailpieceMenuDidEnd();
    void refreshPopUp(FormControl control);
    // The return-address pop-up's items enabled as the controller validates
    // them (whenever the pop-up is filled or opens).
    void validateReturnAddressItems();
    // The destination box shows the batch help while in batch mode.
    void refreshBatchHelp();
    // A fixed item of the return-address pop-up (by its tag): true when the
    // tag is one of them.
    bool performReturnAddressItem(qsizetype tag);
    // Opens the return-address sheet over the controller's sheet state.
    void showReturnAddressSheet();
    // The Web Stores overlay below the toolbar's item, when it shows.
    void showWebStoreOverlay();
    // "openAddressDrawer" and "addressDrawerEdge" from the drawer.
    void saveAddressDrawerState();

    std::unique_ptr<MasterController> m_ownedController;
    MasterController &m_controller;
    MasterWindowEnvironment m_env;
    MasterToolbar m_toolbarModel;

    std::map<FormControl, QPointer<QWidget>> m_widgets;
    // The menu each pop-up shows now, to rebuild only on a change.
    std::map<FormControl, FormMenu> m_shownMenus;
    // Commit functions of the fields that take typed text.
    std::map<FormControl, std::function<void()>> m_commits;
    QVAddressTextView *m_toAddress = nullptr;
    QVFromAddressBox *m_fromBox = nullptr;
    QVVCardDragSourceView *m_dragView = nullptr;
    QToolBar *m_toolbar = nullptr;
    QHash<QString, QAction *> m_toolbarActions;
    QDockWidget *m_drawer = nullptr;
    DKActionButton *m_favoritesButton = nullptr;
    QPointer<QVAddFavoriteSheet> m_favoriteSheet;
    QPointer<QDialog> m_returnAddressSheet;
    std::unique_ptr<QVAddressBookController> m_addressBook;
    QVAddressBookPanel *m_addressPanel = nullptr;
    QPointer<QWidget> m_sheet;
    bool m_updateScheduled = false;
    bool m_refreshing = false;
    bool m_mailpieceMenuOpen = false;
    bool m_showingBatchHelp = false;
    std::vector<NotificationObserver> m_observers;
    std::shared_ptr<int> m_alive = std::make_shared<int>(0);
};
