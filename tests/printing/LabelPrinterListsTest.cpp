// KIVONewTagwright and QVZebraPrinter over a fake print system: which queues
// are label printers, stamp printers and Zebra queues, and the label
// printer's driver settings.
#include "PrintingTestSupport.h"

#include "printing/thermal/QVZebraPrinter.h"

namespace {

class LabelPrinterListsTest : public PrintingTest
{};

} // namespace

TEST_F(LabelPrinterListsTest, LabelAndStampPrintersByModelText)
{
    struct Case {
        const char *model;
        bool label;
        bool stampWithoutAccount;
        bool stampWithAccount;
    };
    const Case cases[] = {
        {"Kivo Tagwright 360", true, false, true},
        {"KIVO TAGWRIGHT 310", true, false, true},
        {"Kivo Tagwright 360 swift", true, true, true},
        {"kivo tagwright 310 SWIFT", true, true, true},
        {"Kivo Tagwright Dual Swift", true, true, true},
        {"Kivo Tagwright Biplex", true, true, true},
        {"Kivo Tagwright Wide9", true, true, true},
        {"Kivo Tagwright 450 Turbo", true, false, false},
        {"Kivo Tagwright Tape 360 Swift", false, false, false},
        {"Tagwright 270 Labeler", true, false, false},
        {"Tagwright 270 360 Swift", true, false, false},
        {"Kivo Stamper 360 Swift", false, false, false},
        {"Zebra ZP 450", false, false, false},
    };
    for (const Case &c : cases)
        printers->add(QString::fromLatin1(c.model), QString::fromLatin1(c.model));
    PrintQueue unknown;
    unknown.name = QStringLiteral("no model");
    printers->queueList.append(unknown);

    QStringList label, stampsWithout, stampsWith;
    for (const Case &c : cases) {
        if (c.label)
            label << QString::fromLatin1(c.model);
        if (c.stampWithoutAccount)
            stampsWithout << QString::fromLatin1(c.model);
        if (c.stampWithAccount)
            stampsWith << QString::fromLatin1(c.model);
    }
    EXPECT_EQ(KIVONewTagwright::printerList(), label);
    EXPECT_EQ(KIVONewTagwright::kivoStampsPrinterList(), stampsWithout); // nothing registered: NO
    setPrintingAccountServices(std::make_shared<FakeAccount>(false));
    EXPECT_EQ(KIVONewTagwright::kivoStampsPrinterList(), stampsWithout);
    setPrintingAccountServices(std::make_shared<FakeAccount>(true));
    EXPECT_EQ(KIVONewTagwright::kivoStampsPrinterList(), stampsWith);

    EXPECT_TRUE(KIVONewTagwright::isDualSwift(QStringLiteral("Kivo Tagwright Dual Swift")));
    EXPECT_FALSE(KIVONewTagwright::isDualSwift(QStringLiteral("Kivo Tagwright 360")));
    EXPECT_FALSE(KIVONewTagwright::isDualSwift(QStringLiteral("not a queue")));
    EXPECT_TRUE(KIVONewTagwright::isWIDE9(QStringLiteral("Kivo Tagwright Wide9")));
    EXPECT_TRUE(KIVONewTagwright::hasWIDE9());
}

TEST_F(LabelPrinterListsTest, AvailabilityIsRememberedOnceSeen)
{
    EXPECT_FALSE(KIVONewTagwright::printerAvailable());
    EXPECT_FALSE(KIVONewTagwright::hasWIDE9());
    printers->add(QStringLiteral("k"), QStringLiteral("Kivo Tagwright 360"));
    EXPECT_TRUE(KIVONewTagwright::printerAvailable());
    printers->queueList.clear();
    EXPECT_TRUE(KIVONewTagwright::printerList().isEmpty());
    EXPECT_TRUE(KIVONewTagwright::printerAvailable());
    printers->unreachable = true;
    EXPECT_TRUE(KIVONewTagwright::printerList().isEmpty());
}

