#pragma once
// The main-window controller on the built-in 2014 price tables, with fakes
// for everything around it: a scheduler whose calls the test runs, the
// application delegate, the account information, the postage status, the
// USPS service standards, the printing side and the zone chart; the
// standard user defaults (a file in the test run's temporary folder), emptied
// for each test; and a clock the test sets.
#include "app/mainwindow/MasterController.h"

#include "model/ClientServices.h"
#include "model/QVAddress.h"
#include "model/QVShipment.h"
#include "model/ServiceHooks.h"
#include "platform/UserDefaults.h"
#include "rateengine/RateEngine.h"
#include "rates/QVShipmentPricing.h"
#include "rates/QVUSPSRateClass.h"

#include <QDateTime>
#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace master_test {

class FakeScheduler final : public Scheduler
{
public:
    struct Call {
        double seconds;
        std::function<void()> call;
    };
    std::vector<Call> calls;

    void callAfter(double seconds, std::function<void()> call) override { calls.push_back({seconds, std::move(call)}); }
    void callEvery(double, std::function<void()>) override {}

    // Runs the zero-delay calls, also those that they schedule.
    void runZeroDelay()
    {
        for (int round = 0; round < 1000; ++round) {
            const auto it = std::find_if(calls.begin(), calls.end(), [](const Call &c) { return c.seconds <= 0; });
            if (it == calls.end())
                return;
            std::function<void()> call = std::move(it->call);
            calls.erase(it);
            call();
        }
        FAIL() << "zero-delay calls never end";
    }
    // The delays of the timers waiting.
    std::vector<double> timers() const
    {
        std::vector<double> result;
        for (const Call &c : calls) {
            if (c.seconds > 0)
                result.push_back(c.seconds);
        }
        return result;
    }
    // Fires the first timer; false when none waits.
    bool fireTimer()
    {
        const auto it = std::find_if(calls.begin(), calls.end(), [](const Call &c) { return c.seconds > 0; });
        if (it == calls.end())
            return false;
        std::function<void()> call = std::move(it->call);
        calls.erase(it);
        call();
        return true;
    }
};

class FakeShell final : public MasterShell
{
public:
    QStringList alerts;
    bool automation = false;
    bool standardMode = true;
    int statusRefreshes = 0;
    int labelsShown = 0;
    QList<bool> automationSettings;
    QStringList applicationURLs;

    int infoAlertForKey(const QString &key, bool remindBox) override
    {
        EXPECT_TRUE(remindBox);
        alerts.append(key);
        return 1;
    }
    bool isAutomation() override { return automation; }
    bool isStandardPrintingMode() override { return standardMode; }
    void refreshTolvaneStatus() override { ++statusRefreshes; }
    void setAutomation(bool on) override
    {
        automationSettings.append(on);
        automation = on;
    }
    void showLabels() override { ++labelsShown; }
    void handleApplicationURL(const QString &url) override { applicationURLs.append(url); }
};

class FakeAccountInformation final : public MasterAccountInformation
{
public:
    int advance = 0;
    bool standardPostAllowed = false;
    int dateAdvance() override { return advance; }
    bool standardPost() override { return standardPostAllowed; }
};

class FakePostageStatus final : public MasterPostageStatus
{
public:
    bool hasStatus = false;
    std::optional<MasterStatusReply> reply;
    bool hasLastValidStatusResponse() override { return hasStatus || reply; }
    std::optional<MasterStatusReply> lastValidStatusResponse() override { return reply; }
    QString account;
    QString accountNumber() override { return account; }
};

class FakeServiceStandards final : public MasterServiceStandards
{
public:
    struct Request {
        QString origin, destination, mailClass;
    };
    std::vector<Request> requests;
    QString answer = QStringLiteral("2 days");
    QString serviceStandardFromOriginZIP(const QString &origin, const QString &destination,
                                         const QString &mailClass) override
    {
        requests.push_back({origin, destination, mailClass});
        return answer;
    }
};

