// QVDoubleClickActionImageView performs its action on a double click only;
// closeSheet ends window-modal dialogs and leaves other windows alone.
#include "widgets/QVDoubleClickActionImageView.h"

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

void press(QWidget *widget, QEvent::Type type)
{
    QMouseEvent event(type, QPointF(5, 5), widget->mapToGlobal(QPointF(5, 5)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

TEST(QVDoubleClickActionImageView, DoubleClickPerformsTheActionSinglePressDoesNot)
{
    QVDoubleClickActionImageView view;
    view.resize(40, 40);
    press(&view, QEvent::MouseButtonDblClick); // no action: nothing happens
    int performed = 0;
    view.setAction([&] { ++performed; });
    EXPECT_TRUE(view.hasAction());
    press(&view, QEvent::MouseButtonPress);
    press(&view, QEvent::MouseButtonRelease);
    EXPECT_EQ(performed, 0);
    press(&view, QEvent::MouseButtonDblClick);
    EXPECT_EQ(performed, 1);
}

TEST(CloseSheet, EndsWindowModalDialogsOnly)
{
    QWidget window;
    window.show();
    auto *sheet = new QDialog(&window);
    sheet->setWindowModality(Qt::WindowModal);
    auto *button = new QPushButton(QStringLiteral("Cancel"), sheet);
    sheet->show();
    int result = -1;
    QObject::connect(sheet, &QDialog::finished, [&](int r) { result = r; });
    EXPECT_TRUE(closeSheet(button));
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(result, QDialog::Rejected);

    auto *dialog = new QDialog(&window);
    auto *other = new QPushButton(QStringLiteral("OK"), dialog);
    dialog->show();
    EXPECT_FALSE(closeSheet(other)); // not a sheet
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(closeSheet(nullptr));
}
