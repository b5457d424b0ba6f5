// The printer set-up window on plain state (QVPrinterSetupController's
// controls): the refresh rules, the print and page-layout sheets, the
// label-printer and Zebra tools (bytes through a pty), the envelope feed;
// and the Qt window drawn offscreen over that state.
#include "PrintingTestSupport.h"

#include "PtyPair.h"
#include "RecordingUrlOpener.h"
#include "ViewTestSupport.h"

#include "platform/UrlOpener.h"
#include "printing/layouts/QVEnvelopeSizes.h"
#include "printing/layouts/QVPrintPanelMarginViewController.h"
#include "printing/setup/QVPageLayoutMarginFields.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/setup/QVPrinterSetupWindow.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>

using tolvane::test::PtyPair;

namespace {

const QString kPrinterType = QStringLiteral("printerType");
const QString kPrinterLabel = QStringLiteral("printerLabel");

class PrinterSetupWindowTest : public PrintingTest
{
protected:
    void setType(const QString &type, const QString &label)
    {
        defaults().setString(type, kPrinterType);
        defaults().setString(label, kPrinterLabel);
    }

    void storeKivo(const QString &labelType, const QVariantMap &values)
    {
        QVariantMap settings = defaults().dictionaryForKey(QStringLiteral("kivoSettings"));
        QVariantMap stock = settings.value(labelType).toMap();
        for (auto it = values.begin(); it != values.end(); ++it)
            stock.insert(it.key(), it.value());
        settings.insert(labelType, stock);
        defaults().setObject(settings, QStringLiteral("kivoSettings"));
    }

    void storeQueue(const QString &purpose, const QString &queue)
    {
        printers->add(queue, QStringLiteral("Generic PostScript"));
        PrintInfo info;
        info.printerName = queue;
        defaults().setObject(info.data(), purpose);
        defaults().setString(queue, QStringLiteral("p_%1_name").arg(purpose));
    }

    void useSerial(const QString &path)
    {
        defaults().setBool(true, QStringLiteral("zebraUseSerial"));
        defaults().setString(path, QStringLiteral("zebraSerialPath"));
    }
};

} // namespace

TEST_F(PrinterSetupWindowTest, PrinterTypeChoosesTheChoiceAndTheToolsThatCanBeUsed)
{
    printers->add(QStringLiteral("kivo"), QStringLiteral("KIVO Tagwright 360"));
    struct Case {
        QString type;
        QString label;
        int choice;
        bool plainButtons, kivoTools, zebraTools, stocks;
        int stockTag;
    };
    const Case cases[] = {
        {QVPlainPaperPrinter, QVPlainPaperLabel, 0, true, false, false, false, 0},
        {QVKIVOTagwrightPrinter, QVKIVO72019Label, 1, false, true, false, true, 3},
        {QVKIVOTagwrightPrinter, QVKIVO8836105Label, 1, false, true, false, true, 4},
        {QVZebra2844Printer, QVEPL2Label, 2, false, false, true, false, 0},
        {QStringLiteral("QVInkjetPrinter"), QVPlainPaperLabel, -1, false, false, false, false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type.toStdString() + " " + c.label.toStdString());
        setType(c.type, c.label);
        QVPrinterSetupController controller;
        const QVPrinterSetupControls &s = controller.controls();
        EXPECT_EQ(s.printerChoice, c.choice);
        EXPECT_EQ(s.plainPaperButtonsEnabled, c.plainButtons);
        EXPECT_EQ(s.kivoToolsEnabled, c.kivoTools);
        EXPECT_EQ(s.zebraToolsEnabled, c.zebraTools);
        EXPECT_EQ(s.stockChoiceEnabled, c.stocks);
        EXPECT_EQ(s.stockTag, c.stockTag);
        EXPECT_TRUE(s.useKIVOForEnvelopesEnabled);
        // Only the label printer shows the stocks' printers.
        EXPECT_EQ(s.stockPrinterNames.size(), 5);
        EXPECT_EQ(s.stockPrinterNames.first().isEmpty(), c.choice != 1);
    }
}

TEST_F(PrinterSetupWindowTest, CustomsFormChoicesFollowTheLabelTypeAndTheOverrides)
{
    printers->add(QStringLiteral("kivo4x6"), QStringLiteral("KIVO Tagwright 450 Turbo"));
    storeQueue(QVFCMIPrintInfoKey, QStringLiteral("customs"));
    storeQueue(QVGEMPrintInfoKey, QStringLiteral("forms"));
    storeQueue(QVPlainPaperPrintInfoKey, QStringLiteral("labels"));
    storeQueue(QVMailingRecordPaperInfoKey, QStringLiteral("records"));
    storeQueue(QVEnvelopePrintInfoKey, QStringLiteral("envelopes"));
    storeKivo(QVKIVO8836105Label, {{QStringLiteral("printer"), QStringLiteral("kivo4x6")}});
    storeKivo(QVKIVO51204Label, {{QStringLiteral("printer"), QStringLiteral("kivo4x6")}});
    const QString zebra = QStringLiteral("Zebra Thermal Printer");
    const QString noName;
    struct Case {
        QString type, label;
        bool fcmiOwn, gemOwn;
        // First-Class customs form: first choice's title, choice, queue shown.
        QString fcmiTitle;
        int fcmiTag;
        QString fcmiQueue;
        // 2976-A: first choice's title and whether it can be chosen, choice,
        // queue shown, buttons.
        QString gemTitle;
        bool gemFirstEnabled;
        int gemTag;
        QString gemQueue;
        bool gemButtons;
    };
    const Case cases[] = {
        {QVPlainPaperPrinter, QVPlainPaperLabel, false, false, "customs", 0, noName, "Thermal Printer", false, 1,
         "forms", true},
        {QVPlainPaperPrinter, QVPlainPaperLabel, true, true, "customs", 1, "customs", "Thermal Printer", false, 1,
         "forms", true},
        {QVKIVOTagwrightPrinter, QVKIVO51204Label, false, true, "customs", 0, noName, "Thermal Printer", false, 1,
         "forms", true},
        {QVKIVOTagwrightPrinter, QVKIVO8836105Label, false, false, "kivo4x6", 0, noName, "kivo4x6", true, 0, noName,
         false},
        {QVKIVOTagwrightPrinter, QVKIVO8836105Label, true, true, "kivo4x6", 1, "customs", "kivo4x6", true, 1, "forms",
         true},
        {QVZebra2844Printer, QVEPL2Label, false, false, zebra, 0, noName, zebra, true, 0, noName, false},
        {QVZebra2844Printer, QVEPL2Label, true, true, zebra, 1, "customs", zebra, true, 1, "forms", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label.toStdString() + (c.fcmiOwn ? " fcmi own" : "") + (c.gemOwn ? " gem own" : ""));
        setType(c.type, c.label);
        defaults().setBool(c.fcmiOwn, QStringLiteral("overrideFCMIPrintInfo"));
        defaults().setBool(c.gemOwn, QStringLiteral("override2976APrintInfo"));
        QVPrinterSetupController controller;
        const QVPrinterSetupControls &s = controller.controls();
        EXPECT_EQ(s.fcmiFirstChoiceTitle, c.fcmiTitle);
        EXPECT_EQ(s.fcmiChoiceTag, c.fcmiTag);
        EXPECT_EQ(s.fcmiQueueName, c.fcmiQueue);
        EXPECT_EQ(s.fcmiButtonsEnabled, c.fcmiOwn);
        EXPECT_EQ(s.form2976AFirstChoiceTitle, c.gemTitle);
        EXPECT_EQ(s.form2976AFirstChoiceEnabled, c.gemFirstEnabled);
        EXPECT_EQ(s.form2976AChoiceTag, c.gemTag);
        EXPECT_EQ(s.gemQueueName, c.gemQueue);
        EXPECT_EQ(s.form2976AButtonsEnabled, c.gemButtons);
        EXPECT_EQ(s.plainPaperQueueName, QStringLiteral("labels"));
        EXPECT_EQ(s.mailingRecordQueueName, QStringLiteral("records"));
        EXPECT_EQ(s.envelopeQueueName, QStringLiteral("envelopes"));
    }

    // Choosing refreshes at once.
    setType(QVZebra2844Printer, QVEPL2Label);
    QVPrinterSetupController controller;
    controller.set2976AChoice(0);
    EXPECT_EQ(controller.controls().form2976AChoiceTag, 0);
    EXPECT_FALSE(controller.controls().form2976AButtonsEnabled);
    controller.setFCMIChoice(1);
    EXPECT_TRUE(controller.controls().fcmiButtonsEnabled);
    EXPECT_EQ(controller.controls().fcmiQueueName, QStringLiteral("customs"));
}

