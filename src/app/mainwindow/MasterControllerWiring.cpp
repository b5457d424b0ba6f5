#include "app/mainwindow/MasterControllerWiring.h"

#include "app/mainwindow/MasterWindow.h"
#include "app/shell/QVMenus.h"
#include "app/shell/QVWindowControllers.h"
#include "app/shell/QVXController.h"
#include "platform/RemoteRequests.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "printing/layouts/QVEnvelopeController.h"
#include "services/QVGLZUSPSZoneChartCommandCenter.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "services/usps/QVGLZCommandCenter.h"
#include "services/usps/QVUSPSCommandCenter.h"

#include <QDebug>
#include <QPointer>

namespace {

// The stamp window's printing mode (the constant's text is its name).
const QString kTessaroPrintingMode = QStringLiteral("QVTessaroPrintingMode");

class DelegateShell final : public MasterShell
{
public:
    DelegateShell(QVXController &delegate, std::function<void()> refresh)
        : m_delegate(delegate), m_refresh(std::move(refresh))
    {}
    int infoAlertForKey(const QString &key, bool remindBox) override
    {
        return m_delegate.infoAlertForKey(key, remindBox);
    }
    bool isAutomation() override { return m_delegate.isAutomation(); }
    bool isStandardPrintingMode() override { return m_delegate.currentMode() != kTessaroPrintingMode; }
    void refreshTolvaneStatus() override
    {
        if (m_refresh)
            m_refresh();
    }
    void setAutomation(bool on) override { m_delegate.setAutomation(on); }
    // The delegate's showLabels: as the libraries reach it (its printing
    // modes once the program has joined them).
    void showLabels() override
    {
        if (const std::shared_ptr<QVPrintFlowHost> host = printFlowHost())
            host->showLabels();
    }
    // The URL goes where the desktop hands a URL to the running copy: the
    // delegate's root object, whose URL handler asks before it prints or
    // refunds and carries it out on the next pass of the event loop.
    void handleApplicationURL(const QString &url) override
    {
        const RemoteFrame answer = m_delegate.remoteRequests().answer({QStringLiteral("openURL:"), url});
        if (answer.method != RemoteAnswerOK)
            qInfo().noquote() << QStringLiteral("The URL %1 was not taken: %2").arg(url, answer.argument);
    }

private:
    QVXController &m_delegate;
    std::function<void()> m_refresh;
};

class ClientAccountInformation final : public MasterAccountInformation
{
public:
    int dateAdvance() override { return QVRHOAccountInformationCommandCenter::commandCenter()->dateAdvance(); }
    bool standardPost() override { return QVRHOAccountInformationCommandCenter::commandCenter()->standardPost(); }
};

class ClientPostageStatus final : public MasterPostageStatus
{
public:
    bool hasLastValidStatusResponse() override
    {
        return QVRHOCommandCenter::commandCenter()->lastValidStatusResponse() != nullptr;
    }
    std::optional<MasterStatusReply> lastValidStatusResponse() override
    {
        const std::shared_ptr<QVRHOResponse> reply = QVRHOCommandCenter::commandCenter()->lastValidStatusResponse();
        if (!reply)
            return std::nullopt;
        MasterStatusReply status;
        status.serialNumber = reply->serialNumber();
        status.accountStatusWord = reply->accountStatusWord();
        status.balanceText = reply->balanceStringWithDollarSign(false);
        status.balance = reply->balanceDecimalNumber();
        status.licenseZIP5 = reply->licenseZIP5();
        status.returnDateTime = reply->returnDateTime();
        status.physicalAddress = reply->physicalAddress();
        status.name = reply->name();
        return status;
    }
    QString accountNumber() override { return QVRHOCommandCenter::commandCenter()->userid(); }
};

class ClientAddressCorrection final : public MasterAddressCorrection
{
public:
    std::optional<QVAddress> standardizedAddressWithString(const QString &text, bool uppercase) override
    {
        return QVGLZCommandCenter::commandCenter()->standardizedAddressWithString(text, uppercase);
    }
    QString lastErrorCode() override { return QVGLZCommandCenter::commandCenter()->lastErrorCode(); }
    QString lastErrorDescription() override { return QVGLZCommandCenter::commandCenter()->lastErrorDescription(); }
};

class ClientZoneCharts final : public MasterZoneCharts
{
public:
    void buildZoneChartIfNotExistsForZIP(const QString &zip) override
    {
        QVGLZUSPSZoneChartCommandCenter::commandCenter()->buildZoneChartIfNotExistsForZIP(zip);
    }
};

class ClientServiceStandards final : public MasterServiceStandards
{
public:
    QString serviceStandardFromOriginZIP(const QString &origin, const QString &destination,
                                         const QString &mailClass) override
    {
        return QVUSPSCommandCenter::commandCenter()->serviceStandardFromOriginZIP(origin, destination, mailClass);
    }
};

class SetupPrinting final : public MasterPrinting
{
public:
    using Sheet = std::function<void(std::shared_ptr<QVShipment>, std::function<void()>)>;
    SetupPrinting(Sheet sheet, std::function<void()> changed) : m_sheet(std::move(sheet)), m_changed(std::move(changed))
    {}
    void runCustomsSheet(std::shared_ptr<QVShipment> shipment, std::function<void()> didEnd) override
    {
        if (m_sheet)
            m_sheet(std::move(shipment), std::move(didEnd));
    }
    QString printerNameForPlainPaperInfo(const QString &key) override
    {
        return QVPrinterSetupController::sharedController()->plainPaperPrintInfoForKey(key).printerName;
    }
    void printingDefaultsChanged() override
    {
        if (m_changed)
            m_changed();
    }
    QString printerTypeForEnvelope(bool envelope) override
    {
        return QVPrinterSetupController::sharedController()->printerTypeForEnvelope(envelope);
    }
    QString labelTypeForEnvelope(bool envelope) override
    {
        return QVPrinterSetupController::sharedController()->labelTypeForEnvelope(envelope);
    }
    QString printerNameForPrinterType(const QString &printerType, const QString &labelType,
                                      const QString &plainPaperInfoKey) override
    {
        return QVPrinterSetupController::sharedController()
            ->printerNameForPrinterType(printerType, labelType, plainPaperInfoKey)
            .value_or(QString());
    }
    QString currentEnvelopeSummaryString() override
    {
        return tolvane::QVEnvelopeController::currentEnvelopeSummaryString();
    }
    QString currentPostcardSummaryString() override
    {
        return tolvane::QVEnvelopeController::currentPostcardSummaryString();
    }

private:
    Sheet m_sheet;
    std::function<void()> m_changed;
};

// The main window as the window controllers' "masterController".
class MasterWindowController final : public QVWindowController
{
public:
    MasterWindowController(std::function<MasterController *()> controller, std::function<void()> makeKeyAndFront)
        : m_controller(std::move(controller)), m_makeKeyAndFront(std::move(makeKeyAndFront))
    {}
    void showWindow() override
    {
        if (m_makeKeyAndFront)
            m_makeKeyAndFront();
    }
    bool performAction(const QString &action) override
    {
        MasterController *controller = m_controller ? m_controller() : nullptr;
        if (!controller)
            return false;
        if (action == QLatin1String("newPackage:")) {
            controller->newPackage();
            showWindow();
            return true;
        }
        if (action == QLatin1String("addressBookImport:")) {
            controller->addressBookImport();
            return true;
        }
        return false;
    }

private:
    std::function<MasterController *()> m_controller;
    std::function<void()> m_makeKeyAndFront;
};

} // namespace

