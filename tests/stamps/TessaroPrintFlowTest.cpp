// The stamp window's print flows: sheets bought, saved as a PDF copy,
// printed and cleaned up; every refusal before the purchase (blank sheet,
// funds, account not set up, reference ID, confirmation, print panel, a
// label printer chosen for sheets); test prints and selected stamps; paid
// stamps kept for recovery when the printer refuses the job; the recovery
// alert and the recovery print; roll stamps with their printer, roll and
// confirmations; the page views' layout.
#include "TessaroPrintingSupport.h"

#include "mailinglog/MailingLogRegistration.h"
#include "mailinglog/QVMailingLog.h"
#include "model/NumericFormatters.h"
#include "platform/Paths.h"
#include "printing/customs/QVPdfPages.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVRHOResponse.h"
#include "stamps/TessaroTags.h"

#include "BarcodeTools.h"
#include "RecordingUrlOpener.h"

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

// With TOLVANE_STAMP_PDF_DIR set, a printed job is also written there to be
// looked at.
void keepForViewing(const QByteArray &pdf, const char *name)
{
    const QString folder = QString::fromLocal8Bit(qgetenv("TOLVANE_STAMP_PDF_DIR"));
    if (folder.isEmpty())
        return;
    QFile file(QDir(folder).filePath(QLatin1String(name)));
    if (file.open(QIODevice::WriteOnly))
        file.write(pdf);
}

int pdfPages(const QByteArray &pdf)
{
    const auto pages = tolvane::QVPdfPages::fromData(pdf);
    return pages ? pages->pageCount() : -1;
}

class TessaroPrintFlowTest : public TessaroPrintingTest
{
protected:
    QStringList pdfCopies() const
    {
        return QDir(tessaro::pellmarkPath()).entryList({QStringLiteral("*.pdf")}, QDir::Files, QDir::Name);
    }
    // Stamps bought earlier and not printed (their mailing-log entry
    // written, or owed when the program died before writing it).
    void leaveScratchStamps(int count, tessaro::ScratchLogEntry entry = tessaro::ScratchLogEntry::Written,
                            quint32 firstPiece = 3000)
    {
        for (int i = 0; i < count; ++i) {
            FakePostageReply reply = stampReply(firstPiece + quint32(i));
            const auto response = QVRHOResponse::responseWithData(reply.bytes());
            const auto request = QVRHOStampIndiciumRequest::stampRequestWithPostageAmount(
                Decimal(49, -2), QVUSPSFirstClassMail, 1, QVUSPSLetterSize);
            request->setReferenceID(QStringLiteral("R-1"));
            ASSERT_FALSE(tessaro::writeScratchFile(*request, *response, nullptr, entry).isEmpty());
        }
    }
    static int stampsOwingTheirEntry()
    {
        int owed = 0;
        for (const tessaro::ScratchStamp &stamp : tessaro::readScratchFolder())
            owed += stamp.logEntryOwed ? 1 : 0;
        return owed;
    }
    // A scratch file that cannot be read back.
    void leaveUnreadableScratchFile(const QString &name, const QByteArray &bytes)
    {
        QDir().mkpath(tessaro::scratchPath());
        QFile file(QDir(tessaro::scratchPath()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void addRollPrinter()
    {
        printers->add(QStringLiteral("single"), QStringLiteral("Kivo Tagwright 360 Swift"));
        host->printer = true;
    }
};

} // namespace

TEST_F(TessaroPrintFlowTest, PrintsPaidSheetsKeepsAPdfCopyAndCleansUp)
{
    const auto window = load();
    window->setSheetCount(2);
    queueStamps(48, 700);

    window->printSheet(TessaroPrintSender::PrintButton);

    EXPECT_EQ(purchases(), 48);
    ASSERT_EQ(printers->jobs.size(), 1);
    const SubmittedJob &job = printers->jobs.first();
    EXPECT_EQ(job.queue, QStringLiteral("office"));
    EXPECT_EQ(job.title, QStringLiteral("Zevavored Azozudu"));
    EXPECT_EQ(job.format, PrintDocumentFormatPDF);
    EXPECT_EQ(pdfPages(job.document), 2);
    keepForViewing(job.document, "sheet24.pdf");
    EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
    EXPECT_EQ(pdfCopies(), QStringList{QStringLiteral("747.pdf")});
    QFile copy(QDir(tessaro::pellmarkPath()).filePath(QStringLiteral("747.pdf")));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(pdfPages(copy.readAll()), 2);
    EXPECT_EQ(log->records.size(), 1);
    EXPECT_EQ(host->refreshes, 1);
    EXPECT_FALSE(window->recoveryMode());

    // The confirmation's arguments: count, suffix, price, count, suffix.
    ASSERT_EQ(host->alerts.size(), 1);
    EXPECT_TRUE(host->alerts.first().startsWith(QStringLiteral("tessaroSheetReminder|Print\u2026|Cancel|1")));
    EXPECT_EQ(host->alertArguments.first().toList(),
              QVariantList({2, QStringLiteral("s"), window->prettyPrintOpTotalPrice(), 2, QStringLiteral("s")}));
    // The print panel shows the stored sheet settings; the chosen ones are
    // stored forced to Letter.
    ASSERT_EQ(host->printPanels.size(), 1);
    const PrintInfo stored = TessaroController::printInfo();
    EXPECT_EQ(stored.printerName, QStringLiteral("office"));
    EXPECT_EQ(stored.paperName, QStringLiteral("Letter"));
    EXPECT_EQ(stored.paperSize, QSizeF(612, 792));
    EXPECT_EQ(stored.copies, 1);
    EXPECT_FALSE(stored.horizontallyCentered);
}

// The printed sheet read by poppler's tools: one Letter page, and every
// stamp's DataMatrix, cut out at its position on the page, decodes to the
// indicium the server gave for that stamp.
TEST_F(TessaroPrintFlowTest, EachPrintedStampCarriesItsOwnIndiciumAtItsPosition)
{
    for (const char *tool : {"pdfinfo", "pdftoppm", "dmtxread"})
        if (!haveProgram(QLatin1String(tool)))
            GTEST_SKIP() << tool << " missing";
    for (const int sheetType : {TessaroController::Sheet25, TessaroController::Sheet24}) {
        SCOPED_TRACE(sheetType);
        TearDown();
        SetUp();
        const auto window = load();
        window->setCurrentSheetType(sheetType);
        const int positions = window->stampsForCurrentSheetType();
        // Three stamps: the first position, one inside, the last.
        const QList<int> chosen{0, 7, positions - 1};
        window->setSelectedCells(chosen);
        queueStamps(3, 810);
        window->printSheet(TessaroPrintSender::PrintSelected);
        ASSERT_EQ(printers->jobs.size(), 1);

        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("sheet.pdf"));
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(printers->jobs.first().document);
        file.close();
        QByteArray info;
        ASSERT_TRUE(runTool(QStringLiteral("pdfinfo"), {pdf}, &info));
        EXPECT_TRUE(info.contains("Pages:           1\n")) << info.toStdString();
        EXPECT_TRUE(info.contains("Page size:       612 x 792 pts")) << info.toStdString();

        constexpr int dpi = 200;
        int exitCode = -1;
        ASSERT_TRUE(runTool(QStringLiteral("pdftoppm"),
                            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                             QStringLiteral("-singlefile"), pdf, folder.filePath(QStringLiteral("page"))},
                            nullptr, nullptr, &exitCode));
        ASSERT_EQ(exitCode, 0);
        const QImage page(folder.filePath(QStringLiteral("page.png")));
        ASSERT_EQ(page.size(), QSize(612 * dpi / 72, 792 * dpi / 72));

        const TessaroSheetView *view = window->pageView();
        for (qsizetype i = 0; i < chosen.size(); ++i) {
            SCOPED_TRACE(chosen[i]);
            const QRectF points = view->stampRect(chosen[i]);
            const QRect pixels(QPoint(int(points.left() * dpi / 72), int(points.top() * dpi / 72)),
                               QPoint(int(points.right() * dpi / 72), int(points.bottom() * dpi / 72)));
            const QString png = folder.filePath(QStringLiteral("stamp%1.png").arg(chosen[i]));
            ASSERT_TRUE(page.copy(pixels).save(png));
            const auto reply = QVRHOResponse::responseWithData(stampReply(810 + quint32(i)).bytes());
            const QByteArray expected = reply->shortIndiciumWithIntelligentMailCode(
                quint16(window->stamps()[chosen[i]]->intelligentMailCode()));
            ASSERT_FALSE(expected.isEmpty());
            QByteArray decoded;
            ASSERT_TRUE(
                runTool(QStringLiteral("dmtxread"), {QStringLiteral("-N1"), png}, &decoded, nullptr, &exitCode));
            EXPECT_EQ(exitCode, 0);
            EXPECT_EQ(decoded.toHex(), expected.toHex());
        }
    }
}

