// QVPrinterSetupController: label and printer types, queue names, the
// purposes' print settings and the printer-type choice, on a fake print
// system, a fake USB bus and recorded alerts.
#include "PrintingTestSupport.h"

#include "model/ClientServices.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"
#include "printing/setup/QVPrinterSetupController.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <thread>

namespace {

const QString kZebraAdvanced = QStringLiteral("advancedZebraPath");
const QString kZebraQueueID = QStringLiteral("advancedZebraPathPrinterID");

class PrinterSetupTest : public PrintingTest
{
protected:
    void useZebra(const QString &storedLabel)
    {
        defaults().setString(QVZebra2844Printer, QStringLiteral("printerType"));
        defaults().setString(storedLabel, QStringLiteral("printerLabel"));
    }

    void storeKivo(const QString &labelType, const QString &key, const QVariant &value)
    {
        QVariantMap settings = defaults().dictionaryForKey(QStringLiteral("kivoSettings"));
        QVariantMap stock = settings.value(labelType).toMap();
        stock.insert(key, value);
        settings.insert(labelType, stock);
        defaults().setObject(settings, QStringLiteral("kivoSettings"));
    }

    // Stores print settings without the "updated" mark of a stored choice.
    void storeOldPrintInfo(const PrintInfo &info, const QString &key) { defaults().setObject(info.data(), key); }
};

} // namespace

TEST_F(PrinterSetupTest, ZebraLabelTypeFollowsThePrintersLanguageNotTheStoredLabel)
{
    printers->add(QStringLiteral("zpl"), QStringLiteral("Zebra ZP450 (ZPL)"));
    printers->add(QStringLiteral("epl"), QStringLiteral("Zebra LP2844 EPL2"));
    struct Case {
        const char *name;
        bool advanced;
        const char *queue;
        int usbProduct; // 0: none attached
        bool serial;
        QString expected;
    };
    const Case cases[] = {
        {"no route, nothing attached", false, "", 0, false, QVEPL2Label},
        {"USB TLP2844-Z", false, "", 40, false, QVZPLIILabel},
        {"USB GK420d", false, "", 128, false, QVZPLIILabel},
        {"USB LP2844", false, "", 9, false, QVEPL2Label},
        {"ZPL queue", true, "zpl", 0, false, QVZPLIILabel},
        {"EPL queue", true, "epl", 40, false, QVEPL2Label},
        {"queue gone", true, "missing", 40, false, QVEPL2Label},
        {"serial takes the USB answer", false, "", 40, true, QVZPLIILabel},
        {"serial, nothing on USB", false, "", 0, true, QVEPL2Label},
    };
    for (const Case &c : cases) {
        for (const QString &stored : {QVZPLIILabel, QVKIVO51204Label, QVEPL2Label}) {
            SCOPED_TRACE(std::string(c.name) + " / " + stored.toStdString());
            usb->detachAll();
            if (c.usbProduct)
                usb->attachPrinter(0x0A5F, c.usbProduct);
            useZebra(stored);
            defaults().setBool(c.advanced, kZebraAdvanced);
            defaults().setString(QString::fromLatin1(c.queue), kZebraQueueID);
            defaults().setBool(c.serial, QStringLiteral("zebraUseSerial"));
            QVPrinterSetupController controller;
            EXPECT_EQ(controller.labelTypeForEnvelope(false), c.expected);
        }
    }
}

TEST_F(PrinterSetupTest, OtherPrinterTypesAnswerTheStoredLabel)
{
    QVPrinterSetupController controller;
    EXPECT_EQ(controller.labelTypeForEnvelope(false), QVPlainPaperLabel); // registered default
    EXPECT_EQ(controller.printerTypeForEnvelope(false), QVPlainPaperPrinter);
    defaults().setString(QVKIVOTagwrightPrinter, QStringLiteral("printerType"));
    defaults().setString(QVKIVO72019Label, QStringLiteral("printerLabel"));
    EXPECT_EQ(controller.labelTypeForEnvelope(false), QVKIVO72019Label);
    EXPECT_EQ(controller.printerTypeForEnvelope(false), QVKIVOTagwrightPrinter);
}

