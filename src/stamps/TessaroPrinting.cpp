// The stamp window's printing: the purchase loop, recovery of unprinted
// stamps, the sheet print flow and the roll print flow.
//
// The mailing log: a purchase run appends one entry for the stamps it paid
// for before anything prints; every scratch file says whether its stamp
// still owes that entry (see TessaroScratch.h), and the recovery alert first
// logs the waiting stamps that no entry covers (a program that died during
// the run), unless the log already holds that run's entry. A print removes
// the files of its stamps only once their entry is written: an entry the log
// refused is tried again first, and while it is still refused the printed
// stamps' files wait in the unlogged folder for the next print.
//
// The maker's stamps-only edition writes no entry, neither after a run nor
// in recovery, and its scratch files owe none. That edition shows the stamp
// view only: no mailing-log window, no archiving and no large-log warning,
// so entries there would grow a file that its user can neither see nor
// trim. Its stamps are not lost by this: the postage server keeps the
// account's record of every indicium bought, and the scratch files keep
// every paid stamp until it prints. Leaving it unlogged is that edition's
// design, not a lost record.
#include "stamps/TessaroController.h"

#include "barcodes/imaging/ViewOutput.h"
#include "barcodes/indicia/QVDataMatrixBarcode.h"
#include "model/MailingLogServices.h"
#include "model/NumericFormatters.h"
#include "model/QVShipment.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "printing/layouts/QVPrintPanelMarginViewController.h"
#include "printing/thermal/KIVONewTagwright.h"
#include "rates/QVUSPSRateClassNames.h"
#include "services/QVRHOCommandCenter.h"
#include "services/QVRHOResponse.h"
#include "stamps/QVKIVOStampIndiciumView.h"
#include "stamps/TessaroNullChecking.h"
#include "stamps/TessaroScratch.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

const QString kEllipsis = QStringLiteral("\u2026");

UserDefaults &defaults() { return UserDefaults::standardUserDefaults(); }

QString pluralSuffix(qint64 count) { return count == 1 ? QString() : QStringLiteral("s"); }

int runSimpleAlert(const QString &message, const QString &informative)
{
    Alert alert = alertWithText(message, informative);
    alert.buttons = {{QStringLiteral("OK"), 1}};
    alert.cancelAnswer = 1;
    return runAlert(alert);
}

// The settings every sheet print is forced to: Letter in portrait, clipped
// both ways, not centred across, one-sided, all pages, one copy, full size.
PrintInfo letterSheetPrintInfo(PrintInfo info)
{
    info.paperName = QStringLiteral("Letter");
    info.paperSize = QSizeF(612, 792);
    info.orientation = PrintInfo::Orientation::Portrait;
    info.horizontalPagination = PrintInfo::Pagination::Clip;
    info.verticalPagination = PrintInfo::Pagination::Clip;
    info.horizontallyCentered = false;
    info.duplex = PrintInfo::Duplex::OneSided;
    info.allPages = true;
    info.copies = 1;
    info.scalingFactor = 1.0;
    return info;
}

// The leading whole number of a text ("500" is 500, "abc" 0).
qint64 leadingInteger(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype i = 0;
    const bool negative = i < trimmed.size() && trimmed[i] == QLatin1Char('-');
    if (negative || (i < trimmed.size() && trimmed[i] == QLatin1Char('+')))
        ++i;
    qint64 value = 0;
    for (; i < trimmed.size() && trimmed[i].isDigit() && trimmed[i].unicode() < 128 && value < (qint64(1) << 50); ++i)
        value = value * 10 + (trimmed[i].unicode() - '0');
    return negative ? -value : value;
}

// The print sheet's accessory: margins only, no label placement.
std::unique_ptr<tolvane::QVPrintPanelMarginViewController> sheetAccessory()
{
    auto accessory = std::make_unique<tolvane::QVPrintPanelMarginViewController>();
    accessory->setIsPlacingLandscapeLabel(false);
    accessory->setShowsLabelPlacementBox(false);
    return accessory;
}

// The mailing-log entry of stamps bought: their number and postage, the
// account, device and balance of the newest reply, the time now and the
// reference ID when there is one.
QVariantMap stampsLogEntry(int count, const Decimal &total, const QVRHOResponse &newest,
                           const std::optional<QString> &referenceID)
{
    const QDateTime now = QDateTime::currentDateTime();
    QVariantMap entry{
        {QVUSPSShipmentRHOTransactionTypeKey, QVUSPSShipmentRHOTessaroTransaction},
        {QVUSPSShipmentRHOTessaroCountKey, count},
        {QVUSPSShipmentRHOAccountKey, QVariant::fromValue<qint64>(newest.serialNumber())},
        {QVUSPSShipmentRHODeviceIDKey, newest.meterID()},
        {QVUSPSShipmentRHOBalanceKey, newest.balanceString()},
        {QVShipmentShipDateKey, now},
        {QVShipmentPrintDateKey, now},
        {QVShipmentPriceKey, twoDigitDollarFormatter().stringFromNumber(total)},
        {QVUSPSShipmentPostageEnabledKey, true},
    };
    if (referenceID && !referenceID->isEmpty())
        entry.insert(QVShipmentInvoiceNumberKey, *referenceID);
    return entry;
}

// What a refused entry means for the stamps, said at the end of the report.
const QString kStampsStillPrint = QStringLiteral("The stamps will still be printed.");
const QString kStampsPrintedEntryLater =
    QStringLiteral("The stamps are printed. Their files are kept in the folder \u201c%1\u201d, and the entry is "
                   "written after your next stamp print.");

