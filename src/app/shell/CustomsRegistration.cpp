#include "app/shell/CustomsRegistration.h"

#include "app/mainwindow/MasterController.h"
#include "app/mainwindow/MasterWindow.h"
#include "printing/customs/QVCustomsDialogView.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "services/usps/QVUSPSCommandCenter.h"
#include "widgets/QVDoubleClickActionImageView.h"

#include <QApplication>
#include <QDialog>
#include <QVBoxLayout>

namespace {

class MainWindowCustomsHost final : public QVCustomsDialogHost
{
public:
    explicit MainWindowCustomsHost(std::function<MasterController *()> controller) : m_controller(std::move(controller))
    {}

    // The sheet edits the window's current shipment, whose summary the
    // controller shows.
    void serviceSummary(const QVShipment &) override
    {
        if (MasterController *controller = m_controller ? m_controller() : nullptr)
            controller->serviceSummary();
    }

    // Ends the open customs sheet (a window-modal dialog around the
    // declaration view), whoever runs it.
    void closeSheet() override
    {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QDialog *>(window);
            if (!dialog || !dialog->isVisible())
                continue;
            if (auto *view = dialog->findChild<tolvane::QVCustomsDialogView *>())
                ::closeSheet(view);
        }
    }

    QString accountHolderName() override
    {
        const auto status = QVRHOCommandCenter::commandCenter()->lastValidStatusResponse();
        return status ? status->name() : QString();
    }

private:
    std::function<MasterController *()> m_controller;
};

class USPSCustomsFormServices final : public QVCustomsFormServices
{
public:
    bool sampleCN22Form(const QVShipment &shipment) override
    {
        std::optional<QVUSPSImage> form;
        return QVUSPSCommandCenter::commandCenter()
            ->cn22CustomsFormNumberAndLabel(&form, nullptr, shipment, true)
            .has_value();
    }
    bool sampleCP72Form(const QVShipment &shipment) override
    {
        QList<QVUSPSImage> pages;
        return QVUSPSCommandCenter::commandCenter()
            ->cp72CustomsFormNumberAndLabels(&pages, nullptr, shipment, true)
            .has_value();
    }
};

} // namespace

std::shared_ptr<QVCustomsDialogHost> makeCustomsDialogHost(std::function<MasterController *()> mainController)
{
    return std::make_shared<MainWindowCustomsHost>(std::move(mainController));
}

std::shared_ptr<QVCustomsFormServices> makeUSPSCustomsFormServices()
{
    return std::make_shared<USPSCustomsFormServices>();
}

void registerCustomsServices(std::function<MasterController *()> mainController)
{
    setCustomsDialogHost(makeCustomsDialogHost(std::move(mainController)));
    setCustomsFormServices(makeUSPSCustomsFormServices());
}

void registerCustomsServices(QMainWindow *const &mainWindow)
{
    registerCustomsServices([&mainWindow]() -> MasterController * {
        auto *window = dynamic_cast<MasterWindow *>(mainWindow);
        return window ? &window->controller() : nullptr;
    });
}

void unregisterCustomsServices()
{
    setCustomsDialogHost(nullptr);
    setCustomsFormServices(nullptr);
}

void runCustomsSheet(QWidget *parent, std::shared_ptr<QVShipment> shipment, std::function<void()> didEnd)
{
    auto *sheet = new QDialog(parent);
    sheet->setWindowTitle(QStringLiteral("Customs Declaration"));
    sheet->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    auto *layout = new QVBoxLayout(sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new tolvane::QVCustomsDialogView(
        std::make_shared<tolvane::QVCustomsDialogController>(std::move(shipment)), sheet));
    QObject::connect(sheet, &QDialog::finished, sheet, [sheet, didEnd = std::move(didEnd)] {
        sheet->deleteLater();
        if (didEnd)
            didEnd();
    });
    sheet->open();
}
