#include "devices/setup/QVScaleSetupWindow.h"

#include "ui_ScaleSetup.h"

#include <QSignalBlocker>

QVScaleSetupWindow::QVScaleSetupWindow(QVScaleSetupController &controller, QWidget *parent)
    : QWidget(parent), m_controller(controller), m_ui(std::make_unique<Ui::ScaleSetup>())
{
    m_ui->setupUi(this);
    connect(m_ui->scaleTypePopup, &QComboBox::activated, this,
            [this](int index) { m_controller.scaleTypeChanged(m_ui->scaleTypePopup->itemData(index).toInt()); });
    connect(m_ui->scalePort, &QComboBox::activated, this, [this](int index) { m_controller.portChosen(index); });
    connect(m_ui->refreshButton, &QPushButton::clicked, this, [this] { m_controller.refreshPortList(); });
    connect(m_ui->readButton, &QPushButton::clicked, this, [this] { m_controller.readScale(); });
    connect(m_ui->tareButton, &QPushButton::clicked, this, [this] { m_controller.tareScale(); });
    m_controller.setStateChanged([this] { refresh(); });
    if (!m_controller.isWindowLoaded())
        m_controller.windowDidLoad();
    refresh();
}

QVScaleSetupWindow::~QVScaleSetupWindow() { m_controller.setStateChanged(nullptr); }

void QVScaleSetupWindow::refresh()
{
    const QVScaleSetupState &state = m_controller.state();
    {
        const QSignalBlocker blocker(m_ui->scaleTypePopup);
        m_ui->scaleTypePopup->clear();
        for (const QVScaleSetupItem &item : state.typeItems) {
            m_ui->scaleTypePopup->addItem(item.title, item.tag);
            if (item.tag == state.selectedTypeTag)
                m_ui->scaleTypePopup->setCurrentIndex(m_ui->scaleTypePopup->count() - 1);
        }
    }
    {
        const QSignalBlocker blocker(m_ui->scalePort);
        m_ui->scalePort->clear();
        m_ui->scalePort->addItems(state.portItems);
        m_ui->scalePort->setCurrentIndex(state.selectedPortIndex);
        m_ui->scalePort->setEnabled(state.portPopupEnabled);
    }
    m_ui->refreshButton->setEnabled(state.refreshEnabled);
    m_ui->tareButton->setEnabled(state.tareEnabled);
    m_ui->weightInPounds->setText(state.weightInPounds);
    m_ui->weightInOunces->setText(state.weightInOunces);
    m_ui->progressWheel->setVisible(state.progressAnimating);
}