// Appends the entry to the mailing log; a refusal is reported, ending with
// what it means for the stamps.
bool writeStampsLogEntry(const QVariantMap &entry, const QString &consequence = kStampsStillPrint)
{
    const std::shared_ptr<QVShipment> shipment = QVShipment::shipmentWithDictionary(entry);
    const auto log = sharedMailingLog();
    if (shipment && log && log->writeShipmentToLog(*shipment))
        return true;
    const int count = entry.value(QVUSPSShipmentRHOTessaroCountKey).toInt();
    runSimpleAlert(QStringLiteral("The stamps you bought could not be written to the mailing log."),
                   QStringLiteral("The entry for %1 stamp%2 ($%3) is missing from your mailing log. %4")
                       .arg(count)
                       .arg(pluralSuffix(count))
                       .arg(entry.value(QVShipmentPriceKey).toString(), consequence));
    return false;
}

// Whether the mailing log holds the entry of the run whose newest stamp
// has this reply: a run's entry carries the device and the balance after
// its last purchase, and the balance falls with every stamp bought.
bool logHoldsRunEntry(QVMailingLogServices &log, const QVRHOResponse &newest)
{
    const QString device = newest.meterID();
    const QString balance = newest.balanceString();
    for (quint32 i = log.itemsInLog(); i-- > 0;) {
        const std::shared_ptr<QVShipment> entry = log.shipmentAtIndex(i);
        if (entry &&
            entry->objectForKey(QVUSPSShipmentRHOTransactionTypeKey).toString() ==
                QVUSPSShipmentRHOTessaroTransaction &&
            entry->objectForKey(QVUSPSShipmentRHODeviceIDKey).toString() == device &&
            entry->objectForKey(QVUSPSShipmentRHOBalanceKey).toString() == balance)
            return true;
    }
    return false;
}

// The stamps that no mailing-log entry covers get one entry now: those
// printed while the log refused their entry (kept in the unlogged folder),
// then those of the scratch folder that still owe it (the program ended
// after buying them and before the run's entry was written, or the log
// refused it). When the program ended after writing the entry but before
// marking the files, the entry is found in the log and the files are only
// marked. Answers whether no stamp owes its entry any more; a refusal is
// reported with the consequence given.
bool logStampsNoEntryCovers(const QString &consequence)
{
    const QList<tessaro::ScratchStamp> held = tessaro::readScratchFolder(tessaro::unloggedScratchPath());
    QList<tessaro::ScratchStamp> owed;
    for (const tessaro::ScratchStamp &stamp : tessaro::readScratchFolder())
        if (stamp.logEntryOwed)
            owed.append(stamp);
    if (held.isEmpty() && owed.isEmpty())
        return true;
    QStringList heldPaths, owedPaths;
    Decimal total = Decimal::zero();
    for (const tessaro::ScratchStamp &stamp : held) {
        heldPaths << stamp.path;
        total += stamp.request->postage();
    }
    for (const tessaro::ScratchStamp &stamp : std::as_const(owed)) {
        owedPaths << stamp.path;
        total += stamp.request->postage();
    }
    // Read in buying order: the last one is the newest.
    const tessaro::ScratchStamp &newest = owed.isEmpty() ? held.last() : owed.last();
    const auto log = sharedMailingLog();
    const bool written = (log && logHoldsRunEntry(*log, *newest.response)) ||
        writeStampsLogEntry(stampsLogEntry(int(held.size() + owed.size()), total, *newest.response,
                                           newest.request->referenceID()),
                            consequence);
    if (!written)
        return false;
    if (!tessaro::markLogEntriesWritten(owedPaths))
        qWarning("A scratch file could not be marked as logged.");
    if (!tessaro::removeScratchFiles(heldPaths))
        qWarning("The file of a printed and logged stamp could not be removed.");
    return true;
}

const QString kPrintingFailed = QStringLiteral("Your stamps could not be printed.");
const QString kPrintingFailedInformative =
    QStringLiteral("%1\n\nThe postage has been paid and is kept: the next print will offer to print these stamps "
                   "again.");

} // namespace

// ---- Print settings -----------------------------------------------------------------

void TessaroController::setupSheetView()
{
    if (m_sheetType == Sheet25) {
        if (!m_pageView || dynamic_cast<TessaroSheet2000View *>(m_pageView.get()) ||
            dynamic_cast<TessaroKivoPrintView *>(m_pageView.get()))
            m_pageView = std::make_unique<TessaroSheetView>();
    } else if (!dynamic_cast<TessaroSheet2000View *>(m_pageView.get())) {
        m_pageView = std::make_unique<TessaroSheet2000View>();
    }
}

QVPrintOperation TessaroController::printOperationWithPrintInfo(const PrintInfo &info) const
{
    QVPrintOperation operation(m_pageView.get(), info);
    operation.setJobTitle(TessaroSheetView::printJobTitle());
    return operation;
}

QVPrintOperation TessaroController::savePrintOperationAtPath(const QString &path) const
{
    PrintInfo info = printInfo();
    info.jobDisposition = PrintInfo::JobDisposition::Save;
    info.savePath = path;
    return printOperationWithPrintInfo(info);
}

bool TessaroController::rateMenuWithMedia() const { return defaults().boolForKey(AllowTessaroMediaMailDefaultsKey); }

// ---- Purchase -------------------------------------------------------------------------

TessaroIndiciumViewClass TessaroController::indiciumViewClassForCurrentMode() const
{
    if (m_mode == RollMode)
        return TessaroIndiciumViewClass::KivoStamp;
    if (m_mode == SheetMode)
        return m_sheetType == Sheet24 ? TessaroIndiciumViewClass::Stamp2000 : TessaroIndiciumViewClass::Stamp;
    return TessaroIndiciumViewClass::None;
}