TEST_F(PrinterSetupWindowTest, StockPrinterNamesWithTheirRolls)
{
    // The list's order: "single" is the first label printer.
    printers->add(QStringLiteral("single"), QStringLiteral("KIVO Tagwright 360"));
    printers->add(QStringLiteral("dual"), QStringLiteral("KIVO Tagwright Dual Swift"));
    const QString printer = QStringLiteral("printer");
    const QString tray = QStringLiteral("tray");
    storeKivo(QVKIVO51207Label, {{printer, QStringLiteral("dual")}, {tray, KIVOPaperTrayLeft}});
    storeKivo(QVKIVO51204Label, {{printer, QStringLiteral("dual")}, {tray, KIVOPaperTrayRight}});
    // A two-roll printer without a stored roll prints on the right roll.
    storeKivo(QVKIVO51203Label, {{printer, QStringLiteral("dual")}, {tray, QStringLiteral("0")}});
    storeKivo(QVKIVO72019Label, {{printer, QStringLiteral("single")}, {tray, QStringLiteral("0")}});
    // A stock without settings gets them, with the first label printer.
    QVariantMap settings = defaults().dictionaryForKey(QStringLiteral("kivoSettings"));
    settings.remove(QVKIVO8836105Label);
    defaults().setObject(settings, QStringLiteral("kivoSettings"));

    setType(QVKIVOTagwrightPrinter, QVKIVO51203Label);
    QVPrinterSetupController controller;
    EXPECT_EQ(controller.controls().stockPrinterNames,
              (QStringList{QStringLiteral("dual, Left Roll"), QStringLiteral("dual, Right Roll"),
                           QStringLiteral("dual, Right Roll"), QStringLiteral("single"), QStringLiteral("single")}));
    EXPECT_EQ(controller.kivoSetting(QVKIVO8836105Label, printer).toString(), QStringLiteral("single"));
    EXPECT_EQ(controller.controls().stockTag, 2);

    // A roll stored for a one-roll printer is still named.
    storeKivo(QVKIVO72019Label, {{tray, KIVOPaperTrayLeft}});
    controller.readFromDefaults();
    EXPECT_EQ(controller.controls().stockPrinterNames.at(3), QStringLiteral("single, Left Roll"));
}

TEST_F(PrinterSetupWindowTest, ZebraConnectionTabAndSettingsFromTheDefaults)
{
    ports->portList = {{QStringLiteral("/dev/ttyS0"), QStringLiteral("Modem")},
                       {QStringLiteral("/dev/ttyUSB3"), QStringLiteral("USB Serial")}};
    setType(QVZebra2844Printer, QVEPL2Label);
    defaults().setString(QStringLiteral("7"), QStringLiteral("zebraDarkness"));
    defaults().setString(QStringLiteral("3"), QStringLiteral("zebraSpeed"));
    defaults().setString(QStringLiteral("T"), QStringLiteral("zebraOrientation"));
    struct Case {
        bool serial;
        QString tab;
        int selectedRow;
    };
    for (const Case &c : {Case{true, "1", 0}, Case{false, "2", -1}}) {
        SCOPED_TRACE(c.serial);
        defaults().setBool(c.serial, QStringLiteral("zebraUseSerial"));
        defaults().setString(c.serial ? QStringLiteral("/dev/ttyS0") : QString(), QStringLiteral("zebraSerialPath"));
        QVPrinterSetupController controller;
        const QVPrinterSetupControls &s = controller.controls();
        EXPECT_EQ(s.zebraConnectionTab, c.tab);
        EXPECT_EQ(s.selectedSerialRow, c.selectedRow);
        EXPECT_EQ(s.zebraDarkness, QStringLiteral("7"));
        EXPECT_EQ(s.zebraSpeed, QStringLiteral("3"));
        EXPECT_EQ(s.zebraOrientationTag, 1);
    }

    // Choosing the tabs stores the connection.
    QVPrinterSetupController controller;
    controller.selectZebraConnectionTab(QStringLiteral("1"));
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("zebraUseSerial")));
    // No port has the stored (empty) path: the USB adapter is guessed.
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("zebraSerialPath")), QStringLiteral("/dev/ttyUSB3"));
    EXPECT_EQ(controller.controls().selectedSerialRow, 1);
    controller.selectZebraConnectionTab(QStringLiteral("2"));
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("zebraUseSerial")));
    EXPECT_EQ(controller.controls().zebraConnectionTab, QStringLiteral("2"));
}

