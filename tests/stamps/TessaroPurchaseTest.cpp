// The stamp purchase loop against the fake postage server: one purchase per
// stamp and page, blanks never bought, a scratch file per stamp, the
// progress texts, the one mailing-log entry of a run (none for samples, the
// maker's edition or a run that drew nothing), a failure stopping the
// buying with what was bought kept, samples drawn without the server, and
// roll stamps answered as PDF.
#include "TessaroPrintingSupport.h"

#include "model/NumericFormatters.h"
#include "model/QVShipment.h"
#include "services/QVRHOResponse.h"
#include "stamps/TessaroTags.h"

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

class TessaroPurchaseTest : public TessaroPrintingTest
{
protected:
    // The first `positions` stamps of the sheet with blanks at the indices.
    static QList<TessaroStamp> requestsWithBlanks(const TessaroController &window, int positions,
                                                  const QList<int> &blanks)
    {
        QList<TessaroStamp> requests = window.stamps().mid(0, positions);
        for (int blank : blanks)
            requests[blank] = nullptr;
        return requests;
    }
};

} // namespace

TEST_F(TessaroPurchaseTest, BuysEveryStampOncePerPageAndLogsTheRun)
{
    const auto window = load();
    window->setCurrentReferenceID(QStringLiteral("Order 4411"));
    const QList<TessaroStamp> requests = requestsWithBlanks(*window, 24, {0, 5, 23});
    queueStamps(42, 500);

    Decimal total;
    const QList<TessaroPage> pages = window->viewArrayForRequests(requests, 2, false, &total);

    EXPECT_EQ(purchases(), 42);
    ASSERT_EQ(pages.size(), 2);
    for (const TessaroPage &page : pages) {
        ASSERT_EQ(page.size(), 24);
        EXPECT_EQ(tolvaneTessaroCountOfNonNullObjects(page), 21);
        for (int blank : {0, 5, 23})
            EXPECT_TRUE(page[blank].isNull());
        ASSERT_TRUE(page[1].view);
        EXPECT_TRUE(dynamic_cast<tolvane::QVStamp2000IndiciumView *>(page[1].view.get()));
        EXPECT_TRUE(page[1].pdfData.isEmpty());
    }
    EXPECT_EQ(pages[0][1].view->pieceCount()->text(), QStringLiteral("500"));
    EXPECT_EQ(pages[1][22].view->pieceCount()->text(), QStringLiteral("541"));
    EXPECT_EQ(pages[0][1].view->meterID()->text(), window->lastRHOResponse()->meterID());
    EXPECT_NE(pages[0][1].view->meterID()->text(), QStringLiteral("SAMPLE"));

    const Decimal each = requests[1]->postage();
    EXPECT_EQ(total, each * Decimal(42));
    EXPECT_EQ(tessaro::scratchFileNames().size(), 42);
    EXPECT_EQ(window->lastRHOResponse()->piececount(), 541u);
    // The reference ID goes with each stamp bought, not into the catalogue.
    EXPECT_EQ(tessaro::readScratchFolder().first().request->referenceID(), QStringLiteral("Order 4411"));
    EXPECT_FALSE(window->catalogue().requestForTag(100)->referenceID());

    ASSERT_EQ(log->records.size(), 1);
    const QVariantMap entry = log->records.first();
    EXPECT_EQ(entry.value(QVUSPSShipmentRHOTransactionTypeKey).toString(), QStringLiteral("Tessaro"));
    EXPECT_EQ(entry.value(QVUSPSShipmentRHOTessaroCountKey).toInt(), 42);
    EXPECT_EQ(entry.value(QVUSPSShipmentRHOAccountKey).toLongLong(), 1234567);
    EXPECT_EQ(entry.value(QVUSPSShipmentRHODeviceIDKey).toString(), window->lastRHOResponse()->meterID());
    EXPECT_EQ(entry.value(QVUSPSShipmentRHOBalanceKey).toString(), window->lastRHOResponse()->balanceString());
    EXPECT_EQ(entry.value(QVShipmentPriceKey).toString(), twoDigitDollarFormatter().stringFromNumber(total));
    EXPECT_EQ(entry.value(QVShipmentInvoiceNumberKey).toString(), QStringLiteral("Order 4411"));
    EXPECT_TRUE(entry.value(QVUSPSShipmentPostageEnabledKey).toBool());
    EXPECT_TRUE(entry.value(QVShipmentPrintDateKey).toDateTime().isValid());
    // The entry is written: no stamp of the run owes it any more.
    for (const tessaro::ScratchStamp &stamp : tessaro::readScratchFolder())
        EXPECT_FALSE(stamp.logEntryOwed) << stamp.path.toStdString();

    ASSERT_EQ(host->progressTexts.size(), 43);
    EXPECT_EQ(host->progressTexts.first(), QStringLiteral("Buying stamp 1 of 42 [0/42]"));
    EXPECT_EQ(host->progressTexts[1], QStringLiteral("Buying stamp 2 of 42 [1/42]"));
    EXPECT_EQ(host->progressTexts.last(), QStringLiteral("Buying stamp 42 of 42 [42/42]"));
    EXPECT_FALSE(host->progressShown);
    EXPECT_TRUE(dialogs->alerts.isEmpty());
}