std::shared_ptr<tolvane::QVStampIndiciumView>
TessaroController::stampViewForStampRequest(const QVRHOStampIndiciumRequest &request,
                                            const std::shared_ptr<QVRHOResponse> &response, bool sample, bool drawVoid,
                                            TessaroIndiciumViewClass viewClass)
{
    std::shared_ptr<tolvane::QVStampIndiciumView> view;
    switch (viewClass) {
    case TessaroIndiciumViewClass::Stamp:
        view = std::make_shared<tolvane::QVStampIndiciumView>();
        break;
    case TessaroIndiciumViewClass::Stamp2000:
        view = std::make_shared<tolvane::QVStamp2000IndiciumView>();
        break;
    case TessaroIndiciumViewClass::KivoStamp:
        view = std::make_shared<QVKIVOStampIndiciumView>();
        break;
    case TessaroIndiciumViewClass::None:
        return nullptr;
    }
    std::shared_ptr<const tolvane::QVDataMatrixBarcode> barcode;
    if (sample) {
        barcode = TessaroCatalogue::sampleBarcode();
    } else if (response) {
        // A reply without an indicium (all its bytes zero) would make a
        // symbol of zeros; it gives none.
        const QByteArray indicium = response->indicium();
        const bool hasIndicium = std::any_of(indicium.cbegin(), indicium.cend(), [](char c) { return c != 0; });
        const QByteArray data = response->shortIndiciumWithIntelligentMailCode(quint16(request.intelligentMailCode()));
        if (hasIndicium && !data.isEmpty())
            barcode = tolvane::QVDataMatrixBarcode::initWithData(data);
        // A paid stamp is never drawn without its symbol.
        if (!barcode)
            return nullptr;
    }
    view->setTheBarcode(barcode);
    view->setTheMailedFrom(request.mailedFromZIP5String());
    view->setDrawVoidBarcode(drawVoid);
    view->setTheDollarAmount(request.postageString());
    view->setTheMailClass(request.mailClassDisplayString());
    view->setRateClassification(request.rateClassificationString());
    if (sample || !response) {
        view->setTheMeterID(QStringLiteral("SAMPLE"));
        view->setThePieceCount(0);
    } else {
        view->setTheMeterID(response->meterID());
        view->setThePieceCount(QVariant::fromValue<quint32>(response->piececount()));
    }
    return view;
}

std::shared_ptr<tolvane::QVStampIndiciumView>
TessaroController::stampViewForStampRequest(const TessaroStamp &request, bool sample, bool drawVoid,
                                            TessaroIndiciumViewClass viewClass)
{
    if (!request)
        return nullptr;
    if (sample)
        return stampViewForStampRequest(*request, nullptr, true, drawVoid, viewClass);

    // The stamp bought carries the reference ID; the catalogue's request
    // stays as it is.
    const auto bought = std::make_shared<QVRHOStampIndiciumRequest>(*request);
    bought->setReferenceID(m_currentReferenceID);
    const std::shared_ptr<QVRHOCommandCenter> client = m_host->postageClient();
    const std::shared_ptr<QVRHOResponse> response = client ? client->createStampIndicium(bought) : nullptr;
    if (!response || response->returnCode() != 1) {
        runSimpleAlert(
            QStringLiteral(
                "An error has occurred while generating postage. Postage already generated will be printed."),
            QStringLiteral("Error %1: %2")
                .arg(client ? client->lastErrorCode() : QString(),
                     client ? client->lastErrorDescription() : QString()));
        return nullptr;
    }
    m_lastRHOResponse = response;
    QString error;
    // The maker's edition keeps no mailing log: its stamps owe no entry.
    m_boughtScratchFile =
        tessaro::writeScratchFile(*bought, *response, &error,
                                  m_makerEdition ? tessaro::ScratchLogEntry::Written : tessaro::ScratchLogEntry::Owed);
    if (m_boughtScratchFile.isEmpty()) {
        // Without its file the stamp cannot be printed again should this
        // print fail: buy no more, print what was bought.
        m_buyingStopped = true;
        runSimpleAlert(QStringLiteral("A stamp you bought could not be saved."),
                       QStringLiteral("The stamp of piece %1 could not be kept for printing again: %2\n\nNo more "
                                      "stamps will be bought. The stamps already bought will be printed now.")
                           .arg(response->piececount())
                           .arg(error));
    }
    auto view = stampViewForStampRequest(*bought, response, false, drawVoid, viewClass);
    if (!view && viewClass != TessaroIndiciumViewClass::None) {
        m_buyingStopped = true;
        runSimpleAlert(QStringLiteral("A stamp you bought cannot be printed."),
                       QStringLiteral("The postage server's reply for piece %1 gives no barcode, so the stamp is not "
                                      "printed. %2\n\nNo more stamps will be bought. The stamps already bought will "
                                      "be printed now.")
                           .arg(response->piececount())
                           .arg(m_boughtScratchFile.isEmpty()
                                    ? QStringLiteral("Its reply could not be saved.")
                                    : QStringLiteral("Its reply is kept in the file \u201c%1\u201d.")
                                          .arg(QFileInfo(m_boughtScratchFile).fileName())));
    }
    return view;
}

void TessaroController::setProgress(const QString &text, int value, int maximum)
{
    m_host->showProgress(m_progressPanelTitle, text, value, maximum);
}

