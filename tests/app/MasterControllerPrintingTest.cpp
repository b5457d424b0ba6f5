// MasterController printing through its own print flow: the window's Print
// command (the print button and Command-P) reaches the print commands, the
// Option key inverts the preview for one print, the stamp mode sends the
// commands to the stamp window, the preview's Save output writes its PDF,
// and a batch runs through the controller's own batch mode. Among the print
// flow's fakes: the delegate, the servers, one plain-paper print queue, the
// mailing log, the automation, the stamp window and the preview panel.
#include "MasterControllerFixture.h"
#include "PrintFlowFakes.h"

#include "app/mainwindow/MasterWindow.h"
#include "app/shell/QVMenus.h"
#include "automation/QVPackageProcessor.h"
#include "printing/flow/QVPreviewPanelWidget.h"
#include "printing/flow/QVPrintCommands.h"
#include "printing/flow/QVPrintFlowServices.h"

#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>

using namespace master_test;
using namespace tolvane;

namespace {

// The delegate's automation switch is the controller's shell's too.
class LinkedHost final : public test::Host
{
public:
    explicit LinkedHost(FakeShell &shell) : m_shell(shell) {}
    void setAutomation(bool on) override
    {
        automation = on;
        m_shell.automation = on;
    }

private:
    FakeShell &m_shell;
};

class PanelView final : public QVPreviewPanelView
{
public:
    int runs = 0;
    bool shown = false;
    void runSheet(const QSizeF &) override
    {
        ++runs;
        shown = true;
    }
    bool isSheetShown() const override { return shown; }
    void endSheet() override { shown = false; }
    void setImage(const QImage &) override {}
    void setButtonTitles(const QString &, const QString &) override {}
    void setOutputOption(int) override {}
    void resizeContent(const QSizeF &, bool) override {}
};

// The address service confirms every address whose first line (the name)
// it knows, as it was typed; the names it was asked for, in order, with
// whether the window was in batch mode then.
class NamedCorrection final : public MasterAddressCorrection
{
public:
    QMap<QString, QVAddress> known;
    QStringList asked;
    std::function<bool()> inBatchMode;
    QList<bool> askedInBatchMode;
    QString code;

    std::optional<QVAddress> standardizedAddressWithString(const QString &text, bool) override
    {
        const QString name = text.section(QLatin1Char('\n'), 0, 0);
        asked << name;
        askedInBatchMode << (inBatchMode && inBatchMode());
        code = known.contains(name) ? QStringLiteral("31") : QStringLiteral("-1");
        return known.contains(name) ? std::optional<QVAddress>(known.value(name)) : std::nullopt;
    }
    QString lastErrorCode() override { return code; }
    QString lastErrorDescription() override
    {
        return code == QLatin1String("31") ? QString() : QStringLiteral("Address Not Found.");
    }
};

QVAddress recipient(const QString &name, const QString &street)
{
    QVAddress address;
    address.setName(name);
    address.setStreet(street);
    address.setCity(QStringLiteral("NEW YORK"));
    address.setState(QStringLiteral("NY"));
    address.setZIP5(QStringLiteral("10001"));
    return address;
}

class MasterPrintingTest : public MasterControllerTest
{
protected:
    void SetUp() override
    {
        MasterControllerTest::SetUp();
        ASSERT_TRUE(defaults().registerBundleDefaults());
        defaults().setString(QVPlainPaperPrinter, QStringLiteral("printerType"));
        defaults().setString(QVPlainPaperLabel, QStringLiteral("printerLabel"));
        defaults().setBool(true, QStringLiteral("usePostage"));
        for (const QString &key : {QVSundayWarningKey, QVSaturdayWarningKey, QVHolidayWarningKey})
            defaults().setBool(false, key);
        printers->queueList = {PrintQueue{QStringLiteral("office"), QStringLiteral("Office")}};
        printers->defaultQueue = QStringLiteral("office");
        setPrintSystem(printers);
        setPrintFlowHost(host);
        setPrintFlowClients(clients);
        setAutomationServices(automation);
        setMailingLog(log);
        setStampWindowPrinting(stamps);
        QVPrintCommands::clearPreviewImageCache();
        correction->known.insert(QStringLiteral("Ada Lovelace"),
                                 recipient(QStringLiteral("Ada Lovelace"), QStringLiteral("1 MAIN ST")));
        addressCorrection = correction;
        configure = [](MasterControllerEnvironment &env) { env.ownPrintFlow = true; };
    }
    void TearDown() override
    {
        MasterControllerTest::TearDown();
        QVPrintCommands::clearPreviewImageCache();
        setMainWindowHostProvider(nullptr);
        setStampWindowPrinting(nullptr);
        setMailingLog(nullptr);
        setAutomationServices(nullptr);
        setPrintFlowClients(nullptr);
        setPrintFlowHost(nullptr);
        setPrintSystem(nullptr);
    }