TEST_F(PrinterSetupWindowTest, OrientationTagsStoreBottomOrTopAndStepperFieldsStoreTheirText)
{
    QVPrinterSetupController controller;
    struct Case {
        int tag;
        QString stored;
    };
    for (const Case &c : {Case{1, "T"}, Case{0, "B"}, Case{2, "B"}, Case{-1, "B"}, Case{1, "T"}, Case{7, "T"}}) {
        SCOPED_TRACE(c.tag);
        controller.setZebraOrientation(c.tag);
        EXPECT_EQ(defaults().stringForKey(QStringLiteral("zebraOrientation")), c.stored);
        EXPECT_EQ(controller.controls().zebraOrientationTag, c.stored == QLatin1String("T") ? 1 : 0);
    }
    controller.setZebraDarkness(QStringLiteral("12"));
    controller.setZebraSpeed(QStringLiteral("4"));
    EXPECT_EQ(defaults().objectForKey(QStringLiteral("zebraDarkness")), QVariant(QStringLiteral("12")));
    EXPECT_EQ(defaults().objectForKey(QStringLiteral("zebraSpeed")), QVariant(QStringLiteral("4")));
}

TEST_F(PrinterSetupWindowTest, SerialGuessPicksTheLastUSPortUnlessTheStoredPortIsThere)
{
    ports->portList = {{QStringLiteral("/dev/ttyS0"), QStringLiteral("Bluetooth-Modem")},
                       {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("USA19H1P1.1")},
                       {QStringLiteral("/dev/ttyUSB1"), QStringLiteral("USB-Serial")},
                       {QStringLiteral("/dev/ttyACM0"), QStringLiteral("usbmodem")},
                       {QStringLiteral("/dev/ttyS1"), QStringLiteral("Serial US")}};
    struct Case {
        QString stored;
        QString chosen;
        int row;
    };
    const Case cases[] = {
        {"", "/dev/ttyUSB1", 2},             // last name beginning "US" (case counts)
        {"/dev/gone", "/dev/ttyUSB1", 2},    // the stored port is gone
        {"/dev/ttyS0", "/dev/ttyS0", 0},     // the stored port stays
        {"/dev/ttyACM0", "/dev/ttyACM0", 3}, // also when its name is not "US*"
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stored.toStdString());
        defaults().setString(c.stored, QStringLiteral("zebraSerialPath"));
        QVPrinterSetupController controller;
        const int rescans = ports->rescans;
        controller.refreshPortList();
        EXPECT_EQ(ports->rescans, rescans + 1);
        EXPECT_EQ(defaults().stringForKey(QStringLiteral("zebraSerialPath")), c.chosen);
        EXPECT_EQ(controller.controls().selectedSerialRow, c.row);
        ASSERT_EQ(controller.controls().serialPortRows.size(), 5);
        EXPECT_EQ(controller.controls().serialPortRows.at(1).name, QStringLiteral("USA19H1P1.1"));
    }
    // No "US*" port and nothing stored: nothing is chosen.
    ports->portList = {{QStringLiteral("/dev/ttyS0"), QStringLiteral("Modem")}};
    defaults().setString(QString(), QStringLiteral("zebraSerialPath"));
    QVPrinterSetupController controller;
    controller.refreshPortList();
    EXPECT_EQ(controller.controls().selectedSerialRow, -1);
    EXPECT_TRUE(defaults().stringForKey(QStringLiteral("zebraSerialPath")).isEmpty());
    // A click chooses the row.
    controller.chooseSerialPort(0);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("zebraSerialPath")), QStringLiteral("/dev/ttyS0"));
    controller.chooseSerialPort(5);
    EXPECT_EQ(controller.controls().selectedSerialRow, 0);
}

TEST_F(PrinterSetupWindowTest, ZebraQueueListKeepsTheStoredQueueOrStoresTheFirst)
{
    const QString id = QStringLiteral("advancedZebraPathPrinterID");
    QVPrinterSetupController controller;
    defaults().setString(QStringLiteral("old"), id);
    controller.refreshZebraList();
    EXPECT_TRUE(controller.controls().zebraPrinters.isEmpty());
    EXPECT_TRUE(controller.controls().zebraPrinterName.isEmpty());
    EXPECT_EQ(defaults().stringForKey(id), QStringLiteral("old")); // nothing to choose: left alone

    printers->add(QStringLiteral("office"), QStringLiteral("HP LaserJet"));
    printers->add(QStringLiteral("zfirst"), QStringLiteral("Zebra LP2844"));
    printers->add(QStringLiteral("zsecond"), QStringLiteral("ZEBRA GK420d ZPL"));
    controller.refreshZebraList();
    EXPECT_EQ(controller.controls().zebraQueues, (QStringList{QStringLiteral("zfirst"), QStringLiteral("zsecond")}));
    EXPECT_EQ(controller.controls().zebraPrinterName, QStringLiteral("zfirst"));
    EXPECT_EQ(defaults().stringForKey(id), QStringLiteral("zfirst"));

    controller.setZebraPrinterName(QStringLiteral("zsecond"));
    controller.refreshZebraList();
    EXPECT_EQ(controller.controls().zebraPrinterName, QStringLiteral("zsecond"));
    EXPECT_EQ(defaults().stringForKey(id), QStringLiteral("zsecond"));

    controller.setAdvancedZebraPath(true);
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("advancedZebraPath")));

    // The add action opens the printing system's own pages on this machine.
    tolvane::test::UrlOpenerScope opener;
    controller.launchPrinterAdd();
    ASSERT_EQ(opener->opened.size(), 1);
    EXPECT_EQ(opener->opened.first().host(), QStringLiteral("localhost"));
    EXPECT_TRUE(opener->opened.first().path().startsWith(QLatin1String("/admin")));
}

