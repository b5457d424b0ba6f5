// PXSourceList: conformance of the data source, selection repair on reload,
// group rows never selected, arrow keys across groups, badge sizes, the
// delete-key notification, and the delegate's notification receivers.
#include "widgets/PXSourceList.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <deque>

namespace {

// Two groups of named children: "A" {a1, a2}, "B" {b1}.
struct Node {
    QString name;
    std::deque<Node> children;
    qint64 badge = -1; // -1: none
};

class TreeSource : public PXSourceListDataSource
{
public:
    std::deque<Node> groups;

    static const Node *node(PXSourceListItem item) { return static_cast<const Node *>(item); }
    int sourceListNumberOfChildrenOfItem(PXSourceList &, PXSourceListItem item) override
    {
        return int(item ? node(item)->children.size() : groups.size());
    }
    PXSourceListItem sourceListChildOfItem(PXSourceList &, int index, PXSourceListItem item) override
    {
        return item ? &node(item)->children[size_t(index)] : &groups[size_t(index)];
    }
    bool sourceListIsItemExpandable(PXSourceList &, PXSourceListItem item) override
    {
        return !node(item)->children.empty();
    }
    QVariant sourceListObjectValueForItem(PXSourceList &, PXSourceListItem item) override { return node(item)->name; }
    bool sourceListItemHasBadge(PXSourceList &, PXSourceListItem item) override { return node(item)->badge >= 0; }
    qint64 sourceListBadgeValueForItem(PXSourceList &, PXSourceListItem item) override { return node(item)->badge; }
};

// Answers only the informal operations: not a data source of the protocol.
class BadgeOnlySource : public PXSourceListInformalDataSource
{
public:
    bool sourceListItemHasBadge(PXSourceList &, PXSourceListItem) override { return true; }
};

class ExpandingDelegate : public PXSourceListDelegate
{
public:
    int selectionChanges = 0;
    QList<QVariantList> deletedRows;
    bool sourceListIsGroupAlwaysExpanded(PXSourceList &, PXSourceListItem) override { return true; }
    void sourceListSelectionDidChange(const Notification &) override { ++selectionChanges; }
    void sourceListDeleteKeyPressedOnRows(const Notification &notification) override
    {
        deletedRows << notification.userInfo.value(QStringLiteral("rows")).toList();
    }
};

struct Fixture {
    Fixture()
    {
        source.groups = {
            Node{QStringLiteral("A"), {Node{QStringLiteral("a1"), {}, 5}, Node{QStringLiteral("a2"), {}, -1}}},
            Node{QStringLiteral("B"), {Node{QStringLiteral("b1"), {}, 123456789}}}};
        view.resize(240, 300);
        view.setAllowsEmptySelection(false);
        view.setDelegate(&delegate);
        view.setDataSource(&source);
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers, key == Qt::Key_Backspace ? QStringLiteral("\b") : QString());
        QApplication::sendEvent(&view, &event);
    }
    void click(int row)
    {
        const QPoint point = row < 0
            ? QPoint(10, view.viewport()->height() - 2)
            : view.visualRect(view.model()->index(0, 0)).center() + QPoint(0, row * view.rowHeight());
        QMouseEvent press(QEvent::MouseButtonPress, point, view.viewport()->mapToGlobal(point), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, point, view.viewport()->mapToGlobal(point), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &release);
    }
    TreeSource source;
    ExpandingDelegate delegate;
    PXSourceList view;
};

TEST(PXSourceList, ANonConformingDataSourceShowsNoRows)
{
    BadgeOnlySource informal;
    PXSourceList view;
    view.setDataSource(&informal);
    EXPECT_EQ(view.numberOfRows(), 0);
    EXPECT_EQ(view.numberOfGroups(), 0);

    Fixture f; // the same view with a conforming source lists groups and children
    EXPECT_EQ(f.view.numberOfGroups(), 2);
    EXPECT_EQ(f.view.numberOfRows(), 5);
}

TEST(PXSourceList, ReloadExpandsGroupsAndSelectsTheFirstChild)
{
    Fixture f;
    EXPECT_TRUE(f.view.isGroupItem(f.view.itemAtRow(0)));
    EXPECT_FALSE(f.view.isGroupItem(f.view.itemAtRow(1)));
    EXPECT_EQ(f.view.selectedRowIndexes(), QList<int>({1}));
    EXPECT_GT(f.delegate.selectionChanges, 0);

    // An always-expanded group does not collapse.
    f.view.collapse(f.view.model()->index(0, 0));
    EXPECT_EQ(f.view.numberOfRows(), 5);
}