    // The controller with a Priority Mail piece of a pound to a known
    // recipient, ready to print; the preview shows on `view`.
    void startReady()
    {
        start();
        correction->inBatchMode = [this] { return controller->inBatchMode(); };
        controller->printCommands().setPreviewPanelView(&view);
        sendTo(QStringLiteral("10001"));
        typeWeight(QStringLiteral("1 lb"));
        ASSERT_TRUE(shipment().shippable());
        // The destination box shows the verified address.
        form().setText(FormControl::ToAddress, controller->toAddress().formattedAddress());
        ASSERT_TRUE(controller->usePostageForCurrentShipment());
    }

    QTemporaryDir dir;
    std::shared_ptr<FakePrintSystem> printers = std::make_shared<FakePrintSystem>();
    std::shared_ptr<LinkedHost> host = std::make_shared<LinkedHost>(*shell);
    std::shared_ptr<test::Clients> clients = std::make_shared<test::Clients>();
    std::shared_ptr<test::RecordingAutomation> automation = std::make_shared<test::RecordingAutomation>();
    std::shared_ptr<test::WatchedLog> log = std::make_shared<test::WatchedLog>();
    std::shared_ptr<test::RecordingStampWindow> stamps = std::make_shared<test::RecordingStampWindow>();
    std::shared_ptr<NamedCorrection> correction = std::make_shared<NamedCorrection>();
    test::DialogsScope dialogs;
    PanelView view;
};

} // namespace

TEST_F(MasterPrintingTest, PrintFromTheWindowReachesThePrintCommandsAndOptionInvertsThePreviewOnce)
{
    startReady();
    ASSERT_EQ(mainWindowHost(), controller->windowHost());
    struct Case {
        const char *route;
        std::function<void()> print;
        bool preference;
        bool option;
        bool previews;
    };
    const auto button = [this] { controller->printTheLabel(); };
    const auto commandP = [this] { EXPECT_TRUE(controller->windowKeyDown(Qt::Key_P, Qt::ControlModifier)); };
    const Case cases[] = {
        {"button", button, true, false, true},      {"button", button, false, false, false},
        {"button", button, false, true, true},      {"button", button, true, true, false},
        {"Command-P", commandP, true, false, true}, {"Command-P", commandP, false, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.route << " preference " << c.preference << " option " << c.option);
        view = PanelView();
        printers->jobs.clear();
        log->log.records.clear();
        defaults().setBool(c.preference, QVPreviewOnPrintKey);
        // Option goes down: the window inverts the stored preference.
        controller->myFlagsChanged(c.option ? QVOptionKeyMask : 0);
        ASSERT_EQ(controller->optionKeyDown(), c.option);

        c.print();

        EXPECT_EQ(view.runs, c.previews ? 1 : 0);
        EXPECT_EQ(printers->jobs.size(), c.previews ? 0 : 1);
        EXPECT_EQ(log->log.records.size(), c.previews ? 0 : 1);
        // The preference is the user's again; Option counts as released.
        EXPECT_EQ(defaults().boolForKey(QVPreviewOnPrintKey), c.preference);
        EXPECT_FALSE(controller->optionKeyDown());
        EXPECT_EQ(controller->printMenuKeyModifiers(), QVCommandKeyMask);
        // Letting go of Option afterwards changes nothing more.
        controller->myFlagsChanged(0);
        EXPECT_EQ(defaults().boolForKey(QVPreviewOnPrintKey), c.preference);
        controller->printCommands().labelPreviewSheetDidEnd();
    }
    // The preview's Print button prints the piece the window shows.
    defaults().setBool(true, QVPreviewOnPrintKey);
    view = PanelView();
    printers->jobs.clear();
    controller->printTheLabel();
    ASSERT_TRUE(view.shown);
    EXPECT_TRUE(mainWindowHost()->previewSheetIsAttached());
    controller->printCommands().printLiveLabelPreviewSheet();
    EXPECT_FALSE(view.shown);
    EXPECT_EQ(printers->jobs.size(), 1);
    EXPECT_EQ(log->log.lastShipment()->toAddress().name(), QStringLiteral("Ada Lovelace"));
}

