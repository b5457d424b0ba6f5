#pragma once
// The application's menus as plain data, and the table of menu actions.
//
// A menu is a tree of items; an item carries a title, the action it sends
// (the selector name the design gives it, "showPreferences:"), a tag, a key
// equivalent (QKeySequence text, "Ctrl+,"), an identifier for the items and
// menus that others reach by name ("modeMenu", "usePostageMenuItem",
// "shipmentStatusMenu"), its check mark, and a submenu. The Qt layer
// (QVMenuBar.h) turns the tree into a QMenuBar; everything here is
// display-free.
//
// Menus:
//   mainMenu()            the menu bar of the standard edition;
//   kivoMenu(bundleName)  the menu bar of the stamps-only edition, every
//                         "kCFBundleNameKey" in a submenu item's title
//                         replaced by the program's name, and the
//                         application menu titled with it;
//   shipmentStatusMenu()  the mailing log's delivery-status menu: items
//                         tagged 0 delivered, 1 undelivered, 2 delivery
//                         exception, 3 void, each sending
//                         "changeShipmentStatus:" (also a submenu of the main
//                         menu's "Log" menu).
//
// Both menu bars carry the main window's "Weigh" (weigh:); the main menu
// also its "Verify Address" (standardizeTextBoxAddress:), "Add to Address
// Book" (addToAddressBook:) and "Copy Confirmation Number"
// (copyConfirmationNumber:), enabled as the main window validates them.
//
// QVMenuActions maps an action to its handler. Parts of the program
// register the actions they answer (the application delegate, the window
// openers, the web pages, later the main window); an item whose action has
// no handler is shown disabled, as an item without a target is. Performing
// an item calls its handler with the item (its tag and title are the
// sender's).
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>

struct QVMenuItem {
    QString title;
    QString action;
    int tag = 0;
    QString keyEquivalent;
    QString identifier;
    bool separator = false;
    bool checkable = false;
    bool checked = false;
    QList<QVMenuItem> submenu;

    static QVMenuItem separatorItem()
    {
        QVMenuItem item;
        item.separator = true;
        return item;
    }
    bool hasSubmenu() const { return !submenu.isEmpty(); }
};

// The top-level items of a menu bar (each with its submenu).
using QVMenuBarModel = QList<QVMenuItem>;

// Identifiers.
inline const QString QVModeMenuIdentifier = QStringLiteral("modeMenu");
inline const QString QVUsePostageMenuItemIdentifier = QStringLiteral("usePostageMenuItem");
inline const QString QVShipmentStatusMenuIdentifier = QStringLiteral("shipmentStatusMenu");
// The text of kivoMenu's titles that becomes the program's name.
inline const QString QVBundleNamePlaceholder = QStringLiteral("kCFBundleNameKey");

QVMenuBarModel mainMenu();
QVMenuBarModel kivoMenu(const QString &bundleName);
QVMenuItem shipmentStatusMenu();

// Replaces the placeholder by the name in the titles of every submenu item
// (the top-level titles stay).
void replaceBundleNamePlaceholder(QVMenuBarModel &menu, const QString &bundleName);

// The first item, depth first, with the identifier; nullptr when none.
QVMenuItem *findMenuItem(QVMenuBarModel &menu, const QString &identifier);
// The first item, depth first, that sends the action (with the tag, when
// given); nullptr when none.
QVMenuItem *findMenuItemWithAction(QVMenuBarModel &menu, const QString &action, std::optional<int> tag = {});
// Every action the menu sends, depth first, without repeats.
QStringList menuActions(const QVMenuBarModel &menu);

// Checks exactly the item of the submenu with the tag (none for nothing):
// the mode menu's current mode, the selected entry's delivery status.
void checkOnlyItemWithTag(QVMenuItem &menu, std::optional<int> tag);

// A validator's answer for an item: enabled, and the item's new title
// (nothing: keep it).
struct QVMenuItemValidation {
    bool enabled = true;
    std::optional<QString> title;
};

class QVMenuActions
{
public:
    using Handler = std::function<void(const QVMenuItem &sender)>;
    // Asked, before a menu shows, for each of its items that has a handler,
    // with the title of the top-level menu the item is in (the main
    // window's validateMenuItem:).
    using Validator = std::function<QVMenuItemValidation(const QVMenuItem &item, const QString &menuTitle)>;

    // Registers (or replaces) the handler of the action.
    void setHandler(const QString &action, Handler handler);
    void removeHandler(const QString &action);
    bool canPerform(const QString &action) const;
    // Calls the handler of the item's action; false when there is none.
    bool perform(const QVMenuItem &item) const;
    // The same for an action alone (a sender with no tag).
    bool perform(const QString &action) const;

    // One validator at a time (none: every item with a handler is enabled,
    // its title kept).
    void setValidator(Validator validator) { m_validator = std::move(validator); }
    // A window other than the main window validates its own actions (the
    // log window its delivery-status items): asked in place of the
    // validator for that action.
    void setActionValidator(const QString &action, Validator validator);
    // Enabled when the item's action has a handler and the validator agrees.
    QVMenuItemValidation validate(const QVMenuItem &item, const QString &menuTitle) const;

private:
    QMap<QString, Handler> m_handlers;
    Validator m_validator;
    QMap<QString, Validator> m_actionValidators;
};