TEST_F(TessaroPurchaseTest, AFailedPurchaseStopsTheBuyingAndKeepsWhatWasBought)
{
    const struct {
        const char *name;
        int failAt; // the stamp (from 1) the server refuses
        int pages;
        int drawn;
        QList<int> perPage; // stamps drawn on each page
    } cases[] = {
        {"first stamp", 1, 1, 0, {0}},
        {"second stamp of the first page", 2, 1, 1, {1}},
        {"second stamp of the second page", 5, 2, 4, {3, 1}},
        {"last stamp", 9, 3, 8, {3, 3, 2}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QDir(tessaro::pellmarkPath()).removeRecursively();
        dialogs->alerts.clear();
        log->records.clear();
        const auto window = load();
        const QList<TessaroStamp> requests = requestsWithBlanks(*window, 24, {});
        QList<TessaroStamp> three = {requests[0], nullptr, requests[1], requests[2]};
        server.queueReplies(StampIndiciumWire, {});
        queueStamps(c.failAt - 1, 10, c.failAt);

        Decimal total = Decimal(7);
        const QList<TessaroPage> pages = window->viewArrayForRequests(three, 3, false, &total);

        ASSERT_EQ(pages.size(), c.pages);
        int drawn = 0;
        QList<int> perPage;
        for (const TessaroPage &page : pages) {
            EXPECT_EQ(page.size(), 4);
            EXPECT_TRUE(page[1].isNull());
            perPage << int(tolvaneTessaroCountOfNonNullObjects(page));
            drawn += perPage.last();
        }
        EXPECT_EQ(drawn, c.drawn);
        EXPECT_EQ(perPage, c.perPage);
        // The stamps bought before the failure fill the failing page from its start.
        const TessaroPage &last = pages.last();
        for (int i = 0, stamps = 0; i < last.size(); ++i) {
            if (i == 1)
                continue; // the blank position
            EXPECT_EQ(last[i].isNull(), stamps++ >= c.perPage.last()) << "position " << i;
        }
        EXPECT_EQ(tessaro::scratchFileNames().size(), c.drawn);
        EXPECT_EQ(total, requests[0]->postage() * Decimal(c.drawn));
        const QList<Alert> errors = alertsWithMessage(QStringLiteral(
            "An error has occurred while generating postage. Postage already generated will be printed."));
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors.first().informativeText.startsWith(QStringLiteral("Error 1003: ")));
        if (c.drawn == 0) {
            EXPECT_TRUE(log->records.isEmpty());
        } else {
            ASSERT_EQ(log->records.size(), 1);
            EXPECT_EQ(log->records.first().value(QVUSPSShipmentRHOTessaroCountKey).toInt(), c.drawn);
        }
    }
}

TEST_F(TessaroPurchaseTest, SamplesAreDrawnWithoutTheServer)
{
    const auto window = load();
    const QList<TessaroStamp> requests = requestsWithBlanks(*window, 24, {3});
    Decimal total;
    const QList<TessaroPage> pages = window->viewArrayForRequests(requests, 2, true, &total);

    EXPECT_EQ(purchases(), 0);
    EXPECT_TRUE(server.requests().isEmpty());
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(tolvaneTessaroCountOfNonNullObjects(pages[1]), 23);
    EXPECT_EQ(pages[0][0].view->meterID()->text(), QStringLiteral("SAMPLE"));
    EXPECT_EQ(pages[0][0].view->pieceCount()->text(), QStringLiteral("0"));
    EXPECT_EQ(total, requests[0]->postage() * Decimal(46));
    EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
    EXPECT_TRUE(log->records.isEmpty());
    EXPECT_TRUE(host->progressTexts.isEmpty());
    EXPECT_FALSE(window->lastRHOResponse());
}

