#pragma once
// The mailing-log window's toolbar on plain state: its items (identifier,
// label, palette label, tool tip, picture name and the controller's action),
// the default and allowed orders, and the order the user chose, kept in the
// user defaults under "NSToolbar Configuration Mailing Log Toolbar
// Identifier" ({"TB Item Identifiers": [identifiers]}). An identifier that
// is not allowed is dropped from a saved order. The view builds its Qt
// toolbar from itemIdentifiers() and hands each item's action to the
// controller.
//
// Customisation: QVMailingLogToolbarCustomization is the customise dialog on
// plain state (rows that move and are shown or hidden); the chosen order is
// saved and the controller told of each item added or removed
// (changeItemIdentifiers), so that removing the search item shows the whole
// log.
#include "mailinglog/window/QVMailingLogController.h"

#include <QString>
#include <QStringList>

#include <optional>

inline const QString QVMailingLogToolbarIdentifier = QStringLiteral("Mailing Log Toolbar Identifier");
inline const QString QVSearchLogItemIdentifier = QStringLiteral("Search Log Item Identifier");
inline const QString QVItemDetailsItemIdentifier = QStringLiteral("Item Details Item Identifier");
inline const QString QVDuplicateItemIdentifier = QStringLiteral("Duplicate Item Identifier");
inline const QString QVCheckStatusItemIdentifier = QStringLiteral("Check Status Item Identifier");
inline const QString QVBatchCheckStatusItemIdentifier = QStringLiteral("Batch Check Status Item Identifier");
inline const QString QVDateCorrectionItemIdentifier = QStringLiteral("Date Correction Item Identifier");
inline const QString QVPostageCorrectionItemIdentifier = QStringLiteral("Postage Correction Item Identifier");
inline const QString QVElectronicRefundItemIdentifier = QStringLiteral("Electronic Refund Item Identifier");
inline const QString QVReprintItemIdentifier = QStringLiteral("Reprint Item Identifier");
inline const QString QVEmailItemIdentifier = QStringLiteral("Email Item Identifier");
// The platform's standard items.
inline const QString QVToolbarPrintItemIdentifier = QStringLiteral("NSToolbarPrintItem");
inline const QString QVToolbarSeparatorItemIdentifier = QStringLiteral("NSToolbarSeparatorItem");
inline const QString QVToolbarFlexibleSpaceItemIdentifier = QStringLiteral("NSToolbarFlexibleSpaceItem");
inline const QString QVToolbarCustomizeItemIdentifier = QStringLiteral("NSToolbarCustomizeToolbarItem");

inline const QString QVMailingLogToolbarConfigurationKey =
    QStringLiteral("NSToolbar Configuration Mailing Log Toolbar Identifier");

struct QVMailingLogToolbarItem {
    QString identifier;
    QString label;
    QString paletteLabel;
    QString toolTip;
    QString imageName; // empty: the platform's, or the search field
    QVMailingLogController::Action action = QVMailingLogController::Action::Other;
    bool enabled = true;
};

class QVMailingLogToolbar
{
public:
    // The item of an identifier (the search field, the controller's items
    // and the Print item); nothing for any other identifier.
    static std::optional<QVMailingLogToolbarItem> itemForItemIdentifier(const QString &identifier);
    static QStringList defaultItemIdentifiers();
    static QStringList allowedItemIdentifiers();

    // The order shown: the saved one, else the default.
    static QStringList itemIdentifiers();
    // Saves an order (identifiers that are not allowed are left out).
    static void setItemIdentifiers(const QStringList &identifiers);
    // Saves the new order and tells the controller of every item that left
    // the toolbar and every item that came into it.
    static void changeItemIdentifiers(QVMailingLogController &controller, const QStringList &identifiers);

    // The name an item has in the customise dialog (its palette label;
    // "Separator", "Flexible Space" and "Customize" for the platform's).
    static QString paletteLabel(const QString &identifier);
};

// The customise dialog's state: the toolbar's items first, in their order
// and shown, then every allowed item that is not in the toolbar, hidden (the
// separator and the flexible space are offered once when absent). Rows move
// up and down and are shown or hidden; the chosen order is the shown rows.
class QVMailingLogToolbarCustomization
{
public:
    struct Row {
        QString identifier;
        QString label;
        bool shown = true;
        friend bool operator==(const Row &, const Row &) = default;
    };

    explicit QVMailingLogToolbarCustomization(const QStringList &items = QVMailingLogToolbar::itemIdentifiers());

    const QList<Row> &rows() const { return m_rows; }
    // Moves a row by the offset (-1 up, 1 down); false when it would leave
    // the list.
    bool moveRow(qsizetype row, int offset);
    void setShown(qsizetype row, bool shown);
    // The default order, every other allowed item hidden.
    void restoreDefaults();
    QStringList itemIdentifiers() const;

private:
    void setItems(const QStringList &items);
    QList<Row> m_rows;
};
