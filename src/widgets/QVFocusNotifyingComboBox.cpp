#include "widgets/QVFocusNotifyingComboBox.h"

#include "platform/NotificationCenter.h"

void QVFocusNotifyingComboBox::focusInEvent(QFocusEvent *event)
{
    QComboBox::focusInEvent(event);
    NotificationCenter::defaultCenter().post(QVDidBecomeFirstResponderNotification, this);
}