TEST_F(TessaroPurchaseTest, TheMakersEditionLogsNothing)
{
    const auto window = load(TessaroController::SheetMode, true);
    queueStamps(2, 70);
    const QList<TessaroPage> pages = window->viewArrayForRequests({window->stamps()[0], window->stamps()[1]}, 1, false);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(tolvaneTessaroCountOfNonNullObjects(pages[0]), 2);
    EXPECT_EQ(tessaro::scratchFileNames().size(), 2);
    EXPECT_TRUE(log->records.isEmpty());
    // Its stamps owe no entry, so no later recovery writes one.
    for (const tessaro::ScratchStamp &stamp : tessaro::readScratchFolder())
        EXPECT_FALSE(stamp.logEntryOwed) << stamp.path.toStdString();
}

TEST_F(TessaroPurchaseTest, RollStampsAreAnsweredAsPdf)
{
    host->printer = true;
    const auto window = load(TessaroController::RollMode);
    ASSERT_EQ(window->currentMode(), TessaroController::RollMode);
    EXPECT_EQ(window->indiciumViewClassForCurrentMode(), TessaroIndiciumViewClass::KivoStamp);
    queueStamps(3, 900);
    const QList<TessaroPage> pages = window->viewArrayForRequests({window->kivoStampRequest()}, 3, false);
    ASSERT_EQ(pages.size(), 3);
    for (const TessaroPage &page : pages) {
        ASSERT_EQ(page.size(), 1);
        EXPECT_FALSE(page[0].view);
        EXPECT_TRUE(page[0].pdfData.startsWith("%PDF")) << page[0].pdfData.left(8).toStdString();
    }
}

TEST_F(TessaroPurchaseTest, TheViewClassFollowsModeAndSheetType)
{
    const auto window = load();
    window->setCurrentSheetType(TessaroController::Sheet25);
    EXPECT_EQ(window->indiciumViewClassForCurrentMode(), TessaroIndiciumViewClass::Stamp);
    const auto view = TessaroController::stampViewForStampRequest(*window->stamps()[0], nullptr, true, true,
                                                                  TessaroIndiciumViewClass::Stamp);
    ASSERT_TRUE(view);
    EXPECT_FALSE(dynamic_cast<tolvane::QVStamp2000IndiciumView *>(view.get()));
    // Cents in the amount, the third decimal once, raised beside it.
    const QString postage = window->stamps()[0]->postageString();
    EXPECT_EQ(view->dollarAmount()->text(), postage.chopped(1));
    EXPECT_EQ(qobject_cast<tolvane::QVTextField *>(view->tenthCentView())->text(), postage.right(1));
    window->setCurrentSheetType(TessaroController::Sheet24);
    EXPECT_EQ(window->indiciumViewClassForCurrentMode(), TessaroIndiciumViewClass::Stamp2000);
    EXPECT_FALSE(TessaroController::stampViewForStampRequest(*window->stamps()[0], nullptr, true, false,
                                                             TessaroIndiciumViewClass::None));
}

TEST_F(TessaroPurchaseTest, AStampThatCannotBeSavedStopsTheBuyingAndStillPrints)
{
    const auto window = load();
    const QList<TessaroStamp> requests = requestsWithBlanks(*window, 3, {});
    queueStamps(6, 300);
    // After the second stamp the scratch folder becomes a file: the third
    // stamp is bought but cannot be saved.
    host->onProgress = [](int value) {
        if (value != 2)
            return;
        const QString scratch = tessaro::scratchPath();
        ASSERT_TRUE(QDir().rename(scratch, scratch + QStringLiteral("-aside")));
        QFile blocker(scratch);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    };

    Decimal total;
    const QList<TessaroPage> pages = window->viewArrayForRequests(requests, 2, false, &total);

    EXPECT_EQ(purchases(), 3);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(tolvaneTessaroCountOfNonNullObjects(pages[0]), 3); // the paid stamp is printed
    ASSERT_TRUE(pages[0][2].view);
    EXPECT_EQ(pages[0][2].view->pieceCount()->text(), QStringLiteral("302"));
    EXPECT_EQ(total, requests[0]->postage() * Decimal(3));
    const QList<Alert> errors = alertsWithMessage(QStringLiteral("A stamp you bought could not be saved."));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().informativeText.contains(QStringLiteral("piece 302")))
        << errors.first().informativeText.toStdString();
    ASSERT_EQ(log->records.size(), 1);
    EXPECT_EQ(log->records.first().value(QVUSPSShipmentRHOTessaroCountKey).toInt(), 3);
}

