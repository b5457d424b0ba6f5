// The main window as the XML automation asks for it (mainWindowHost()) in
// the assembled program: the program's one registration function, the
// application delegate and its real main window. The destination box takes
// a text as typing it would, the four Priority Mail Express boxes are the
// window's own, re-pricing reaches the window's shipment, the print and its
// error flag are the window's print flow, and the address-correction error
// is the client's.
#include "app/mainwindow/MasterController.h"
#include "app/mainwindow/MasterWindow.h"
#include "app/shell/ApplicationWiring.h"
#include "app/shell/ProgramRegistration.h"
#include "app/shell/QVXController.h"
#include "model/QVAddress.h"
#include "model/QVShipment.h"
#include "model/QVWeight.h"
#include "platform/HttpClient.h"
#include "platform/UserDefaults.h"
#include "printing/flow/QVPrintFlow.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "rateengine/RateEngine.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVCommandCenter.h"
#include "services/QVPostageServerAccount.h"
#include "services/QVRHOLabelServerCommandCenter.h"
#include "services/usps/QVGLZCommandCenter.h"

#include "AssembledProgramFixture.h"
#include "FakeAddressCorrectionServer.h"
#include "RecordingDialogs.h"
#include "RecordingUrlOpener.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QDialog>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using Box = QVMainWindowHost::ExpressMailBox;

class SignedInAccount final : public QVPostageServerAccount
{
public:
    QString userid() override { return QStringLiteral("1234567"); }
    QString password() override { return QStringLiteral("secret"); }
    bool testServer() override { return false; }
    QString websiteServerName() override { return QString(); }
};

class MainWindowAutomationHost : public tolvane::test::AssembledProgramFixture
{
protected:
    void SetUp() override
    {
        UserDefaults::resetStandardUserDefaults();
        ASSERT_NO_FATAL_FAILURE(registerProgram());
        // The address-correction client sends to the local service.
        QVGLZCommandCenter::setGLZAPIForTesting(std::nullopt);
        setHttpCAFile(tolvane::test::LocalHttpServer::testCertificateAuthorityFile());
        setPostageServerAccount(std::make_shared<SignedInAccount>());
        ASSERT_TRUE(service.isListening());
        UserDefaults &defaults = UserDefaults::standardUserDefaults();
        defaults.setString(service.host(), QVLabelServiceServerDefaultsKey);
        defaults.setString(QStringLiteral("7654321"), QVTolvaneUserDefaultsKey);
        // The ZIP Code the pieces are mailed from.
        defaults.setString(QStringLiteral("02134"), QStringLiteral("mailedFromZIP5"));
        QVGLZCommandCenter::commandCenter()->setRequestTimeoutMilliseconds(10000);

        ASSERT_NO_FATAL_FAILURE(launch());
        window = dynamic_cast<MasterWindow *>(app->mainWindow());
        ASSERT_TRUE(window);
        host = mainWindowHost();
        ASSERT_TRUE(host);
    }
    void TearDown() override
    {
        host.reset();
        quit();
        setPostageServerAccount(nullptr);
        setHttpCAFile(QString());
    }

    MasterController &controller() { return window->controller(); }
    // A confirmed domestic destination.
    static QVAddress confirmedAddress()
    {
        QVAddress address;
        address.setName(QStringLiteral("ADA LOVELACE"));
        address.setStreet(QStringLiteral("1 MAIN ST"));
        address.setCity(QStringLiteral("NEW YORK"));
        address.setState(QStringLiteral("NY"));
        address.setZIP5(QStringLiteral("10001"));
        return address;
    }
    // A First-Class letter of the weight in ounces to the confirmed
    // destination, priced as it is stored.
    void priceALetter(const QString &ounces)
    {
        host->setToAddress(confirmedAddress());
        host->setCurrentShipmentProperty(QVUSPSFirstClassMail, QVUSPSShipmentRateClassKey);
        host->setCurrentShipmentProperty(QVUSPSLetterSize, QVUSPSShipmentSizeKey);
        host->setCurrentShipmentProperty(QVOunceUnitString, QVShipmentWeightUnitKey);
        host->setCurrentShipmentProperty(ounces, QVShipmentWeightNumberKey);
    }

    tolvane::test::FakeAddressCorrectionServer service;
    MasterWindow *window = nullptr;
    std::shared_ptr<QVMainWindowHost> host;
};

} // namespace

// The text goes into the box and the box's text-changed rule runs: a
// destination that no longer matches the box loses its verified status and
// its vCard; the window shows the text once it is redisplayed.
TEST_F(MainWindowAutomationHost, TheDestinationTextRunsTheBoxsTextChangedRule)
{
    // A shippable piece to a confirmed destination: the box shows it as
    // valid.
    priceALetter(QStringLiteral("1"));
    const QVAddress confirmed = confirmedAddress();
    host->setToAddress(confirmed);
    ASSERT_EQ(controller().form().text(FormControl::ToAddressStatus), QStringLiteral("Valid"));
    ASSERT_TRUE(controller().form().field(FormControl::DragView).enabled);

    // Another text: the destination no longer matches the box.
    const QString other = QStringLiteral("Grace Hopper\n2 Elm St\nArlington VA 22201");
    host->setDestinationText(other);
    EXPECT_EQ(controller().form().text(FormControl::ToAddress), other);
    EXPECT_EQ(controller().form().text(FormControl::ToAddressStatus), QStringLiteral("Invalid"));
    EXPECT_FALSE(controller().form().field(FormControl::DragView).enabled);
    host->displayWindow();
    auto *box = window->findChild<QTextEdit *>(QStringLiteral("toTextBoxEntry"));
    ASSERT_TRUE(box);
    EXPECT_EQ(box->toPlainText(), other);

    // The destination's own text again: valid once more.
    host->setDestinationText(confirmed.formattedAddress());
    EXPECT_EQ(controller().form().text(FormControl::ToAddressStatus), QStringLiteral("Valid"));
    EXPECT_TRUE(controller().form().field(FormControl::DragView).enabled);
    host->displayWindow();
    EXPECT_EQ(box->toPlainText(), confirmed.formattedAddress());
}