TEST_F(PrinterSetupWindowTest, ZebraToolsSendCommandsConfigurationAndFilesThroughTheSerialPort)
{
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    ports->portList = {{pty.slavePath(), QStringLiteral("USB Serial")}};
    useSerial(pty.slavePath());
    setType(QVZebra2844Printer, QVEPL2Label);
    QVPrinterSetupController controller;
    controller.showPrinterOptions();
    EXPECT_TRUE(controller.controls().zebraToolsSheetOpen);
    EXPECT_EQ(controller.controls().zebraConnectionTab, QStringLiteral("1"));

    // As typed plus a line feed; ASCII, an accent dropped, a snowman "?".
    controller.setZebraCommand(QStringLiteral("^XA caf\u00e9 \u2603"));
    controller.sendZebraCommand();
    EXPECT_EQ(pty.read(11), QByteArray("^XA cafe ?\n"));
    controller.setZebraCommand(QString());
    controller.sendZebraCommand();
    EXPECT_EQ(pty.read(1), QByteArray("\n"));
    controller.printZebraConfiguration();
    EXPECT_EQ(pty.read(2), QByteArray("U\n"));

    // A chosen file goes unchanged; a cancelled panel sends nothing.
    const QString path = tolvane::test::outputPath(QStringLiteral("zebra-download.bin"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(everyByte());
    file.close();
    dialogs->openPaths = {path};
    controller.downloadFileToZebraPrinter();
    EXPECT_EQ(pty.read(256), everyByte());
    controller.downloadFileToZebraPrinter();
    EXPECT_EQ(dialogs->openPanels.size(), 2);
    EXPECT_TRUE(dialogs->openPanels.first().allowedExtensions.isEmpty());
    // A file that can't be read is said so, and nothing is sent.
    dialogs->openPaths = {tolvane::test::outputPath(QStringLiteral("no-such-file"))};
    controller.downloadFileToZebraPrinter();
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(pty.read(1, 300), QByteArray());

    // The port test writes "U" and a line feed to the chosen port.
    controller.testPort();
    EXPECT_EQ(pty.read(2), QByteArray("U\n"));
    // A port that can't be opened fails silently.
    ports->portList = {{QStringLiteral("/nonexistent/tty"), QStringLiteral("USB gone")}};
    controller.refreshPortList();
    controller.testPort();
    EXPECT_EQ(dialogs->alerts.size(), 1);
}

TEST_F(PrinterSetupWindowTest, LabelPrinterToolsSheetEditsTheStocksQueueRollAndDensity)
{
    printers->add(QStringLiteral("single"), QStringLiteral("KIVO Tagwright 360"));
    printers->add(QStringLiteral("dual"), QStringLiteral("KIVO Tagwright Dual Swift"));
    setType(QVKIVOTagwrightPrinter, QVKIVO51204Label);
    storeKivo(QVKIVO51204Label,
              {{QStringLiteral("printer"), QStringLiteral("dual")},
               {QStringLiteral("tray"), KIVOPaperTrayLeft},
               {QStringLiteral("density"), 3}});
    QVPrinterSetupController controller;
    int shown = 0;
    QObject::connect(&controller, &QVPrinterSetupController::windowShouldShow, [&shown] { ++shown; });
    controller.showPrinterOptions();
    const QVKivoToolsSheet &sheet = controller.controls().kivoTools;
    ASSERT_TRUE(sheet.open);
    EXPECT_EQ(sheet.title, QVPrinterSetupController::kivoToolsTitleTemplate().arg(QStringLiteral("51204")));
    EXPECT_TRUE(sheet.title.contains(QLatin1String("51204")));
    EXPECT_EQ(sheet.queues, (QStringList{QStringLiteral("single"), QStringLiteral("dual")}));
    EXPECT_EQ(sheet.selectedQueue, QStringLiteral("dual"));
    EXPECT_EQ(sheet.rollItems,
              (QList<QVSetupMenuItem>{{QStringLiteral("Left Roll"), 0}, {QStringLiteral("Right Roll"), 1}}));
    EXPECT_EQ(sheet.selectedRollIndex, 0);
    EXPECT_EQ(sheet.selectedDensityTag, 3);
    ASSERT_EQ(sheet.densityItems.size(), 4);
    EXPECT_EQ(sheet.densityItems.at(2).title, QStringLiteral("Normal"));

    controller.kivoToolsChooseRoll(1);
    controller.kivoToolsChooseDensity(1);
    controller.kivoToolsChooseDensity(9); // no such item
    controller.kivoToolsOK();
    EXPECT_FALSE(controller.controls().kivoTools.open);
    EXPECT_EQ(controller.kivoSetting(QVKIVO51204Label, QStringLiteral("tray")).toString(), KIVOPaperTrayRight);
    EXPECT_EQ(controller.kivoSetting(QVKIVO51204Label, QStringLiteral("density")).toInt(), 1);
    EXPECT_EQ(controller.controls().stockPrinterNames.at(1), QStringLiteral("dual, Right Roll"));
    EXPECT_EQ(shown, 1);

    // Another queue rebuilds the roll menu: one roll, which can't be chosen.
    controller.showKivoTools();
    EXPECT_EQ(controller.controls().kivoTools.selectedRollIndex, 1); // the stored right roll
    controller.kivoToolsChooseQueue(QStringLiteral("single"));
    EXPECT_EQ(controller.controls().kivoTools.rollItems,
              (QList<QVSetupMenuItem>{{QStringLiteral("Main Roll"), 0, false}}));
    controller.kivoToolsOK();
    EXPECT_EQ(controller.kivoSetting(QVKIVO51204Label, QStringLiteral("printer")).toString(), QStringLiteral("single"));
    EXPECT_EQ(controller.kivoSetting(QVKIVO51204Label, QStringLiteral("tray")).toString(), QStringLiteral("0"));
    EXPECT_EQ(controller.controls().stockPrinterNames.at(1), QStringLiteral("single"));

    // No density stored, or one the menu lacks: "Normal" (2). Nothing stored
    // for the queue: the first label printer is stored and selected.
    storeKivo(QVKIVO51204Label, {{QStringLiteral("density"), QVariant()}, {QStringLiteral("printer"), QString()}});
    controller.showKivoTools();
    EXPECT_EQ(controller.controls().kivoTools.selectedDensityTag, 2);
    EXPECT_EQ(controller.controls().kivoTools.selectedQueue, QStringLiteral("single"));
    EXPECT_EQ(controller.kivoSetting(QVKIVO51204Label, QStringLiteral("printer")).toString(), QStringLiteral("single"));
    storeKivo(QVKIVO51204Label, {{QStringLiteral("density"), 12}});
    controller.showKivoTools();
    EXPECT_EQ(controller.controls().kivoTools.selectedDensityTag, 2);
    controller.kivoToolsCancel();
    EXPECT_EQ(controller.kivoSetting(QVKIVO51204Label, QStringLiteral("density")).toInt(), 12);
}

TEST_F(PrinterSetupWindowTest, PrintSheetShowsTheMarginsAccessoryAndStoresOnOK)
{
    printers->add(QStringLiteral("desk"), QStringLiteral("HP LaserJet"));
    QVPrinterSetupController controller;
    int shown = 0;
    QObject::connect(&controller, &QVPrinterSetupController::windowShouldShow, [&shown] { ++shown; });
    struct Case {
        QString purpose;
        bool placement;
        bool landscape;
    };
    const Case cases[] = {{QVPlainPaperPrintInfoKey, true, false},
                          {QVFCMIPrintInfoKey, true, true},
                          {QVEnvelopePrintInfoKey, false, false},
                          {QVGEMPrintInfoKey, false, false},
                          {QVMailingRecordPaperInfoKey, false, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.purpose.toStdString());
        bool sawAccessory = false;
        dialogs->onPageSetup = [&](const PrintInfo &info, PageSetupAccessory *accessory) -> std::optional<PrintInfo> {
            auto *margins = dynamic_cast<tolvane::QVPrintPanelMarginViewController *>(accessory);
            sawAccessory = margins != nullptr;
            if (!margins)
                return std::nullopt;
            EXPECT_EQ(margins->showsLabelPlacementBox(), c.placement);
            EXPECT_EQ(margins->isPlacingLandscapeLabel(), c.landscape);
            EXPECT_EQ(margins->representedObject(), info);
            margins->setMarginsInInches(0.5, 0.25, 0, 0);
            PrintInfo chosen = margins->accessoryPrintInfo();
            chosen.printerName = QStringLiteral("desk");
            return chosen;
        };
        controller.runPrintSetup(c.purpose);
        EXPECT_TRUE(sawAccessory);
        const PrintInfo stored = controller.plainPaperPrintInfoForKey(c.purpose);
        EXPECT_EQ(stored.topMargin, 36.0);
        EXPECT_EQ(stored.leftMargin, 18.0);
        EXPECT_EQ(defaults().stringForKey(QStringLiteral("p_%1_name").arg(c.purpose)), QStringLiteral("desk"));

        // Cancelled: nothing changes.
        dialogs->onPageSetup = nullptr;
        const QByteArray before = defaults().dataForKey(c.purpose);
        controller.runPrintSetup(c.purpose);
        EXPECT_EQ(defaults().dataForKey(c.purpose), before);

        controller.resetPrintInfo(c.purpose);
        EXPECT_TRUE(defaults().dataForKey(c.purpose).isEmpty());
    }
    // The window comes back either way.
    EXPECT_EQ(shown, 10);
}

TEST_F(PrinterSetupWindowTest, PageLayoutSheetSetsTheMarginsFromItsInchFields)
{
    QVPrinterSetupController controller;
    PrintInfo start;
    start.topMargin = 36;
    start.bottomMargin = 9;
    start.leftMargin = 72;
    start.rightMargin = 0;
    controller.setPlainPaperPrintInfo(start, QVGEMPrintInfoKey);
    dialogs->onPageSetup = [](const PrintInfo &info, PageSetupAccessory *accessory) -> std::optional<PrintInfo> {
        auto *fields = dynamic_cast<QVPageLayoutMarginFields *>(accessory);
        if (!fields)
            return std::nullopt;
        EXPECT_DOUBLE_EQ(fields->top, 0.5);
        EXPECT_DOUBLE_EQ(fields->bottom, 0.125);
        EXPECT_DOUBLE_EQ(fields->left, 1.0);
        EXPECT_DOUBLE_EQ(fields->right, 0.0);
        fields->left = 1.25;
        fields->right = 0.5;
        PrintInfo chosen = info;
        chosen.orientation = PrintInfo::Orientation::Landscape;
        chosen.leftMargin = 999; // the fields win
        return chosen;
    };
    controller.runPageLayout(QVGEMPrintInfoKey);
    const PrintInfo stored = controller.plainPaperPrintInfoForKey(QVGEMPrintInfoKey);
    EXPECT_EQ(stored.leftMargin, 90.0);
    EXPECT_EQ(stored.rightMargin, 36.0);
    EXPECT_EQ(stored.topMargin, 36.0);
    EXPECT_EQ(stored.bottomMargin, 9.0);
    EXPECT_EQ(stored.orientation, PrintInfo::Orientation::Landscape);
}

TEST_F(PrinterSetupWindowTest, EnvelopePictureNamesAndEnvelopeChoices)
{
    struct Case {
        int feed, direction, facing, tray;
        bool printReturn;
        QString name;
    };
    const Case cases[] = {
        {0, 0, 0, 0, true, "left-lef-up-top"},
        {2, 1, 1, 1, false, "right-ref-down-front"},
        {1, 0, 0, 1, false, "center-lef-up-front-noreturn"},
        {1, 1, 1, 0, true, "center-ref-down-top"},
        {5, 0, 0, 0, true, "-lef-up-top"},
        {0, 3, 1, -1, false, "left--down-"},
        {0, 0, 2, 0, false, "left-lef--top"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(QVPrinterSetupController::envelopePictureName(c.feed, c.direction, c.facing, c.tray, c.printReturn),
                  c.name);
    }

    QVPrinterSetupController controller;
    controller.setEnvelopeFeed(2);
    controller.setEnvelopeDirection(1);
    controller.setEnvelopeFacing(0);
    controller.setEnvelopeTrayLocation(1);
    controller.setEnvelopePrintReturnAddress(false);
    controller.setEnvelopeGiantRotate(true);
    controller.setEnvelopeAlignPostageLeft(true);
    const QVPrinterSetupControls &s = controller.controls();
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("envelopeFeed")), 2);
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("envelopeTrayLocation")), 1);
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("envelopeGiantRotate")));
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("envelopeAlignPostageLeft")));
    EXPECT_EQ(s.envelopePictureName, QStringLiteral("right-ref-up-front-noreturn"));
    EXPECT_TRUE(s.envelopeGiantRotate && s.envelopeAlignPostageLeft && !s.envelopePrintReturnAddress);
    controller.setEnvelopePrintReturnAddress(true);
    EXPECT_EQ(s.envelopePictureName, QStringLiteral("right-ref-up-front"));

    int shown = 0;
    QObject::connect(&controller, &QVPrinterSetupController::windowShouldShow, [&shown] { ++shown; });
    controller.showEnvelopeSetup();
    EXPECT_EQ(s.selectedTab, QStringLiteral("2"));
    EXPECT_EQ(shown, 1);
}