TEST_F(MasterPrintingTest, InTheStampModeTheCommandsAndMenuActionsGoToTheStampWindow)
{
    startReady();
    QVMenuActions actions;
    controller->registerPrintActions(actions);
    shell->standardMode = false;
    controller->printTheLabel();
    ASSERT_TRUE(actions.perform(QStringLiteral("testPrint:")));
    ASSERT_TRUE(actions.perform(QStringLiteral("printSelected:")));
    EXPECT_EQ(
        stamps->calls,
        (QStringList{QStringLiteral("printSheet"), QStringLiteral("testPrint"), QStringLiteral("printSelected")}));
    EXPECT_TRUE(printers->jobs.isEmpty());
    EXPECT_EQ(view.runs, 0);

    // Print Selected is the stamp window's alone; Test Print in the
    // standard mode prints a void sample of the window's piece.
    shell->standardMode = true;
    stamps->calls.clear();
    actions.perform(QStringLiteral("printSelected:"));
    actions.perform(QStringLiteral("testPrint:"));
    EXPECT_TRUE(stamps->calls.isEmpty());
    EXPECT_EQ(printers->jobs.size(), 1);
    EXPECT_TRUE(log->log.records.isEmpty());
    EXPECT_FALSE(clients->requests.contains(QStringLiteral("indicium")));

    // Once the controller is gone its actions and its window are.
    controller.reset();
    EXPECT_EQ(mainWindowHost(), nullptr);
    EXPECT_TRUE(actions.perform(QStringLiteral("testPrint:")));
    EXPECT_TRUE(stamps->calls.isEmpty());
    EXPECT_EQ(printers->jobs.size(), 1);
}

TEST_F(MasterPrintingTest, TheSaveOutputWritesThePDFAtTheChosenPathAndACancelPrintsNothing)
{
    startReady();
    QVMenuActions actions;
    controller->registerPrintActions(actions);
    QVMenuItem save;
    save.action = QStringLiteral("runPDFLabel:");
    save.tag = QVPreviewOutputSave;

    // Cancelled: nothing bought, printed or logged.
    ASSERT_TRUE(actions.perform(save));
    EXPECT_EQ(dialogs->savePanels.size(), 1);
    EXPECT_TRUE(log->log.records.isEmpty());
    EXPECT_FALSE(clients->requests.contains(QStringLiteral("indicium")));

    const QString path = dir.filePath(QStringLiteral("label.pdf"));
    dialogs->savePaths = {path};
    ASSERT_TRUE(actions.perform(save));
    ASSERT_EQ(dialogs->savePanels.size(), 2);
    EXPECT_TRUE(dialogs->savePanels[1].suggestedFileName.startsWith(QStringLiteral("Ada Lovelace ")));
    EXPECT_TRUE(QFileInfo(path).size() > 0);
    EXPECT_TRUE(printers->jobs.isEmpty());
    EXPECT_EQ(log->log.records.size(), 1);
    EXPECT_TRUE(controller->printFlow().pendingPrintInfoPropertiesForPDF().isEmpty());
}

