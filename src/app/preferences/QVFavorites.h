#pragma once
// Favorites in the main window and the preferences window, on plain state:
// the favorites pull-down menu, the add-favorite sheet's OK, applying a
// favorite to the current shipment, the one-line description of a
// favorite's settings, and the Favorites pane's renaming, deleting and
// reordering. Everything is stored through QVShipmentFavorites, whose one
// notification keeps the menu and the table in step.
//
// The main window is reached through QVFavoritesHost, which the main-window
// controller implements (tests give a fake). Alerts go through the dialogs
// interface.
#include "app/shell/QVMenus.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <memory>
#include <optional>

class QVShipment;
class UserDefaults;

inline const QString QVFavoritesDragType = QStringLiteral("BasicTableViewDragAndDropDataType");
// The user default of the chosen default confirmation service.
inline const QString QVConfirmationServiceDefaultsKey = QStringLiteral("confirmationService");

// What applying a favorite needs of the main window.
class QVFavoritesHost
{
public:
    virtual ~QVFavoritesHost() = default;
    // The current shipment (never null while the main window exists).
    virtual std::shared_ptr<QVShipment> currentShipment() = 0;
    // Whether the delivery address box's text differs from the formatted
    // text of the current to-address.
    virtual bool toAddressTextDiffers() = 0;
    // Standardises the delivery address box (it may fail or be cancelled).
    virtual void standardizeTextBoxAddress() = 0;
    // Writes a value into the shipment and re-prices it.
    virtual void setCurrentShipmentProperty(const QVariant &value, const QString &key) = 0;
    // Re-prices the current shipment.
    virtual void updatePricing() = 0;
    // Refreshes the service standards (estimated delivery).
    virtual void updateServiceStandards() = 0;
    // Sets the estimated-delivery field's text.
    virtual void setEstimatedDelivery(const QString &text) = 0;
};

namespace QVFavorites {

// The pull-down menu: an empty title item, one item per favorite (its
// nickname, action "chooseFavorite:", tag = its index, "Ctrl+Alt+1" to
// "Ctrl+Alt+8" for the first eight), a separator when there is at least one,
// then "Add Favorite…" ("addFavorite:") and "Edit Favorites…"
// ("editFavorites:").
QList<QVMenuItem> menuItems(const QVariantList &favorites);

// The settings a new favorite takes from the shipment (settingsToPull).
QVariantMap settingsToPull(const QVShipment &shipment, const UserDefaults &defaults);

// The description of the settings: phrases joined by ", " and ended by ".".
// internationalDelivery: the main window's delivery is international or
// military (adds the customs summary).
QString descriptionFromSettings(const QVariantMap &settings, bool internationalDelivery);

// The add sheet's OK: false (an alert shown, the sheet stays) for an empty
// nickname or one stored already (compared exactly); else the favorite is
// appended and stored, and true closes the sheet. False as well, with an
// alert, when the list cannot be stored.
bool addFavorite(const QString &nickname, const QVariantMap &settings);

// A favorite saved with an earlier international class, brought to the
// current class and its customs form; other settings are answered as given.
QVariantMap settingsWithCurrentClasses(const QVariantMap &settings);

// Applies the favorite at the index (a menu item's tag) to the host's
// shipment; false when nothing was applied (no such favorite, the address
// could not be standardised, a domestic favorite on an international
// address or the reverse, with an alert).
bool chooseFavorite(QVFavoritesHost &host, int index);

// ---- The Favorites pane ------------------------------------------------------
// Renames the favorite at the row (duplicates are not checked); false for a
// row outside the list or a list that cannot be stored.
bool renameFavorite(int row, const QString &nickname);
// Asks, then removes exactly the selected rows (rows outside the list are
// ignored). False when nothing was removed (no selection, "Cancel").
bool deleteFavorites(const QList<int> &rows);
// The row the first dragged row's favorite goes to when dropped above
// `dropRow` (a negative row counts as 0; one less when the source lies
// above), and the move itself, stored. False when nothing moved.
int destinationRowForDrop(int sourceRow, int dropRow);
bool moveFavorite(int sourceRow, int dropRow);
// The pasteboard form of dragged rows (a property list array of row
// numbers) and back; nothing for data that is not such a list.
QByteArray dragDataForRows(const QList<int> &rows);
std::optional<QList<int>> rowsFromDragData(const QByteArray &data);

} // namespace QVFavorites
