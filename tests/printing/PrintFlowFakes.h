#pragma once
// Fakes of the print flow's surroundings: the application delegate (progress
// texts and the calls it gets), the main window (its shipment and check
// boxes, every call in order), the server clients (scripted answers, every
// request recorded) and the stamp window.
#include "LabelTestSupport.h"
#include "PrintingTestSupport.h"
#include "QuietMainWindow.h"
#include "RecordingAutomation.h"
#include "WatchedMailingLog.h"

#include "model/MailingLogServices.h"
#include "platform/AutomationServices.h"
#include "printing/setup/QVPrinterTypes.h"

#include "printing/flow/QVPrintFlow.h"
#include "printing/flow/QVPrintFlowClients.h"
#include "printing/flow/QVPrintFlowServices.h"
#include "printing/flow/QVStampWindowPrinting.h"
#include "rates/QVShipmentUSPS.h"
#include "services/QVShipmentRHOExtras.h"

#include <QStringList>

#include <functional>
#include <optional>

namespace tolvane::test {

class Host : public QVPrintFlowHost
{
public:
    QStringList texts;
    QStringList calls;
    bool automation = false;
    bool agrees = false;
    std::function<void()> onBuyPostage;

    void setProgressTextString(const QString &text) override { texts << text; }
    void hideProgressPanel() override {}
    bool isAutomation() override { return automation; }
    void refreshTolvaneStatus() override { calls << QStringLiteral("refreshTolvaneStatus"); }
    void showBuyPostagePanel() override
    {
        calls << QStringLiteral("showBuyPostagePanel");
        if (onBuyPostage)
            onBuyPostage();
    }
    void showTolvaneWizard() override { calls << QStringLiteral("showTolvaneWizard"); }
    void showPrinterSetup() override { calls << QStringLiteral("showPrinterSetup"); }
    bool agreeToInsuranceTerms() override { return agrees; }
};

// The main window: its shipment and check boxes, and every call in order.
class Window : public QuietMainWindow
{
public:
    Window() : QuietMainWindow(samplePriorityShipment()) {}

    QStringList calls;
    bool usePostage = true;
    bool insurance = false;
    bool sheet = false;
    QString email;

    void setCurrentShipmentProperty(const QVariant &value, const QString &key) override
    {
        calls << QStringLiteral("set ") + key;
        shipment->setObject(value, key, true);
    }
    void removeCurrentShipmentPropertyForKey(const QString &key) override
    {
        calls << QStringLiteral("remove ") + key;
        shipment->removeObjectForKey(key, true);
    }
    void newPackageWithAddressString(const QString &, const QString &, const QString &, bool focus) override
    {
        calls << QStringLiteral("newPackage focus=%1").arg(focus);
    }
    void showMasterWindow() override { calls << QStringLiteral("showMasterWindow"); }

    bool usePostageForCurrentShipment() override { return usePostage; }
    bool insuranceChecked() override { return insurance; }
    QString toEmailAddressString() override { return email; }
    bool hasAttachedSheet() override { return sheet; }
    void closeSheet() override { calls << QStringLiteral("closeSheet"); }
    void runEditFromAddressSheet() override { calls << QStringLiteral("runEditFromAddressSheet"); }
    void focusDestinationAddress() override { calls << QStringLiteral("focusDestinationAddress"); }
    void setCurrentPICCode(const QString &pic) override { calls << QStringLiteral("setCurrentPICCode ") + pic; }
    void clearAllFields() override { calls << QStringLiteral("clearAllFields"); }
    void setShipmentDefaults() override { calls << QStringLiteral("setShipmentDefaults"); }
};

// The server clients: scripted answers, every request recorded.
class Clients : public QVPrintFlowClients
{
public:
    QStringList requests;
    std::optional<Decimal> balance = Decimal(100);
    std::optional<Decimal> balanceAfterRefresh;
    QString accountStatus = QStringLiteral("A");
    QByteArray indicium = QByteArray("indicium bytes of the test server").repeated(3);
    bool refuseIndicium = false;
    std::optional<QByteArray> labelServerReply;
    std::optional<QString> confirm;
    std::optional<QString> customsNumber = QStringLiteral("CP123456789US");
    QByteArray formPage;
    QVClientError error{QStringLiteral("-12"), QStringLiteral("The server is not answering.")};
    std::function<void()> onIndicium;