TEST_F(MasterPrintingTest, ABatchLeavesBatchModeFirstAndPrintsEachAddressWithTheWindowsWeight)
{
    const QVAddress grace = recipient(QStringLiteral("Grace Hopper"), QStringLiteral("2 PARK AVE"));
    const QVAddress alan = recipient(QStringLiteral("Alan Turing"), QStringLiteral("3 BROAD ST"));
    correction->known.insert(grace.name(), grace);
    correction->known.insert(alan.name(), alan);
    startReady();
    int reselections = 0;
    controller->hooks().reselectLastAddressBookRow = [&reselections] { ++reselections; };
    defaults().setBool(false, QVPreviewOnPrintKey);
    defaults().setBool(true, QVClearDimensionsAfterPrintKey);
    const QVariant weight = controller->currentShipmentPropertyForKey(QVShipmentWeightNumberKey);
    QStringList printedWeights;
    log->onWrite = [&](const QVShipment &piece) {
        printedWeights << piece.objectForKey(QVShipmentWeightNumberKey).toString();
        EXPECT_FALSE(defaults().boolForKey(QVClearDimensionsAfterPrintKey));
    };
    controller->enterBatchPrintWithAddresses({grace, alan});
    ASSERT_EQ(mainWindowHost()->batchAddresses().size(), 2);
    correction->asked.clear();
    correction->askedInBatchMode.clear();
    // "Print Batch".
    dialogs->answers = {1};

    controller->printTheLabel();

    // The batch sheet first (the batch preflight verifies the first address).
    ASSERT_FALSE(dialogs->alerts.isEmpty());
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Batch Print"));
    EXPECT_TRUE(
        dialogs->alerts[0].informativeText.startsWith(QStringLiteral("You have selected to print 2 addresses")));
    EXPECT_EQ(dialogs->alerts.size(), 1) << dialogs->alerts.last().messageText.toStdString();
    // Each item was verified outside batch mode, in list order.
    ASSERT_GE(correction->asked.size(), 2);
    EXPECT_EQ(correction->asked.mid(correction->asked.size() - 2), (QStringList{grace.name(), alan.name()}));
    EXPECT_EQ(correction->askedInBatchMode.mid(correction->askedInBatchMode.size() - 2), (QList<bool>{false, false}));
    EXPECT_FALSE(controller->inBatchMode());
    ASSERT_EQ(log->log.records.size(), 2);
    EXPECT_EQ(printers->jobs.size(), 2);
    EXPECT_EQ(log->log.shipmentAtIndex(0)->toAddress().name(), grace.name());
    EXPECT_EQ(log->log.shipmentAtIndex(1)->toAddress().name(), alan.name());
    EXPECT_EQ(printedWeights, (QStringList{weight.toString(), weight.toString()}));
    // Afterwards: the settings, the weight, the address book's selection.
    EXPECT_TRUE(defaults().boolForKey(QVClearDimensionsAfterPrintKey));
    EXPECT_EQ(controller->currentShipmentPropertyForKey(QVShipmentWeightNumberKey), weight);
    EXPECT_EQ(reselections, 1);
    EXPECT_FALSE(shell->automation);
}