TEST_F(PrinterSetupTest, EnvelopesUseTheLabelPrinterOnlyWhenAsked)
{
    storeKivo(QVKIVO51203Label, QStringLiteral("printer"), QString());
    QVariantMap settings = defaults().dictionaryForKey(QStringLiteral("kivoSettings"));
    settings.insert(QStringLiteral("defaultLabel"), QVKIVO51203Label);
    defaults().setObject(settings, QStringLiteral("kivoSettings"));
    QVPrinterSetupController controller; // selects the stock of defaultLabel (tag 2)
    EXPECT_EQ(controller.controls().stockTag, 2);

    EXPECT_EQ(controller.labelTypeForEnvelope(true), QVPlainPaperLabel);
    EXPECT_EQ(controller.printerTypeForEnvelope(true), QVPlainPaperPrinter);
    defaults().setBool(true, QStringLiteral("useKIVOForEnvelopes"));
    EXPECT_EQ(controller.printerTypeForEnvelope(true), QVKIVOTagwrightPrinter);
    EXPECT_EQ(controller.labelTypeForEnvelope(true), QVKIVO51203Label);

    settings.insert(QStringLiteral("defaultLabel"), QVKIVO8836105Label);
    defaults().setObject(settings, QStringLiteral("kivoSettings"));
    EXPECT_EQ(controller.labelTypeForEnvelope(true), QVKIVO8836105Label);

    // Without defaultLabel the stock selected in the window answers.
    settings.remove(QStringLiteral("defaultLabel"));
    defaults().setObject(settings, QStringLiteral("kivoSettings"));
    EXPECT_EQ(controller.labelTypeForEnvelope(true), QVKIVO51203Label);
}

TEST_F(PrinterSetupTest, StockTagsMapToTheFiveStocksInOrder)
{
    const QStringList expected = {QVKIVO51207Label, QVKIVO51204Label, QVKIVO51203Label, QVKIVO72019Label,
                                  QVKIVO8836105Label};
    for (int tag = 0; tag < 5; ++tag) {
        EXPECT_EQ(kivoLabelTypeForTag(tag), expected.at(tag));
        EXPECT_EQ(kivoTagForLabelType(expected.at(tag)), tag);
    }
    EXPECT_TRUE(kivoLabelTypeForTag(-1).isNull());
    EXPECT_TRUE(kivoLabelTypeForTag(5).isNull());
    EXPECT_EQ(kivoTagForLabelType(QVEPL2Label), -1);
    // The constants' texts are their own names.
    for (const QString &constant : expected + QStringList{QVPlainPaperLabel, QVEPL2Label, QVZPLIILabel})
        EXPECT_TRUE(constant.startsWith(QLatin1String("QV")) && constant.endsWith(QLatin1String("Label")));
    EXPECT_EQ(QVZebra2844Printer, QStringLiteral("QVZebra2844Printer"));
}

TEST_F(PrinterSetupTest, LabelPrinterNameIsStoredOrTakenFromTheListAndStored)
{
    printers->add(QStringLiteral("first"), QStringLiteral("KIVO Tagwright 450 Turbo"));
    printers->add(QStringLiteral("second"), QStringLiteral("Kivo Tagwright 360 Swift"));
    QVPrinterSetupController controller;

    storeKivo(QVKIVO51204Label, QStringLiteral("printer"), QStringLiteral("second"));
    EXPECT_EQ(controller.printerNameForPrinterType(QVKIVOTagwrightPrinter, QVKIVO51204Label, QString()),
              QStringLiteral("second"));

    // Empty: the first label printer is answered and stored for the stock.
    EXPECT_EQ(controller.printerNameForPrinterType(QVKIVOTagwrightPrinter, QVKIVO51207Label, QString()),
              QStringLiteral("first"));
    EXPECT_EQ(controller.kivoSetting(QVKIVO51207Label, QStringLiteral("printer")).toString(), QStringLiteral("first"));
    EXPECT_EQ(controller.kivoSetting(QVKIVO51207Label, QStringLiteral("density")).toInt(), 2);

    // A stock without a dictionary gets none created.
    QVariantMap settings = defaults().dictionaryForKey(QStringLiteral("kivoSettings"));
    settings.remove(QVKIVO72019Label);
    defaults().setObject(settings, QStringLiteral("kivoSettings"));
    EXPECT_EQ(controller.printerNameForPrinterType(QVKIVOTagwrightPrinter, QVKIVO72019Label, QString()),
              QStringLiteral("first"));
    EXPECT_FALSE(defaults().dictionaryForKey(QStringLiteral("kivoSettings")).contains(QVKIVO72019Label));
}

