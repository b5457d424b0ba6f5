#pragma once
// PXSourceList: the outline of a window's sidebar. Top-level items are group
// rows (headings that cannot be selected); their children are selectable
// items that may carry an icon and a numeric badge.
//
// The view is its own item model: it asks a secondary data source and a
// secondary delegate, through PXSourceListDataSource and
// PXSourceListDelegate, whose operations name the source list and carry no
// column. Items are opaque pointers of the data source (nullptr is the top
// level); they must stay valid until the next reloadData().
//
// Conformance: only an object of the full data-source protocol
// (PXSourceListDataSource) gives rows. An object that answers just the
// informal operations (badges, icons, colours) shows no rows.
//
// Rules:
// - reloadData(): reloads, expands every group the delegate always expands,
//   then repairs the selection (with empty selection disallowed and nothing
//   selected, the first non-group row is selected; a group row first in the
//   selection gives way to the nearest non-group row above it, or to none).
// - selectRowIndexes(): an empty proposal is ignored unless empty selection
//   is allowed; group rows are dropped; the delegate may change the rest.
// - Keys: with exactly one row selected and no Shift, the up and down arrows
//   step over group rows and stop at the ends; Delete, forward delete and
//   Backspace post "PXSourceListDeleteKeyPressedOnRows" with {"rows": the
//   selected rows} and delete nothing.
// - Mouse: a click below every row clears the selection; the context menu
//   is the delegate's for the item under the pointer.
// - Geometry (points = pixels): icons 16 by 16 (scaled down to the row
//   height); a badge is max(22, text width + 10) by 14, 5 from the row's
//   right edge, in the bold system font of size 11, with corners of radius 7;
//   the text of a child row starts at level x indentation + 18 (+ icon width
//   + 4) and stops 5 before the badge.
//
// Notifications (NotificationCenter::defaultCenter(), object the view):
// "PXSourceListSelectionIsChanging", "PXSourceListSelectionDidChange",
// "PXSourceListItemWillExpand", "PXSourceListItemDidExpand",
// "PXSourceListItemWillCollapse", "PXSourceListItemDidCollapse" (user info
// {"item": the item as a quintptr}), "PXSourceListDeleteKeyPressedOnRows".
// The delegate hears them through its receivers while it is set.
#include "platform/NotificationCenter.h"

#include <QColor>
#include <QIcon>
#include <QList>
#include <QSize>
#include <QTreeView>
#include <QVariant>

#include <vector>

class QMenu;
class QContextMenuEvent;
class PXSourceList;

using PXSourceListItem = const void *;

inline const QString PXSourceListSelectionIsChangingNotification = QStringLiteral("PXSourceListSelectionIsChanging");
inline const QString PXSourceListSelectionDidChangeNotification = QStringLiteral("PXSourceListSelectionDidChange");
inline const QString PXSourceListItemWillExpandNotification = QStringLiteral("PXSourceListItemWillExpand");
inline const QString PXSourceListItemDidExpandNotification = QStringLiteral("PXSourceListItemDidExpand");
inline const QString PXSourceListItemWillCollapseNotification = QStringLiteral("PXSourceListItemWillCollapse");
inline const QString PXSourceListItemDidCollapseNotification = QStringLiteral("PXSourceListItemDidCollapse");
inline const QString PXSourceListDeleteKeyPressedOnRowsNotification =
    QStringLiteral("PXSourceListDeleteKeyPressedOnRows");

// The optional operations a data source may answer, with their defaults.
class PXSourceListInformalDataSource
{
public:
    virtual ~PXSourceListInformalDataSource() = default;

    virtual bool sourceListItemHasBadge(PXSourceList &, PXSourceListItem) { return false; }
    virtual qint64 sourceListBadgeValueForItem(PXSourceList &, PXSourceListItem) { return 0; }
    // Invalid colours: the view's own.
    virtual QColor sourceListBadgeBackgroundColorForItem(PXSourceList &, PXSourceListItem) { return QColor(); }
    virtual QColor sourceListBadgeTextColorForItem(PXSourceList &, PXSourceListItem) { return QColor(); }
    virtual bool sourceListItemHasIcon(PXSourceList &, PXSourceListItem) { return false; }
    virtual QIcon sourceListIconForItem(PXSourceList &, PXSourceListItem) { return QIcon(); }
};

// The full protocol: the items themselves.
class PXSourceListDataSource : public PXSourceListInformalDataSource
{
public:
    virtual int sourceListNumberOfChildrenOfItem(PXSourceList &, PXSourceListItem item) = 0;
    virtual PXSourceListItem sourceListChildOfItem(PXSourceList &, int index, PXSourceListItem item) = 0;
    virtual bool sourceListIsItemExpandable(PXSourceList &, PXSourceListItem item) = 0;
    virtual QVariant sourceListObjectValueForItem(PXSourceList &, PXSourceListItem item) = 0;
    virtual void sourceListSetObjectValue(PXSourceList &, const QVariant &, PXSourceListItem) {}
};