TEST_F(PrinterSetupWindowTest, WindowShowsTheControllersStateAndHandsOverClicks)
{
    printers->add(QStringLiteral("kivo"), QStringLiteral("KIVO Tagwright Dual Swift"));
    printers->add(QStringLiteral("desk"), QStringLiteral("HP LaserJet"));
    storeQueue(QVPlainPaperPrintInfoKey, QStringLiteral("desk"));
    ports->portList = {{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("USB Serial")}};
    QVPrinterSetupController controller;
    QVPrinterSetupWindow window(controller);
    window.resize(window.sizeHint());
    auto *plain = window.findChild<QRadioButton *>(QStringLiteral("plainPaperRadio"));
    auto *kivo = window.findChild<QRadioButton *>(QStringLiteral("kivoRadio"));
    auto *zebra = window.findChild<QRadioButton *>(QStringLiteral("zebraRadio"));
    auto *zebraTools = window.findChild<QPushButton *>(QStringLiteral("zebraToolsButton"));
    auto *plainQueue = window.findChild<QLabel *>(QStringLiteral("plainPaperQueue"));
    auto *gemChoice = window.findChild<QComboBox *>(QStringLiteral("form2976AChoice"));
    ASSERT_TRUE(plain && kivo && zebra && zebraTools && plainQueue && gemChoice);
    EXPECT_TRUE(plain->isChecked());
    EXPECT_FALSE(zebraTools->isEnabled());
    EXPECT_EQ(plainQueue->text(), QStringLiteral("desk"));
    EXPECT_EQ(gemChoice->currentIndex(), 1);
    EXPECT_EQ(gemChoice->itemText(0), QStringLiteral("Thermal Printer"));
    EXPECT_TRUE(window.grab().toImage().save(tolvane::test::outputPath(QStringLiteral("PrinterSetup-plain.png"))));

    kivo->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(defaults().stringForKey(kPrinterType), QVKIVOTagwrightPrinter);
    EXPECT_TRUE(kivo->isChecked());
    EXPECT_EQ(window.findChild<QLabel *>(QStringLiteral("stockPrinter0"))->text(), QStringLiteral("kivo, Right Roll"));
    EXPECT_TRUE(window.grab().toImage().save(tolvane::test::outputPath(QStringLiteral("PrinterSetup-kivo.png"))));

    // The label-printer tools sheet over the chosen stock.
    window.findChild<QPushButton *>(QStringLiteral("kivoToolsButton"))->click();
    QDialog *kivoSheet = window.kivoToolsSheet();
    ASSERT_TRUE(kivoSheet);
    EXPECT_TRUE(kivoSheet->isVisible());
    const QList<QComboBox *> kivoPopups = kivoSheet->findChildren<QComboBox *>();
    ASSERT_EQ(kivoPopups.size(), 3); // queue, roll, density
    EXPECT_EQ(kivoPopups.at(0)->currentText(), QStringLiteral("kivo"));
    EXPECT_EQ(kivoPopups.at(1)->currentText(), QStringLiteral("Left Roll")); // the first of a two-roll printer
    EXPECT_TRUE(kivoPopups.at(1)->isEnabled());
    EXPECT_EQ(kivoPopups.at(2)->currentText(), QStringLiteral("Normal"));
    kivoSheet->resize(kivoSheet->sizeHint());
    EXPECT_TRUE(
        kivoSheet->grab().toImage().save(tolvane::test::outputPath(QStringLiteral("PrinterSetup-kivotools.png"))));
    kivoPopups.at(1)->activated(1);
    kivoSheet->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_FALSE(kivoSheet->isVisible());
    EXPECT_EQ(controller.kivoSetting(QVKIVO51207Label, QStringLiteral("tray")).toString(), KIVOPaperTrayRight);

    usb->attachPrinter(0x0A5F, 9);
    zebra->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(zebra->isChecked());
    EXPECT_FALSE(kivo->isChecked());
    EXPECT_TRUE(zebraTools->isEnabled());
    EXPECT_TRUE(dialogs->alerts.isEmpty());
    // The 4 x 6 Zebra label: the 2976-A goes to the thermal printer.
    EXPECT_EQ(gemChoice->currentIndex(), 0);
    EXPECT_EQ(gemChoice->itemText(0), QStringLiteral("Zebra Thermal Printer"));

    zebraTools->click();
    QDialog *sheet = window.zebraToolsSheet();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    auto *connection = sheet->findChild<QTabWidget *>();
    ASSERT_TRUE(connection);
    connection->setCurrentIndex(0); // the serial tab
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("zebraUseSerial")));
    auto *table = sheet->findChild<QTableWidget *>();
    ASSERT_TRUE(table);
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("/dev/ttyUSB0"));
    EXPECT_EQ(table->currentRow(), 0);
    sheet->resize(sheet->sizeHint());
    EXPECT_TRUE(sheet->grab().toImage().save(tolvane::test::outputPath(QStringLiteral("PrinterSetup-zebra.png"))));

    controller.showEnvelopeSetup();
    EXPECT_EQ(window.findChild<QTabWidget *>(QStringLiteral("tabs"))->currentIndex(), 1);
    EXPECT_TRUE(window.grab().toImage().save(tolvane::test::outputPath(QStringLiteral("PrinterSetup-envelopes.png"))));

    // The size popup: the selected size, and the commands that open the sheet.
    auto *sizes = window.findChild<QComboBox *>(QStringLiteral("envelopeSizePopup"));
    ASSERT_TRUE(sizes);
    EXPECT_EQ(sizes->currentData().toInt(), 101);
    const int add = sizes->findData(int(QVPrinterSetupController::AddSizeCommand));
    ASSERT_GT(add, 0);
    sizes->activated(add);
    QDialog *sizeSheet = window.envelopeSizeSheet();
    ASSERT_TRUE(sizeSheet);
    EXPECT_TRUE(sizeSheet->isVisible());
    EXPECT_EQ(sizes->currentData().toInt(), 101);
    sizeSheet->resize(sizeSheet->sizeHint());
    EXPECT_TRUE(sizeSheet->grab().toImage().save(tolvane::test::outputPath(QStringLiteral("PrinterSetup-size.png"))));
    controller.setSizeSheetName(QStringLiteral("Square"));
    controller.setSizeSheetWidth(QStringLiteral("6"));
    controller.setSizeSheetHeight(QStringLiteral("6"));
    ASSERT_TRUE(controller.sizeSheetOK());
    EXPECT_FALSE(sizeSheet->isVisible());
    EXPECT_EQ(sizes->currentData().toInt(), 200);
    EXPECT_EQ(sizes->currentText(), QStringLiteral("Square - 6\" x 6\""));
}