QList<TessaroPage> TessaroController::viewArrayForRequests(const QList<TessaroStamp> &requests, int copies, bool sample,
                                                           Decimal *printTotal)
{
    const bool roll = m_mode == RollMode;
    const TessaroIndiciumViewClass viewClass = indiciumViewClassForCurrentMode();
    const int perPage = int(tolvaneTessaroCountOfNonNullObjects(requests));
    const int total = std::max(copies, 0) * perPage;
    const auto progressText = [this, total](int current) { return m_layout.progressFormat.arg(current).arg(total); };
    if (!sample) {
        // A stamp is paid the moment it is bought: without the folder that
        // keeps it until it prints, nothing is bought.
        if (!tessaro::makeScratchFolder()) {
            runSimpleAlert(QStringLiteral("No stamps were bought."),
                           QStringLiteral("The folder for unprinted stamps cannot be made: \u201c%1\u201d.\n\nEvery "
                                          "stamp bought is kept there until it is printed, so no stamp is bought.")
                               .arg(QDir::toNativeSeparators(tessaro::scratchPath())));
            if (printTotal)
                *printTotal = Decimal::zero();
            return {};
        }
        setProgress(progressText(1), 0, total);
        m_printedScratchFiles.clear();
        m_buyingStopped = false;
    }

    Decimal running = Decimal::zero();
    // Every stamp paid for, drawn or not, and its scratch file.
    int bought = 0;
    Decimal boughtTotal = Decimal::zero();
    QStringList boughtFiles;
    int bar = 0;
    bool failed = false;
    QList<TessaroPage> pages;
    for (int copy = 0; copy < copies && !failed; ++copy) {
        TessaroPage page;
        for (const TessaroStamp &request : requests) {
            if (failed)
                break;
            if (!request) {
                page.append(TessaroPageEntry());
                continue;
            }
            TessaroPageEntry entry;
            m_boughtScratchFile.clear();
            const std::shared_ptr<QVRHOResponse> replyBefore = m_lastRHOResponse;
            if (const auto view = stampViewForStampRequest(request, sample, sample, viewClass)) {
                if (roll)
                    entry.pdfData = tolvane::dataWithPDF(view.get());
                else
                    entry.view = view;
            }
            if (!sample && m_lastRHOResponse != replyBefore) {
                ++bought;
                boughtTotal += request->postage();
                if (!m_boughtScratchFile.isEmpty())
                    boughtFiles << m_boughtScratchFile;
            }
            if (entry.isNull()) {
                failed = true;
            } else {
                running += request->postage();
                if (!sample && !m_boughtScratchFile.isEmpty())
                    m_printedScratchFiles.append(m_boughtScratchFile);
                failed = !sample && m_buyingStopped;
            }
            page.append(entry);
            if (!sample) {
                ++bar;
                setProgress(progressText(bar == total ? total : bar + 1), bar, total);
            }
        }
        while (page.size() < requests.size())
            page.append(TessaroPageEntry());
        pages.append(page);
    }
    if (!sample)
        m_host->hideProgress();

    // The run's entry covers every stamp paid for (a stamp that could not
    // be drawn too); once it is written the stamps' files say so, and
    // recovery logs the files of a run that never got here.
    if (!sample && !m_makerEdition && m_lastRHOResponse && bought > 0 &&
        writeStampsLogEntry(stampsLogEntry(bought, boughtTotal, *m_lastRHOResponse, m_currentReferenceID)) &&
        !tessaro::markLogEntriesWritten(boughtFiles))
        qWarning("A scratch file could not be marked as logged.");
    if (printTotal)
        *printTotal = running;
    return pages;
}

// ---- Recovery ---------------------------------------------------------------------------

void TessaroController::doRecovery()
{
    const qint64 count = tessaro::scratchFileNames().size();
    if (count == 0) {
        // Nothing waits any more (the files were printed or removed).
        setRecoveryMode(false);
        return;
    }
    if (!m_makerEdition)
        logStampsNoEntryCovers(kStampsStillPrint);
    Alert alert = alertWithText(
        QStringLiteral("You have %1 piece%2 of recoverable postage to be printed.").arg(count).arg(pluralSuffix(count)),
        QString());
    QString first;
    if (m_mode == RollMode) {
        alert.informativeText = QStringLiteral("You must print this postage before you can print new stamps. Please "
                                               "load your %1 with %2 %3 label%4.")
                                    .arg(kivoPrinterTitle())
                                    .arg(count)
                                    .arg(QStringLiteral("Kivo Stamps"), pluralSuffix(count));
        first = QStringLiteral("Print Now");
    } else if (m_mode == SheetMode) {
        const qint64 perSheet = stampsForCurrentSheetType();
        const qint64 sheets = (count + perSheet - 1) / perSheet;
        alert.informativeText = QStringLiteral("You must print this postage before you can print new stamps. Please "
                                               "load your printer with %1 sheet%2 of unused Zevavored Azozudu labels.")
                                    .arg(sheets)
                                    .arg(pluralSuffix(sheets));
        first = QStringLiteral("Print Now") + kEllipsis;
    }
    alert.buttons = {{first, 1}, {QStringLiteral("Recover Later"), 0}};
    alert.cancelAnswer = 0;
    if (runAlert(alert) == 1)
        printSheet(TessaroPrintSender::Controller);
}

std::optional<QList<TessaroPage>> TessaroController::viewArrayWithDirectory(const QString &folder)
{
    QList<TessaroPageEntry> stamps;
    const TessaroIndiciumViewClass viewClass = indiciumViewClassForCurrentMode();
    m_printedScratchFiles.clear();
    m_unusableScratchFiles.clear();
    for (const tessaro::ScratchStamp &stamp : tessaro::readScratchFolder(folder, &m_unusableScratchFiles)) {
        TessaroPageEntry entry;
        if (const auto view = stampViewForStampRequest(*stamp.request, stamp.response, false, false, viewClass)) {
            if (m_mode == RollMode)
                entry.pdfData = tolvane::dataWithPDF(view.get());
            else
                entry.view = view;
        }
        if (!entry.isNull()) {
            stamps.append(entry);
            m_printedScratchFiles.append(stamp.path);
        } else if (viewClass != TessaroIndiciumViewClass::None) {
            m_unusableScratchFiles.append(stamp.path);
        }
    }
    if (stamps.isEmpty())
        return std::nullopt;
    QList<TessaroPage> pages;
    if (m_mode == RollMode) {
        for (const TessaroPageEntry &stamp : stamps)
            pages.append(TessaroPage{stamp});
    } else if (m_mode == SheetMode) {
        const int perSheet = stampsForCurrentSheetType();
        for (qsizetype first = 0; first < stamps.size(); first += perSheet) {
            TessaroPage page = stamps.mid(first, perSheet);
            while (page.size() < perSheet)
                page.append(TessaroPageEntry());
            pages.append(page);
        }
    }
    return pages;
}

