// The print operation (pages, paper, pagination, page range, disposition,
// refusals) and the half-sheet placement of plain-paper labels, read back
// from the PDFs with poppler-utils; the margins accessory and its
// miniature.
#include "LabelTestSupport.h"

#include "ConsoleCapture.h"

#include "barcodes/imaging/ViewOutput.h"
#include "platform/UrlOpener.h"
#include "printing/layouts/QV2UpPortraitLabelPrintView.h"
#include "printing/layouts/QVLayoutViews.h"
#include "printing/layouts/QVPrintPanelMarginViewController.h"

#include <QPainter>

using namespace tolvane;
using namespace tolvane::test;

namespace {

// A white view of the given size with a black 60-point square in its
// top-left corner.
std::unique_ptr<QWidget> markedView(const QSizeF &size)
{
    auto view = std::make_unique<QWidget>();
    view->resize(size.toSize());
    auto *marker = new QVImageView(view.get());
    QImage black(4, 4, QImage::Format_Grayscale8);
    black.fill(0);
    marker->setImage(QVLayoutImage::fromImage(black));
    marker->setScaling(QVImageView::Scaling::AxesIndependently);
    marker->setGeometry(0, 0, 60, 60);
    return view;
}

PrintInfo letterInfo()
{
    PrintInfo info;
    info.leftMargin = info.rightMargin = info.topMargin = info.bottomMargin = 0;
    info.horizontalPagination = info.verticalPagination = PrintInfo::Pagination::Clip;
    info.horizontallyCentered = info.verticallyCentered = false;
    return info;
}

class RecordingOpener final : public UrlOpener
{
public:
    QList<QUrl> opened;
    bool openUrl(const QUrl &url, bool) override
    {
        opened << url;
        return true;
    }
};

class HalfSheetPrintingTest : public PrintingTest
{
protected:
    // Prints the view under the print info into a saved PDF; answers its
    // path (empty when the operation failed).
    QString printToFile(QWidget *view, PrintInfo info, const QString &name)
    {
        info.jobDisposition = PrintInfo::JobDisposition::Save;
        info.savePath = outputPath(name);
        QVPrintOperation operation(view, info);
        operation.setJobTitle(QStringLiteral("Test"));
        return operation.runOperation() ? info.savePath : QString();
    }
};

} // namespace