TEST_F(PrinterSetupTest, EmptyLabelPrinterListGivesAndStoresAnEmptyName)
{
    printers->add(QStringLiteral("tape"), QStringLiteral("KIVO Tagwright Tape 2"));
    QVPrinterSetupController controller;
    const auto name = controller.printerNameForPrinterType(QVKIVOTagwrightPrinter, QVKIVO51203Label, QString());
    ASSERT_TRUE(name.has_value());
    EXPECT_TRUE(name->isEmpty());
    const QVariant stored = controller.kivoSetting(QVKIVO51203Label, QStringLiteral("printer"));
    EXPECT_EQ(stored.typeId(), QMetaType::QString);
    EXPECT_TRUE(stored.toString().isEmpty());
}

TEST_F(PrinterSetupTest, ZebraPlainAndUnknownPrinterNames)
{
    printers->add(QStringLiteral("zq"), QStringLiteral("Zebra GK420d"));
    QVPrinterSetupController controller;
    EXPECT_EQ(controller.printerNameForPrinterType(QVZebra2844Printer, QVEPL2Label, QString()),
              QStringLiteral("Zebra Thermal Printer"));
    defaults().setBool(true, kZebraAdvanced);
    defaults().setString(QStringLiteral("zq"), kZebraQueueID);
    EXPECT_EQ(controller.printerNameForPrinterType(QVZebra2844Printer, QVEPL2Label, QString()), QStringLiteral("zq"));
    defaults().setBool(true, QStringLiteral("zebraUseSerial"));
    EXPECT_EQ(controller.printerNameForPrinterType(QVZebra2844Printer, QVEPL2Label, QString()),
              QStringLiteral("Zebra Thermal Printer"));

    EXPECT_FALSE(controller.printerNameForPrinterType(QStringLiteral("QVInkjet"), QVEPL2Label, QString()).has_value());

    PrintInfo info;
    info.printerName = QStringLiteral("office");
    controller.setPlainPaperPrintInfo(info, QVEnvelopePrintInfoKey);
    printers->add(QStringLiteral("office"), QStringLiteral("HP LaserJet"));
    EXPECT_EQ(controller.printerNameForPrinterType(QVPlainPaperPrinter, QVPlainPaperLabel, QVEnvelopePrintInfoKey),
              QStringLiteral("office"));
    EXPECT_EQ(controller.printerName(), QString()); // plain paper, nothing stored, no default queue
    printers->defaultQueue = QStringLiteral("office");
    EXPECT_EQ(controller.printerName(), QStringLiteral("office"));
}

TEST_F(PrinterSetupTest, OldLandscapeHalfSheetSettingsComeBackPortrait)
{
    QVPrinterSetupController controller;
    struct Case {
        double leftMargin;
        bool corrected;
    };
    for (const Case c : {Case{36, true}, Case{432, true}, Case{37, false}, Case{0, false}}) {
        SCOPED_TRACE(c.leftMargin);
        PrintInfo old;
        old.orientation = PrintInfo::Orientation::Landscape;
        old.leftMargin = c.leftMargin;
        storeOldPrintInfo(old, QVPlainPaperPrintInfoKey);
        const PrintInfo read = controller.plainPaperPrintInfo();
        EXPECT_EQ(read.orientation, c.corrected ? PrintInfo::Orientation::Portrait : PrintInfo::Orientation::Landscape);
        EXPECT_EQ(read.leftMargin, c.corrected ? 0.0 : c.leftMargin);
        // The correction is not stored, and other purposes are left alone.
        EXPECT_EQ(PrintInfo::fromData(defaults().dataForKey(QVPlainPaperPrintInfoKey))->leftMargin, c.leftMargin);
        storeOldPrintInfo(old, QVEnvelopePrintInfoKey);
        EXPECT_EQ(controller.plainPaperPrintInfoForKey(QVEnvelopePrintInfoKey).leftMargin, c.leftMargin);
    }
    // Once stored by this version the settings are taken as they are.
    PrintInfo chosen;
    chosen.orientation = PrintInfo::Orientation::Landscape;
    chosen.leftMargin = 36;
    controller.setPlainPaperPrintInfo(chosen);
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("updatedPlainPaperPrintInfo")));
    EXPECT_EQ(controller.plainPaperPrintInfo().orientation, PrintInfo::Orientation::Landscape);
    EXPECT_EQ(controller.plainPaperPrintInfo().leftMargin, 36.0);
}

