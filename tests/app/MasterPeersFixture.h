#pragma once
// The main-window controller with fakes of the parts beside the window (the
// stamp window, the scale, the clipboard, the insurance eligibility and the
// hand-overs), each counting what it was asked; and a weight menu of the
// test's own for First-Class Mail, 1 to 6 ounces whatever the size (the
// shipped tables hold no First-Class letter weights).
#include "app/mainwindow/MasterWeightClass.h"
#include "model/QVWeight.h"

#include "MasterControllerFixture.h"

namespace master_test {

class FakeStampWindow final : public MasterStampWindow
{
public:
    int ratesUp = 0, ratesDown = 0, sheetsUp = 0, sheetsDown = 0, weighings = 0, statusBarToggles = 0;
    int mode = 1;
    int selectedCells = 0;
    void rateUp() override { ++ratesUp; }
    void rateDown() override { ++ratesDown; }
    void sheetCountUp() override { ++sheetsUp; }
    void sheetCountDown() override { ++sheetsDown; }
    void weigh() override { ++weighings; }
    void toggleStatusBar() override { ++statusBarToggles; }
    int currentMode() override { return mode; }
    int selectedCellCount() override { return selectedCells; }
    int calls() const { return ratesUp + ratesDown + sheetsUp + sheetsDown + weighings; }
};

class FakeScale final : public MasterScale
{
public:
    int type = USB;
    std::optional<double> usbOunces;
    std::optional<int> serialTenths;
    int setups = 0;
    int serialReads = 0;
    int scaleType() override { return type; }
    std::optional<double> usbRawOunces() override { return usbOunces; }
    std::optional<int> serialWeightInTenths() override
    {
        ++serialReads;
        return serialTenths;
    }
    void showScaleSetup() override { ++setups; }
};

class FakeClipboard final : public MasterClipboard
{
public:
    QStringList texts;
    void setText(const QString &text) override { texts.append(text); }
};

class FakeInsurance final : public MasterInsurance
{
public:
    bool agreement = false;
    bool allowed = true;
    bool insuranceAgreement() override { return agreement; }
    bool tolvaneInsuranceAllowed() override { return allowed; }
    // One percent of the stored value (the built-in tables hold no fee for
    // the vendor's insurance as the window asks for it).
    Decimal insuranceCost(const QVShipment &shipment) override
    {
        return shipment.objectForKey(QVShipmentValueKey).value<Decimal>() / Decimal(100);
    }
};

class FakeHandOvers final : public MasterHandOvers
{
public:
    QStringList calls;
    void showInternationalInformation(const QString &country) override
    {
        calls.append(QStringLiteral("international ") + country);
    }
    void showAPORestrictions(const QString &zip5) override { calls.append(QStringLiteral("APO ") + zip5); }
    void showExpressMailCommitments(const QDateTime &date, const QString &origin, const QString &destination) override
    {
        calls.append(
            QStringLiteral("commitments %1 %2 %3").arg(date.date().toString(Qt::ISODate), origin, destination));
    }
    void importAddressFile() override { calls.append(QStringLiteral("import")); }
    void sendLastShipmentEmailNotification() override { calls.append(QStringLiteral("notice")); }
    void showOverlay() override { calls.append(QStringLiteral("overlay")); }
};

class MasterPeersTest : public MasterControllerTest
{
protected:
    void SetUp() override
    {
        MasterControllerTest::SetUp();
        MasterController::resetFirstWeighingForTesting();
        MasterController::resetFirstWindowEventForTesting();
        MasterWeightClass::setTableForTesting(
            MasterWeightClass::Table{QVUSPSFirstClassMail, QVOunceUnitString, {"1", "2", "3", "4", "5", "6"}});
        configure = [this](MasterControllerEnvironment &env) {
            env.stampWindow = stamps;
            env.scale = scale;
            env.clipboard = clipboard;
            env.insurance = insurance;
            env.handOvers = handOvers;
        };
    }
    void TearDown() override
    {
        MasterControllerTest::TearDown();
        MasterWeightClass::setTableForTesting(std::nullopt);
    }
    // A First-Class letter with the test's weight menu.
    void startFirstClassLetter()
    {
        start();
        choose(FormControl::MailClass, classTag(QVUSPSFirstClassMail));
        choose(FormControl::PieceSize, sizeTag(QVUSPSLetterSize));
    }

    std::shared_ptr<FakeStampWindow> stamps = std::make_shared<FakeStampWindow>();
    std::shared_ptr<FakeScale> scale = std::make_shared<FakeScale>();
    std::shared_ptr<FakeClipboard> clipboard = std::make_shared<FakeClipboard>();
    std::shared_ptr<FakeInsurance> insurance = std::make_shared<FakeInsurance>();
    std::shared_ptr<FakeHandOvers> handOvers = std::make_shared<FakeHandOvers>();
};

} // namespace master_test