TEST_F(TessaroPrintFlowTest, NothingIsBoughtOrPrintedWhenTheFlowStopsEarly)
{
    const struct Case {
        const char *name;
        std::function<void(TessaroController &)> prepare;
        const char *alert; // the alert shown, or empty
    } cases[] = {
        {"blank sheet",
         [](TessaroController &w) {
             w.chooseClassIndex(0); // "Blank" on every cell
         },
         "Blank sheet"},
        {"funds too low, cancelled", [this](TessaroController &) { host->status = statusReply(1234567, 1000); },
         "Insufficient funds"},
        {"account not set up",
         [this](TessaroController &) {
             FakePostageReply reply = stampReply(1);
             reply.accountStatus = "V";
             reply.descendingRegister = 500000;
             host->status = QVRHOResponse::responseWithData(reply.bytes());
         },
         "Your account with Tolvane has not been set up."},
        {"reference ID required",
         [](TessaroController &) {
             UserDefaults::standardUserDefaults().setBool(true, EnableTessaroReferenceIDDefaultsKey);
             UserDefaults::standardUserDefaults().setBool(true, RequireTessaroReferenceIDDefaultsKey);
         },
         "Please enter a Reference ID before printing."},
        {"confirmation declined", [this](TessaroController &) { host->answers = {0}; }, ""},
        {"print panel cancelled",
         [this](TessaroController &) { host->printPanelAnswer = [](const PrintInfo &) { return std::nullopt; }; }, ""},
        {"label printer chosen",
         [this](TessaroController &) {
             printers->add(QStringLiteral("tagwright"), QStringLiteral("Kivo Tagwright 360 Swift"));
             host->printPanelAnswer = [](const PrintInfo &info) {
                 PrintInfo chosen = info;
                 chosen.printerName = QStringLiteral("tagwright");
                 return std::optional<PrintInfo>(chosen);
             };
         },
         "Invalid printer."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const auto window = load();
        c.prepare(*window);
        window->printSheet(TessaroPrintSender::PrintButton);
        EXPECT_EQ(purchases(), 0);
        EXPECT_TRUE(printers->jobs.isEmpty());
        EXPECT_TRUE(log->records.isEmpty());
        if (*c.alert) {
            ASSERT_EQ(dialogs->alerts.size(), 1);
            EXPECT_EQ(dialogs->alerts.first().messageText, QLatin1String(c.alert));
        } else {
            EXPECT_TRUE(dialogs->alerts.isEmpty());
        }
    }
}

TEST_F(TessaroPrintFlowTest, BuyingPostageInTheFundsLoopLetsThePrintGoOn)
{
    host->status = statusReply(1234567, 1000); // $1.00
    host->onBuyPostage = [this] { host->status = statusReply(1234567, 900000); };
    dialogs->answers = {1};
    const auto window = load();
    queueStamps(24, 10);
    window->printSheet(TessaroPrintSender::PrintButton);
    EXPECT_EQ(host->buyPostagePanels, 1);
    EXPECT_EQ(alertsWithMessage(QStringLiteral("Insufficient funds")).size(), 1);
    EXPECT_EQ(purchases(), 24);
    EXPECT_EQ(printers->jobs.size(), 1);
}

TEST_F(TessaroPrintFlowTest, ATestPrintBuysNothingAndPrintsOnePage)
{
    leaveScratchStamps(0);
    const auto window = load();
    window->setSheetCount(3);
    window->testPrint();
    EXPECT_EQ(purchases(), 0);
    ASSERT_EQ(printers->jobs.size(), 1);
    EXPECT_EQ(pdfPages(printers->jobs.first().document), 1);
    EXPECT_TRUE(pdfCopies().isEmpty());
    EXPECT_TRUE(host->alerts.isEmpty()); // no confirmation
    EXPECT_EQ(host->refreshes, 0);
    EXPECT_TRUE(log->records.isEmpty());

    // A preview from the print panel is a sample too.
    UrlOpenerScope opener;
    window->printPanelDidEnd(
        [] {
            PrintInfo preview;
            preview.printerName = QStringLiteral("office");
            preview.jobDisposition = PrintInfo::JobDisposition::Preview;
            return preview;
        }(),
        false, false);
    EXPECT_EQ(purchases(), 0);
    EXPECT_EQ(opener->opened.size(), 1);
    EXPECT_TRUE(pdfCopies().isEmpty());
}

TEST_F(TessaroPrintFlowTest, ATestPrintLeavesWaitingStampsAndRefusesABlankSheet)
{
    leaveScratchStamps(2);
    const auto window = load();
    ASSERT_TRUE(window->recoveryMode());
    window->testPrint();
    EXPECT_EQ(purchases(), 0);
    ASSERT_EQ(printers->jobs.size(), 1);
    EXPECT_EQ(tessaro::scratchFileNames(),
              QStringList({QStringLiteral("3000.tolvanestamp"), QStringLiteral("3001.tolvanestamp")}));
    EXPECT_TRUE(window->recoveryMode());
    EXPECT_TRUE(dialogs->alerts.isEmpty());

    window->chooseClassIndex(0); // "Blank" on every cell
    window->testPrint();
    EXPECT_EQ(printers->jobs.size(), 1);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.first().messageText, QStringLiteral("Blank sheet"));
    EXPECT_EQ(tessaro::scratchFileNames().size(), 2);
}