TEST_F(HalfSheetPrintingTest, LabelPlacementOnTheHalfSheet)
{
    struct Case {
        const char *name;
        QSizeF label;
        std::optional<int> position;
        std::optional<int> orientation;
        QRectF marker; // page points, top-left based
    } cases[] = {
        // No keys: top half, turned +90 (the label's top to the left).
        {"portrait default", {288, 432}, {}, {}, {90, 282, 60, 60}},
        {"portrait top -90", {288, 432}, 0, 1, {462, 54, 60, 60}},
        {"portrait bottom +90", {288, 432}, 1, 0, {90, 678, 60, 60}},
        {"portrait bottom -90", {288, 432}, 1, 1, {462, 450, 60, 60}},
        // Landscape and square labels are never turned.
        {"landscape top", {432, 288}, 0, 1, {90, 54, 60, 60}},
        {"landscape bottom", {432, 288}, 1, 0, {90, 450, 60, 60}},
        {"square", {300, 300}, {}, 1, {156, 48, 60, 60}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto label = markedView(c.label);
        QV2UpPortraitLabelPrintView page;
        page.addLabelView(label.get());
        PrintInfo info = letterInfo();
        QVariantMap settings;
        if (c.position)
            settings.insert(QV2UpPortraitLabelPrintView::labelPositionKey(), *c.position);
        if (c.orientation)
            settings.insert(QV2UpPortraitLabelPrintView::labelOrientationKey(), *c.orientation);
        info.printSettings = settings;
        const QString path = printToFile(&page, info, QStringLiteral("half-%1.pdf").arg(QLatin1String(c.name)));
        ASSERT_FALSE(path.isEmpty());
        EXPECT_TRUE(pdfPageSize(path).startsWith(QStringLiteral("612 x 792 pts")));
        const QImage raster = pdfRaster(path, 300);
        EXPECT_GT(darkShare(raster, c.marker.adjusted(3, 3, -3, -3)), 0.95);
        // Nothing else is inked.
        EXPECT_NEAR(darkShare(raster, QRectF(0, 0, 612, 792)), 3600.0 / (612 * 792), 0.0005);
    }
    EXPECT_EQ(QV2UpPortraitLabelPrintView::labelPositionKey(),
              QStringLiteral("org_tolvane_Tolvane_PrintSettings_labelPosition"));
    EXPECT_EQ(QV2UpPortraitLabelPrintView::labelOrientationKey(),
              QStringLiteral("org_tolvane_Tolvane_PrintSettings_labelOrientation"));
}

TEST_F(HalfSheetPrintingTest, PageDrawnOutsidePrintingIsEmpty)
{
    auto label = markedView({288, 432});
    QV2UpPortraitLabelPrintView page;
    page.addLabelView(label.get());
    ConsoleCapture console;
    const QString path = writePdf(dataWithPDF(&page), QStringLiteral("half-not-printing.pdf"));
    EXPECT_EQ(darkShare(pdfRaster(path, 72), QRectF(0, 0, 612, 792), 72), 0.0);
    EXPECT_TRUE(console.lines().join(QLatin1Char('\n')).contains(QStringLiteral("is drawing when not printing")));
}

TEST_F(HalfSheetPrintingTest, PaginationPageRangeAndLandscapePaper)
{
    auto tall = markedView({200, 2000});
    PrintInfo info = letterInfo();
    info.topMargin = info.bottomMargin = 72;
    info.verticalPagination = PrintInfo::Pagination::Auto;
    EXPECT_EQ(QVPrintOperation(tall.get(), info).pageCount(), 4);
    EXPECT_EQ(pdfPageCount(printToFile(tall.get(), info, QStringLiteral("tall-auto.pdf"))), 4);

    info.allPages = false;
    info.firstPage = 2;
    info.lastPage = 3;
    EXPECT_EQ(pdfPageCount(printToFile(tall.get(), info, QStringLiteral("tall-range.pdf"))), 2);
    info.firstPage = 7;
    info.lastPage = 9;
    EXPECT_TRUE(printToFile(tall.get(), info, QStringLiteral("tall-none.pdf")).isEmpty());

    // Fit: one page, scaled down to the area's height and centred across.
    info.allPages = true;
    info.verticalPagination = PrintInfo::Pagination::Fit;
    info.horizontallyCentered = true;
    const QString fit = printToFile(tall.get(), info, QStringLiteral("tall-fit.pdf"));
    EXPECT_EQ(pdfPageCount(fit), 1);
    const double scale = 648.0 / 2000.0;
    const double left = (612 - 200 * scale) / 2;
    EXPECT_GT(darkShare(pdfRaster(fit, 300), QRectF(left, 72, 60 * scale, 60 * scale).adjusted(1, 1, -1, -1)), 0.9);

    // A landscape stock: the page is the paper as it is, the view turned a
    // quarter counterclockwise onto it (its top-left corner to the paper's
    // bottom-left).
    auto wide = markedView({756, 167});
    // A child that clips itself, added last: it is drawn too.
    auto *last = new QVImageView(wide.get());
    QImage black(2, 2, QImage::Format_Grayscale8);
    black.fill(0);
    last->setImage(QVLayoutImage::fromImage(black));
    last->setScaling(QVImageView::Scaling::AxesIndependently);
    last->setGeometry(696, 107, 60, 60);
    PrintInfo stock = letterInfo();
    stock.paperSize = QSizeF(167, 756);
    stock.orientation = PrintInfo::Orientation::Landscape;
    const QString turned = printToFile(wide.get(), stock, QStringLiteral("landscape-stock.pdf"));
    EXPECT_TRUE(pdfPageSize(turned).startsWith(QStringLiteral("167 x 756 pts")));
    const QImage raster = pdfRaster(turned, 300);
    EXPECT_GT(darkShare(raster, QRectF(0, 696, 60, 60).adjusted(3, 3, -3, -3)), 0.95);
    EXPECT_LT(darkShare(raster, QRectF(0, 0, 60, 60)), 0.01);
    EXPECT_GT(darkShare(raster, QRectF(107, 0, 60, 60).adjusted(3, 3, -3, -3)), 0.95);
}

TEST_F(HalfSheetPrintingTest, DispositionsAndRefusals)
{
    auto view = markedView({288, 432});
    PrintInfo info = letterInfo();
    info.copies = 2;
    info.allPages = false;
    info.paperName = QStringLiteral("Letter");
    printers->add(QStringLiteral("office"), QStringLiteral("Generic PDF"));
    printers->defaultQueue = QStringLiteral("office");

    // No queue named: refused, nothing reaches the default queue.
    QVPrintOperation unnamed(view.get(), info);
    EXPECT_FALSE(unnamed.runOperation());
    info.printerName = QStringLiteral("gone");
    QVPrintOperation missing(view.get(), info);
    EXPECT_FALSE(missing.runOperation());
    EXPECT_TRUE(printers->jobs.isEmpty());

    info.printerName = QStringLiteral("office");
    QVPrintOperation spooled(view.get(), info);
    spooled.setJobTitle(QStringLiteral("Tolvane Label"));
    ASSERT_TRUE(spooled.runOperation()) << spooled.errorString().toStdString();
    ASSERT_EQ(printers->jobs.size(), 1);
    const SubmittedJob &job = printers->jobs[0];
    EXPECT_EQ(job.title, QStringLiteral("Tolvane Label"));
    EXPECT_EQ(job.format, PrintDocumentFormatPDF);
    EXPECT_TRUE(job.document.startsWith("%PDF"));
    EXPECT_EQ(job.options.value(QStringLiteral("copies")).toString(), QStringLiteral("2"));
    EXPECT_EQ(job.options.value(QStringLiteral("media")).toString(), QStringLiteral("Letter"));
    EXPECT_FALSE(job.options.contains(QStringLiteral("page-ranges")));

    // A refused job is a failure.
    printers->refusing << QStringLiteral("office");
    EXPECT_FALSE(QVPrintOperation(view.get(), info).runOperation());

    // Save: to the path; without one or into a missing folder it fails.
    PrintInfo save = printInfoWithExtras(info, {{QVPrintInfoJobDispositionKey, QVPrintInfoJobSave}});
    EXPECT_EQ(save.jobDisposition, PrintInfo::JobDisposition::Save);
    EXPECT_FALSE(QVPrintOperation(view.get(), save).runOperation());
    save.savePath = outputPath(QStringLiteral("no-such-folder/label.pdf"));
    EXPECT_FALSE(QVPrintOperation(view.get(), save).runOperation());

    // Preview: a PDF file handed to the desktop.
    auto opener = std::make_shared<RecordingOpener>();
    setUrlOpener(opener);
    PrintInfo preview = printInfoWithExtras(info, {{QVPrintInfoJobDispositionKey, QVPrintInfoJobPreview}});
    EXPECT_TRUE(QVPrintOperation(view.get(), preview).runOperation());
    setUrlOpener(nullptr);
    ASSERT_EQ(opener->opened.size(), 1);
    const QString previewPath = opener->opened[0].toLocalFile();
    QFile previewFile(previewPath);
    ASSERT_TRUE(previewFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(previewFile.readAll().startsWith("%PDF"));
    previewFile.remove();

    // Cancel runs nothing; an empty view prints nothing.
    PrintInfo cancel = printInfoWithExtras(info, {{QVPrintInfoJobDispositionKey, QVPrintInfoJobCancel}});
    EXPECT_FALSE(QVPrintOperation(view.get(), cancel).runOperation());
    QWidget empty;
    empty.resize(0, 0);
    EXPECT_FALSE(QVPrintOperation(&empty, save).runOperation());

    // Extras of the wrong kind change nothing.
    const PrintInfo odd = printInfoWithExtras(info, {{QStringLiteral("copies"), QStringLiteral("many")}});
    EXPECT_EQ(odd.copies, 2);
}

TEST_F(HalfSheetPrintingTest, MarginsAccessory)
{
    QVPrintPanelMarginViewController accessory(QStringLiteral("AnyName"));
    EXPECT_EQ(valueTransformerForName(QStringLiteral("OtherTransformer")), nullptr);
    const auto *transformer = valueTransformerForName(QStringLiteral("PointsToInchesValueTransformer"));
    ASSERT_NE(transformer, nullptr);
    EXPECT_DOUBLE_EQ(transformer->transformedValue(36).toDouble(), 0.5);
    EXPECT_DOUBLE_EQ(transformer->reverseTransformedValue(0.25).toDouble(), 18);
    EXPECT_TRUE(transformer->transformedValue(QStringLiteral("x")).isNull());

    // Placement hidden: the box goes and nothing is written.
    accessory.loadView();
    EXPECT_TRUE(accessory.labelBoxHidden());
    EXPECT_EQ(accessory.viewFrame().height(),
              QVPrintPanelMarginViewController::nibViewFrame().height() -
                  QVPrintPanelMarginViewController::labelBoxHeight());
    PrintInfo info = letterInfo();
    info.topMargin = 36;
    info.leftMargin = 18;
    accessory.setRepresentedObject(info);
    accessory.selectPosition(1);
    accessory.changeLabelProperties();
    EXPECT_FALSE(
        accessory.representedObject().printSettings->contains(QV2UpPortraitLabelPrintView::labelPositionKey()));
    const auto summary = accessory.localizedSummaryItems();
    ASSERT_EQ(summary.size(), 1);
    EXPECT_EQ(summary[0].name, QStringLiteral("Margins"));
    EXPECT_EQ(summary[0].description, QStringLiteral("Top: 0.50\", Left: 0.25\", Bottom: 0.00\", Right: 0.00\""));
    EXPECT_EQ(QVPrintPanelMarginViewController::keyPathsForValuesAffectingPreview().size(), 4);

    // Placement shown: the choices write the keys and the miniature follows.
    QVPrintPanelMarginViewController placing;
    placing.setShowsLabelPlacementBox(true);
    placing.loadView();
    EXPECT_FALSE(placing.labelBoxHidden());
    EXPECT_FALSE(placing.portraitControlsHidden());
    placing.setRepresentedObject(info);
    EXPECT_TRUE(placing.thumbnailView()->drawTop());
    EXPECT_TRUE(placing.thumbnailView()->drawLeft());
    placing.selectPosition(1);
    placing.selectOrientation(1);
    placing.changeLabelProperties();
    EXPECT_EQ(placing.representedObject().printSettings->value(QV2UpPortraitLabelPrintView::labelPositionKey()),
              QVariant(qint64(1)));
    EXPECT_FALSE(placing.thumbnailView()->drawTop());
    EXPECT_FALSE(placing.thumbnailView()->drawLeft());

    // Reset: margins 0, top and +90.
    placing.resetToDefaults();
    const PrintInfo &reset = placing.representedObject();
    EXPECT_EQ(reset.topMargin, 0);
    EXPECT_EQ(reset.leftMargin, 0);
    EXPECT_EQ(reset.printSettings->value(QV2UpPortraitLabelPrintView::labelPositionKey()), QVariant(qint64(0)));
    EXPECT_EQ(reset.printSettings->value(QV2UpPortraitLabelPrintView::labelOrientationKey()), QVariant(qint64(0)));
    EXPECT_EQ(placing.selectedPosition(), 0);
    EXPECT_TRUE(placing.thumbnailView()->drawTop());

    // A landscape label hides the turn controls.
    QVPrintPanelMarginViewController landscape;
    landscape.setShowsLabelPlacementBox(true);
    landscape.setIsPlacingLandscapeLabel(true);
    landscape.loadView();
    EXPECT_TRUE(landscape.portraitControlsHidden());
    landscape.setRepresentedObject(info);
    EXPECT_FALSE(landscape.thumbnailView()->portraitLabel());
}

TEST_F(HalfSheetPrintingTest, ThumbnailShowsTheChosenHalf)
{
    QVHalfSheetLabelThumbnailView thumbnail;
    thumbnail.resize(103, 133);
    const auto inked = [&thumbnail](bool top) {
        QImage image(thumbnail.size(), QImage::Format_RGB32);
        image.fill(Qt::white);
        thumbnail.render(&image);
        // The letter's half, inside the frame and away from the fold.
        return darkShare(image, top ? QRectF(10, 10, 80, 45) : QRectF(10, 75, 80, 45), 72);
    };
    thumbnail.setDrawTopLabel(true);
    EXPECT_GT(inked(true), 0.02);
    EXPECT_EQ(inked(false), 0.0);
    thumbnail.setDrawTopLabel(false);
    EXPECT_EQ(inked(true), 0.0);
    EXPECT_GT(inked(false), 0.02);
    EXPECT_NEAR(QVHalfSheetLabelThumbnailView::scaleToAspectFit({10, 20}, {110, 60}, 10), 2.5, 1e-9);
}

namespace {
// A page set-up dialog whose user sets a 36-point top margin and the bottom
// half in the accessory, then confirms (or cancels).
class PageSetupUser final : public Dialogs
{
public:
    bool confirm = true;
    int shown = 0;
    int runAlert(const Alert &alert) override { return alert.cancelAnswer; }
    std::optional<PrintInfo> runPageSetup(const PrintInfo &, PageSetupAccessory *accessory) override
    {
        ++shown;
        auto *margins = dynamic_cast<QVPrintPanelMarginViewController *>(accessory);
        if (!margins)
            return std::nullopt;
        margins->setMarginsInInches(0.5, 0, 0, 0);
        margins->selectPosition(1);
        margins->selectOrientation(0);
        margins->changeLabelProperties();
        if (!confirm)
            return std::nullopt;
        return accessory->accessoryPrintInfo();
    }
};
} // namespace

TEST_F(HalfSheetPrintingTest, PageSetupWithTheMarginsAccessory)
{
    auto user = std::make_shared<PageSetupUser>();
    setDialogs(user);
    const auto chosen = QVPrintPanelMarginViewController::runPageSetup(letterInfo(), true, false);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->topMargin, 36);
    EXPECT_EQ(chosen->printSettings->value(QV2UpPortraitLabelPrintView::labelPositionKey()), QVariant(qint64(1)));

    user->confirm = false;
    EXPECT_FALSE(QVPrintPanelMarginViewController::runPageSetup(letterInfo(), true, false));
    // Automation shows nothing.
    setAutomationMode(true);
    EXPECT_FALSE(QVPrintPanelMarginViewController::runPageSetup(letterInfo(), true, false));
    setAutomationMode(false);
    EXPECT_EQ(user->shown, 2);
    setDialogs(nullptr);
}
