// QVFocusNotifyingTextField and QVFocusNotifyingComboBox post
// "QVDidBecomeFirstResponder" with themselves as object each time they
// receive the focus, and nothing when they lose it.
#include "widgets/QVFocusNotifyingComboBox.h"
#include "widgets/QVFocusNotifyingTextField.h"

#include "platform/NotificationCenter.h"

#include <QApplication>
#include <QFocusEvent>
#include <gtest/gtest.h>

namespace {

// The objects posted while `first` gains and loses the focus, `second`
// gains it, and `first` gains it again.
QList<const void *> objectsPostedOnFocusChanges(QWidget &first, QWidget &second)
{
    QList<const void *> objects;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("QVDidBecomeFirstResponder"),
        [&](const Notification &notification) { objects.append(notification.object.address()); });
    QFocusEvent in(QEvent::FocusIn);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(&first, &in);
    QApplication::sendEvent(&first, &out);
    QApplication::sendEvent(&second, &in);
    QApplication::sendEvent(&first, &in);
    return objects;
}

} // namespace

TEST(QVFocusNotifyingTextField, PostsOnEveryFocusIn)
{
    QVFocusNotifyingTextField field;
    QVFocusNotifyingTextField other;
    EXPECT_EQ(objectsPostedOnFocusChanges(field, other), QList<const void *>({&field, &other, &field}));
}

TEST(QVFocusNotifyingComboBox, PostsOnEveryFocusIn)
{
    QVFocusNotifyingComboBox box;
    QVFocusNotifyingTextField field;
    EXPECT_EQ(objectsPostedOnFocusChanges(box, field), QList<const void *>({&box, &field, &box}));
}