TEST_F(TessaroPrintFlowTest, PrintingSelectedStampsBlanksTheOthers)
{
    const auto window = load();
    window->setSelectedCells({2, 7, 11});
    window->setSheetCount(2);
    queueStamps(6, 40);
    window->printSheet(TessaroPrintSender::PrintSelected);
    EXPECT_EQ(purchases(), 6);
    ASSERT_NE(window->pageView(), nullptr);
    const QList<TessaroPage> pages = window->pageView()->sheetArray();
    ASSERT_EQ(pages.size(), 2);
    for (const TessaroPage &page : pages) {
        EXPECT_EQ(tolvaneTessaroCountOfNonNullObjects(page), 3);
        EXPECT_FALSE(page[2].isNull());
        EXPECT_TRUE(page[3].isNull());
    }
    // The confirmation names the price of the selected stamps.
    EXPECT_EQ(host->alertArguments.first().toList().value(2).toString(),
              TessaroController::prettyDollarString(window->stamps()[2]->postage() * Decimal(3)));
}

TEST_F(TessaroPrintFlowTest, ReferenceIDsAreRememberedNewestFirstAndAtMostTen)
{
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    defaults.setBool(true, EnableTessaroReferenceIDDefaultsKey);
    const auto window = load();
    const struct {
        QVariantList before;
        const char *id;
        QVariantList after;
    } cases[] = {
        {{}, "A", {"A"}},
        {{"A", "B"}, "B", {"A", "B"}},
        {{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"},
         "new",
         {"new", "1", "2", "3", "4", "5", "6", "7", "8", "9"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.id);
        defaults.setObject(c.before, CostCentersDefaultsKey);
        window->setCurrentReferenceID(QLatin1String(c.id));
        host->answers = {0}; // stop at the confirmation
        window->printSheet(TessaroPrintSender::PrintButton);
        QStringList after;
        for (const QVariant &v : defaults.arrayForKey(CostCentersDefaultsKey))
            after << v.toString();
        QStringList expected;
        for (const QVariant &v : c.after)
            expected << v.toString();
        EXPECT_EQ(after, expected);
    }
}

TEST_F(TessaroPrintFlowTest, PaidStampsStayForRecoveryWhenThePrinterRefuses)
{
    printers->refusing << QStringLiteral("office");
    const auto window = load();
    queueStamps(24, 60);
    window->printSheet(TessaroPrintSender::PrintButton);
    EXPECT_EQ(purchases(), 24);
    EXPECT_TRUE(printers->jobs.isEmpty());
    EXPECT_EQ(tessaro::scratchFileNames().size(), 24);
    EXPECT_TRUE(window->recoveryMode());
    EXPECT_EQ(window->printButtonTitle(), QStringLiteral("Recover\u2026"));
    EXPECT_EQ(alertsWithMessage(QStringLiteral("Your stamps could not be printed.")).size(), 1);
    EXPECT_EQ(host->refreshes, 0);

    // Printing again offers the recovery, never a new purchase.
    dialogs->alerts.clear();
    window->printSheet(TessaroPrintSender::PrintButton);
    EXPECT_EQ(purchases(), 24);
    ASSERT_EQ(dialogs->alerts.size(), 1);
    EXPECT_EQ(dialogs->alerts.first().messageText,
              QStringLiteral("You have 24 pieces of recoverable postage to be printed."));
}

TEST_F(TessaroPrintFlowTest, TheRecoveryAlertCountsPiecesAndSheets)
{
    const struct {
        int files;
        int sheetType;
        const char *message;
        const char *informativeEnd;
    } cases[] = {
        {1, TessaroController::Sheet24, "You have 1 piece of recoverable postage to be printed.",
         "load your printer with 1 sheet of unused Zevavored Azozudu labels."},
        {26, TessaroController::Sheet25, "You have 26 pieces of recoverable postage to be printed.",
         "load your printer with 2 sheets of unused Zevavored Azozudu labels."},
        {25, TessaroController::Sheet24, "You have 25 pieces of recoverable postage to be printed.",
         "load your printer with 2 sheets of unused Zevavored Azozudu labels."},
        {24, TessaroController::Sheet24, "You have 24 pieces of recoverable postage to be printed.",
         "load your printer with 1 sheet of unused Zevavored Azozudu labels."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.files);
        QDir(tessaro::pellmarkPath()).removeRecursively();
        leaveScratchStamps(c.files);
        dialogs->alerts.clear();
        const auto window = load();
        EXPECT_TRUE(window->recoveryMode());
        window->setCurrentSheetType(c.sheetType);
        window->doRecovery(); // "Recover Later"
        ASSERT_EQ(dialogs->alerts.size(), 1);
        const Alert &alert = dialogs->alerts.first();
        EXPECT_EQ(alert.messageText, QLatin1String(c.message));
        EXPECT_TRUE(alert.informativeText.endsWith(QLatin1String(c.informativeEnd)))
            << alert.informativeText.toStdString();
        ASSERT_EQ(alert.buttons.size(), 2);
        EXPECT_EQ(alert.buttons[0].title, QStringLiteral("Print Now\u2026"));
        EXPECT_EQ(alert.buttons[1].title, QStringLiteral("Recover Later"));
        EXPECT_TRUE(window->recoveryMode());
        EXPECT_EQ(tessaro::scratchFileNames().size(), c.files);
    }
}

TEST_F(TessaroPrintFlowTest, RecoveryPrintsTheWaitingStampsWithoutBuying)
{
    leaveScratchStamps(26);
    const auto window = load();
    window->setCurrentSheetType(TessaroController::Sheet25);
    dialogs->answers = {1}; // "Print Now…"
    window->printSheet(TessaroPrintSender::PrintButton);

    EXPECT_EQ(purchases(), 0);
    ASSERT_EQ(printers->jobs.size(), 1);
    EXPECT_EQ(pdfPages(printers->jobs.first().document), 2);
    keepForViewing(printers->jobs.first().document, "recovery25.pdf");
    const QList<TessaroPage> pages = window->pageView()->sheetArray();
    ASSERT_EQ(pages.size(), 2);
    EXPECT_EQ(tolvaneTessaroCountOfNonNullObjects(pages[0]), 25);
    EXPECT_EQ(tolvaneTessaroCountOfNonNullObjects(pages[1]), 1);
    EXPECT_EQ(pages[0][0].view->pieceCount()->text(), QStringLiteral("3000"));
    EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
    EXPECT_FALSE(window->recoveryMode());
    EXPECT_EQ(window->printButtonTitle(), QStringLiteral("Print\u2026"));
    EXPECT_TRUE(log->records.isEmpty());
    EXPECT_TRUE(pdfCopies().isEmpty());
}

TEST_F(TessaroPrintFlowTest, ACancelledRecoveryPanelKeepsEverything)
{
    leaveScratchStamps(3);
    const auto window = load();
    host->printPanelAnswer = [](const PrintInfo &) { return std::nullopt; };
    dialogs->answers = {1};
    window->printSheet(TessaroPrintSender::PrintButton);
    EXPECT_TRUE(printers->jobs.isEmpty());
    EXPECT_EQ(tessaro::scratchFileNames().size(), 3);
    EXPECT_TRUE(window->recoveryMode());
}

TEST_F(TessaroPrintFlowTest, RecoverySetsUnreadableFilesAsideAndRemovesOnlyWhatItPrinted)
{
    const struct {
        const char *name;
        int mode;
        int good; // readable stamps waiting
        int pages;
    } cases[] = {
        {"sheet, some unreadable", TessaroController::SheetMode, 3, 1},
        {"sheet, all unreadable", TessaroController::SheetMode, 0, 0},
        {"roll, some unreadable", TessaroController::RollMode, 2, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        addRollPrinter();
        leaveScratchStamps(c.good);
        leaveUnreadableScratchFile(QStringLiteral("17.tolvanestamp"), "not a property list");
        leaveUnreadableScratchFile(QStringLiteral("2999.tolvanestamp"), QByteArray(40, '\0'));
        const auto window = load(c.mode);
        ASSERT_TRUE(window->recoveryMode());
        dialogs->answers = {1}; // "Print Now"
        window->printSheet(TessaroPrintSender::PrintButton);

        EXPECT_EQ(purchases(), 0); // nothing is bought in any case
        if (c.pages > 0) {
            ASSERT_EQ(printers->jobs.size(), 1);
            EXPECT_EQ(pdfPages(printers->jobs.first().document), c.pages);
        } else {
            EXPECT_TRUE(printers->jobs.isEmpty());
        }
        EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
        EXPECT_FALSE(window->recoveryMode());
        // The unreadable files are kept, byte for byte, in the damaged folder.
        const QDir damaged(tessaro::damagedScratchPath());
        EXPECT_EQ(contents(damaged.filePath(QStringLiteral("17.tolvanestamp"))), QByteArray("not a property list"));
        EXPECT_EQ(contents(damaged.filePath(QStringLiteral("2999.tolvanestamp"))), QByteArray(40, '\0'));
        const QList<Alert> reports = alertsWithMessage(QStringLiteral("Some unprinted stamps could not be read."));
        ASSERT_EQ(reports.size(), 1);
        EXPECT_TRUE(reports.first().informativeText.contains(QStringLiteral("17.tolvanestamp")));
        EXPECT_TRUE(reports.first().informativeText.contains(QStringLiteral("2999.tolvanestamp")));
    }

    // A later print removes the files of its own stamps only.
    TearDown();
    SetUp();
    leaveUnreadableScratchFile(QStringLiteral("5.tolvanestamp"), "damaged");
    dialogs->answers = {1};
    const auto window = load();
    window->printSheet(TessaroPrintSender::PrintButton);
    ASSERT_FALSE(window->recoveryMode());
    queueStamps(24, 50);
    window->printSheet(TessaroPrintSender::PrintButton);
    EXPECT_EQ(purchases(), 24);
    ASSERT_EQ(printers->jobs.size(), 1);
    EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
    EXPECT_EQ(contents(QDir(tessaro::damagedScratchPath()).filePath(QStringLiteral("5.tolvanestamp"))),
              QByteArray("damaged"));
}

TEST_F(TessaroPrintFlowTest, RecoveryLogsTheWaitingStampsNoEntryCovers)
{
    using tessaro::ScratchLogEntry;
    const struct {
        const char *name;
        int owed;        // stamps of a run that died before its entry
        int covered;     // stamps whose entry was written
        bool entryInLog; // the run died after its entry, before the marks
        bool maker;      // the maker's edition
        int entriesWritten;
    } cases[] = {
        {"a run that died before its entry", 3, 2, false, false, 1},
        {"a run that died after its entry", 3, 0, true, false, 0},
        {"nothing owed", 0, 4, false, false, 0},
        {"the maker's edition", 3, 0, false, true, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        leaveScratchStamps(c.covered, ScratchLogEntry::Written, 2000);
        leaveScratchStamps(c.owed, ScratchLogEntry::Owed, 3000);
        const auto newest = QVRHOResponse::responseWithData(stampReply(3000 + quint32(c.owed) - 1).bytes());
        // An earlier run's entry never counts as this run's.
        log->records << QVariantMap{{QVUSPSShipmentRHOTransactionTypeKey, QVUSPSShipmentRHOTessaroTransaction},
                                    {QVUSPSShipmentRHODeviceIDKey, newest->meterID()},
                                    {QVUSPSShipmentRHOBalanceKey, QStringLiteral("999.99")}};
        if (c.entryInLog)
            log->records << QVariantMap{{QVUSPSShipmentRHOTransactionTypeKey, QVUSPSShipmentRHOTessaroTransaction},
                                        {QVUSPSShipmentRHODeviceIDKey, newest->meterID()},
                                        {QVUSPSShipmentRHOBalanceKey, newest->balanceString()}};
        const qsizetype before = log->records.size();
        const auto window = load(TessaroController::SheetMode, c.maker);
        ASSERT_TRUE(window->recoveryMode());

        window->doRecovery(); // "Recover Later": the entry is written all the same
        ASSERT_EQ(log->records.size(), before + c.entriesWritten);
        if (c.entriesWritten) {
            const QVariantMap &entry = log->records.last();
            EXPECT_EQ(entry.value(QVUSPSShipmentRHOTransactionTypeKey).toString(), QStringLiteral("Tessaro"));
            EXPECT_EQ(entry.value(QVUSPSShipmentRHOTessaroCountKey).toInt(), c.owed);
            EXPECT_EQ(entry.value(QVShipmentPriceKey).toString(), QStringLiteral("1.47"));
            EXPECT_EQ(entry.value(QVUSPSShipmentRHOBalanceKey).toString(), newest->balanceString());
            EXPECT_EQ(entry.value(QVUSPSShipmentRHOAccountKey).toLongLong(), 1234567);
            EXPECT_EQ(entry.value(QVShipmentInvoiceNumberKey).toString(), QStringLiteral("R-1"));
            EXPECT_TRUE(entry.value(QVShipmentPrintDateKey).toDateTime().isValid());
        }
        EXPECT_EQ(stampsOwingTheirEntry(), c.maker ? c.owed : 0);
        EXPECT_EQ(tessaro::scratchFileNames().size(), c.owed + c.covered);

        // Asking again, and the recovery print, log nothing more.
        dialogs->answers = {1};
        window->printSheet(TessaroPrintSender::PrintButton);
        EXPECT_EQ(log->records.size(), before + c.entriesWritten);
        ASSERT_EQ(printers->jobs.size(), 1);
        EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
        EXPECT_EQ(purchases(), 0);
    }

    // A log that refuses the entry: reported, and the stamps still owe it
    // until a later attempt succeeds.
    TearDown();
    SetUp();
    leaveScratchStamps(2, ScratchLogEntry::Owed);
    log->refuseWrites = true;
    const auto window = load();
    window->doRecovery();
    const QList<Alert> reports =
        alertsWithMessage(QStringLiteral("The stamps you bought could not be written to the mailing log."));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().informativeText.startsWith(QStringLiteral("The entry for 2 stamps ($0.98)")))
        << reports.first().informativeText.toStdString();
    EXPECT_EQ(stampsOwingTheirEntry(), 2);
    log->refuseWrites = false;
    window->doRecovery();
    window->doRecovery();
    ASSERT_EQ(log->records.size(), 1);
    EXPECT_EQ(log->records.first().value(QVUSPSShipmentRHOTessaroCountKey).toInt(), 2);
    EXPECT_EQ(stampsOwingTheirEntry(), 0);
}

TEST_F(TessaroPrintFlowTest, APrintedStampLeavesOnlyOnceItsMailingLogEntryIsWritten)
{
    const QString refused = QStringLiteral("The stamps you bought could not be written to the mailing log.");
    const auto unlogged = [] { return tessaro::scratchFileNames(tessaro::unloggedScratchPath()); };
    // The log accepts writes again once the job prints (when `heals`).
    const auto healWhilePrinting = [this](bool heals) {
        host->onProgress = [this, heals](int) {
            if (heals && host->progressTexts.last().startsWith(QStringLiteral("Printing")))
                log->refuseWrites = false;
        };
    };
    const struct {
        const char *name;
        bool recovery; // stamps of a run that died before its entry, or two bought now
        bool heals;
    } cases[] = {
        {"a run whose entry is refused once", false, true},
        {"a run whose entry is always refused", false, false},
        {"a recovery whose entry is refused once", true, true},
        {"a recovery whose entry is always refused", true, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        if (c.recovery)
            leaveScratchStamps(2, tessaro::ScratchLogEntry::Owed, 800);
        const auto window = load();
        log->refuseWrites = true;
        healWhilePrinting(c.heals);
        dialogs->onAlert = [this](int index) -> std::optional<int> {
            if (dialogs->alerts[index].messageText.startsWith(QStringLiteral("You have ")))
                return 1; // "Print Now…"
            return std::nullopt;
        };
        window->setSelectedCells({0, 1});
        if (!c.recovery)
            queueStamps(2, 800);
        const int purchasesBefore = purchases(); // the server lives through the cases
        window->printSheet(c.recovery ? TessaroPrintSender::PrintButton : TessaroPrintSender::PrintSelected);

        EXPECT_EQ(purchases() - purchasesBefore, c.recovery ? 0 : 2);
        ASSERT_EQ(printers->jobs.size(), 1);
        EXPECT_TRUE(tessaro::scratchFileNames().isEmpty()); // never printed again
        EXPECT_FALSE(window->recoveryMode());
        const QList<Alert> reports = alertsWithMessage(refused);
        if (c.heals) {
            ASSERT_EQ(log->records.size(), 1);
            EXPECT_EQ(log->records.first().value(QVUSPSShipmentRHOTessaroCountKey).toInt(), 2);
            EXPECT_EQ(log->records.first().value(QVUSPSShipmentRHOBalanceKey).toString(),
                      QVRHOResponse::responseWithData(stampReply(801).bytes())->balanceString());
            EXPECT_EQ(reports.size(), 1);
            EXPECT_TRUE(unlogged().isEmpty());
            continue;
        }
        EXPECT_TRUE(log->records.isEmpty());
        ASSERT_EQ(reports.size(), 2);
        EXPECT_TRUE(reports.last().informativeText.contains(QStringLiteral("The stamps are printed.")))
            << reports.last().informativeText.toStdString();
        EXPECT_EQ(unlogged(), QStringList({QStringLiteral("800.tolvanestamp"), QStringLiteral("801.tolvanestamp")}));

        // The next print writes the kept stamps' entry after its own.
        log->refuseWrites = false;
        queueStamps(2, 900);
        window->printSheet(TessaroPrintSender::PrintSelected);
        EXPECT_EQ(printers->jobs.size(), 2);
        ASSERT_EQ(log->records.size(), 2);
        EXPECT_EQ(log->records[0].value(QVUSPSShipmentRHOBalanceKey).toString(),
                  QVRHOResponse::responseWithData(stampReply(901).bytes())->balanceString());
        EXPECT_EQ(log->records[1].value(QVUSPSShipmentRHOTessaroCountKey).toInt(), 2);
        EXPECT_EQ(log->records[1].value(QVUSPSShipmentRHOBalanceKey).toString(),
                  QVRHOResponse::responseWithData(stampReply(801).bytes())->balanceString());
        EXPECT_TRUE(unlogged().isEmpty());
        EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
        EXPECT_FALSE(window->recoveryMode());
    }
}

TEST_F(TessaroPrintFlowTest, AfterARecoveryPrintTheWindowWaitsWhileScratchFilesRemain)
{
    const struct {
        const char *name;
        int mode;
    } cases[] = {
        {"sheet", TessaroController::SheetMode},
        {"roll", TessaroController::RollMode},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        addRollPrinter();
        leaveScratchStamps(2);
        const auto window = load(c.mode);
        ASSERT_TRUE(window->recoveryMode());
        // While the waiting stamps print, another stamp arrives in the
        // folder (a second copy of the program bought it): it still waits.
        host->onProgress = [this](int) {
            if (host->progressTexts.last().startsWith(QStringLiteral("Printing")))
                leaveScratchStamps(1, tessaro::ScratchLogEntry::Written, 5000);
        };
        dialogs->answers = {1}; // "Print Now"
        window->printSheet(TessaroPrintSender::PrintButton);

        ASSERT_EQ(printers->jobs.size(), 1);
        EXPECT_EQ(tessaro::scratchFileNames(), QStringList{QStringLiteral("5000.tolvanestamp")});
        EXPECT_TRUE(window->recoveryMode());
    }
}

TEST_F(TessaroPrintFlowTest, TheMailingLogFileKeepsTheRunsEntryAndRecoveryFindsIt)
{
    // The application's own mailing log, its file in the test's support folder.
    const QString logPath = QDir(applicationSupportDirectory()).filePath(QVMailingLogFileName);
    QVMailingLog::resetSharedMailingLog();
    QFile::remove(logPath);
    registerMailingLog();
    const auto window = load();
    window->setCurrentReferenceID(QStringLiteral("Order 7"));
    queueStamps(2, 640);
    const QList<TessaroPage> pages = window->viewArrayForRequests(window->stamps().mid(0, 2), 1, false);
    ASSERT_EQ(pages.size(), 1);
    ASSERT_EQ(tolvaneTessaroCountOfNonNullObjects(pages[0]), 2);
    ASSERT_TRUE(window->lastRHOResponse());

    const auto readBack = [&logPath] {
        QString error;
        std::unique_ptr<QVMailingLog> log = QVMailingLog::logWithPath(logPath, &error);
        EXPECT_TRUE(log) << error.toStdString();
        return log;
    };
    std::unique_ptr<QVMailingLog> file = readBack();
    ASSERT_TRUE(file);
    ASSERT_EQ(file->itemsInLog(), 1);
    const std::shared_ptr<QVShipment> entry = file->shipmentAtIndex(0);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->objectForKey(QVUSPSShipmentRHOTransactionTypeKey).toString(), QStringLiteral("Tessaro"));
    EXPECT_EQ(entry->objectForKey(QVUSPSShipmentRHOTessaroCountKey).toInt(), 2);
    EXPECT_EQ(entry->objectForKey(QVUSPSShipmentRHOAccountKey).toLongLong(), 1234567);
    EXPECT_EQ(entry->objectForKey(QVUSPSShipmentRHOBalanceKey).toString(), window->lastRHOResponse()->balanceString());
    EXPECT_FALSE(entry->objectForKey(QVUSPSShipmentRHOBalanceKey).toString().isEmpty());
    EXPECT_EQ(entry->objectForKey(QVUSPSShipmentRHODeviceIDKey).toString(), window->lastRHOResponse()->meterID());
    EXPECT_EQ(entry->objectForKey(QVShipmentInvoiceNumberKey).toString(), QStringLiteral("Order 7"));
    EXPECT_EQ(
        entry->objectForKey(QVShipmentPriceKey).toString(),
        twoDigitDollarFormatter().stringFromNumber(window->stamps()[0]->postage() + window->stamps()[1]->postage()));

    // The program ends after writing the entry and before marking the files:
    // on the next start recovery finds the run's entry in the file and
    // writes no second one.
    for (const tessaro::ScratchStamp &stamp : tessaro::readScratchFolder()) {
        ASSERT_TRUE(QFile::remove(stamp.path));
        ASSERT_FALSE(tessaro::writeScratchFile(*stamp.request, *stamp.response, nullptr, tessaro::ScratchLogEntry::Owed)
                         .isEmpty());
    }
    ASSERT_EQ(stampsOwingTheirEntry(), 2);
    QVMailingLog::resetSharedMailingLog();
    const auto restarted = load();
    ASSERT_TRUE(restarted->recoveryMode());
    restarted->doRecovery(); // "Recover Later"
    EXPECT_EQ(stampsOwingTheirEntry(), 0);
    file = readBack();
    ASSERT_TRUE(file);
    EXPECT_EQ(file->itemsInLog(), 1);
    EXPECT_TRUE(
        alertsWithMessage(QStringLiteral("The stamps you bought could not be written to the mailing log.")).isEmpty());

    QVMailingLog::resetSharedMailingLog();
    QFile::remove(logPath);
}

TEST_F(TessaroPrintFlowTest, APrintThatFailsKeepsThePaidStampsAndWaitsForRecovery)
{
    const struct {
        const char *name;
        int mode;
        int waiting; // scratch files before the print (recovery)
        int bought;
    } cases[] = {
        {"sheet recovery", TessaroController::SheetMode, 4, 0},
        {"roll print", TessaroController::RollMode, 0, 2},
        {"roll recovery", TessaroController::RollMode, 3, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        addRollPrinter();
        printers->refusing << QStringLiteral("office") << QStringLiteral("single");
        leaveScratchStamps(c.waiting);
        const auto window = load(c.mode);
        window->setSheetCount(2);
        queueStamps(c.bought, 600);
        const int purchasesBefore = purchases(); // the server lives through the cases
        dialogs->answers = {1};                  // "Print Now" when recovering
        window->printSheet(TessaroPrintSender::PrintButton);

        EXPECT_EQ(purchases() - purchasesBefore, c.bought);
        EXPECT_TRUE(printers->jobs.isEmpty());
        EXPECT_EQ(alertsWithMessage(QStringLiteral("Your stamps could not be printed.")).size(), 1);
        EXPECT_EQ(tessaro::scratchFileNames().size(), c.waiting + c.bought);
        EXPECT_TRUE(window->recoveryMode());
        EXPECT_EQ(host->refreshes, 0);
    }
}

TEST_F(TessaroPrintFlowTest, AStampThatCannotBeDrawnWaitsAndIsSetAsideByRecovery)
{
    const auto window = load();
    window->setSelectedCells({0, 1, 2});
    FakePostageReply empty = stampReply(71);
    empty.indicium.clear();
    server.queueReplies(StampIndiciumWire, {stampReply(70), empty});
    window->printSheet(TessaroPrintSender::PrintSelected);

    EXPECT_EQ(purchases(), 2);
    ASSERT_EQ(printers->jobs.size(), 1); // the good stamp
    EXPECT_EQ(alertsWithMessage(QStringLiteral("A stamp you bought cannot be printed.")).size(), 1);
    EXPECT_EQ(tessaro::scratchFileNames(), QStringList{QStringLiteral("71.tolvanestamp")});
    EXPECT_TRUE(window->recoveryMode());

    // Recovery cannot draw it either: it is set aside and named.
    dialogs->answers = {1};
    window->printSheet(TessaroPrintSender::PrintButton);
    EXPECT_EQ(purchases(), 2);
    EXPECT_EQ(printers->jobs.size(), 1);
    EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
    EXPECT_TRUE(QFile::exists(QDir(tessaro::damagedScratchPath()).filePath(QStringLiteral("71.tolvanestamp"))));
    const QList<Alert> reports = alertsWithMessage(QStringLiteral("Some unprinted stamps could not be read."));
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports.first().informativeText.contains(QStringLiteral("71.tolvanestamp")));
    EXPECT_FALSE(window->recoveryMode());
}

// ---- Rolls ---------------------------------------------------------------------

TEST_F(TessaroPrintFlowTest, ThePrinterAndRollPopUpsFollowThePrinter)
{
    printers->add(QStringLiteral("dual"), QStringLiteral("Kivo Tagwright 360 Dual Swift"));
    printers->add(QStringLiteral("single"), QStringLiteral("Kivo Tagwright 360 Swift"));
    host->printer = true;
    const struct {
        const char *printer;
        const char *storedTray;
        QStringList trays;
        const char *tray;
        bool enabled;
    } cases[] = {
        {"dual", "Right Roll", {"Left Roll", "Right Roll"}, "Right Roll", true},
        {"dual", "", {"Left Roll", "Right Roll"}, "Left Roll", true},
        {"single", "Right Roll", {"Main Roll"}, "Main Roll", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.printer);
        UserDefaults::standardUserDefaults().setString(QLatin1String(c.printer), TessaroKivoPrinterNameDefaultsKey);
        UserDefaults::standardUserDefaults().setString(QLatin1String(c.storedTray), TessaroKivoTrayNameDefaultsKey);
        const auto window = load(TessaroController::RollMode);
        EXPECT_EQ(window->kivoPrinterItems(), QStringList({QStringLiteral("dual"), QStringLiteral("single")}));
        EXPECT_EQ(window->kivoPrinterTitle(), QLatin1String(c.printer));
        EXPECT_EQ(window->kivoTrayItems(), c.trays);
        EXPECT_EQ(window->kivoTrayTitle(), QLatin1String(c.tray));
        EXPECT_EQ(window->kivoTrayEnabled(), c.enabled);
        const PrintInfo info = window->kivoPrintInfo();
        EXPECT_EQ(info.printerName, QLatin1String(c.printer));
        EXPECT_EQ(info.paperName, QStringLiteral("51134_2-1_4_in_x_1-1_4_in"));
        EXPECT_EQ(info.orientation, PrintInfo::Orientation::Landscape);
        EXPECT_EQ(info.leftMargin, 0);
    }
    const auto window = load(TessaroController::RollMode);
    window->kivoPrinterChanged(QStringLiteral("dual"));
    window->kivoTrayChanged(QStringLiteral("Right Roll"));
    EXPECT_EQ(UserDefaults::standardUserDefaults().stringForKey(TessaroKivoPrinterNameDefaultsKey),
              QStringLiteral("dual"));
    EXPECT_EQ(window->kivoTrayTitle(), QStringLiteral("Right Roll"));
}

TEST_F(TessaroPrintFlowTest, PrintsRollStampsOnTheLabelPrinter)
{
    printers->add(QStringLiteral("dual"), QStringLiteral("Kivo Tagwright 360 Dual Swift"));
    host->printer = true;
    UserDefaults::standardUserDefaults().setString(QStringLiteral("Right Roll"), TessaroKivoTrayNameDefaultsKey);
    const auto window = load(TessaroController::RollMode);
    window->setSheetCount(3);
    queueStamps(3, 810);
    window->printSheet(TessaroPrintSender::PrintButton);

    EXPECT_EQ(purchases(), 3);
    ASSERT_EQ(printers->jobs.size(), 1);
    const SubmittedJob &job = printers->jobs.first();
    EXPECT_EQ(job.queue, QStringLiteral("dual"));
    EXPECT_EQ(pdfPages(job.document), 3);
    keepForViewing(job.document, "roll.pdf");
    EXPECT_EQ(job.options.value(QStringLiteral("KivoPrintDensity")).toString(), QStringLiteral("Normal"));
    EXPECT_EQ(job.options.value(QStringLiteral("InputSlot")).toString(), QStringLiteral("Right"));
    EXPECT_EQ(job.options.value(QStringLiteral("media")).toString(), QStringLiteral("51134_2-1_4_in_x_1-1_4_in"));
    EXPECT_EQ(pdfCopies(), QStringList{QStringLiteral("812.pdf")});
    EXPECT_TRUE(tessaro::scratchFileNames().isEmpty());
    EXPECT_EQ(window->sheetCount(), 1);
    EXPECT_EQ(host->refreshes, 1);
    ASSERT_EQ(host->alerts.size(), 1);
    EXPECT_TRUE(host->alerts.first().startsWith(QStringLiteral("tessaroKIVOReminder|Print|Cancel|1")));
    EXPECT_EQ(host->alertArguments.first().toList(),
              QVariantList({3, QStringLiteral("s"),
                            TessaroController::prettyDollarString(window->kivoStampRequest()->postage() * Decimal(3)),
                            3, QStringLiteral("s"), QStringLiteral("dual"), QStringLiteral(" in the right roll")}));

    // A test print: one label, nothing bought, the count kept.
    window->setSheetCount(4);
    window->testPrint();
    EXPECT_EQ(purchases(), 3);
    ASSERT_EQ(printers->jobs.size(), 2);
    EXPECT_EQ(pdfPages(printers->jobs.last().document), 1);
    EXPECT_EQ(window->sheetCount(), 4);
}

TEST_F(TessaroPrintFlowTest, ARollPrinterWithOneRollNamesNoRollAndChoosesNoSlot)
{
    addRollPrinter(); // a 360 Swift: one roll
    const auto window = load(TessaroController::RollMode);
    queueStamps(1, 830);
    window->printSheet(TessaroPrintSender::PrintButton);

    EXPECT_EQ(purchases(), 1);
    ASSERT_EQ(printers->jobs.size(), 1);
    EXPECT_EQ(printers->jobs.first().queue, QStringLiteral("single"));
    EXPECT_FALSE(printers->jobs.first().options.contains(QStringLiteral("InputSlot")));
    ASSERT_EQ(host->alertArguments.size(), 1);
    const QVariantList arguments = host->alertArguments.first().toList();
    ASSERT_EQ(arguments.size(), 7);
    EXPECT_EQ(arguments[5].toString(), QStringLiteral("single"));
    EXPECT_EQ(arguments[6].toString(), QString()); // no " in the ... roll"
}

TEST_F(TessaroPrintFlowTest, OnlyTheWideLabelPrinterMovesTheLabelLeft)
{
    printers->add(QStringLiteral("wide"), QStringLiteral("Kivo Tagwright WIDE9"));
    addRollPrinter();
    const auto window = load(TessaroController::RollMode);
    const struct {
        const char *printer;
        double left;
    } cases[] = {{"wide", -7.2}, {"single", 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.printer);
        window->kivoPrinterChanged(QLatin1String(c.printer));
        ASSERT_EQ(window->kivoPrinterTitle(), QLatin1String(c.printer));
        const PrintInfo info = window->kivoPrintInfo();
        EXPECT_DOUBLE_EQ(info.leftMargin, c.left);
        EXPECT_DOUBLE_EQ(info.rightMargin, 0);
        EXPECT_DOUBLE_EQ(info.topMargin, 0);
        EXPECT_DOUBLE_EQ(info.bottomMargin, 0);
    }
}

TEST_F(TessaroPrintFlowTest, TheRollRecoveryAlertAsksForLabelsOnThePrinter)
{
    const struct {
        int files;
        const char *message;
        const char *informative;
    } cases[] = {
        {1, "You have 1 piece of recoverable postage to be printed.",
         "You must print this postage before you can print new stamps. Please load your single with 1 Kivo Stamps "
         "label."},
        {3, "You have 3 pieces of recoverable postage to be printed.",
         "You must print this postage before you can print new stamps. Please load your single with 3 Kivo Stamps "
         "labels."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.files);
        TearDown();
        SetUp();
        addRollPrinter();
        leaveScratchStamps(c.files);
        const auto window = load(TessaroController::RollMode);
        ASSERT_TRUE(window->recoveryMode());
        window->doRecovery(); // "Recover Later"
        ASSERT_EQ(dialogs->alerts.size(), 1);
        const Alert &alert = dialogs->alerts.first();
        EXPECT_EQ(alert.messageText, QLatin1String(c.message));
        EXPECT_EQ(alert.informativeText, QLatin1String(c.informative));
        ASSERT_EQ(alert.buttons.size(), 2);
        EXPECT_EQ(alert.buttons[0].title, QStringLiteral("Print Now"));
        EXPECT_EQ(alert.buttons[1].title, QStringLiteral("Recover Later"));
        EXPECT_TRUE(printers->jobs.isEmpty());
        EXPECT_EQ(tessaro::scratchFileNames().size(), c.files);
    }
}

TEST_F(TessaroPrintFlowTest, TheMakersEditionConfirmsAboveTheThresholdAndForExpress)
{
    printers->add(QStringLiteral("single"), QStringLiteral("Kivo Tagwright 360 Swift"));
    host->printer = true;
    UserDefaults::standardUserDefaults().setString(QStringLiteral("500"), KivoStampsThresholdDefaultsKey);
    const struct {
        const char *name;
        const char *postage;
        QString mailClass;
        const char *alertKey; // the information alert shown, or empty
        bool expressAlert;
    } cases[] = {
        {"exactly the threshold", "5.00", QVUSPSFirstClassMail, "kivoStampsReminder", false},
        {"a cent above", "5.01", QVUSPSFirstClassMail, "kivoStampsThresholdReminder", false},
        {"express", "19.99", QVUSPSExpressMail, "", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        host->alerts.clear();
        host->alertArguments.clear();
        dialogs->alerts.clear();
        dialogs->answers = {0}; // the Express alert's "Test Print"
        host->answers = {0};    // information alerts: "Cancel"
        const auto window = load(TessaroController::RollMode, true);
        window->setKivoStampRequest(QVRHOStampIndiciumRequest::stampRequestWithPostageAmount(
            Decimal::fromString(QLatin1String(c.postage)), c.mailClass, 1, QVUSPSLetterSize));
        window->setSheetCount(2 - (c.expressAlert ? 0 : 1));
        const qsizetype jobsBefore = printers->jobs.size();
        window->printSheet(TessaroPrintSender::PrintButton);
        if (*c.alertKey) {
            ASSERT_EQ(host->alerts.size(), 1);
            EXPECT_TRUE(host->alerts.first().startsWith(QLatin1String(c.alertKey)));
            if (QLatin1String(c.alertKey) == QLatin1String("kivoStampsThresholdReminder")) {
                EXPECT_EQ(host->alertArguments.first().toList().value(0).toString(), QStringLiteral("$5.00"));
            }
            EXPECT_EQ(printers->jobs.size(), jobsBefore);
        } else {
            EXPECT_TRUE(host->alerts.isEmpty());
            ASSERT_EQ(alertsWithMessage(QStringLiteral("Kivo Stamps Confirmation")).size(), 1);
            // "Test Print" prints the copy count as samples, buying nothing.
            ASSERT_EQ(printers->jobs.size(), jobsBefore + 1);
            EXPECT_EQ(pdfPages(printers->jobs.last().document), 2);
        }
        EXPECT_EQ(purchases(), 0);
    }
}

TEST_F(TessaroPrintFlowTest, AQuickPrintPrintsOneStampAndRestoresTheWindow)
{
    printers->add(QStringLiteral("single"), QStringLiteral("Kivo Tagwright 360 Swift"));
    host->printer = true;
    const auto window = load(TessaroController::SheetMode);
    window->setSheetCount(5);
    queueStamps(1, 20);
    const TessaroStamp twoOunces = window->quickPrint2ozStampRequest();
    EXPECT_EQ(TessaroController::buttonTitleForQuickPrintAmount(Decimal(49, -2)), QStringLiteral("Print $0.49 Stamp"));
    window->printOneOffWithRequest(twoOunces);
    EXPECT_EQ(purchases(), 1);
    EXPECT_TRUE(host->alerts.isEmpty()); // no confirmation
    ASSERT_EQ(printers->jobs.size(), 1);
    EXPECT_EQ(pdfPages(printers->jobs.first().document), 1);
    EXPECT_EQ(window->sheetCount(), 5);
    EXPECT_EQ(window->currentMode(), TessaroController::SheetMode);
    EXPECT_FALSE(isAutomationMode());
}

TEST_F(TessaroPrintFlowTest, AQuickPrintRestoresTheWindowOnEveryPath)
{
    const struct {
        const char *name;
        std::function<void()> prepare;
        int purchases;
        int jobs;
    } cases[] = {
        {"printed", [this] { queueStamps(1, 20); }, 1, 1},
        {"funds too low, cancelled",
         [this] {
             host->status = statusReply(1234567, 10);
             dialogs->answers = {0};
         },
         0, 0},
        {"purchase refused", [this] { queueStamps(0, 20, 1); }, 1, 0}, // asked once, refused
        {"printer refuses the job",
         [this] {
             queueStamps(1, 20);
             printers->refusing << QStringLiteral("single");
         },
         1, 0},
        {"recovery waiting", [this] { leaveScratchStamps(1); }, 0, 0},
        {"no label printer", [this] { host->printer = false; }, 0, 0},
    };
    for (const auto &c : cases) {
        for (const bool automation : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (automation ? ", automation on" : ""));
            TearDown();
            SetUp();
            addRollPrinter();
            const int purchasesBefore = purchases(); // the server lives through the cases
            c.prepare();
            const auto window = load(TessaroController::SheetMode);
            window->setSheetCount(5);
            const TessaroStamp rollStamp = window->kivoStampRequest();
            setAutomationMode(automation);

            window->printOneOffWithRequest(window->quickPrint1lbPrioStampRequest());

            EXPECT_EQ(purchases() - purchasesBefore, c.purchases);
            EXPECT_EQ(printers->jobs.size(), c.jobs);
            EXPECT_EQ(window->sheetCount(), 5);
            EXPECT_EQ(window->sheetCountText(), QStringLiteral("5"));
            EXPECT_EQ(window->currentMode(), TessaroController::SheetMode);
            EXPECT_EQ(window->kivoStampRequest(), rollStamp);
            EXPECT_EQ(isAutomationMode(), automation);
        }
    }
}

// ---- Page views ------------------------------------------------------------------

TEST_F(TessaroPrintFlowTest, PageViewsPlaceTheRightNumberOfStamps)
{
    const auto window = load();
    const auto stampPage = [&window](int count) {
        TessaroPage page;
        for (int i = 0; i < count; ++i)
            page.append(
                TessaroPageEntry{TessaroController::stampViewForStampRequest(*window->stamps()[0], nullptr, true, false,
                                                                             TessaroIndiciumViewClass::Stamp2000),
                                 {}});
        return page;
    };
    const struct {
        bool twentyFour;
        int given;
        int placed;
    } cases[] = {{true, 30, 24}, {true, 24, 24}, {true, 23, 0}, {false, 25, 25}, {false, 24, 0}, {false, 26, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.given);
        std::unique_ptr<TessaroSheetView> view =
            c.twentyFour ? std::make_unique<TessaroSheet2000View>() : std::make_unique<TessaroSheetView>();
        TessaroPage page = stampPage(c.given);
        if (c.given > 3)
            page[3] = TessaroPageEntry();
        EXPECT_EQ(view->setUpSheetWithStampViews(page), c.placed > 0);
        int placed = 0;
        for (auto *stamp : view->placedViews())
            placed += stamp ? 1 : 0;
        EXPECT_EQ(placed, c.placed > 0 ? c.placed - 1 : 0);
    }
    TessaroSheet2000View view;
    EXPECT_EQ(view.stampRect(0), QRectF(86.4, 792 - 642.63 - 90, 108, 90));
    EXPECT_EQ(view.stampRect(23), QRectF(86.4 + 3 * 124.56, 792 - (642.63 - 5 * 117.15) - 90, 108, 90));
    TessaroSheetView sheet25;
    EXPECT_EQ(sheet25.stampRect(6), QRectF(64.08 + 98, 792 - (601.92 - 137.16) - 135, 80, 135));
    sheet25.setSheetCount(2);
    const PrintInfo info;
    EXPECT_EQ(sheet25.rectForPage(2, info), QRectF(0, 0, 612, 792));
    EXPECT_TRUE(sheet25.rectForPage(3, info).isEmpty());
}