namespace {

QString customSizeText(int index)
{
    return UserDefaults::standardUserDefaults()
        .arrayForKey(QStringLiteral("envelopeSizes"))
        .value(index)
        .toMap()
        .value(QStringLiteral("size"))
        .toString();
}

qint64 selectedEnvelope()
{
    return UserDefaults::standardUserDefaults().integerForKey(QStringLiteral("selectedEnvelopeSize"));
}

} // namespace

TEST_F(PrinterSetupWindowTest, CustomSizesWithinTheMailpieceLimitsAreAddedAndSelected)
{
    using C = QVPrinterSetupController;
    QVPrinterSetupController controller;
    const QVEnvelopeSizeSheet &sheet = controller.controls().sizeSheet;
    controller.chooseEnvelopeMenuItem(C::AddSizeCommand);
    ASSERT_TRUE(sheet.open);
    EXPECT_EQ(sheet.mode, QVEnvelopeSizeSheet::Mode::Add);
    EXPECT_EQ(sheet.name, QString());
    EXPECT_EQ(sheet.width, QStringLiteral("5"));
    EXPECT_EQ(sheet.height, QStringLiteral("3.5"));

    const QString tooBig = QStringLiteral("Your Custom Size Too Big");
    const QString tooSmall = QStringLiteral("Your Custom Size Too Small");
    const QString noName = QStringLiteral("Empty Nickname");
    struct Case {
        QString name, height, width;
        QString refusal; // empty: accepted
        QString stored;
    };
    const Case cases[] = {
        {"Smallest", "3.5", "5", "", "{5, 3.5}"},   {"Largest", "6.125", "11", "", "{11, 6.125}"},
        {"Tall", "6.126", "9", tooBig, ""},         {"Wide", "4", "11.01", tooBig, ""},
        {"Short", "3.49", "6", tooSmall, ""},       {"Narrow", "4", "4.99", tooSmall, ""},
        {"Small and big", "3", "12", tooSmall, ""}, // checked in that order
        {"Words", "four", "9", tooSmall, ""},       {"", "2", "20", noName, ""},
    };
    int stored = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name.toStdString() + " " + c.height.toStdString() + " x " + c.width.toStdString());
        controller.chooseEnvelopeMenuItem(C::AddSizeCommand);
        controller.setSizeSheetName(c.name);
        controller.setSizeSheetHeight(c.height);
        controller.setSizeSheetWidth(c.width);
        dialogs->alerts.clear();
        const bool accepted = controller.sizeSheetOK();
        EXPECT_EQ(accepted, c.refusal.isEmpty());
        EXPECT_EQ(sheet.open, !accepted);
        if (accepted) {
            EXPECT_TRUE(dialogs->alerts.isEmpty());
            EXPECT_EQ(customSizeText(stored), c.stored);
            ++stored;
            EXPECT_EQ(selectedEnvelope(), 199 + stored);
        } else {
            ASSERT_EQ(dialogs->alerts.size(), 1);
            EXPECT_EQ(dialogs->alerts.first().messageText, c.refusal);
        }
        EXPECT_EQ(defaults().arrayForKey(QStringLiteral("envelopeSizes")).size(), stored);
    }
    controller.sizeSheetCancel();
    EXPECT_FALSE(sheet.open);

    // The alerts' texts.
    controller.chooseEnvelopeMenuItem(C::AddSizeCommand);
    controller.setSizeSheetName(QStringLiteral("x"));
    controller.setSizeSheetHeight(QStringLiteral("7"));
    dialogs->alerts.clear();
    controller.sizeSheetOK();
    controller.setSizeSheetHeight(QStringLiteral("1"));
    controller.sizeSheetOK();
    controller.setSizeSheetName(QString());
    controller.sizeSheetOK();
    ASSERT_EQ(dialogs->alerts.size(), 3);
    EXPECT_EQ(dialogs->alerts[0].informativeText,
              QStringLiteral("The maximum mailpiece size is 6.125\" high x 11\" wide."));
    EXPECT_EQ(dialogs->alerts[1].informativeText,
              QStringLiteral("The minimum mailpiece size is 3.5\" high x 5\" wide."));
    EXPECT_EQ(dialogs->alerts[2].informativeText, QStringLiteral("Please enter a name for this envelope size."));
}