// Every operation is optional; the defaults are those of a delegate that
// answers nothing.
class PXSourceListDelegate
{
public:
    virtual ~PXSourceListDelegate() = default;

    virtual bool sourceListIsGroupAlwaysExpanded(PXSourceList &, PXSourceListItem) { return false; }
    virtual bool sourceListShouldExpandItem(PXSourceList &, PXSourceListItem) { return true; }
    virtual bool sourceListShouldCollapseItem(PXSourceList &, PXSourceListItem) { return true; }
    virtual bool sourceListShouldSelectItem(PXSourceList &, PXSourceListItem) { return true; }
    virtual QList<int> sourceListSelectionIndexesForProposedSelection(PXSourceList &, const QList<int> &proposed)
    {
        return proposed;
    }
    virtual bool sourceListShouldEditItem(PXSourceList &, PXSourceListItem) { return true; }
    // 0: the view's row height.
    virtual int sourceListHeightOfRowByItem(PXSourceList &, PXSourceListItem) { return 0; }
    // The menu for the item (nullptr: none of the delegate's). Not owned by
    // the view.
    virtual QMenu *sourceListMenuForEvent(PXSourceList &, QContextMenuEvent *, PXSourceListItem) { return nullptr; }

    virtual void sourceListSelectionIsChanging(const Notification &) {}
    virtual void sourceListSelectionDidChange(const Notification &) {}
    virtual void sourceListItemWillExpand(const Notification &) {}
    virtual void sourceListItemDidExpand(const Notification &) {}
    virtual void sourceListItemWillCollapse(const Notification &) {}
    virtual void sourceListItemDidCollapse(const Notification &) {}
    virtual void sourceListDeleteKeyPressedOnRows(const Notification &) {}
};

class PXSourceList : public QTreeView
{
public:
    explicit PXSourceList(QWidget *parent = nullptr);
    ~PXSourceList() override;

    // Neither is owned; both must outlive their use or be unset.
    void setDataSource(PXSourceListInformalDataSource *dataSource);
    PXSourceListInformalDataSource *dataSource() const { return m_dataSource; }
    void setDelegate(PXSourceListDelegate *delegate);
    PXSourceListDelegate *delegate() const { return m_delegate; }

    QSize iconSize() const { return m_iconSize; }
    void setIconSize(const QSize &size);
    int rowHeight() const { return m_rowHeight; }
    bool allowsEmptySelection() const { return m_allowsEmptySelection; }
    void setAllowsEmptySelection(bool allows) { m_allowsEmptySelection = allows; }

    void reloadData();
    int numberOfGroups() const;
    int numberOfRows() const;
    PXSourceListItem itemAtRow(int row) const;
    // -1 when the item is not showing.
    int rowForItem(PXSourceListItem item) const;
    // 0 for a group, -1 for an item not showing.
    int levelForItem(PXSourceListItem item) const;
    bool isGroupItem(PXSourceListItem item) const;
    bool isGroupAlwaysExpanded(PXSourceListItem item) const;
    bool itemHasBadge(PXSourceListItem item) const;
    // The largest signed 64-bit value when the item has no badge.
    qint64 badgeValueForItem(PXSourceListItem item) const;

    // In increasing order.
    QList<int> selectedRowIndexes() const;
    void selectRowIndexes(const QList<int> &rows, bool extendSelection);

    // Geometry in viewport coordinates.
    QSize sizeOfBadgeAtRow(int row) const;
    QRect frameOfBadgeAtRow(int row) const;
    QRect frameOfCellAtRow(int row) const;
    QRect frameOfIconAtRow(int row) const;
    // A badge of a text this wide.
    static QSize badgeSizeForTextWidth(qreal textWidth);
    static QFont badgeFont();

    // The colours of the badge of a row as drawn now.
    QColor badgeBackgroundColorAtRow(int row) const;
    QColor badgeTextColorAtRow(int row) const;

    // The menu of a right click at the position (viewport coordinates).
    QMenu *menuForPosition(QContextMenuEvent *event, const QPoint &position);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void drawBranches(QPainter *painter, const QRect &rect, const QModelIndex &index) const override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;

private:
    class Model;
    class BadgeDelegate;
    friend class Model;
    friend class BadgeDelegate;

    PXSourceListDataSource *conformingDataSource() const;
    QModelIndex indexAtRow(int row) const;
    QModelIndex indexForItem(PXSourceListItem item) const;
    std::vector<QModelIndex> visibleIndexes() const;
    void registerDelegateNotifications();
    void post(const QString &name, const QVariantMap &userInfo = QVariantMap());
    void itemExpanded(const QModelIndex &index);
    void itemCollapsed(const QModelIndex &index);

    Model *m_model = nullptr;
    PXSourceListInformalDataSource *m_dataSource = nullptr;
    PXSourceListDelegate *m_delegate = nullptr;
    std::vector<NotificationObserver> m_delegateObservers;
    QSize m_iconSize{16, 16};
    int m_rowHeight = 20;
    bool m_allowsEmptySelection = true;
    bool m_restoringExpansion = false;
};
