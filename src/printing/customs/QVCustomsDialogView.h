#pragma once
// The window of the customs declaration sheet ("CustomsDialog"): Qt widgets
// bound to the plain state of a QVCustomsDialogController. The view shows
// the controller's state after every change, passes each edit and choice on
// to it, and moves the keyboard focus to the field the controller names (once:
// the name is then cleared, so that later changes leave the focus alone).
// Every widget carries the name of the field it shows (objectName), so that
// tests find it. Main thread only.
#include "printing/customs/QVCustomsDialogController.h"

#include <QHash>
#include <QList>
#include <QWidget>

#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTextBrowser;

namespace tolvane {

class QVCustomsDialogView : public QWidget
{
    Q_OBJECT

public:
    explicit QVCustomsDialogView(std::shared_ptr<QVCustomsDialogController> controller, QWidget *parent = nullptr);
    ~QVCustomsDialogView() override;

    QVCustomsDialogController &controller() const { return *m_controller; }
    // The widget that shows a named field (a line edit or, for the
    // countries of origin, an editable combo box); null for other names.
    QWidget *fieldWidget(const QString &name) const { return m_fields.value(name); }
    QButtonGroup *formGroup() const { return m_formGroup; }
    QButtonGroup *contentGroup() const { return m_contentGroup; }

    // Shows the controller's state.
    void refresh();

signals:
    // The user pressed Cancel (the sheet is closed without saving).
    void cancelled();

private:
    void buildForm();
    bool endEditing();
    QLineEdit *lineEditOf(const QString &name) const;

    std::shared_ptr<QVCustomsDialogController> m_controller;
    QHash<QString, QWidget *> m_fields;
    QButtonGroup *m_formGroup = nullptr;
    QButtonGroup *m_contentGroup = nullptr;
    QCheckBox *m_printSendersCopy = nullptr;
    QPushButton *m_clearAll = nullptr;
    QTextBrowser *m_itnAbout = nullptr;
    // The widgets of rows 4 and 5, which the sheet may fold away.
    QList<QWidget *> m_bottomTwoItems;
    bool m_refreshing = false;
};

} // namespace tolvane