TEST_F(PrinterSetupWindowTest, SizeMenusListBuiltinThenCustomSizesThenTheCommands)
{
    using C = QVPrinterSetupController;
    QVPrinterSetupController controller;
    const QVPrinterSetupControls &s = controller.controls();
    const int builtins = int(tolvane::QVEnvelopeSizes::builtinEnvelopeSizes().size());
    ASSERT_GT(builtins, 1);
    auto commands = [&](bool deleteEnabled, bool clearEnabled) {
        return QList<QVSetupMenuItem>{{QString(), 0, true, true},
                                      {QStringLiteral("Add Custom Size…"), C::AddSizeCommand},
                                      {QStringLiteral("Edit Current Size…"), C::EditSizeCommand},
                                      {QStringLiteral("Delete Current Size"), C::DeleteSizeCommand, deleteEnabled},
                                      {QStringLiteral("Clear List"), C::ClearListCommand, clearEnabled}};
    };
    ASSERT_EQ(s.envelopeMenu.size(), builtins + 5);
    EXPECT_EQ(s.envelopeMenu.at(1).title, QStringLiteral("No. 10 - 4.125\" x 9.5\""));
    for (int index = 0; index < builtins; ++index)
        EXPECT_EQ(s.envelopeMenu.at(index).tag, 100 + index);
    EXPECT_EQ(s.envelopeMenu.mid(builtins), commands(false, false));
    EXPECT_EQ(s.selectedEnvelopeTag, 101);
    ASSERT_FALSE(s.postcardMenu.isEmpty());
    EXPECT_EQ(s.postcardMenu.first().tag, 100);
    EXPECT_TRUE(s.postcardMenu.first().title.endsWith(QLatin1String("\" x 6\"")) ||
                s.postcardMenu.first().title.contains(QLatin1String(" - ")));
    controller.choosePostcardSize(100);
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("selectedPostcardSize")), 100);
    EXPECT_EQ(s.selectedPostcardTag, 100);

    // Custom sizes stored anywhere show at once, after a separator.
    defaults().setObject(QVariantList{tolvane::QVEnvelopeSizes::entry(QStringLiteral("Card"), QSizeF(7, 5)),
                                      tolvane::QVEnvelopeSizes::entry(QStringLiteral("Long"), QSizeF(11, 4))},
                         QStringLiteral("envelopeSizes"));
    ASSERT_EQ(s.envelopeMenu.size(), builtins + 3 + 5);
    EXPECT_TRUE(s.envelopeMenu.at(builtins).separator);
    EXPECT_EQ(s.envelopeMenu.at(builtins + 1), (QVSetupMenuItem{QStringLiteral("Card - 5\" x 7\""), 200}));
    EXPECT_EQ(s.envelopeMenu.at(builtins + 2), (QVSetupMenuItem{QStringLiteral("Long - 4\" x 11\""), 201}));
    EXPECT_EQ(s.envelopeMenu.mid(builtins + 3), commands(false, true));
    controller.chooseEnvelopeMenuItem(201);
    EXPECT_EQ(selectedEnvelope(), 201);
    EXPECT_EQ(s.envelopeMenu.mid(builtins + 3), commands(true, true));

    // Editing a built-in size adds a copy; a custom size is edited in place.
    controller.chooseEnvelopeMenuItem(101);
    controller.chooseEnvelopeMenuItem(C::EditSizeCommand);
    EXPECT_EQ(s.sizeSheet.name, QStringLiteral("No. 10 copy"));
    EXPECT_EQ(s.sizeSheet.height, QStringLiteral("4.125"));
    EXPECT_EQ(s.sizeSheet.width, QStringLiteral("9.5"));
    EXPECT_EQ(s.sizeSheet.focusField, QStringLiteral("height"));
    controller.setSizeSheetHeight(QStringLiteral("4.5"));
    ASSERT_TRUE(controller.sizeSheetOK());
    EXPECT_EQ(selectedEnvelope(), 202);
    EXPECT_EQ(customSizeText(2), QStringLiteral("{9.5, 4.5}"));
    controller.chooseEnvelopeMenuItem(200);
    controller.chooseEnvelopeMenuItem(C::EditSizeCommand);
    EXPECT_EQ(s.sizeSheet.name, QStringLiteral("Card"));
    controller.setSizeSheetName(QStringLiteral("Greeting card"));
    ASSERT_TRUE(controller.sizeSheetOK());
    EXPECT_EQ(selectedEnvelope(), 200);
    EXPECT_EQ(defaults().arrayForKey(QStringLiteral("envelopeSizes")).size(), 3);
    EXPECT_EQ(s.envelopeMenu.at(builtins + 1).title, QStringLiteral("Greeting card - 5\" x 7\""));

    // Clear List takes a selected custom size with it.
    controller.chooseEnvelopeMenuItem(C::ClearListCommand);
    EXPECT_TRUE(defaults().arrayForKey(QStringLiteral("envelopeSizes")).isEmpty());
    EXPECT_EQ(selectedEnvelope(), 101);
    EXPECT_EQ(s.envelopeMenu.mid(builtins), commands(false, false));
}

