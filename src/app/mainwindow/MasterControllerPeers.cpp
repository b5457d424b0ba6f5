// MasterController: the stand-ins of the parts beside the window that
// nobody gave, and the window's own answers to the validation hooks.
#include "app/mainwindow/MasterController.h"

#include "services/QVShipmentRHOExtras.h"

namespace {

class NoStampWindow final : public MasterStampWindow
{
public:
    void rateUp() override {}
    void rateDown() override {}
    void sheetCountUp() override {}
    void sheetCountDown() override {}
    void weigh() override {}
    int currentMode() override { return 0; }
    int selectedCellCount() override { return 0; }
};

class NoScale final : public MasterScale
{
public:
    int scaleType() override { return None; }
    std::optional<double> usbRawOunces() override { return std::nullopt; }
    std::optional<int> serialWeightInTenths() override { return std::nullopt; }
    void showScaleSetup() override {}
};

class NoClipboard final : public MasterClipboard
{
public:
    void setText(const QString &) override {}
};

class InsuranceAllowed final : public MasterInsurance
{
public:
    bool insuranceAgreement() override { return false; }
    bool tolvaneInsuranceAllowed() override { return true; }
    Decimal insuranceCost(const QVShipment &shipment) override { return tolvaneInsuranceCost(shipment); }
};

class NoHandOvers final : public MasterHandOvers
{
public:
    void showInternationalInformation(const QString &) override {}
    void showAPORestrictions(const QString &) override {}
    void showExpressMailCommitments(const QDateTime &, const QString &, const QString &) override {}
    void importAddressFile() override {}
    void sendLastShipmentEmailNotification() override {}
    void showOverlay() override {}
};

} // namespace

void MasterController::setUpPeers()
{
    if (!m_env.stampWindow)
        m_env.stampWindow = std::make_shared<NoStampWindow>();
    if (!m_env.scale)
        m_env.scale = std::make_shared<NoScale>();
    if (!m_env.clipboard)
        m_env.clipboard = std::make_shared<NoClipboard>();
    if (!m_env.insurance)
        m_env.insurance = std::make_shared<InsuranceAllowed>();
    if (!m_env.handOvers)
        m_env.handOvers = std::make_shared<NoHandOvers>();

    MasterSiblingHooks &h = m_env.hooks;
    if (!h.updateCharacterCountWarning)
        h.updateCharacterCountWarning = [this] { updateCharacterCountWarning(); };
    if (!h.validateInsuranceCheckbox)
        h.validateInsuranceCheckbox = [this] { validateInsuranceCheckbox(); };
    if (!h.validateReplyPostageCheckbox)
        h.validateReplyPostageCheckbox = [this] { validateReplyPostageCheckbox(); };
}
