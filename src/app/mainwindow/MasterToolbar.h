#pragma once
// The main window's toolbar as plain state: the items of the full
// application ("Dashboard Toolbar Identifier") and of the stamps edition
// ("KivoStampsToolbarIdentifier"), their default, allowed and selectable
// lists, the items shown now, the rules that add the Web Store item for
// users of older builds and the Quick Stamps item in roll mode, the mode
// item's picture and label, and which items are enabled. A thin Qt toolbar
// in MasterWindow shows it.
//
// Only the full application lets the user customise the toolbar; its
// configuration is saved in the user defaults under
// "NSToolbar Configuration Dashboard Toolbar Identifier" (the item
// identifiers, in order). Saved items that are not allowed are dropped.
#include <QString>
#include <QStringList>

#include <optional>

class UserDefaults;

namespace ToolbarItem {
inline const QString NewPackage = QStringLiteral("New Package Dashboard Item Identifier");
inline const QString PostageLog = QStringLiteral("Postage Log Dashboard Item Identifier");
inline const QString WebStore = QStringLiteral("WebStoreToolbarItemIdentifier");
inline const QString ChoosePrinter = QStringLiteral("Choose Printer Dashboard Item Identifier");
inline const QString BuyPostage = QStringLiteral("Buy Postage Dashboard Toolbar Item Identifier");
inline const QString SetupTolvane = QStringLiteral("Setup Tolvane Dashboard Toolbar Item Identifier");
inline const QString BuySupplies = QStringLiteral("KivoStampsBuySuppliesToolbarIdentifier");
inline const QString QuickStamps = QStringLiteral("KivoStampsQuickStampsToolbarIdentifier");
inline const QString TessaroMode = QStringLiteral("Tessaro Dashboard Toolbar Item Identifier");
inline const QString RollMode = QStringLiteral("KivoStampsRollModeToolbarIdentifier");
inline const QString SheetMode = QStringLiteral("KivoStampsSheetModeToolbarIdentifier");
inline const QString ZeroScale = QStringLiteral("Zero Scale Dashboard Item Identifier");
inline const QString AddressBook = QStringLiteral("Address Book Dashboard Toolbar Item Identifier");
// The toolbar's own items.
inline const QString Separator = QStringLiteral("NSToolbarSeparatorItem");
inline const QString Space = QStringLiteral("NSToolbarSpaceItem");
inline const QString FlexibleSpace = QStringLiteral("NSToolbarFlexibleSpaceItem");
inline const QString Customize = QStringLiteral("NSToolbarCustomizeToolbarItem");
inline const QString Print = QStringLiteral("NSToolbarPrintItem");
} // namespace ToolbarItem

inline const QString QVDashboardToolbarIdentifier = QStringLiteral("Dashboard Toolbar Identifier");
inline const QString QVKivoStampsToolbarIdentifier = QStringLiteral("KivoStampsToolbarIdentifier");

// Where an item's action goes.
enum class ToolbarTarget {
    Controller,     // the main-window controller
    ResponderChain, // the application's actions, by name
    StampWindow,    // the stamp window's controller
};

struct ToolbarItemEntry {
    QString identifier;
    QString label;
    QString paletteLabel;
    QString toolTip;
    QString imageName;
    ToolbarTarget target = ToolbarTarget::ResponderChain;
    QString action;
    // The item is a borderless 32 by 32 button showing the picture.
    bool isButtonView = false;
};

// What the items' enabled states depend on.
struct ToolbarValidationState {
    bool standardPrintingMode = true;
    int scaleType = 0; // 0 none, 1 serial, 2 USB HID
};

class MasterToolbar
{
public:
    explicit MasterToolbar(bool stampsEdition);

    bool stampsEdition() const { return m_stampsEdition; }
    QString identifier() const;
    bool allowsUserCustomization() const { return !m_stampsEdition; }
    bool autosavesConfiguration() const { return !m_stampsEdition; }

    // The item of the identifier in the edition; nothing for any other
    // identifier (the toolbar's own items included).
    std::optional<ToolbarItemEntry> itemForIdentifier(const QString &identifier) const;
    QStringList defaultItemIdentifiers() const;
    QStringList allowedItemIdentifiers() const;
    QStringList selectableItemIdentifiers() const;

    // The items shown, in order.
    const QStringList &items() const { return m_items; }
    // Shows the items (identifiers not allowed are dropped).
    void setItems(const QStringList &items);
    // The saved configuration (full application only), else the defaults.
    void loadConfiguration(UserDefaults &defaults);
    void saveConfiguration(UserDefaults &defaults) const;

    // Full application: with a "lastRun" of at most 359 and no Web Store
    // item, adds it at the end; true when added.
    bool addWebStoreItemForLastRun(std::optional<qint64> lastRun);

    // Stamps edition: roll mode (2) shows Quick Stamps at index 3, sheet
    // mode (1) removes it; the mode's item is selected.
    void enableQuickStamps(int stampMode);
    const QString &selectedItem() const { return m_selected; }

    // The mode item's picture and label for a printing mode; nothing for a
    // mode that changes nothing.
    struct ModeLook {
        QString imageName;
        QString label;
    };
    static std::optional<ModeLook> modeLookForMode(const QString &printingMode);

    // Whether the item is enabled: Zero Scale with a USB scale, Choose
    // Printer and Address Book in the standard printing mode, the other
    // items of either edition always; anything else never.
    static bool validateItem(const QString &identifier, const ToolbarValidationState &state);

private:
    bool m_stampsEdition = false;
    QStringList m_items;
    QString m_selected;
};