TEST_F(PrinterSetupTest, DamagedStoredPrintInfoGivesTheDefaults)
{
    QVPrinterSetupController controller;
    for (const QString &key : {QVPlainPaperPrintInfoKey, QVEnvelopePrintInfoKey, QVGEMPrintInfoKey}) {
        SCOPED_TRACE(key.toStdString());
        const PrintInfo fresh = controller.plainPaperPrintInfoForKey(key);
        for (const QByteArray &damaged : {QByteArray("bplist00\x01\x02garbage", 17), QByteArray("not a plist"),
                                          *writeBinaryPropertyList(QVariantList{1, 2})}) {
            defaults().setObject(damaged, key);
            EXPECT_EQ(controller.plainPaperPrintInfoForKey(key), fresh);
        }
    }
}

TEST_F(PrinterSetupTest, PurposeDefaultsWhenNothingIsStored)
{
    printers->defaultQueue = QStringLiteral("desk");
    QVPrinterSetupController controller;

    const PrintInfo plain = controller.plainPaperPrintInfo();
    EXPECT_EQ(plain.printerName, QStringLiteral("desk"));
    EXPECT_EQ(plain.orientation, PrintInfo::Orientation::Portrait);
    EXPECT_EQ(plain.horizontalPagination, PrintInfo::Pagination::Clip);
    EXPECT_EQ(plain.verticalPagination, PrintInfo::Pagination::Clip);
    EXPECT_FALSE(plain.horizontallyCentered);
    EXPECT_FALSE(plain.verticallyCentered);
    EXPECT_EQ(plain.leftMargin + plain.rightMargin + plain.topMargin + plain.bottomMargin, 0.0);
    EXPECT_FALSE(plain.allPages);
    EXPECT_EQ(plain.firstPage, 1);
    EXPECT_EQ(plain.lastPage, 1);
    EXPECT_EQ(plain.copies, 1);
    EXPECT_EQ(plain.duplex, PrintInfo::Duplex::OneSided);

    const PrintInfo envelope = controller.plainPaperPrintInfoForKey(QVEnvelopePrintInfoKey);
    EXPECT_EQ(envelope.orientation, PrintInfo::Orientation::Landscape);
    EXPECT_EQ(envelope.paperSize, QSizeF(612, 792));
    EXPECT_EQ(envelope.horizontalPagination, PrintInfo::Pagination::Clip);
    EXPECT_FALSE(envelope.allPages);

    // The First-Class customs form starts from the (stored) label settings.
    PrintInfo stored;
    stored.printerName = QStringLiteral("desk");
    stored.orientation = PrintInfo::Orientation::Landscape;
    stored.leftMargin = 20;
    stored.topMargin = 11;
    stored.copies = 3;
    controller.setPlainPaperPrintInfo(stored);
    const PrintInfo fcmi = controller.plainPaperPrintInfoForKey(QVFCMIPrintInfoKey);
    EXPECT_EQ(fcmi.orientation, PrintInfo::Orientation::Portrait);
    EXPECT_EQ(fcmi.leftMargin, 0.0);
    EXPECT_EQ(fcmi.topMargin, 11.0);
    EXPECT_EQ(fcmi.copies, 3);

    for (const QString &key : {QVGEMPrintInfoKey, QVMailingRecordPaperInfoKey}) {
        const PrintInfo other = controller.plainPaperPrintInfoForKey(key);
        EXPECT_EQ(other.orientation, PrintInfo::Orientation::Portrait);
        EXPECT_EQ(other.horizontalPagination, PrintInfo::Pagination::Fit);
        EXPECT_EQ(other.verticalPagination, PrintInfo::Pagination::Fit);
        EXPECT_TRUE(other.allPages);
        EXPECT_EQ(other.topMargin, 0.0);
    }
}

