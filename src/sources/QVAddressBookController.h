#pragma once
// QVAddressBookController: the logic of the main window's address drawer,
// on plain state (the thin view is QVAddressBookPanel). The drawer lists the
// delivery addresses of the address book (every person, or the members of
// one group; platform/VCardFolder.h and model/ABAddressBook.h) or of the
// imported address list ("importedAddresses.plist", written by
// QVAddressBookImportController). One selected row fills the main window's
// destination, several start batch printing (through QVAddressBookHost,
// asked for on each use); the drawer exports the selected rows as vCards and
// opens a person's card for editing.
//
// User defaults read: "useImportedAddresses" (the source; written back when
// the application terminates), "abLabelFilter" (an address label; empty: no
// filter), "abSortOrder" ("F": by first name, else by last name),
// "abDisplayOrder" ("FL": names first-name first, else last-name first),
// "kivoStampsVersion" (the stamps-only edition lists nothing).
//
// Notifications heard: the address book's changes (own and external), the
// user defaults' change and the application's termination.
#include "model/ABAddressBook.h"
#include "model/QVAddress.h"
#include "platform/NotificationCenter.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QVAddressBookImportController;

// The person's address as lines: the primary address (the last one when
// none is primary); first, middle and last name; organization; street; city,
// state and ZIP; the country name after a line break when the address has a
// country code other than "us" or a country name. Empty when the person has
// no address.
QString qv_formattedAddressString(const Person &person);

// The address book's group order: names compared case-insensitively, with
// numbers compared by value.
bool CompareABGroup(const ABGroup &a, const ABGroup &b);

class QVAddressBookController
{
public:
    // Table columns by identifier.
    static inline const QString NameColumn = QStringLiteral("name");
    static inline const QString AddressColumn = QStringLiteral("address");
    static inline const QString LabelColumn = QStringLiteral("label");

    QVAddressBookController();
    ~QVAddressBookController();
    QVAddressBookController(const QVAddressBookController &) = delete;
    QVAddressBookController &operator=(const QVAddressBookController &) = delete;

    // Set-up: builds the chooser and the list, starts listening, deselects.
    void awakeFromNib();

    // ---- what the view shows
    QStringList chooserTitles() const { return m_chooserTitles; }
    int selectedChooserIndex() const { return m_selectedChooserIndex; }
    bool useImportedFile() const { return m_useImportedFile; }
    QString searchText() const { return m_searchText; }
    // The columns shown, in order ("label" only for the address book).
    QStringList columns() const;
    qsizetype numberOfRows() const { return m_filteredArray.size(); }
    QString textForColumn(const QString &column, qsizetype row) const;
    const QList<QVAddress> &filteredArray() const { return m_filteredArray; }
    const QList<QVAddress> &addressArray() const { return m_addressArray; }
    QList<qsizetype> selectedRows() const { return m_selectedRows; }
    bool isDrawerOpen() const { return m_drawerOpen; }

    // ---- actions
    void chooseBook(int index);
    void setSearchText(const QString &text); // controlTextDidChange:
    // The user selected these rows (a click, the keyboard).
    void selectRows(const QList<qsizetype> &rows);
    void exportVCard();
    void editCard();
    // Runs the import; true when it stored a list (then shown).
    bool importFile();
    void deleteSelectedRow();
    // Selects the row when it exists and passes its address on.
    void selectRow(qsizetype row);
    bool canEditCard() const;
    bool canExportVCard() const;

    // The view's hooks: the state changed (reload); a beep.
    std::function<void()> changed;
    std::function<void()> beep;

    // The rebuilds (also run by the notifications).
    void buildBookChooser();
    void buildAddressBook();

private:
    void filter();
    void selectionDidChange();
    void passOnSelection();
    bool passesLabelFilter(const QString &label) const;
    QString nameText(const QVAddress &address) const;
    QVAddressBookImportController &importController();
    void notifyChanged();

    QList<QVAddress> m_addressArray;
    QList<QVAddress> m_filteredArray;
    bool m_useImportedFile = false;
    QList<ABGroup> m_groupArray;
    std::optional<ABGroup> m_filterGroup;
    QStringList m_chooserTitles;
    int m_selectedChooserIndex = 0;
    bool m_processingNotification = false;
    QString m_searchText;
    QList<qsizetype> m_selectedRows;
    // The addresses the user selected last, selected again after a filter.
    QList<QVAddress> m_rememberedSelection;
    QHash<QString, Person> m_people; // the book's people by id, while shown
    bool m_drawerOpen = false;
    std::unique_ptr<QVAddressBookImportController> m_importController;
    std::vector<NotificationObserver> m_observers;
};