TEST_F(MasterPrintingTest, ThePreviewPanelIsASheetOnTheWindowAndGoesBeforeIt)
{
    startReady();
    defaults().setBool(true, QVPreviewOnPrintKey);
    auto window = std::make_unique<MasterWindow>(*controller);
    window->resize(900, 700);
    window->show();
    auto *print = qobject_cast<QPushButton *>(window->widget(FormControl::MainPrintButton));
    ASSERT_NE(print, nullptr);

    print->click();

    auto *panel = window->findChild<QVPreviewPanelWidget *>();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->windowModality(), Qt::WindowModal);
    EXPECT_TRUE(mainWindowHost()->previewSheetIsAttached());
    EXPECT_TRUE(mainWindowHost()->hasAttachedSheet());
    EXPECT_TRUE(printers->jobs.isEmpty());
    EXPECT_TRUE(panel->grab().toImage().save(QStringLiteral(TOLVANE_BINARY_DIR "/MasterWindowPreviewSheet.png")));

    // The window goes (the controller lives on): the panel went first.
    QPointer<QVPreviewPanelWidget> watched(panel);
    window.reset();
    EXPECT_TRUE(watched.isNull());
    EXPECT_FALSE(mainWindowHost()->previewSheetIsAttached());
    EXPECT_EQ(controller->windowWidget(), nullptr);
}

// The package processing (XML automation, web-store orders) works on the
// window through the controller's own host: the package's address lands in
// the destination box and is verified from there; the four Priority Mail
// Express boxes, the print flow's error mark and the correction's last
// description are the window's.
TEST_F(MasterPrintingTest, APackageReachesTheWindowThroughTheControllersHost)
{
    start();
    const std::shared_ptr<QVMainWindowHost> window = mainWindowHost();
    ASSERT_EQ(window, controller->windowHost());
    QString reason;
    QVPackageEnvironment environment;
    environment.window = [] { return mainWindowHost(); };
    environment.delegate = [] { return printFlowHost(); };
    environment.allowedSize = [](const QString &) { return true; };
    environment.setFailureReason = [&reason](const QString &text) { reason = text; };
    QVPackageProcessor processor(environment);
    const struct {
        const char *name;
        bool accepted;
    } cases[] = {{"Ada Lovelace", true}, {"Nobody Known", false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        reason.clear();
        const QVariantMap package = {{QStringLiteral("ToName"), QLatin1String(c.name)},
                                     {QStringLiteral("ToAddress1"), QStringLiteral("1 Main St")},
                                     {QStringLiteral("ToCity"), QStringLiteral("New York")},
                                     {QStringLiteral("ToState"), QStringLiteral("NY")},
                                     {QStringLiteral("ToPostalCode"), QStringLiteral("10001")},
                                     {QStringLiteral("MailClass"), QStringLiteral("PRIORITY")},
                                     {QStringLiteral("WeightOz"), QStringLiteral("12")}};
        EXPECT_EQ(processor.processPackage(package), c.accepted);
        settle();
        ASSERT_FALSE(correction->asked.isEmpty());
        EXPECT_EQ(correction->asked.last(), QLatin1String(c.name));
        if (c.accepted) {
            EXPECT_EQ(controller->toAddress().name(), QLatin1String(c.name));
            EXPECT_EQ(form().text(FormControl::ToAddress), controller->toAddress().formattedAddress());
            EXPECT_EQ(reason, QString());
        } else {
            EXPECT_TRUE(form().text(FormControl::ToAddress).startsWith(QLatin1String(c.name)));
            EXPECT_EQ(reason, QStringLiteral("Address Not Found."));
        }
    }

    window->setExpressMailBox(QVMainWindowHost::ExpressMailBox::SaturdayDelivery, true);
    window->setExpressMailBox(QVMainWindowHost::ExpressMailBox::SignatureRequired, false);
    EXPECT_TRUE(window->expressMailBox(QVMainWindowHost::ExpressMailBox::SaturdayDelivery));
    const QVariantMap express = controller->expressOptionsDictionary();
    EXPECT_TRUE(express.value(QVUSPSShipmentExpressMailSaturdayDeliveryKey).toBool());
    EXPECT_FALSE(express.value(QVUSPSShipmentExpressMailSignatureRequiredKey).toBool());
    window->setLastShipmentErrored(true);
    EXPECT_TRUE(controller->printFlow().lastShipmentErrored());
    window->setLastShipmentErrored(false);
    EXPECT_FALSE(window->lastShipmentErrored());
}
