// QVFocusNotifyingTextField posts "QVDidBecomeFirstResponder" with itself
// as object each time it receives the focus, and nothing when it loses it.
#include "widgets/QVFocusNotifyingTextField.h"

#include "platform/NotificationCenter.h"

#include <QApplication>
#include <QFocusEvent>
#include <gtest/gtest.h>

TEST(QVFocusNotifyingTextField, PostsOnEveryFocusIn)
{
    QVFocusNotifyingTextField field;
    QVFocusNotifyingTextField other;
    QList<const void *> objects;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("QVDidBecomeFirstResponder"),
        [&](const Notification &notification) { objects.append(notification.object.address()); });
    QFocusEvent in(QEvent::FocusIn);
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(&field, &in);
    QApplication::sendEvent(&field, &out);
    QApplication::sendEvent(&other, &in);
    QApplication::sendEvent(&field, &in);
    EXPECT_EQ(objects, QList<const void *>({&field, &other, &field}));
}