TEST_F(TessaroPurchaseTest, AMailingLogThatRefusesTheEntryIsReported)
{
    const auto window = load();
    log->refuseWrites = true;
    queueStamps(2, 80);
    const QList<TessaroPage> pages = window->viewArrayForRequests(requestsWithBlanks(*window, 2, {}), 1, false);
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(tolvaneTessaroCountOfNonNullObjects(pages[0]), 2);
    const QList<Alert> errors =
        alertsWithMessage(QStringLiteral("The stamps you bought could not be written to the mailing log."));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().informativeText.startsWith(QStringLiteral("The entry for 2 stamps ($")))
        << errors.first().informativeText.toStdString();
    EXPECT_EQ(tessaro::scratchFileNames().size(), 2);
    // The stamps still owe their entry: recovery writes it should this
    // print fail.
    for (const tessaro::ScratchStamp &stamp : tessaro::readScratchFolder())
        EXPECT_TRUE(stamp.logEntryOwed) << stamp.path.toStdString();
}

TEST_F(TessaroPurchaseTest, AStampWhoseReplyGivesNoBarcodeIsReportedAndKept)
{
    const auto window = load();
    const QList<TessaroStamp> requests = requestsWithBlanks(*window, 3, {});
    FakePostageReply empty = stampReply(401);
    empty.indicium.clear();
    server.queueReplies(StampIndiciumWire, {stampReply(400), empty, stampReply(402)});

    const QList<TessaroPage> pages = window->viewArrayForRequests(requests, 1, false);

    EXPECT_EQ(purchases(), 2);
    ASSERT_EQ(pages.size(), 1);
    ASSERT_TRUE(pages[0][0].view);
    EXPECT_TRUE(pages[0][0].view->barcode()->matrix());
    EXPECT_TRUE(pages[0][1].isNull());
    EXPECT_TRUE(pages[0][2].isNull());
    const QList<Alert> errors = alertsWithMessage(QStringLiteral("A stamp you bought cannot be printed."));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors.first().informativeText.contains(QStringLiteral("401.tolvanestamp")))
        << errors.first().informativeText.toStdString();
    EXPECT_EQ(tessaro::scratchFileNames(),
              QStringList({QStringLiteral("400.tolvanestamp"), QStringLiteral("401.tolvanestamp")}));
    // Both stamps are paid: the entry counts the one not drawn too.
    ASSERT_EQ(log->records.size(), 1);
    EXPECT_EQ(log->records.first().value(QVUSPSShipmentRHOTessaroCountKey).toInt(), 2);
    EXPECT_EQ(log->records.first().value(QVShipmentPriceKey).toString(),
              twoDigitDollarFormatter().stringFromNumber(requests[0]->postage() * Decimal(2)));

    // The view builder itself never draws a paid stamp without its symbol.
    const auto reply = QVRHOResponse::responseWithData(empty.bytes());
    EXPECT_FALSE(TessaroController::stampViewForStampRequest(*requests[0], reply, false, false,
                                                             TessaroIndiciumViewClass::Stamp2000));
}

TEST_F(TessaroPurchaseTest, NothingIsBoughtWhenTheScratchFolderCannotBeMade)
{
    const auto window = load();
    // A file stands where the scratch folder belongs.
    ASSERT_TRUE(QDir().mkpath(tessaro::pellmarkPath()));
    QFile blocker(tessaro::scratchPath());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    queueStamps(26, 100);

    Decimal total = Decimal(7);
    const QList<TessaroPage> pages = window->viewArrayForRequests(requestsWithBlanks(*window, 2, {}), 1, false, &total);

    EXPECT_EQ(purchases(), 0);
    EXPECT_TRUE(pages.isEmpty());
    EXPECT_EQ(total, Decimal::zero());
    const QList<Alert> reports = alertsWithMessage(QStringLiteral("No stamps were bought."));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().informativeText.startsWith(QStringLiteral("The folder for unprinted stamps cannot be "
                                                                          "made")))
        << reports.first().informativeText.toStdString();
    EXPECT_TRUE(log->records.isEmpty());
    EXPECT_TRUE(host->progressTexts.isEmpty());
    EXPECT_FALSE(window->lastRHOResponse());

    // The print flow stops there too: nothing bought, nothing printed.
    window->printSheet(TessaroPrintSender::PrintButton);
    EXPECT_EQ(purchases(), 0);
    EXPECT_TRUE(printers->jobs.isEmpty());
    EXPECT_EQ(alertsWithMessage(QStringLiteral("No stamps were bought.")).size(), 2);
    EXPECT_FALSE(window->recoveryMode());
}