TEST(PXSourceList, GroupRowsAreNeverSelected)
{
    Fixture f;
    f.view.selectRowIndexes({0, 3}, false); // both groups: nothing changes
    EXPECT_EQ(f.view.selectedRowIndexes(), QList<int>({1}));
    f.view.selectRowIndexes({3, 4}, false); // the group is dropped
    EXPECT_EQ(f.view.selectedRowIndexes(), QList<int>({4}));

    f.click(0); // a heading
    EXPECT_EQ(f.view.selectedRowIndexes(), QList<int>({4}));
    f.click(2);
    EXPECT_EQ(f.view.selectedRowIndexes(), QList<int>({2}));
    f.click(-1); // below every row
    EXPECT_TRUE(f.view.selectedRowIndexes().isEmpty());
}

TEST(PXSourceList, ArrowsMoveAcrossGroupsAndStopAtTheEnds)
{
    struct Case {
        int from;
        int key;
        int to;
    };
    const Case cases[] = {
        {2, Qt::Key_Down, 4}, // last child of A to the first child of B
        {4, Qt::Key_Up, 2},   // and back over the heading
        {1, Qt::Key_Up, 1},   // first child of the first group stays
        {4, Qt::Key_Down, 4}, // last row stays
        {1, Qt::Key_Down, 2},
    };
    for (const Case &c : cases) {
        Fixture f;
        f.view.selectRowIndexes({c.from}, false);
        f.key(c.key);
        EXPECT_EQ(f.view.selectedRowIndexes(), QList<int>({c.to})) << c.from << " key " << c.key;
    }
}

TEST(PXSourceList, BadgeSizes)
{
    EXPECT_EQ(PXSourceList::badgeSizeForTextWidth(20), QSize(30, 14));
    EXPECT_EQ(PXSourceList::badgeSizeForTextWidth(12), QSize(22, 14));
    EXPECT_EQ(PXSourceList::badgeSizeForTextWidth(13), QSize(23, 14));

    Fixture f;
    EXPECT_EQ(f.view.sizeOfBadgeAtRow(1), QSize(22, 14)); // "5"
    EXPECT_GT(f.view.sizeOfBadgeAtRow(4).width(), 22);    // nine digits
    EXPECT_FALSE(f.view.itemHasBadge(f.view.itemAtRow(2)));
    EXPECT_EQ(f.view.badgeValueForItem(f.view.itemAtRow(2)), std::numeric_limits<qint64>::max());

    // The badge sits 5 from the right edge; the text stops 5 before it.
    const QRect badge = f.view.frameOfBadgeAtRow(1);
    EXPECT_EQ(badge.right() + 1, f.view.viewport()->width() - 5);
    const QRect text = f.view.frameOfCellAtRow(1);
    EXPECT_EQ(text.x(), f.view.indentation() + 18);
    EXPECT_EQ(text.right() + 1, badge.left() - 5);
}

TEST(PXSourceList, DeleteWithTwoRowsPostsOneNotificationWithBoth)
{
    Fixture f;
    f.view.selectRowIndexes({1, 4}, false);
    int posted = 0;
    QVariantList rows;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        PXSourceListDeleteKeyPressedOnRowsNotification, NotificationObject(&f.view), [&](const Notification &n) {
            ++posted;
            rows = n.userInfo.value(QStringLiteral("rows")).toList();
        });
    f.key(Qt::Key_Delete);
    EXPECT_EQ(posted, 1);
    EXPECT_EQ(rows, QVariantList({1, 4}));
    EXPECT_EQ(f.delegate.deletedRows, QList<QVariantList>({QVariantList({1, 4})}));
    EXPECT_EQ(f.view.numberOfRows(), 5); // nothing deleted

    // A delegate replaced hears no more.
    f.view.setDelegate(nullptr);
    f.key(Qt::Key_Backspace);
    EXPECT_EQ(posted, 2);
    EXPECT_EQ(f.delegate.deletedRows.size(), 1);
}

TEST(PXSourceList, IconSizeIsScaledDownToTheRowHeight)
{
    PXSourceList view;
    EXPECT_EQ(view.iconSize(), QSize(16, 16));
    view.setIconSize(QSize(40, 40));
    EXPECT_EQ(view.iconSize(), QSize(view.rowHeight(), view.rowHeight()));
}

} // namespace
