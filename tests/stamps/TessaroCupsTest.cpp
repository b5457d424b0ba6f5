// Stamps through a CUPS scheduler of the test's own: a paid sheet reaches a
// plain-paper queue as the PDF the window made, and roll stamps reach the
// label printer's queue with the driver's density and roll settings as
// job options.
#include "TessaroPrintingSupport.h"

#include "PrivateCupsd.h"

#include "printing/customs/QVPdfPages.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class TessaroCupsTest : public TessaroPrintingTest
{
protected:
    void SetUp() override
    {
        TessaroPrintingTest::SetUp();
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

int pageCount(const QByteArray &pdf)
{
    const auto pages = tolvane::QVPdfPages::fromData(pdf);
    return pages ? pages->pageCount() : -1;
}

} // namespace

TEST_F(TessaroCupsTest, SheetsAndRollStampsReachTheirQueues)
{
    addQueue(QStringLiteral("office"), QStringLiteral("Laser Office 5000"));
    addQueue(QStringLiteral("dual"), QStringLiteral("Kivo Tagwright 360 Dual Swift"));
    host->printer = true;

    const auto window = load();
    queueStamps(26, 100);
    window->printSheet(TessaroPrintSender::PrintButton);
    ASSERT_EQ(purchases(), 24);
    ASSERT_TRUE(printer.waitForJobs(1));
    EXPECT_EQ(pageCount(printer.received().first()), 1);
    EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());

    UserDefaults::standardUserDefaults().setString(QStringLiteral("dual"), TessaroKivoPrinterNameDefaultsKey);
    UserDefaults::standardUserDefaults().setString(QStringLiteral("Left Roll"), TessaroKivoTrayNameDefaultsKey);
    ASSERT_TRUE(window->setCurrentMode(TessaroController::RollMode));
    window->setSheetCount(2);
    window->printSheet(TessaroPrintSender::PrintButton);
    ASSERT_EQ(purchases(), 26);
    ASSERT_TRUE(printer.waitForJobs(2));
    EXPECT_EQ(pageCount(printer.received().last()), 2);
    EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
    // The second job of the scheduler is the roll's.
    ASSERT_TRUE(cupsd.waitForCompletion(2));
    const QVariantMap options = cupsd.jobAttributes(2);
    EXPECT_EQ(options.value(QStringLiteral("KivoPrintDensity")).toString(), QStringLiteral("Normal"));
    EXPECT_EQ(options.value(QStringLiteral("InputSlot")).toString(), QStringLiteral("Left"));
}