TEST_F(PrinterSetupTest, StoredSettingsTakeTheirQueueWhenItStillExists)
{
    QVPrinterSetupController controller;
    PrintInfo info;
    info.printerName = QStringLiteral("records");
    info.horizontalPagination = PrintInfo::Pagination::Clip;
    info.duplex = PrintInfo::Duplex::LongEdge;
    controller.setPlainPaperPrintInfo(info, QVMailingRecordPaperInfoKey);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("p_mailingRecordPaperInfo_name")), QStringLiteral("records"));
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("updatedPlainPaperPrintInfo")));

    // The stored name points at a queue that exists: it becomes the printer.
    printers->add(QStringLiteral("renamed"), QStringLiteral("Brother"));
    defaults().setString(QStringLiteral("renamed"), QStringLiteral("p_mailingRecordPaperInfo_name"));
    PrintInfo read = controller.plainPaperPrintInfoForKey(QVMailingRecordPaperInfoKey);
    EXPECT_EQ(read.printerName, QStringLiteral("renamed"));
    EXPECT_EQ(read.horizontalPagination, PrintInfo::Pagination::Fit); // forced for these purposes
    EXPECT_EQ(read.duplex, PrintInfo::Duplex::LongEdge);              // stored settings keep their duplex
    // A queue that no longer exists leaves the settings' own printer.
    defaults().setString(QStringLiteral("gone"), QStringLiteral("p_mailingRecordPaperInfo_name"));
    EXPECT_EQ(controller.plainPaperPrintInfoForKey(QVMailingRecordPaperInfoKey).printerName, QStringLiteral("records"));

    controller.setPlainPaperPrintInfo(std::nullopt, QVMailingRecordPaperInfoKey);
    EXPECT_TRUE(defaults().dataForKey(QVMailingRecordPaperInfoKey).isEmpty());
    EXPECT_TRUE(defaults().objectForKey(QStringLiteral("p_mailingRecordPaperInfo_name")).isNull());
}

TEST_F(PrinterSetupTest, PlainPaperButtonAndControlsRefreshOnTheNextTurn)
{
    defaults().setString(QVZebra2844Printer, QStringLiteral("printerType"));
    defaults().setString(QVEPL2Label, QStringLiteral("printerLabel"));
    QVPrinterSetupController controller;
    EXPECT_EQ(controller.controls().printerType, QVZebra2844Printer);
    controller.setPrinterType(QVPrinterSetupController::PrinterTypeChoice::PlainPaper);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("printerType")), QVPlainPaperPrinter);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("printerLabel")), QVPlainPaperLabel);
    EXPECT_EQ(controller.controls().printerType, QVZebra2844Printer);
    QCoreApplication::processEvents();
    EXPECT_EQ(controller.controls().printerType, QVPlainPaperPrinter);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

