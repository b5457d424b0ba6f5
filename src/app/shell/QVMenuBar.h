#pragma once
// The menus of QVMenus.h turned into a Qt menu bar.
//
// Each item becomes a QAction (a submenu a QMenu, a separator a separator)
// with the item's title, key equivalent, check mark and its action's handler:
// triggering it performs the item through the QVMenuActions. An item whose
// action has no handler, or that the actions' validator refuses, is
// disabled; the enabled states (and the validator's titles) are read again
// each time a menu opens and by updateEnabledStates(). Check marks live in the
// model: change them there (model()) and call updateCheckMarks().
//
// registerStandardActions() adds the handlers of the actions that belong to
// the toolkit: the edit actions (sent to the focused widget when it has
// them, or to the text field of a focused editable combo box or spin box),
// the about box and quitting.
#include "app/shell/QVMenus.h"

#include <QHash>
#include <QObject>

#include <memory>

class QAction;
class QMenu;
class QMenuBar;

class QVMenuBar : public QObject
{
    Q_OBJECT
public:
    // Fills the menu bar (emptied first). The actions must outlive this
    // object.
    QVMenuBar(QMenuBar *bar, QVMenuBarModel model, const QVMenuActions &actions, QObject *parent = nullptr);

    QVMenuBarModel &model() { return m_model; }
    QMenuBar *menuBar() const { return m_bar; }

    // The QAction of the first item that sends the action (with the tag,
    // when given); nullptr when none.
    QAction *actionFor(const QString &action, std::optional<int> tag = {}) const;
    // The QMenu of the submenu with the identifier; nullptr when none.
    QMenu *menuFor(const QString &identifier) const;

    void updateEnabledStates();
    void updateCheckMarks();

private:
    void addItems(QMenu *menu, const QList<QVMenuItem> &items, const QList<int> &path);
    const QVMenuItem *itemAt(const QList<int> &path) const;

    QMenuBar *m_bar;
    QVMenuBarModel m_model;
    const QVMenuActions &m_actions;
    // Each QAction with the path of its item in the model.
    QList<QPair<QAction *, QList<int>>> m_items;
    QHash<QString, QMenu *> m_menus;
};

// The toolkit's actions: "undo:", "redo:", "cut:", "copy:", "paste:",
// "selectAll:" (to the focused widget or its text field), "orderFrontStandardAboutPanel:" (the
// about box with the program's name and version) and "terminate:" (quits).
void registerStandardActions(QVMenuActions &actions);