void TessaroController::recoverWithSheet()
{
    const auto accessory = sheetAccessory();
    const std::optional<PrintInfo> chosen = m_host->runPrintPanel(printInfo(), accessory.get());
    if (!chosen)
        return;
    const PrintInfo info = letterSheetPrintInfo(*chosen);
    setPrintInfo(info);
    const std::optional<QList<TessaroPage>> pages = viewArrayWithDirectory(tessaro::scratchPath());
    setAsideUnusableScratchFiles();
    setupSheetView();
    m_pageView->setSheetCount(pages ? quint64(pages->size()) : 0);
    m_pageView->setSheetArray(pages.value_or(QList<TessaroPage>()));
    if (pages) {
        QVPrintOperation operation = printOperationWithPrintInfo(info);
        if (!runPrintOperation(operation))
            return;
        removePrintedScratchFiles();
        return;
    }
    // Nothing could be printed: the window waits as long as files remain.
    setRecoveryMode(!tessaro::scratchFileNames().isEmpty());
}

void TessaroController::recoverWithKIVO()
{
    QList<TessaroPage> pages;
    if (const auto read = viewArrayWithDirectory(tessaro::scratchPath()))
        for (const TessaroPage &page : *read)
            if (tolvaneTessaroCountOfNonNullObjects(page) > 0)
                pages.append(page);
    setAsideUnusableScratchFiles();
    if (!m_kivoPaperView)
        m_kivoPaperView = std::make_unique<TessaroKivoPrintView>();
    m_kivoPaperView->setSheetCount(quint64(pages.size()));
    m_kivoPaperView->setSheetArray(pages);
    if (!pages.isEmpty()) {
        PrintInfo info = kivoPrintInfo();
        KIVONewTagwright::printInfoForPrintInfo(info, m_kivoTrayEnabled ? kivoTrayTitle() : QString(), 2);
        QVPrintOperation operation(m_kivoPaperView.get(), info);
        operation.setJobTitle(TessaroSheetView::printJobTitle());
        if (!runPrintOperation(operation))
            return;
        removePrintedScratchFiles();
        return;
    }
    // Nothing could be printed: the window waits as long as files remain.
    setRecoveryMode(!tessaro::scratchFileNames().isEmpty());
}

void TessaroController::setAsideUnusableScratchFiles()
{
    if (m_unusableScratchFiles.isEmpty())
        return;
    QStringList moved, stayed;
    for (const QString &path : std::as_const(m_unusableScratchFiles))
        (tessaro::setAsideScratchFile(path).isEmpty() ? stayed : moved) << QFileInfo(path).fileName();
    m_unusableScratchFiles.clear();
    QString informative = QStringLiteral("These files of unprinted stamps cannot be read or drawn, so their stamps "
                                         "are not printed:");
    if (!moved.isEmpty())
        informative +=
            QStringLiteral("\n\nMoved (not deleted) to the folder \u201c%1\u201d: %2.")
                .arg(QDir::toNativeSeparators(tessaro::damagedScratchPath()), moved.join(QStringLiteral(", ")));
    if (!stayed.isEmpty())
        informative += QStringLiteral("\n\nLeft in the folder \u201c%1\u201d: %2.")
                           .arg(QDir::toNativeSeparators(tessaro::scratchPath()), stayed.join(QStringLiteral(", ")));
    runSimpleAlert(QStringLiteral("Some unprinted stamps could not be read."), informative);
}

void TessaroController::removePrintedScratchFiles()
{
    // A printed stamp's file goes only once the stamp is in the mailing log:
    // the entry a run (or recovery) could not write is written now. When the
    // log still refuses it, the files of the printed stamps owing it are
    // kept in the unlogged folder (they are not printed again) until a
    // later print writes it.
    QStringList printed = m_printedScratchFiles;
    m_printedScratchFiles.clear();
    if (!m_makerEdition &&
        !logStampsNoEntryCovers(
            kStampsPrintedEntryLater.arg(QDir::toNativeSeparators(tessaro::unloggedScratchPath())))) {
        for (const tessaro::ScratchStamp &stamp : tessaro::readScratchFolder())
            if (stamp.logEntryOwed && printed.removeAll(stamp.path) > 0 &&
                tessaro::holdUnloggedScratchFile(stamp.path).isEmpty())
                qWarning("The file of a printed stamp that owes its mailing-log entry stays in the scratch folder.");
    }
    if (!tessaro::removeScratchFiles(printed))
        qWarning("A scratch file of a printed stamp could not be removed.");
    setRecoveryMode(!tessaro::scratchFileNames().isEmpty());
}

// ---- Printing ------------------------------------------------------------------------------

Decimal TessaroController::accountBalance() const
{
    const auto status = m_host->lastValidStatusResponse();
    return status ? status->balanceDecimalNumber() : Decimal::zero();
}

