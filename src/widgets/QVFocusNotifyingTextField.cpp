#include "widgets/QVFocusNotifyingTextField.h"

#include "platform/NotificationCenter.h"

void QVFocusNotifyingTextField::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    NotificationCenter::defaultCenter().post(QVDidBecomeFirstResponderNotification, this);
}