TEST_F(PrinterSetupWindowTest, DeletingACustomSizeAsksAndMovesTheSelection)
{
    using C = QVPrinterSetupController;
    QVPrinterSetupController controller;
    auto store = [&](int count) {
        QVariantList sizes;
        for (int index = 0; index < count; ++index)
            sizes << tolvane::QVEnvelopeSizes::entry(QStringLiteral("Size %1").arg(index), QSizeF(9, 4));
        defaults().setObject(sizes, QStringLiteral("envelopeSizes"));
    };
    store(1);
    defaults().setInteger(200, QStringLiteral("selectedEnvelopeSize"));
    controller.chooseEnvelopeMenuItem(C::DeleteSizeCommand); // cancelled
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Are you sure you want to delete the current envelope?"));
    EXPECT_EQ(dialogs->alerts[0].informativeText, QStringLiteral("You will lose the custom envelope named Size 0."));
    EXPECT_EQ(dialogs->alerts[0].buttons.size(), 2);
    EXPECT_EQ(dialogs->alerts[0].buttons[0].title, QStringLiteral("Delete"));
    EXPECT_EQ(dialogs->alerts[0].buttons[1].title, QStringLiteral("Cancel"));
    EXPECT_EQ(defaults().arrayForKey(QStringLiteral("envelopeSizes")).size(), 1);
    EXPECT_EQ(selectedEnvelope(), 200);

    struct Case {
        int count;
        int selected;
        int after;
    };
    // The only one, the first of several, a later one.
    for (const Case &c : {Case{1, 200, 101}, Case{3, 200, 101}, Case{3, 202, 201}, Case{3, 201, 200}}) {
        SCOPED_TRACE(c.selected);
        store(c.count);
        defaults().setInteger(c.selected, QStringLiteral("selectedEnvelopeSize"));
        dialogs->answers = {dialogs->alerts[0].buttons[0].answer};
        controller.chooseEnvelopeMenuItem(C::DeleteSizeCommand);
        EXPECT_EQ(selectedEnvelope(), c.after);
        const QVariantList left = defaults().arrayForKey(QStringLiteral("envelopeSizes"));
        EXPECT_EQ(left.size(), c.count - 1);
        for (const QVariant &entry : left)
            EXPECT_NE(entry.toMap().value(QStringLiteral("name")).toString(),
                      QStringLiteral("Size %1").arg(c.selected - 200));
    }
    // A built-in size can't be deleted.
    defaults().setInteger(103, QStringLiteral("selectedEnvelopeSize"));
    const int alerts = int(dialogs->alerts.size());
    controller.chooseEnvelopeMenuItem(C::DeleteSizeCommand);
    EXPECT_EQ(dialogs->alerts.size(), alerts);
    EXPECT_EQ(selectedEnvelope(), 103);
}
