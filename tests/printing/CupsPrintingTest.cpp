// Printing through a real CUPS scheduler of the test's own (PrivateCupsd):
// queues listed with their make and model, the label-printer and Zebra lists,
// raw and PDF jobs arriving byte for byte at a loopback printer, and the
// label printer's driver settings read back as job options.
#include "PrintingTestSupport.h"
#include "PrivateCupsd.h"

#include "platform/Dialogs.h"
#include "printing/setup/QVPrinterSetupController.h"
#include "printing/thermal/QVZebraPrinter.h"
#include "printing/thermal/Zebra2844.h"

#include <QProcess>

namespace {

// A small PDF with binary bytes after the header, as real PDFs have.
QByteArray smallPdf()
{
    return QByteArray("%PDF-1.4\n%\xe2\xe3\xcf\xd3\n1 0 obj<</Type/Catalog>>endobj\ntrailer<</Root 1 0 R>>\n%%EOF\n");
}

class CupsPrintingTest : public PrintingTest
{
protected:
    void SetUp() override
    {
        PrintingTest::SetUp();
        setPrintSystem(nullptr); // CUPS
        ASSERT_TRUE(printer.isListening());
        QString error;
        ASSERT_TRUE(cupsd.start(&error)) << error.toStdString();
    }

    void addQueue(const QString &name, const QString &model)
    {
        QString error;
        const QString uri = QStringLiteral("socket://127.0.0.1:%1/?snmp=false").arg(printer.port());
        ASSERT_TRUE(cupsd.addQueue(name, model, uri, &error)) << error.toStdString();
    }

    LoopbackPrinter printer;
    PrivateCupsd cupsd;
};

} // namespace

TEST_F(CupsPrintingTest, QueuesAndTheListsMadeOfThem)
{
    const QList<QPair<QString, QString>> queues = {
        {QStringLiteral("kivo360"), QStringLiteral("Kivo Tagwright 360")},
        {QStringLiteral("swift"), QStringLiteral("KIVO TAGWRIGHT 360 swift")},
        {QStringLiteral("tape"), QStringLiteral("Kivo Tagwright Tape 360 Swift")},
        {QStringLiteral("other270"), QStringLiteral("Tagwright 270")},
        {QStringLiteral("zpl"), QStringLiteral("Zebra ZP 450 zpl")},
        {QStringLiteral("epl"), QStringLiteral("Zebra LP 2844 EPL2")},
    };
    for (const auto &[name, model] : queues)
        addQueue(name, model);

    QString error;
    const auto listed = printSystem()->queues(&error);
    ASSERT_TRUE(listed) << error.toStdString();
    ASSERT_EQ(listed->size(), queues.size());
    for (const auto &[name, model] : queues) {
        const auto queue = printSystem()->queue(name);
        ASSERT_TRUE(queue) << name.toStdString();
        EXPECT_EQ(queue->makeAndModel, model);
        EXPECT_TRUE(queue->acceptingJobs);
    }
    EXPECT_FALSE(printSystem()->queue(QStringLiteral("missing")));
    EXPECT_EQ(printSystem()->queue(QStringLiteral("zpl"))->state, PrintQueue::State::Idle);

    EXPECT_TRUE(printSystem()->defaultQueueName().isEmpty());
    QProcess setDefault;
    setDefault.start(QStringLiteral("/usr/sbin/lpadmin"),
                     {QStringLiteral("-h"), cupsd.socketPath(), QStringLiteral("-d"), QStringLiteral("epl")});
    ASSERT_TRUE(setDefault.waitForFinished(20000));
    EXPECT_EQ(printSystem()->defaultQueueName(), QStringLiteral("epl"));
    EXPECT_EQ(PrintInfo::sharedPrintInfo().printerName, QStringLiteral("epl"));

    auto sorted = [](QStringList list) {
        list.sort();
        return list;
    };
    EXPECT_EQ(sorted(KIVONewTagwright::printerList()),
              (QStringList{QStringLiteral("kivo360"), QStringLiteral("other270"), QStringLiteral("swift")}));
    EXPECT_EQ(KIVONewTagwright::kivoStampsPrinterList(), QStringList{QStringLiteral("swift")});
    setPrintingAccountServices(std::make_shared<FakeAccount>(true));
    EXPECT_EQ(sorted(KIVONewTagwright::kivoStampsPrinterList()),
              (QStringList{QStringLiteral("kivo360"), QStringLiteral("swift")}));
    EXPECT_TRUE(KIVONewTagwright::printerAvailable());

    QStringList zebras;
    for (const QVariantMap &queue : QVZebraPrinter::allPrinters())
        zebras << queue.value(QVZebraPrinterNameKey).toString();
    EXPECT_EQ(sorted(zebras), (QStringList{QStringLiteral("epl"), QStringLiteral("zpl")}));
    EXPECT_EQ(QVZebraPrinter::zebraPrinterWithName(QStringLiteral("zpl"))->programmingLanguage(), 1);
    EXPECT_EQ(QVZebraPrinter::zebraPrinterWithName(QStringLiteral("epl"))->programmingLanguage(), 0);
    EXPECT_EQ(QVZebraPrinter::zebraPrinterWithName(QStringLiteral("epl"))->modelNumber(),
              QStringLiteral("Zebra LP 2844 EPL2"));
}

