// QVReturnActionTableView: Return with a selection performs the return
// action, Home and End leave the selection alone, the space bar steps the
// selection (Shift: up), a right click below the rows gives no menu.
#include "widgets/QVReturnActionTableView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QStandardItemModel>
#include <gtest/gtest.h>

namespace {

struct Fixture {
    Fixture()
    {
        for (int row = 0; row < 3; ++row)
            model.appendRow({new QStandardItem(QStringLiteral("row %1").arg(row)), new QStandardItem()});
        view.setModel(&model);
        view.resize(300, 200);
        view.setReturnAction([this] { ++returned; });
    }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QString text = key == Qt::Key_Space ? QStringLiteral(" ")
            : key == Qt::Key_Return               ? QStringLiteral("\r")
                                                  : QString();
        QKeyEvent event(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(&view, &event);
    }
    QStandardItemModel model;
    QVReturnActionTableView view;
    int returned = 0;
};

TEST(QVReturnActionTableView, KeysByTheSelection)
{
    struct Case {
        const char *name;
        int selectedBefore; // -1: none
        int key;
        Qt::KeyboardModifiers modifiers;
        int selectedAfter;
        int returned;
    };
    const Case cases[] = {
        {"Return with a selection", 1, Qt::Key_Return, Qt::NoModifier, 1, 1},
        {"Enter with a selection", 1, Qt::Key_Enter, Qt::NoModifier, 1, 1},
        {"Return without a selection", -1, Qt::Key_Return, Qt::NoModifier, -1, 0},
        {"Home keeps the selection", 2, Qt::Key_Home, Qt::NoModifier, 2, 0},
        {"End keeps the selection", 0, Qt::Key_End, Qt::NoModifier, 0, 0},
        {"space steps down", 0, Qt::Key_Space, Qt::NoModifier, 1, 0},
        {"space without a selection selects the first row", -1, Qt::Key_Space, Qt::NoModifier, 0, 0},
        {"space on the last row does nothing", 2, Qt::Key_Space, Qt::NoModifier, 2, 0},
        {"shift-space steps up", 2, Qt::Key_Space, Qt::ShiftModifier, 1, 0},
        {"shift-space on the first row does nothing", 0, Qt::Key_Space, Qt::ShiftModifier, 0, 0},
        {"shift-space without a selection selects the last row", -1, Qt::Key_Space, Qt::ShiftModifier, 2, 0},
    };
    for (const Case &c : cases) {
        Fixture f;
        if (c.selectedBefore >= 0)
            f.view.selectRow(c.selectedBefore);
        f.key(c.key, c.modifiers);
        EXPECT_EQ(f.view.selectedRow(), c.selectedAfter) << c.name;
        EXPECT_EQ(f.returned, c.returned) << c.name;
    }
}

TEST(QVReturnActionTableView, ARightClickSelectsTheRowAndAsksForItsMenu)
{
    Fixture f;
    f.view.show();
    QMenu menu;
    QList<QPair<int, int>> asked;
    // Without a provider: no menu.
    EXPECT_EQ(f.view.menuForPosition(f.view.visualRect(f.model.index(1, 0)).center()), nullptr);
    f.view.setMenuProvider([&](int column, int row) {
        asked.append({column, row});
        return &menu;
    });
    f.view.selectRow(0);
    EXPECT_EQ(f.view.menuForPosition(f.view.visualRect(f.model.index(2, 1)).center()), &menu);
    EXPECT_EQ(f.view.selectedRow(), 2);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked.first(), qMakePair(1, 2));
    // Below the last row: no menu, the selection stays.
    EXPECT_EQ(f.view.menuForPosition(QPoint(5, f.view.viewport()->height() - 2)), nullptr);
    EXPECT_EQ(f.view.selectedRow(), 2);
    EXPECT_EQ(asked.size(), 1);
}

// The events as the window system delivers them: a right click through the
// viewport (in its coordinates, below the header) and the menu key to the
// view itself.
TEST(QVReturnActionTableView, TheMenuOfAClickOrOfTheMenuKeyIsTheRowsUnderIt)
{
    Fixture f;
    f.view.show();
    QApplication::processEvents();
    ASSERT_GT(f.view.viewport()->y(), 0) << "the header stands above the rows";
    QMenu menu;
    QList<int> rows;
    f.view.setMenuProvider([&](int, int row) {
        rows.append(row);
        return &menu;
    });
    for (const int row : {0, 2}) {
        const QPoint cell = f.view.visualRect(f.model.index(row, 0)).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, cell, f.view.viewport()->mapToGlobal(cell));
        QApplication::sendEvent(f.view.viewport(), &click);
        menu.hide();
        EXPECT_EQ(f.view.selectedRow(), row);
        ASSERT_FALSE(rows.isEmpty());
        EXPECT_EQ(rows.last(), row);
    }
    f.view.setCurrentIndex(f.model.index(1, 0));
    QContextMenuEvent key(QContextMenuEvent::Keyboard, QPoint(1, 1), f.view.mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(&f.view, &key);
    menu.hide();
    EXPECT_EQ(f.view.selectedRow(), 1);
    EXPECT_EQ(rows, QList<int>({0, 2, 1}));
}

} // namespace
