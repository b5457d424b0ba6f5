#pragma once
// The scale set-up window (form "ScaleSetup"): a thin view over
// QVScaleSetupController's state. Showing it the first time loads the
// window in the controller (windowDidLoad); every change of the state
// refreshes the widgets, and the widgets' actions go to the controller.
// The progress wheel is shown only while it turns.
#include "devices/setup/QVScaleSetupController.h"

#include <QWidget>

#include <memory>

namespace Ui {
class ScaleSetup;
}

class QVScaleSetupWindow : public QWidget
{
public:
    explicit QVScaleSetupWindow(QVScaleSetupController &controller, QWidget *parent = nullptr);
    ~QVScaleSetupWindow() override;

    // Brings the widgets to the controller's state.
    void refresh();

private:
    QVScaleSetupController &m_controller;
    std::unique_ptr<Ui::ScaleSetup> m_ui;
};
