#pragma once
// A text field that posts "QVDidBecomeFirstResponder" (object: the field)
// on the default notification centre each time it receives the keyboard
// focus.
#include <QLineEdit>
#include <QString>

inline const QString QVDidBecomeFirstResponderNotification = QStringLiteral("QVDidBecomeFirstResponder");

class QVFocusNotifyingTextField : public QLineEdit
{
public:
    explicit QVFocusNotifyingTextField(QWidget *parent = nullptr) : QLineEdit(parent) {}

protected:
    void focusInEvent(QFocusEvent *event) override;
};
