#include "app/shell/QVMenuBar.h"

#include "platform/Bundle.h"

#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaObject>
#include <QWidget>

#include <algorithm>

QVMenuBar::QVMenuBar(QMenuBar *bar, QVMenuBarModel model, const QVMenuActions &actions, QObject *parent)
    : QObject(parent), m_bar(bar), m_model(std::move(model)), m_actions(actions)
{
    m_bar->clear();
    for (int i = 0; i < m_model.size(); ++i) {
        const QVMenuItem &top = m_model[i];
        QMenu *menu = m_bar->addMenu(top.title);
        if (!top.identifier.isEmpty())
            m_menus.insert(top.identifier, menu);
        addItems(menu, top.submenu, {i});
    }
    updateEnabledStates();
    updateCheckMarks();
}

void QVMenuBar::addItems(QMenu *menu, const QList<QVMenuItem> &items, const QList<int> &path)
{
    connect(menu, &QMenu::aboutToShow, this, &QVMenuBar::updateEnabledStates);
    for (int i = 0; i < items.size(); ++i) {
        const QVMenuItem &item = items[i];
        const QList<int> itemPath = path + QList<int>{i};
        if (item.separator) {
            menu->addSeparator();
            continue;
        }
        if (item.hasSubmenu()) {
            QMenu *submenu = menu->addMenu(item.title);
            if (!item.identifier.isEmpty())
                m_menus.insert(item.identifier, submenu);
            addItems(submenu, item.submenu, itemPath);
            continue;
        }
        QAction *action = menu->addAction(item.title);
        action->setShortcut(QKeySequence(item.keyEquivalent));
        action->setCheckable(item.checkable);
        if (item.title.startsWith(QLatin1String("Preferences")))
            action->setMenuRole(QAction::PreferencesRole);
        else if (item.action == QLatin1String("terminate:"))
            action->setMenuRole(QAction::QuitRole);
        else
            action->setMenuRole(QAction::NoRole);
        connect(action, &QAction::triggered, this, [this, itemPath] {
            if (const QVMenuItem *sent = itemAt(itemPath))
                m_actions.perform(*sent);
            // A check mark is the handler's to set; the toolkit's own toggle
            // is undone.
            updateCheckMarks();
        });
        m_items.append({action, itemPath});
    }
}

const QVMenuItem *QVMenuBar::itemAt(const QList<int> &path) const
{
    const QList<QVMenuItem> *level = &m_model;
    const QVMenuItem *item = nullptr;
    for (int index : path) {
        if (index < 0 || index >= level->size())
            return nullptr;
        item = &level->at(index);
        level = &item->submenu;
    }
    return item;
}

QAction *QVMenuBar::actionFor(const QString &action, std::optional<int> tag) const
{
    for (const auto &[qaction, path] : m_items) {
        const QVMenuItem *item = itemAt(path);
        if (item && item->action == action && (!tag || item->tag == *tag))
            return qaction;
    }
    return nullptr;
}

QMenu *QVMenuBar::menuFor(const QString &identifier) const { return m_menus.value(identifier); }

void QVMenuBar::updateEnabledStates()
{
    for (const auto &[qaction, path] : m_items) {
        const QVMenuItem *item = itemAt(path);
        if (!item)
            continue;
        const QVMenuItemValidation state = m_actions.validate(*item, m_model.at(path.first()).title);
        qaction->setEnabled(state.enabled);
        if (state.title)
            qaction->setText(*state.title);
    }
}

void QVMenuBar::updateCheckMarks()
{
    for (const auto &[qaction, path] : m_items) {
        if (const QVMenuItem *item = itemAt(path))
            qaction->setChecked(item->checkable && item->checked);
    }
}

namespace {

bool hasSlot(const QObject *object, const char *slot)
{
    return object->metaObject()->indexOfMethod(
               QMetaObject::normalizedSignature((QByteArray(slot) + "()").constData())) >= 0;
}

// Sends the slot to the focused widget when it has one of that name. An
// editable combo box or a spin box has the focus for its text field, which
// edits in its place.
void sendToFocusedWidget(const char *slot)
{
    QWidget *focused = QApplication::focusWidget();
    if (!focused)
        return;
    if (!hasSlot(focused, slot)) {
        const QList<QLineEdit *> fields = focused->findChildren<QLineEdit *>(Qt::FindDirectChildrenOnly);
        const auto field = std::find_if(fields.cbegin(), fields.cend(),
                                        [focused](const QLineEdit *edit) { return edit->focusProxy() == focused; });
        if (field == fields.cend())
            return;
        focused = *field;
    }
    if (hasSlot(focused, slot))
        QMetaObject::invokeMethod(focused, slot);
}

} // namespace

void registerStandardActions(QVMenuActions &actions)
{
    const QList<QPair<QString, const char *>> edits{
        {QStringLiteral("undo:"), "undo"},   {QStringLiteral("redo:"), "redo"},
        {QStringLiteral("cut:"), "cut"},     {QStringLiteral("copy:"), "copy"},
        {QStringLiteral("paste:"), "paste"}, {QStringLiteral("selectAll:"), "selectAll"},
    };
    for (const auto &edit : edits) {
        const char *slot = edit.second;
        actions.setHandler(edit.first, [slot](const QVMenuItem &) { sendToFocusedWidget(slot); });
    }
    actions.setHandler(QStringLiteral("orderFrontStandardAboutPanel:"), [](const QVMenuItem &) {
        QMessageBox::about(
            QApplication::activeWindow(), QStringLiteral("About %1").arg(Bundle::bundleName()),
            QStringLiteral("%1 %2 (%3)")
                .arg(QStringLiteral("Tolvane for Mac"), Bundle::shortVersionString(), Bundle::bundleVersion()));
    });
    actions.setHandler(QStringLiteral("terminate:"), [](const QVMenuItem &) { QCoreApplication::quit(); });
}
