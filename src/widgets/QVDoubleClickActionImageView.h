#pragma once
// An image view whose double click (a press with a click count above 1)
// performs its action, when one is set; every other press is handled as by
// a plain image view. closeSheet() ends the sheet a control sits in.
#include <QLabel>

#include <functional>

class QWidget;

class QVDoubleClickActionImageView : public QLabel
{
public:
    explicit QVDoubleClickActionImageView(QWidget *parent = nullptr) : QLabel(parent) {}

    void setAction(std::function<void()> action) { m_action = std::move(action); }
    bool hasAction() const { return static_cast<bool>(m_action); }

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    std::function<void()> m_action;
};

// When the sender's window is a sheet (a window-modal dialog), ends it
// (rejected) and orders it out; any other window is left alone. True when a
// sheet was closed.
bool closeSheet(QWidget *sender);