    std::optional<Decimal> lastValidBalance() override { return balance; }
    QString lastValidMeterID() override { return QStringLiteral("0401234567"); }
    QString lastValidAccountStatus() override { return accountStatus; }
    bool refreshStatus() override
    {
        requests << QStringLiteral("status");
        balance = balanceAfterRefresh;
        return balance.has_value();
    }
    std::optional<QByteArray> indiciumDataWithShipment(QVShipment &shipment) override
    {
        requests << QStringLiteral("indicium");
        if (onIndicium)
            onIndicium();
        if (refuseIndicium)
            return std::nullopt;
        shipment.setObject(QStringLiteral("77"), QVUSPSShipmentRHOPieceCountKey);
        return indicium;
    }
    void sendReceiptForShipment(const QVShipment &) override { requests << QStringLiteral("receipt"); }
    QVClientError postageError() override { return error; }
    std::optional<QVXMLDocument> labelNumberForShipment(const QVShipment &) override
    {
        requests << QStringLiteral("labelServerNumber");
        return labelServerReply ? QVXMLDocument::fromData(*labelServerReply) : std::nullopt;
    }
    QVClientError labelServerError() override { return error; }
    std::optional<QString> domesticLabelNumber(QVariantMap *response, const QVShipment &) override
    {
        requests << QStringLiteral("domesticNumber");
        *response = {{QStringLiteral("BarcodeNumber"), QStringLiteral("420021349205590100130471010801")}};
        return QStringLiteral("9205590100130471010801");
    }
    std::optional<QString> expressLabelNumber(QVariantMap *, const QVShipment &) override
    {
        requests << QStringLiteral("expressNumber");
        return std::nullopt;
    }
    std::optional<QString> confirmNumber(const QVShipment &) override
    {
        requests << QStringLiteral("confirmNumber");
        return confirm;
    }
    QVClientError labelNumberError() override { return error; }
    std::optional<QString> cn22CustomsForm(std::optional<QVUSPSImage> *label, std::optional<QVUSPSImage> *instructions,
                                           const QVShipment &, bool) override
    {
        requests << QStringLiteral("cn22");
        *label = QVUSPSImage{formPage};
        *instructions = QVUSPSImage{formPage};
        return customsNumber;
    }
    std::optional<QString> cp72CustomsForm(QList<QVUSPSImage> *labels, std::optional<QVUSPSImage> *instructions,
                                           const QVShipment &, bool) override
    {
        requests << QStringLiteral("cp72");
        *labels = {QVUSPSImage{formPage}, QVUSPSImage{formPage}};
        *instructions = QVUSPSImage{formPage};
        return customsNumber;
    }
    QVClientError uspsError() override { return error; }
    int discountLevel(const QString &, const QString &) override { return 0; }
    bool forceVLS() override { return false; }
    bool insuranceAgreement() override { return true; }
};

// The stamp window: the print commands it was given, in order.
class RecordingStampWindow final : public QVStampWindowPrinting
{
public:
    QStringList calls;
    void printSheet() override { calls << QStringLiteral("printSheet"); }
    void testPrint() override { calls << QStringLiteral("testPrint"); }
    void printSelected() override { calls << QStringLiteral("printSelected"); }
};

// An international piece; `lines` between the name and the country.
inline std::shared_ptr<QVShipment> abroadShipment(const QString &formType, const QStringList &lines = {})
{
    auto shipment = samplePriorityShipment();
    shipment->setObject(QStringLiteral("QVUSPSIntlPriorityMailIntl"), QVUSPSShipmentRateClassKey);
    shipment->removeObjectForKey(QVUSPSShipmentPICKey);
    QVAddress to(sampleAddress(QStringLiteral("Lee Abroad"), QStringLiteral("1 Rue Haute"), QStringLiteral("Paris"),
                               QString(), QStringLiteral("75001")));
    to.setInternationalAddressLines(
        lines.isEmpty() ? QStringList{QStringLiteral("1 Rue Haute"), QStringLiteral("75001 PARIS")} : lines);
    to.setCountry(QStringLiteral("France"));
    shipment->setObject(to.plist(), QVShipmentToAddressKey);
    shipment->setObject(formType, QVUSPSShipmentCustomsFormTypeKey);
    shipment->setObject(QVariantList{QVariantMap{{QStringLiteral("description"), QStringLiteral("Books")}}},
                        QVShipmentItemsKey);
    shipment->setTotalPrice(Decimal(4500, -2));
    return shipment;
}

// The print flow among these fakes: one print queue, plain paper, a $7.95
// piece; `window` may be replaced by a derived window before a test runs.
class PrintFlowFakesTest : public PrintingTest
{
protected:
    void SetUp() override
    {
        PrintingTest::SetUp();
        setPrintFlowHost(host);
        setMainWindowHostProvider([this] { return window; });
        setPrintFlowClients(clients);
        setAutomationServices(automation);
        setMailingLog(log);
        printers->queueList = {PrintQueue{QStringLiteral("office"), QStringLiteral("Office")}};
        printers->defaultQueue = QStringLiteral("office");
        defaults().setString(QVPlainPaperPrinter, QStringLiteral("printerType"));
        defaults().setString(QVPlainPaperLabel, QStringLiteral("printerLabel"));
        window->shipment->setTotalPrice(Decimal(795, -2));
    }
    void TearDown() override
    {
        setPrintFlowHost(nullptr);
        setMainWindowHostProvider(nullptr);
        setPrintFlowClients(nullptr);
        setAutomationServices(nullptr);
        setMailingLog(nullptr);
        PrintingTest::TearDown();
    }

    std::shared_ptr<Host> host = std::make_shared<Host>();
    std::shared_ptr<Window> window = std::make_shared<Window>();
    std::shared_ptr<Clients> clients = std::make_shared<Clients>();
    std::shared_ptr<RecordingAutomation> automation = std::make_shared<RecordingAutomation>();
    std::shared_ptr<WatchedLog> log = std::make_shared<WatchedLog>();
};

} // namespace tolvane::test