TEST_F(LabelPrinterListsTest, DriverSettingsForDensityAndRoll)
{
    struct Case {
        int density;
        const char *name;
    };
    for (const Case c : {Case{0, "Light"}, Case{1, "Medium"}, Case{2, "Normal"}, Case{3, "Dark"}, Case{4, "Normal"},
                         Case{-1, "Normal"}}) {
        SCOPED_TRACE(c.density);
        PrintInfo info;
        info.printerName = QStringLiteral("kivo");
        PrintInfo &same = KIVONewTagwright::printInfoForPrintInfo(info, QString(), c.density);
        EXPECT_EQ(&same, &info);
        const QVariantMap settings = *info.printSettings;
        EXPECT_EQ(settings.value(QStringLiteral("KivoPrintDensity")).toString(), QLatin1String(c.name));
        EXPECT_EQ(settings.value(QStringLiteral("com.apple.print.PrintSettings.TWPrintDarkness")).toInt(), c.density);
        EXPECT_EQ(settings.value(QStringLiteral("com.apple.print.PrintSettings.TWPrintQuality")).toInt(), 0);
        EXPECT_EQ(settings.value(QStringLiteral("KivoPrintQuality")).toString(), QStringLiteral("Text"));
        EXPECT_EQ(settings.value(QStringLiteral("OutputOrder")).toString(), QStringLiteral("Normal"));
        // An empty tray leaves the roll alone.
        EXPECT_FALSE(settings.contains(QStringLiteral("InputSlot")));
        EXPECT_FALSE(settings.contains(QStringLiteral("com.apple.print.PrintSettings.TWPaperSource")));
        EXPECT_EQ(info.printerName, QStringLiteral("kivo"));
    }
    struct Tray {
        const char *tray;
        int source;
        const char *slot;
    };
    for (const Tray t : {Tray{"Right Roll", 2, "Right"}, Tray{"Right", 2, "Right"}, Tray{"Left Roll", 1, "Left"},
                         Tray{"aRgt", 1, "Left"}, Tray{"right", 1, "Left"}}) {
        SCOPED_TRACE(t.tray);
        PrintInfo info;
        KIVONewTagwright::printInfoForPrintInfo(info, QLatin1String(t.tray), 2);
        EXPECT_EQ(info.printSettings->value(QStringLiteral("com.apple.print.PrintSettings.TWPaperSource")).toInt(),
                  t.source);
        EXPECT_EQ(info.printSettings->value(QStringLiteral("InputSlot")).toString(), QLatin1String(t.slot));
    }
    PrintInfo bare;
    bare.printerName = QStringLiteral("kivo");
    bare.printSettings.reset();
    KIVONewTagwright::printInfoForPrintInfo(bare, QStringLiteral("Right"), 3);
    EXPECT_FALSE(bare.printSettings.has_value());
    EXPECT_EQ(bare.printerName, QStringLiteral("kivo"));
}

TEST_F(LabelPrinterListsTest, ZebraQueuesAndTheirLanguage)
{
    printers->add(QStringLiteral("zpl"), QStringLiteral("Zebra GK420d zpl"));
    printers->add(QStringLiteral("epl"), QStringLiteral("zebra LP2844 EPL2"));
    printers->add(QStringLiteral("office"), QStringLiteral("HP LaserJet"));
    printers->add(QStringLiteral("mixed"), QStringLiteral("ZeBrA Zpl-II"));
    PrintQueue unknown;
    unknown.name = QStringLiteral("unknown");
    printers->queueList.append(unknown);

    const QList<QVariantMap> all = QVZebraPrinter::allPrinters();
    QStringList names;
    for (const QVariantMap &printer : all) {
        names << printer.value(QVZebraPrinterNameKey).toString();
        EXPECT_EQ(printer.value(QVZebraPrinterIDKey), printer.value(QVZebraPrinterNameKey));
    }
    EXPECT_EQ(names, (QStringList{QStringLiteral("zpl"), QStringLiteral("epl"), QStringLiteral("mixed")}));
    EXPECT_EQ(all[1].value(QVZebraPrinterModelKey).toString(), QStringLiteral("zebra LP2844 EPL2"));

    EXPECT_EQ(QVZebraPrinter::zebraPrinterWithName(QStringLiteral("zpl"))->programmingLanguage(), 1);
    EXPECT_EQ(QVZebraPrinter::zebraPrinterWithName(QStringLiteral("mixed"))->programmingLanguage(), 1);
    EXPECT_EQ(QVZebraPrinter::zebraPrinterWithName(QStringLiteral("epl"))->programmingLanguage(), 0);
    EXPECT_FALSE(QVZebraPrinter::zebraPrinterWithName(QStringLiteral("office")));
    EXPECT_FALSE(QVZebraPrinter::initWithPrinterID(QStringLiteral("gone")));
    EXPECT_FALSE(QVZebraPrinter::initWithPrinterID(QString()));
    const auto plain = QVZebraPrinter::initWithPrinterID(QStringLiteral("unknown"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->modelNumber(), QStringLiteral(""));
    EXPECT_EQ(plain->programmingLanguage(), 0);
    EXPECT_EQ(plain->name(), QStringLiteral("unknown"));

    EXPECT_FALSE(QVZebraPrinter::defaultZebraPrinter());
    defaults().setString(QStringLiteral("epl"), QStringLiteral("advancedZebraPathPrinterID"));
    EXPECT_EQ(QVZebraPrinter::defaultZebraPrinter()->printerID(), QStringLiteral("epl"));

    printers->unreachable = true;
    EXPECT_TRUE(QVZebraPrinter::allPrinters().isEmpty());
}