bool TessaroController::fundsSuffice()
{
    while (printOpTotalPrice() > accountBalance()) {
        Alert alert = alertWithText(QStringLiteral("Insufficient funds"),
                                    QStringLiteral("Your postage request exceeds your postage balance. Please add "
                                                   "funds to your postage account."));
        alert.buttons = {{QStringLiteral("Buy Postage"), 1}, {QStringLiteral("Cancel"), 0}};
        alert.cancelAnswer = 0;
        if (runAlert(alert) != 1)
            return false;
        m_host->showBuyPostagePanel();
    }
    return true;
}

bool TessaroController::runPrintOperation(QVPrintOperation &operation)
{
    m_host->showProgress(m_progressPanelTitle, QStringLiteral("Printing") + kEllipsis, 0, 0);
    const bool printed = operation.runOperation();
    m_host->hideProgress();
    if (!printed) {
        // The stamps are paid: they stay in the scratch folder and the
        // window waits to print them again.
        runSimpleAlert(kPrintingFailed, kPrintingFailedInformative.arg(operation.errorString()));
        setRecoveryMode(!tessaro::scratchFileNames().isEmpty());
    }
    return printed;
}

void TessaroController::savePDFCopy(const std::function<bool(const QString &path)> &save)
{
    const QString folder = tessaro::pellmarkPath();
    if (folder.isEmpty() || !QDir().mkpath(folder) || !QFileInfo(folder).isDir() || !m_lastRHOResponse)
        return;
    const QString path = QDir(folder).filePath(QStringLiteral("%1.pdf").arg(m_lastRHOResponse->piececount()));
    if (!save(path))
        qWarning().noquote() << QStringLiteral("The PDF copy %1 could not be saved.").arg(path);
}

void TessaroController::rememberReferenceID()
{
    if (!defaults().boolForKey(EnableTessaroReferenceIDDefaultsKey) || !m_currentReferenceID ||
        m_currentReferenceID->isEmpty())
        return;
    QVariantList centers = defaults().arrayForKey(CostCentersDefaultsKey);
    if (centers.contains(QVariant(*m_currentReferenceID)))
        return;
    centers.insert(0, *m_currentReferenceID);
    while (centers.size() > 10)
        centers.removeLast();
    defaults().setObject(centers, CostCentersDefaultsKey);
}

void TessaroController::printSheet(TessaroPrintSender sender)
{
    const bool sample = sender == TessaroPrintSender::TestPrintButton;
    const bool selectedOnly = sender == TessaroPrintSender::PrintSelected;
    if (printOpTotalPrice().isZero()) {
        runSimpleAlert(QStringLiteral("Blank sheet"),
                       QStringLiteral("You have selected to print a blank sheet of Zevavored Azozudu. Please choose a "
                                      "value for at least one label on the sheet."));
        return;
    }
    if (!sample) {
        if (m_recoveryMode) {
            if (sender != TessaroPrintSender::Controller)
                doRecovery();
            else if (m_mode == RollMode)
                recoverWithKIVO();
            else if (m_mode == SheetMode)
                recoverWithSheet();
            return;
        }
        const auto status = m_host->lastValidStatusResponse();
        if (status && status->accountStatus() == QLatin1String("V")) {
            runSimpleAlert(QStringLiteral("Your account with Tolvane has not been set up."),
                           QStringLiteral("Your passphrase has not been changed from its initial setting, the "
                                          "account setup wizard will now launch."));
            m_host->showTolvaneWizard();
            return;
        }
        if (!fundsSuffice())
            return;
    }
    const bool referenceEnabled = defaults().boolForKey(EnableTessaroReferenceIDDefaultsKey);
    const bool referenceEmpty = !m_currentReferenceID || m_currentReferenceID->isEmpty();
    if (referenceEnabled && defaults().boolForKey(RequireTessaroReferenceIDDefaultsKey) && referenceEmpty) {
        runSimpleAlert(QStringLiteral("Please enter a Reference ID before printing."),
                       QStringLiteral("You can turn off this requirement in the preferences."));
        return;
    }
    rememberReferenceID();

    if (m_mode == RollMode) {
        printKIVO(sender);
        return;
    }
    if (!sample) {
        QString priceText = prettyPrintOpTotalPrice();
        if (selectedOnly) {
            Decimal selected = Decimal::zero();
            for (int cell : selectedCellIndices())
                if (cell < m_stamps.size() && m_stamps[cell])
                    selected += m_stamps[cell]->postage();
            priceText = prettyDollarString(selected);
        }
        const QString plural = m_sheetCount > 1 ? QStringLiteral("s") : QString();
        if (m_host->infoAlertForKey(QStringLiteral("tessaroSheetReminder"), QStringLiteral("Print") + kEllipsis,
                                    QStringLiteral("Cancel"), true,
                                    {m_sheetCount, plural, priceText, m_sheetCount, plural}) != 1)
            return;
    }
    const auto accessory = sheetAccessory();
    printPanelDidEnd(m_host->runPrintPanel(printInfo(), accessory.get()), sample, selectedOnly);
}