// Each of the four boxes is its own check box of the window, read back as
// the print flow reads the Priority Mail Express options.
TEST_F(MainWindowAutomationHost, TheFourExpressMailBoxesAreTheWindowsCheckBoxes)
{
    const struct {
        Box box;
        const char *checkBox;
        QString optionKey;
    } cases[] = {
        {Box::SignatureRequired, "expressWaiverOfSignatureCheckbox", QVUSPSShipmentExpressMailSignatureRequiredKey},
        {Box::SaturdayDelivery, "expressSaturdayCheckbox", QVUSPSShipmentExpressMailSaturdayDeliveryKey},
        {Box::SundayDelivery, "expressSundayCheckbox", QVUSPSShipmentExpressMailSundayDeliveryKey},
        {Box::HolidayDelivery, "expressHolidayCheckbox", QVUSPSShipmentExpressMailHolidayDeliveryKey},
    };
    const size_t count = std::size(cases);
    for (const bool on : {true, false}) {
        for (const auto &c : cases)
            host->setExpressMailBox(c.box, !on);
        for (size_t i = 0; i < count; ++i) {
            SCOPED_TRACE(cases[i].checkBox);
            host->setExpressMailBox(cases[i].box, on);
            EXPECT_EQ(host->expressMailBox(cases[i].box), on);
            EXPECT_EQ(host->expressOptionsDictionary().value(cases[i].optionKey).toBool(), on);
            host->displayWindow();
            auto *widget = window->findChild<QCheckBox *>(QString::fromLatin1(cases[i].checkBox));
            ASSERT_TRUE(widget);
            EXPECT_EQ(widget->isChecked(), on);
            // The boxes not set yet are left as they were.
            for (size_t later = i + 1; later < count; ++later)
                EXPECT_EQ(host->expressMailBox(cases[later].box), !on) << cases[later].checkBox;
        }
    }
}

// A change stored without re-pricing is priced once the window is asked to.
TEST_F(MainWindowAutomationHost, UpdatePricingRepricesTheWindowsShipment)
{
    const std::shared_ptr<QVShipment> shipment = host->currentShipment();
    ASSERT_TRUE(shipment);
    ASSERT_EQ(shipment, controller().currentShipment());
    priceALetter(QStringLiteral("1"));
    const Decimal oneOunce = shipment->totalPrice();
    ASSERT_GT(oneOunce, Decimal::zero());
    shipment->setObject(QStringLiteral("3"), QVShipmentWeightNumberKey, false);
    EXPECT_EQ(shipment->totalPrice(), oneOunce);
    host->updatePricing();
    const Decimal threeOunces = shipment->totalPrice();
    EXPECT_GT(threeOunces, oneOunce);
    // The same as a store that re-prices gives.
    priceALetter(QStringLiteral("1"));
    priceALetter(QStringLiteral("3"));
    EXPECT_EQ(shipment->totalPrice(), threeOunces);
}

// The print is the window's print flow: a piece that cannot go (an empty
// window) is not printed and the flow's error flag, which the automation
// reads and clears through the window, is set.
TEST_F(MainWindowAutomationHost, ThePrintAndItsErrorFlagAreTheWindowsPrintFlow)
{
    tolvane::QVPrintFlow &flow = controller().printFlow();
    host->setLastShipmentErrored(true);
    EXPECT_TRUE(flow.lastShipmentErrored());
    EXPECT_TRUE(host->lastShipmentErrored());
    host->setLastShipmentErrored(false);
    EXPECT_FALSE(flow.lastShipmentErrored());
    EXPECT_FALSE(host->lastShipmentErrored());

    const std::shared_ptr<QVPrintFlowHost> delegate = printFlowHost();
    ASSERT_TRUE(delegate);
    delegate->setAutomation(true);
    for (const bool test : {true, false}) {
        host->setLastShipmentErrored(false);
        EXPECT_FALSE(host->printLabelAsATest(test)) << test;
        EXPECT_TRUE(flow.lastShipmentErrored()) << test;
        EXPECT_TRUE(host->lastShipmentErrored()) << test;
    }
    delegate->setAutomation(false);
}

// The error of a refused standardisation is the address-correction
// client's own description.
TEST_F(MainWindowAutomationHost, TheAddressCorrectionErrorIsTheClients)
{
    EXPECT_EQ(host->addressCorrectionErrorDescription(), QString());
    service.setRawReply(QByteArray());
    host->setDestinationText(QStringLiteral("Ada Lovelace\n1 Main St\nNew York NY 10001"));
    EXPECT_FALSE(host->standardizeTextBoxAddress(false));
    EXPECT_EQ(host->addressCorrectionErrorDescription(), QStringLiteral("Addrelle response was empty."));
    EXPECT_EQ(host->addressCorrectionErrorDescription(), QVGLZCommandCenter::commandCenter()->lastErrorDescription());
}