class FakePrinting final : public MasterPrinting
{
public:
    int sheets = 0;
    std::shared_ptr<QVShipment> sheetShipment;
    std::function<void()> didEnd;
    QString printerName = QStringLiteral("Office Laser");
    QStringList printerKeys;
    int defaultsChanged = 0;

    void runCustomsSheet(std::shared_ptr<QVShipment> shipment, std::function<void()> end) override
    {
        ++sheets;
        sheetShipment = std::move(shipment);
        didEnd = std::move(end);
    }
    QString printerNameForPlainPaperInfo(const QString &key) override
    {
        printerKeys.append(key);
        return printerName;
    }
    void printingDefaultsChanged() override { ++defaultsChanged; }

    QString printerType = QVPlainPaperPrinter;
    QString labelType = QVPlainPaperLabel;
    int prints = 0;
    QString printerTypeForEnvelope(bool) override { return printerType; }
    QString labelTypeForEnvelope(bool) override { return labelType; }
    QString printerNameForPrinterType(const QString &, const QString &, const QString &key) override
    {
        return printerName.isEmpty() ? QString() : printerName + QStringLiteral(" (") + key + QStringLiteral(")");
    }
    QString currentEnvelopeSummaryString() override { return QStringLiteral("#10 Envelope (9.5 x 4.125 in)"); }
    void printTheLabel() override { ++prints; }
};

class FakeZones final : public QVUSPSAddressServices
{
public:
    QString zone = QStringLiteral("4");
    QString zoneFromOriginZIP(const QString &, const QString &) override { return zone; }
    std::optional<QVAddress> addressByStandardizingAddress(const QVAddress &) override { return std::nullopt; }
};

// An account at retail prices (the built-in tables hold retail prices).
class RetailAccount final : public QVAccountInformationServices
{
public:
    bool pmCubicPricing() override { return false; }
    bool adultSignature() override { return true; }
    bool pmRegionalRateBox() override { return true; }
    bool disableParcelSelect() override { return false; }
    bool standardPost() override { return false; }
    bool pmHalfPoundRate() override { return true; }
    int discountLevelForRateClassName(const QString &, const QString &) override { return 0; }
};

class RecordingView final : public MasterView
{
public:
    int commits = 0;
    bool sheet = false;
    int updateRequests = 0;
    void commitEditing() override { ++commits; }
    bool hasAttachedSheet() const override { return sheet; }
    void setNeedsWindowUpdate() override { ++updateRequests; }
};

class MasterControllerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InitializeRE("", "01/27/2014");
        UserDefaults::resetStandardUserDefaults();
        UserDefaults &d = defaults();
        d.setString(QVUSPSPriorityMail, QStringLiteral("rateClass"));
        d.setString(QVUSPSRegularSize, QStringLiteral("pieceSize"));
        d.setString(QStringLiteral("02134"), QStringLiteral("mailedFromZIP5"));
        d.setString(QString(QLatin1String("")), QStringLiteral("confirmationService"));
        installShipmentPricing();
        setUSPSAddressServices(zones);
        setAccountInformationServices(std::make_shared<RetailAccount>());
    }
    void TearDown() override
    {
        controller.reset();
        QVShipment::setPricer(nullptr);
        setUSPSAddressServices(nullptr);
        setAccountInformationServices(nullptr);
        UserDefaults::resetStandardUserDefaults();
    }

    static UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

    // Makes the controller, sets up its window and lets the update run.
    void start()
    {
        MasterControllerEnvironment env;
        env.defaults = &defaults();
        env.scheduler = scheduler;
        env.now = [this] { return clock; };
        env.shell = shell;
        env.accountInformation = account;
        env.postageStatus = postage;
        env.serviceStandards = standards;
        env.printing = printing;
        env.addressCorrection = addressCorrection;
        if (!ownAddressBoxes)
            env.hooks.standardizeTextBoxAddress = [this] { ++standardisations; };
        if (configure)
            configure(env);
        controller = std::make_unique<MasterController>(std::move(env));
        controller->awakeFromNib();
        settle();
    }
    void settle() { scheduler->runZeroDelay(); }

    MasterForm &form() { return controller->form(); }
    QVShipment &shipment() { return *controller->currentShipment(); }
    QString stored(const QString &key) { return shipment().objectForKey(key).toString(); }

    // The user chooses the item with the tag.
    void choose(FormControl control, qsizetype tag)
    {
        ASSERT_TRUE(form().popUp(control).selectItemWithTag(tag)) << "no item " << tag;
        controller->packagePropertiesChanged(control);
        settle();
    }
    void type(FormControl control, const QString &text)
    {
        form().setText(control, text);
        controller->packagePropertiesChanged(control);
        settle();
    }
    void typeWeight(const QString &text)
    {
        form().weight().text = text;
        controller->packagePropertiesChanged(FormControl::Weight);
        settle();
    }
    void click(FormControl control, bool on)
    {
        form().checkBox(control).on = on;
        controller->packagePropertiesChanged(control);
        settle();
    }
    // Sets a value as the program does (re-priced) and lets the update run.
    void set(const QVariant &value, const QString &key)
    {
        controller->setCurrentShipmentProperty(value, key);
        settle();
    }
    // Stores values behind pricing's back (a state pricing would not leave),
    // then lets the update run.
    void storeQuietly(const QVariantMap &values)
    {
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            shipment().mutableDictionary().insert(it.key(), it.value());
        controller->currentShipmentChanged();
        settle();
    }
    void sendTo(const QString &zip5, const QString &country = QString())
    {
        QVAddress address;
        address.setName(QStringLiteral("Ada Lovelace"));
        address.setStreet(QStringLiteral("1 Main St"));
        if (country.isEmpty()) {
            address.setCity(QStringLiteral("New York"));
            address.setState(QStringLiteral("NY"));
            address.setZIP5(zip5);
        } else {
            address.setCity(QStringLiteral("Ottawa"));
            address.setCountry(country);
        }
        controller->setToAddress(address);
        settle();
    }
    static qsizetype classTag(const QString &name) { return QVUSPSRateClass::tagForRateClassName(name); }
    static qsizetype sizeTag(const QString &size) { return QVUSPSRateClass::tagForPieceSize(size); }
    QStringList services() const
    {
        QStringList list;
        for (const QVariant &v :
             controller->currentShipment()->objectForKey(QVUSPSShipmentOptionalServicesKey).toList())
            list.append(v.toString());
        std::sort(list.begin(), list.end());
        return list;
    }

    std::shared_ptr<FakeScheduler> scheduler = std::make_shared<FakeScheduler>();
    std::shared_ptr<FakeShell> shell = std::make_shared<FakeShell>();
    std::shared_ptr<FakeAccountInformation> account = std::make_shared<FakeAccountInformation>();
    std::shared_ptr<FakePostageStatus> postage = std::make_shared<FakePostageStatus>();
    std::shared_ptr<FakeServiceStandards> standards = std::make_shared<FakeServiceStandards>();
    std::shared_ptr<FakePrinting> printing = std::make_shared<FakePrinting>();
    std::shared_ptr<FakeZones> zones = std::make_shared<FakeZones>();
    QDateTime clock = QDateTime(QDate(2014, 3, 3), QTime(10, 0));
    int standardisations = 0;
    // The window's own destination check runs (else the test counts it).
    bool ownAddressBoxes = false;
    std::shared_ptr<MasterAddressCorrection> addressCorrection;
    // Gives the environment what a test adds (fakes of the parts beside the
    // window) before the controller is made.
    std::function<void(MasterControllerEnvironment &)> configure;
    std::unique_ptr<MasterController> controller;
};

} // namespace master_test