void TessaroController::printPanelDidEnd(const std::optional<PrintInfo> &chosen, bool testPrint, bool printSelected)
{
    if (!chosen)
        return;
    const bool sample = testPrint || chosen->jobDisposition == PrintInfo::JobDisposition::Preview;
    if (!chosen->printerName.isEmpty() && KIVONewTagwright::printerList().contains(chosen->printerName)) {
        Alert alert = alertWithText(QStringLiteral("Invalid printer."),
                                    QStringLiteral("You cannot print sheets of Zevavored Azozudu to a Kivo Tagwright "
                                                   "printer. Switch to the roll printing mode to print on Tagwright "
                                                   "labels."));
        alert.buttons = {{QStringLiteral("OK"), 1}, {QStringLiteral("Use Roll Mode"), 0}};
        alert.cancelAnswer = 1;
        if (runAlert(alert) == 0)
            QTimer::singleShot(0, &m_repricingTimer, [this] { chooseKIVO(); });
        return;
    }
    const PrintInfo info = letterSheetPrintInfo(*chosen);
    setPrintInfo(info);
    const int copies = sample ? 1 : m_sheetCount;
    setupSheetView();
    m_pageView->setSheetCount(quint64(copies));

    const int positions = stampsForCurrentSheetType();
    QList<TessaroStamp> requests = m_stamps.mid(0, positions);
    if (printSelected) {
        const QList<int> selected = selectedCellIndices();
        for (int i = 0; i < requests.size(); ++i)
            if (!selected.contains(i))
                requests[i] = nullptr;
    }
    const QList<TessaroPage> pages = viewArrayForRequests(requests, copies, sample);
    if (pages.isEmpty() || tolvaneTessaroCountOfNonNullObjects(pages.first()) == 0) {
        // A stamp bought but not drawn waits in the scratch folder.
        if (!sample)
            setRecoveryMode(!tessaro::scratchFileNames().isEmpty());
        return;
    }
    m_pageView->setSheetArray(pages);
    if (!sample)
        savePDFCopy([this](const QString &path) {
            QVPrintOperation save = savePrintOperationAtPath(path);
            return save.runOperation();
        });
    QVPrintOperation operation = printOperationWithPrintInfo(info);
    const bool printed = runPrintOperation(operation);
    if (sample || !printed)
        return;
    removePrintedScratchFiles();
    m_host->refreshTolvaneStatus();
}

void TessaroController::chooseKIVO()
{
    if (!setCurrentMode(RollMode)) {
        NotificationCenter::defaultCenter().post(TessaroPrintingModeDidChangeNotification,
                                                 NotificationObject(std::make_shared<int>(m_mode)));
        m_switcherSegment = 0;
    }
}

// ---- Rolls ---------------------------------------------------------------------------------

PrintInfo TessaroController::kivoPrintInfo() const
{
    PrintInfo info;
    info.printerName = kivoPrinterTitle();
    info.paperName = QStringLiteral("51134_2-1_4_in_x_1-1_4_in");
    // The label is 2.25 x 1.25 in (162 x 90 points) printed across: the
    // paper is given upright and the page turned onto it.
    info.paperSize = QSizeF(90, 162);
    info.orientation = PrintInfo::Orientation::Landscape;
    info.leftMargin = info.rightMargin = info.topMargin = info.bottomMargin = 0;
    if (!info.printerName.isEmpty() && KIVONewTagwright::isWIDE9(info.printerName))
        info.leftMargin = -7.2;
    info.horizontallyCentered = info.verticallyCentered = false;
    info.horizontalPagination = info.verticalPagination = PrintInfo::Pagination::Clip;
    info.allPages = true;
    info.copies = 1;
    info.scalingFactor = 1.0;
    return info;
}

void TessaroController::printKIVO(TessaroPrintSender sender)
{
    if (m_makerEdition && KIVONewTagwright::kivoStampsPrinterList().isEmpty()) {
        runSimpleAlert(QStringLiteral("Unsupported printer."),
                       QStringLiteral("You must have a Tagwright 310/360 Swift, Dual Swift, BIPLEX, or WIDE9 to use "
                                      "Kivo Stamps."));
        return;
    }
    if (m_kivoPrinterItems.isEmpty())
        updateKivoPopups();
    bool sample = sender == TessaroPrintSender::TestPrintButton;
    int copies = 1;
    const TessaroStamp request = m_kivoStampRequest;
    if (!sample) {
        copies = m_sheetCount;
        if (!isAutomationMode()) {
            const QString price = prettyPrintOpTotalPrice();
            const QString tray =
                m_kivoTrayEnabled ? QStringLiteral(" in the %1").arg(kivoTrayTitle().toLower()) : QString();
            const QString plural = copies > 1 ? QStringLiteral("s") : QString();
            const QString printer = kivoPrinterTitle();
            bool confirmed = false;
            if (m_makerEdition) {
                if (request &&
                    (request->mailClass() == QVUSPSExpressMail || request->mailClass() == QVUSPSExpressMailFlatRate)) {
                    Alert alert = alertWithText(
                        QStringLiteral("Kivo Stamps Confirmation"),
                        QStringLiteral("Since refunds are limited to stamps printed on genuine Kivo labels, we "
                                       "recommend you print a Test Label before printing your Express Mail Stamp to "
                                       "ensure your printer is properly connected. Also, please be sure you have "
                                       "enough blank Kivo Stamps on your roll."));
                    alert.buttons = {{QStringLiteral("Print"), 1},
                                     {QStringLiteral("Test Print"), 0},
                                     {QStringLiteral("Cancel"), -1}};
                    alert.cancelAnswer = -1;
                    const int answer = runAlert(alert);
                    if (answer != 1 && answer != 0)
                        return;
                    sample = answer == 0;
                    confirmed = true;
                } else {
                    const qint64 threshold = leadingInteger(defaults().stringForKey(KivoStampsThresholdDefaultsKey));
                    const std::optional<qint64> cents =
                        (printOpTotalPrice() * Decimal(100)).rounded(0, Decimal::RoundingMode::Down).toInt64();
                    if (cents.value_or(0) > threshold &&
                        !defaults().boolForKey(QStringLiteral("kivoStampsThresholdReminder"))) {
                        const QString thresholdText = QStringLiteral("$%1").arg(
                            twoDigitDollarFormatter().stringFromNumber(Decimal(threshold) / Decimal(100)));
                        if (m_host->infoAlertForKey(
                                QStringLiteral("kivoStampsThresholdReminder"), QStringLiteral("Print"),
                                QStringLiteral("Cancel"), true,
                                {thresholdText, copies, plural, price, copies, plural, printer, tray}) != 1)
                            return;
                        confirmed = true;
                    }
                }
            }
            if (!confirmed &&
                m_host->infoAlertForKey(m_makerEdition ? QStringLiteral("kivoStampsReminder")
                                                       : QStringLiteral("tessaroKIVOReminder"),
                                        QStringLiteral("Print"), QStringLiteral("Cancel"), true,
                                        {copies, plural, price, copies, plural, printer, tray}) != 1)
                return;
        }
    }

    const QList<TessaroPage> answered = viewArrayForRequests({request}, copies, sample);
    if (answered.isEmpty() || tolvaneTessaroCountOfNonNullObjects(answered.first()) == 0) {
        if (!sample)
            setRecoveryMode(!tessaro::scratchFileNames().isEmpty());
        return;
    }
    QList<TessaroPage> pages;
    for (const TessaroPage &page : answered)
        if (tolvaneTessaroCountOfNonNullObjects(page) == page.size())
            pages.append(page);

    PrintInfo info = kivoPrintInfo();
    KIVONewTagwright::printInfoForPrintInfo(info, m_kivoTrayEnabled ? kivoTrayTitle() : QString(), 2);
    if (!m_kivoPaperView)
        m_kivoPaperView = std::make_unique<TessaroKivoPrintView>();
    m_kivoPaperView->setSheetCount(quint64(pages.size()));
    m_kivoPaperView->setSheetArray(pages);
    if (!sample)
        savePDFCopy([this, &info](const QString &path) {
            PrintInfo saving = info;
            saving.jobDisposition = PrintInfo::JobDisposition::Save;
            saving.savePath = path;
            QVPrintOperation save(m_kivoPaperView.get(), saving);
            return save.runOperation();
        });
    QVPrintOperation operation(m_kivoPaperView.get(), info);
    operation.setJobTitle(TessaroSheetView::printJobTitle());
    const bool printed = runPrintOperation(operation);
    if (sample || !printed)
        return;
    removePrintedScratchFiles();
    setSheetCount(1);
    m_host->refreshTolvaneStatus();
}

