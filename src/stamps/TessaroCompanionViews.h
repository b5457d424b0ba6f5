#pragma once
// Thin Qt views of the stamp window's companions, shown as window-modal
// sheets of the stamp window: the custom-amount panel ("Make Your Own") and
// the choice sheet a weighing opens. Each binds its widgets to the plain
// controller and calls `done` after every action so that the stamp window
// shows its state again.
#include <QDialog>

#include <functional>
#include <memory>

class QComboBox;
class QLineEdit;
class TessaroCustomAmountPanel;
class TessaroDecisionTreeWindowController;

class TessaroCustomAmountView : public QDialog
{
    Q_OBJECT
public:
    TessaroCustomAmountView(TessaroCustomAmountPanel &panel, std::function<void()> done, QWidget *parent);

private:
    TessaroCustomAmountPanel &m_panel;
    std::function<void()> m_done;
    QLineEdit *m_amount = nullptr;
    QComboBox *m_classes = nullptr;
};

class TessaroDecisionTreeView : public QDialog
{
    Q_OBJECT
public:
    TessaroDecisionTreeView(std::shared_ptr<TessaroDecisionTreeWindowController> sheet, std::function<void()> done,
                            QWidget *parent);

private:
    std::shared_ptr<TessaroDecisionTreeWindowController> m_sheet;
    std::function<void()> m_done;
};
