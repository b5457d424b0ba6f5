#pragma once
// A combo box that posts "QVDidBecomeFirstResponder" (object: the box) on
// the default notification centre each time it receives the keyboard focus,
// as QVFocusNotifyingTextField does.
#include "widgets/QVFocusNotifyingTextField.h"

#include <QComboBox>

class QVFocusNotifyingComboBox : public QComboBox
{
public:
    explicit QVFocusNotifyingComboBox(QWidget *parent = nullptr) : QComboBox(parent) {}

protected:
    void focusInEvent(QFocusEvent *event) override;
};
