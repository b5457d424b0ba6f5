#pragma once
// The mailing-log toolbar's customise dialog: a thin view over
// QVMailingLogToolbarCustomization. A list of the items, each with its
// picture and a check box (checked: shown in the toolbar), Move Up and Move
// Down for the selected row, Restore Defaults, OK and Cancel. The caller
// reads itemIdentifiers() after the dialog was accepted.
#include "mailinglog/window/QVMailingLogToolbar.h"

#include <QDialog>

class QListWidget;
class QPushButton;

class QVMailingLogToolbarCustomizeDialog : public QDialog
{
public:
    explicit QVMailingLogToolbarCustomizeDialog(const QStringList &items, QWidget *parent = nullptr);

    QVMailingLogToolbarCustomization &customization() { return m_customization; }
    QStringList itemIdentifiers() const { return m_customization.itemIdentifiers(); }
    QListWidget *list() const { return m_list; }
    // Moves the selected row (-1 up, 1 down), keeping it selected.
    void moveSelection(int offset);
    void restoreDefaults();

private:
    void reload(int selectedRow);
    void updateButtons();

    QVMailingLogToolbarCustomization m_customization;
    QListWidget *m_list = nullptr;
    QPushButton *m_up = nullptr;
    QPushButton *m_down = nullptr;
    bool m_reloading = false;
};

// The picture of a toolbar item (its named picture; the Print item and the
// platform's items drawn from their labels).
QIcon mailingLogToolbarIcon(const QString &identifier);