TEST_F(CupsPrintingTest, RawStreamArrivesByteIdenticalOnce)
{
    addQueue(QStringLiteral("zebra"), QStringLiteral("Zebra GK420d"));
    defaults().setBool(true, QStringLiteral("advancedZebraPath"));
    defaults().setString(QStringLiteral("zebra"), QStringLiteral("advancedZebraPathPrinterID"));
    EXPECT_TRUE(Zebra2844::printerAvailable());
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Sent);
    ASSERT_TRUE(printer.waitForJobs(1));
    EXPECT_TRUE(cupsd.waitForCompletion(1));
    const QVariantMap job = cupsd.jobAttributes(1);
    EXPECT_EQ(job.value(QStringLiteral("job-name")).toString(), QStringLiteral("Tolvane Label"));
    EXPECT_EQ(printer.received(), QList<QByteArray>{everyByte()});
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(CupsPrintingTest, PdfJobCarriesTheLabelPrintersDriverSettings)
{
    addQueue(QStringLiteral("kivo"), QStringLiteral("Kivo Tagwright 360 Swift"));
    struct Case {
        int density;
        const char *tray;
        const char *source;
        const char *slot;
    };
    const Case cases[] = {{2, "Right Roll", "2", "Right"}, {4, "Left", "1", "Left"}, {-1, "", nullptr, nullptr}};
    int jobs = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.density);
        PrintInfo info;
        info.printerName = QStringLiteral("kivo");
        KIVONewTagwright::printInfoForPrintInfo(info, QLatin1String(c.tray), c.density);
        QString error;
        const int job = printSystem()->submitJob(info.printerName, smallPdf(), PrintDocumentFormatPDF,
                                                 QStringLiteral("Tolvane Label"), info.jobOptions(), &error);
        ASSERT_GT(job, 0) << error.toStdString();
        ++jobs;
        ASSERT_TRUE(printer.waitForJobs(jobs));
        EXPECT_EQ(printer.received().last(), smallPdf());
        EXPECT_TRUE(cupsd.waitForCompletion(job));
        const QVariantMap options = cupsd.jobAttributes(job);
        EXPECT_EQ(options.value(QStringLiteral("KivoPrintDensity")).toString(), QStringLiteral("Normal"));
        EXPECT_EQ(options.value(QStringLiteral("com.apple.print.PrintSettings.TWPrintDarkness")).toString(),
                  QString::number(c.density));
        EXPECT_EQ(options.value(QStringLiteral("KivoPrintQuality")).toString(), QStringLiteral("Text"));
        EXPECT_EQ(options.value(QStringLiteral("OutputOrder")).toString(), QStringLiteral("Normal"));
        EXPECT_EQ(options.value(QStringLiteral("com.apple.print.PrintSettings.TWPaperSource")).toString(),
                  c.source ? QString::fromLatin1(c.source) : QString());
        EXPECT_EQ(options.value(QStringLiteral("InputSlot")).toString(),
                  c.slot ? QString::fromLatin1(c.slot) : QString());
        EXPECT_EQ(options.value(QStringLiteral("sides")).toString(), QStringLiteral("one-sided"));
    }
}

TEST_F(CupsPrintingTest, MissingOrRejectingQueueIsAFailure)
{
    QString error;
    EXPECT_EQ(printSystem()->submitJob(QStringLiteral("missing"), everyByte(), PrintDocumentFormatRaw,
                                       QStringLiteral("Tolvane Label"), {}, &error),
              0);
    EXPECT_FALSE(error.isEmpty());

    addQueue(QStringLiteral("zebra"), QStringLiteral("Zebra LP2844"));
    QProcess reject;
    reject.start(QStringLiteral("/usr/sbin/cupsreject"),
                 {QStringLiteral("-h"), cupsd.socketPath(), QStringLiteral("zebra")});
    ASSERT_TRUE(reject.waitForFinished(20000));
    ASSERT_EQ(reject.exitCode(), 0);
    EXPECT_FALSE(printSystem()->queue(QStringLiteral("zebra"))->acceptingJobs);
    QProcess disable;
    disable.start(QStringLiteral("/usr/sbin/cupsdisable"),
                  {QStringLiteral("-h"), cupsd.socketPath(), QStringLiteral("zebra")});
    ASSERT_TRUE(disable.waitForFinished(20000));
    EXPECT_EQ(printSystem()->queue(QStringLiteral("zebra"))->state, PrintQueue::State::Stopped);

    defaults().setBool(true, QStringLiteral("advancedZebraPath"));
    defaults().setString(QStringLiteral("zebra"), QStringLiteral("advancedZebraPathPrinterID"));
    EXPECT_EQ(Zebra2844::writeData(everyByte()), ZebraWriteOutcome::Cancelled);
    EXPECT_EQ(dialogs->alerts.size(), 1);
    EXPECT_FALSE(printer.waitForJobs(1, 500));
}

TEST_F(CupsPrintingTest, ZebraToolsCommandAndConfigurationReachTheQueueAsTypedPlusLineFeed)
{
    addQueue(QStringLiteral("zebra"), QStringLiteral("Zebra LP 2844 EPL2"));
    QVPrinterSetupController controller;
    // The queue tab stores the only Zebra queue; the tools print through it.
    controller.selectZebraConnectionTab(QStringLiteral("2"));
    EXPECT_EQ(defaults().stringForKey(QStringLiteral("advancedZebraPathPrinterID")), QStringLiteral("zebra"));
    controller.setAdvancedZebraPath(true);

    controller.setZebraCommand(QStringLiteral("N"));
    controller.sendZebraCommand();
    ASSERT_TRUE(printer.waitForJobs(1));
    controller.printZebraConfiguration();
    ASSERT_TRUE(printer.waitForJobs(2));
    EXPECT_EQ(printer.received(), (QList<QByteArray>{QByteArray("N\n"), QByteArray("U\n")}));
    EXPECT_TRUE(cupsd.waitForCompletion(2));
    EXPECT_EQ(cupsd.jobAttributes(2).value(QStringLiteral("job-name")).toString(), QStringLiteral("Tolvane Label"));
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}