std::shared_ptr<MasterShell> makeMasterShell(QVXController &delegate, std::function<void()> refreshStatus)
{
    return std::make_shared<DelegateShell>(delegate, std::move(refreshStatus));
}

std::shared_ptr<MasterAccountInformation> makeMasterAccountInformation()
{
    return std::make_shared<ClientAccountInformation>();
}

std::shared_ptr<MasterPostageStatus> makeMasterPostageStatus() { return std::make_shared<ClientPostageStatus>(); }

std::shared_ptr<MasterServiceStandards> makeMasterServiceStandards()
{
    return std::make_shared<ClientServiceStandards>();
}

std::shared_ptr<MasterAddressCorrection> makeMasterAddressCorrection()
{
    return std::make_shared<ClientAddressCorrection>();
}

std::shared_ptr<MasterZoneCharts> makeMasterZoneCharts() { return std::make_shared<ClientZoneCharts>(); }

std::shared_ptr<MasterPrinting>
makeMasterPrinting(std::function<void(std::shared_ptr<QVShipment>, std::function<void()>)> runCustomsSheet,
                   std::function<void()> printingDefaultsChanged)
{
    return std::make_shared<SetupPrinting>(std::move(runCustomsSheet), std::move(printingDefaultsChanged));
}

MasterControllerEnvironment masterControllerEnvironment(QVXController &delegate, std::shared_ptr<Scheduler> scheduler)
{
    MasterControllerEnvironment env;
    env.scheduler = std::move(scheduler);
    // The window's start-up refresh of the account status is the delegate's
    // own refresh (through the host it gives the libraries), so that the
    // automatic purchase is checked against a fresh balance.
    env.shell = makeMasterShell(delegate, [] {
        if (const std::shared_ptr<QVPrintFlowHost> host = printFlowHost())
            host->refreshTolvaneStatus();
    });
    env.accountInformation = makeMasterAccountInformation();
    env.postageStatus = makeMasterPostageStatus();
    env.serviceStandards = makeMasterServiceStandards();
    env.printing = makeMasterPrinting({}, {});
    env.addressCorrection = makeMasterAddressCorrection();
    env.zoneCharts = makeMasterZoneCharts();
    env.ownPrintFlow = true;
    return env;
}