// The controller is made at start-up; the print system is asked only once
// the window's controls are read, and they then list what it has.
TEST_F(PrinterSetupTest, PrintQueuesAreAskedForWhenTheControlsAreFirstRead)
{
    printers->add(QStringLiteral("office"), QStringLiteral("HP LaserJet"));
    printers->add(QStringLiteral("thermal"), QStringLiteral("Zebra LP2844 EPL2"));
    printers->defaultQueue = QStringLiteral("office");
    defaults().setString(QStringLiteral("thermal"), kZebraQueueID);
    QVPrinterSetupController controller;
    // Questions of the rest of the program, refreshes and changes of the
    // serial ports before the window is seen.
    EXPECT_EQ(controller.labelTypeForEnvelope(false), QVPlainPaperLabel);
    EXPECT_EQ(controller.printerTypeForEnvelope(true), QVPlainPaperPrinter);
    controller.readFromDefaults();
    NotificationCenter::defaultCenter().post(SXSerialPortListDidUpdateNotifiation);
    controller.setPrinterType(QVPrinterSetupController::PrinterTypeChoice::PlainPaper);
    QCoreApplication::processEvents();
    EXPECT_EQ(printers->listings, 0);
    EXPECT_EQ(printers->defaultQueueRequests, 0);

    int changes = 0;
    QObject::connect(&controller, &QVPrinterSetupController::controlsChanged, [&] { ++changes; });
    const QVPrinterSetupControls &controls = controller.controls();
    EXPECT_GT(printers->listings, 0);
    EXPECT_EQ(controls.zebraQueues, QStringList{QStringLiteral("thermal")});
    EXPECT_EQ(controls.zebraPrinterName, QStringLiteral("thermal"));
    EXPECT_EQ(controls.plainPaperQueueName, QStringLiteral("office"));
    EXPECT_EQ(controls.printerType, QVPlainPaperPrinter);
    EXPECT_EQ(changes, 1);

    // Once read, they follow the defaults and the print system as before.
    printers->defaultQueue = QStringLiteral("thermal");
    controller.readFromDefaults();
    EXPECT_EQ(controller.controls().plainPaperQueueName, QStringLiteral("thermal"));
    EXPECT_EQ(changes, 2);
}

TEST_F(PrinterSetupTest, LabelPrinterChoiceNeedsALabelPrinter)
{
    QVPrinterSetupController controller;
    controller.chooseStock(3);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("KIVO printer unavailable."));
    EXPECT_EQ(dialogs->alerts[0].informativeText,
              QStringLiteral("This functionality requires a KIVO Tagwright and the latest KIVO driver software (1.0 or "
                             "greater). If you have these items, please make sure your printer can be used from other "
                             "applications and try again."));
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("printerType")), QVPlainPaperPrinter);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("printerLabel")), QVPlainPaperLabel);
    EXPECT_FALSE(controller.kivoSettings().contains(QStringLiteral("defaultLabel")));
    EXPECT_FALSE(controller.controls().useKIVOForEnvelopesEnabled);

    printers->add(QStringLiteral("kivo"), QStringLiteral("Kivo Tagwright 360"));
    controller.chooseStock(3);
    EXPECT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("printerType")), QVKIVOTagwrightPrinter);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("printerLabel")), QVKIVO72019Label);
    EXPECT_EQ(controller.kivoSettings().value(QStringLiteral("defaultLabel")).toString(), QVKIVO72019Label);
    QCoreApplication::processEvents();
    EXPECT_TRUE(controller.controls().useKIVOForEnvelopesEnabled);

    // An unknown tag keeps the stored label.
    defaults().setString(QVKIVO51204Label, QStringLiteral("printerLabel"));
    controller.chooseStock(9);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("printerLabel")), QVKIVO51204Label);
    EXPECT_EQ(controller.controls().stockTag, 3);
    EXPECT_EQ(controller.kivoSettings().value(QStringLiteral("defaultLabel")).toString(), QVKIVO51204Label);
    // The availability is remembered after the printer is gone.
    printers->queueList.clear();
    controller.setPrinterTypeWithTypeString(QVPlainPaperPrinter);
    controller.setPrinterTypeWithTypeString(QVKIVOTagwrightPrinter);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("printerType")), QVKIVOTagwrightPrinter);
    EXPECT_EQ(dialogs->alerts.size(), 1);
}

TEST_F(PrinterSetupTest, ZebraButtonWithoutAZebraStillSwitchesAfterTheAlert)
{
    QVPrinterSetupController controller;
    controller.setPrinterTypeWithTypeString(QVZebra2844Printer);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts[0].messageText, QStringLiteral("Zebra printer unavailable."));
    EXPECT_EQ(dialogs->alerts[0].informativeText,
              QStringLiteral("Tolvane was unable to find a Zebra 2844 thermal printer attached to this computer. "
                             "Please configure your printer connection."));
    EXPECT_TRUE(controller.controls().zebraToolsSheetOpen);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("printerType")), QVZebra2844Printer);
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("printerLabel")), QVEPL2Label);

    controller.closeZebraToolsSheet();
    usb->attachPrinter(0x0A5F, 10);
    controller.setPrinterTypeWithTypeString(QVZebra2844Printer);
    EXPECT_EQ(dialogs->alerts.size(), 1);
    EXPECT_FALSE(controller.controls().zebraToolsSheetOpen);

    controller.setPrinterTypeWithTypeString(QStringLiteral("QVInkjetPrinter"));
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("printerType")), QVZebra2844Printer);
}