void TessaroController::printOneOffWithRequest(const TessaroStamp &request)
{
    if (!m_host->printerAvailable())
        return;
    if (m_recoveryMode) {
        doRecovery();
        return;
    }
    const int savedCount = m_sheetCount;
    const bool savedAutomation = isAutomationMode();
    const int savedMode = m_mode;
    const TessaroStamp savedRequest = m_kivoStampRequest;
    m_sheetCount = 1;
    m_mode = RollMode;
    m_kivoStampRequest = request;
    // The funds are checked with the user (alerts wait for an answer); the
    // print itself then runs without confirmation.
    if (fundsSuffice()) {
        setAutomationMode(true);
        printKIVO(TessaroPrintSender::Controller);
    }
    m_kivoStampRequest = savedRequest;
    setAutomationMode(savedAutomation);
    m_mode = savedMode;
    setSheetCount(savedCount);
}

// ---- Roll printer and roll pop-ups ------------------------------------------------------------

QString TessaroController::kivoPrinterTitle() const
{
    return m_kivoPrinterIndex >= 0 && m_kivoPrinterIndex < m_kivoPrinterItems.size()
        ? m_kivoPrinterItems[m_kivoPrinterIndex]
        : QString();
}

QString TessaroController::kivoTrayTitle() const
{
    return m_kivoTrayIndex >= 0 && m_kivoTrayIndex < m_kivoTrayItems.size() ? m_kivoTrayItems[m_kivoTrayIndex]
                                                                            : QString();
}

void TessaroController::updateKivoPopups()
{
    m_kivoPrinterItems = m_makerEdition ? KIVONewTagwright::kivoStampsPrinterList() : KIVONewTagwright::printerList();
    const QString stored = defaults().stringForKey(TessaroKivoPrinterNameDefaultsKey);
    const qsizetype storedIndex = m_kivoPrinterItems.indexOf(stored);
    if (storedIndex >= 0)
        m_kivoPrinterIndex = int(storedIndex);
    else if (m_kivoPrinterIndex >= m_kivoPrinterItems.size() || m_kivoPrinterIndex < 0)
        m_kivoPrinterIndex = m_kivoPrinterItems.isEmpty() ? -1 : 0;
    const QString printer = kivoPrinterTitle();
    if (!printer.isEmpty() && KIVONewTagwright::isDualSwift(printer)) {
        m_kivoTrayEnabled = true;
        m_kivoTrayItems = {QStringLiteral("Left Roll"), QStringLiteral("Right Roll")};
        m_kivoTrayIndex =
            defaults().stringForKey(TessaroKivoTrayNameDefaultsKey).startsWith(QLatin1String("Right")) ? 1 : 0;
    } else {
        m_kivoTrayEnabled = false;
        m_kivoTrayItems = {QStringLiteral("Main Roll")};
        m_kivoTrayIndex = 0;
    }
}

void TessaroController::kivoPrinterChanged(const QString &title)
{
    defaults().setString(title, TessaroKivoPrinterNameDefaultsKey);
    const qsizetype index = m_kivoPrinterItems.indexOf(title);
    if (index >= 0)
        m_kivoPrinterIndex = int(index);
    updateKivoPopups();
}

void TessaroController::kivoTrayChanged(const QString &title)
{
    defaults().setString(title, TessaroKivoTrayNameDefaultsKey);
    const qsizetype index = m_kivoTrayItems.indexOf(title);
    if (index >= 0)
        m_kivoTrayIndex = int(index);
}