std::shared_ptr<QVWindowController> makeMasterWindowController(std::function<MasterController *()> controller,
                                                               std::function<void()> makeKeyAndFront)
{
    return std::make_shared<MasterWindowController>(std::move(controller), std::move(makeKeyAndFront));
}

void registerMasterControllerActions(QVMenuActions &actions, std::function<MasterController *()> controller)
{
    const auto on = [&actions, controller](const QString &action, std::function<void(MasterController &)> command) {
        actions.setHandler(action, [controller, command](const QVMenuItem &) {
            if (MasterController *master = controller ? controller() : nullptr) {
                command(*master);
                master->windowUpdate();
            }
        });
    };
    on(QStringLiteral("weigh:"), [](MasterController &master) { master.weigh(); });
    // A menu item is not the controller: an empty box gets its alert.
    on(QStringLiteral("standardizeTextBoxAddress:"),
       [](MasterController &master) { master.standardizeTextBoxAddress(false); });
    on(QStringLiteral("copyConfirmationNumber:"), [](MasterController &master) { master.copyConfirmationNumber(); });
    on(QStringLiteral("addToAddressBook:"), [](MasterController &master) { master.addToAddressBook(); });
    on(QStringLiteral("toggleStatusBar:"), [](MasterController &master) { master.toggleStatusBar(); });
    on(QStringLiteral("toggleOptionalView:"), [](MasterController &master) { master.toggleOptionalView(); });
}

void joinMasterWindowToMenus(QMainWindow *window, QVMenuActions &actions, QVWindowControllers &windows,
                             std::function<void()> makeKeyAndFront)
{
    auto *master = dynamic_cast<MasterWindow *>(window);
    if (!master)
        return;
    const QPointer<MasterWindow> guarded(master);
    const std::function<MasterController *()> controller = [guarded]() -> MasterController * {
        return guarded ? &guarded->controller() : nullptr;
    };
    registerMasterControllerActions(actions, controller);
    windows.setController(QVMasterControllerName, makeMasterWindowController(controller, std::move(makeKeyAndFront)));
}
