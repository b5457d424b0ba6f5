#include "app/mainwindow/MasterControllerPeersWiring.h"

#include "app/windows/QVAPORestrictionsController.h"
#include "app/windows/QVIntlFloaterController.h"
#include "app/windows/QVWebPages.h"
#include "devices/QVTolvane22lbScale.h"
#include "devices/QVUSBScale.h"
#include "devices/setup/QVScaleSetupController.h"
#include "model/MailingLogServices.h"
#include "model/QVShipment.h"
#include "platform/UrlOpener.h"
#include "rates/QVShipmentLabelFields.h"
#include "services/QVRHOAccountInformationCommandCenter.h"
#include "services/QVShipmentRHOExtras.h"

#include <QClipboard>
#include <QDebug>
#include <QGuiApplication>

namespace {

void call(const std::function<void()> &f)
{
    if (f)
        f();
}

int answer(const std::function<int()> &f) { return f ? f() : 0; }

class CallsStampWindow final : public MasterStampWindow
{
public:
    explicit CallsStampWindow(MasterStampWindowCalls calls) : m_calls(std::move(calls)) {}
    void rateUp() override { call(m_calls.rateUp); }
    void rateDown() override { call(m_calls.rateDown); }
    void sheetCountUp() override { call(m_calls.sheetCountUp); }
    void sheetCountDown() override { call(m_calls.sheetCountDown); }
    void weigh() override { call(m_calls.weigh); }
    void toggleStatusBar() override { call(m_calls.toggleStatusBar); }
    int currentMode() override { return answer(m_calls.currentMode); }
    int selectedCellCount() override { return answer(m_calls.selectedCellCount); }

private:
    MasterStampWindowCalls m_calls;
};

class SetupScale final : public MasterScale
{
public:
    explicit SetupScale(std::function<void()> showSetup) : m_showSetup(std::move(showSetup)) {}
    int scaleType() override { return QVScaleSetupController::sharedController().scaleType(); }
    std::optional<double> usbRawOunces() override
    {
        int64_t whole = 0;
        int64_t status = 0;
        QString name;
        double raw = 0;
        if (!QVUSBScale::genericWeightDataValue(&whole, &status, &name, &raw))
            return std::nullopt;
        return raw;
    }
    std::optional<int> serialWeightInTenths() override
    {
        const QVTolvane22lbScale *scale = QVScaleSetupController::sharedController().scale();
        if (!scale || !scale->scaleIsInitialized())
            return std::nullopt;
        return scale->weightInMils();
    }
    void showScaleSetup() override { call(m_showSetup); }

private:
    std::function<void()> m_showSetup;
};

class DesktopClipboard final : public MasterClipboard
{
public:
    void setText(const QString &text) override
    {
        if (QClipboard *clipboard = QGuiApplication::clipboard())
            clipboard->setText(text);
    }
};

class ClientInsurance final : public MasterInsurance
{
public:
    bool insuranceAgreement() override
    {
        return QVRHOAccountInformationCommandCenter::commandCenter()->insuranceAgreement();
    }
    bool tolvaneInsuranceAllowed() override
    {
        return QVRHOAccountInformationCommandCenter::commandCenter()->tolvaneInsuranceAllowed();
    }
    Decimal insuranceCost(const QVShipment &shipment) override { return tolvaneInsuranceCost(shipment); }
};

class ApplicationHandOvers final : public MasterHandOvers
{
public:
    explicit ApplicationHandOvers(MasterPeersWiring wiring) : m_wiring(std::move(wiring)) {}
    void showInternationalInformation(const QString &country) override
    {
        QVIntlFloaterController &floater = QVIntlFloaterController::intlFloater();
        floater.showWindow();
        floater.viewCountry(country);
    }
    void showAPORestrictions(const QString &zip5) override { QVAPORestrictionsController::showWindowForZIP(zip5); }
    void showExpressMailCommitments(const QDateTime &, const QString &, const QString &) override
    {
        // The commitments page takes no date or ZIP codes of ours.
        const std::optional<QUrl> page =
            webPageURLForAction(QStringLiteral("launchUSPSExpressMailCommitmentsSiteForDate:andOriginZIP:andDestZIP:"));
        if (!page || !openUrl(*page))
            qWarning().noquote() << "The service-commitments page could not be opened.";
    }
    void importAddressFile() override { call(m_wiring.importAddressFile); }
    void sendLastShipmentEmailNotification() override
    {
        if (const std::shared_ptr<QVShipment> last = sharedMailingLog()->lastShipment())
            sendEmailNotification(*last);
    }
    void showOverlay() override { call(m_wiring.showOverlay); }

private:
    MasterPeersWiring m_wiring;
};

} // namespace

std::shared_ptr<MasterStampWindow> makeMasterStampWindow(MasterStampWindowCalls calls)
{
    return std::make_shared<CallsStampWindow>(std::move(calls));
}

void installMasterControllerPeers(MasterControllerEnvironment &env, MasterPeersWiring wiring)
{
    env.scale = std::make_shared<SetupScale>(wiring.showScaleSetup);
    env.clipboard = std::make_shared<DesktopClipboard>();
    env.insurance = std::make_shared<ClientInsurance>();
    env.handOvers = std::make_shared<ApplicationHandOvers>(std::move(wiring));
}