TEST_F(PrinterSetupTest, CustomsChoicesAndEnvelopeBox)
{
    QVPrinterSetupController controller;
    controller.setFCMIChoice(1);
    controller.set2976AChoice(0);
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("overrideFCMIPrintInfo")));
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("override2976APrintInfo")));
    EXPECT_EQ(controller.controls().fcmiChoiceTag, 1);
    controller.setFCMIChoice(0);
    controller.set2976AChoice(2);
    EXPECT_FALSE(defaults().boolForKey(QStringLiteral("overrideFCMIPrintInfo")));
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("override2976APrintInfo")));
    EXPECT_EQ(controller.controls().form2976AChoiceTag, 1);
    controller.setUseKIVOForEnvelopes(true);
    EXPECT_TRUE(defaults().boolForKey(QStringLiteral("useKIVOForEnvelopes")));
}

TEST_F(PrinterSetupTest, RegisteredControllerAnswersTheModel)
{
    defaults().setString(QVKIVOTagwrightPrinter, QStringLiteral("printerType"));
    defaults().setString(QVKIVO51204Label, QStringLiteral("printerLabel"));
    EXPECT_EQ(printerSetupController()->labelTypeForEnvelope(false), QVPlainPaperLabel); // stand-in
    setPrinterSetupController(std::make_shared<QVPrinterSetupController>());
    EXPECT_EQ(printerSetupController()->labelTypeForEnvelope(false), QVKIVO51204Label);
    setPrinterSetupController(nullptr);
}

TEST_F(PrinterSetupTest, RegisteredDefaultsOfPrinting)
{
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("zebraOrientation")), QStringLiteral("B"));
    const qint64 speed = defaults().stringForKey(QStringLiteral("zebraSpeed")).toLongLong();
    const qint64 darkness = defaults().stringForKey(QStringLiteral("zebraDarkness")).toLongLong();
    EXPECT_TRUE(speed >= 1 && speed <= 4) << speed;           // EPL2 "S" on the 2844 models
    EXPECT_TRUE(darkness >= 0 && darkness <= 15) << darkness; // EPL2 "D"
    const QVariantMap kivo = defaults().dictionaryForKey(QStringLiteral("kivoSettings"));
    for (const QString &stock : kivoLabelTypes())
        EXPECT_TRUE(kivo.value(stock).canConvert<QVariantMap>()) << stock.toStdString();
    EXPECT_FALSE(QVPrinterSetupController::minimumDriverVersion().isEmpty());
}

TEST_F(PrinterSetupTest, ControlsFollowTheSerialPortsAndDefaultsFromAnyThread)
{
    QVPrinterSetupController controller;
    EXPECT_TRUE(controller.controls().serialPorts.isEmpty());
    ports->portList = {{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("USB0")}};
    NotificationCenter::defaultCenter().post(SXSerialPortListDidUpdateNotifiation);
    EXPECT_EQ(controller.controls().serialPorts, QStringList{QStringLiteral("/dev/ttyUSB0")});

    // Asked from another thread, the refresh runs on the controller's thread
    // and the caller waits for it.
    defaults().setString(QVZebra2844Printer, QStringLiteral("printerType"));
    QThread *refreshedOn = nullptr;
    QObject::connect(
        &controller, &QVPrinterSetupController::controlsChanged, &controller,
        [&] { refreshedOn = QThread::currentThread(); }, Qt::DirectConnection);
    std::atomic<bool> done{false};
    std::thread other([&] {
        controller.readFromDefaults();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    other.join();
    EXPECT_EQ(refreshedOn, QThread::currentThread());
    EXPECT_EQ(controller.controls().printerType, QVZebra2844Printer);
}
