// The print operation over a view that knows its own pages: one PDF page per
// page of the view, the page's rectangle placed as a whole view would be or
// where the view says, blank pages for empty rectangles, the page range, and
// the current page told to the view while it draws; a preview is a PDF kept
// for the viewer in the folder that later starts clear.
#include "PrintingTestSupport.h"
#include "RecordingUrlOpener.h"
#include "ViewTestSupport.h"

#include "printing/QVPrintOperation.h"
#include "printing/flow/QVEmailManager.h"

#include <QPainter>
#include <QWidget>

#include <gtest/gtest.h>

using namespace tolvane::test;

namespace {

// Page n is filled with grey 40 * n; page 2 shows nothing; page 3 shows the
// upper half of the view placed on the lower half of the paper.
class ThreePageView final : public QWidget, public QVPagedView, public QVPrintingView
{
public:
    int pages = 3;
    QList<int> begun;
    QList<int> drawn;

    ThreePageView() { resize(612, 792); }

    int pageCountForPrinting(const PrintInfo &) override { return pages; }
    QRectF rectForPage(int page, const PrintInfo &) override
    {
        if (page == 2)
            return QRectF();
        return page == 3 ? QRectF(0, 0, 612, 396) : QRectF(0, 0, 612, 792);
    }
    std::optional<QPointF> locationOfPrintRect(int page, const QRectF &, const PrintInfo &) override
    {
        return page == 3 ? std::optional<QPointF>(QPointF(0, 396)) : std::nullopt;
    }
    void beginPage(int page) override { begun << page; }
    void drawForPrinting(QPainter &painter, const PrintInfo &) override
    {
        const int page = QVPrintOperation::currentPage();
        drawn << page;
        painter.fillRect(QRectF(0, 0, 612, 792), QColor(40 * page, 40 * page, 40 * page));
    }
};

PrintInfo letterSaved(const QString &path)
{
    PrintInfo info;
    info.leftMargin = info.rightMargin = info.topMargin = info.bottomMargin = 0;
    info.jobDisposition = PrintInfo::JobDisposition::Save;
    info.savePath = path;
    return info;
}

int greyAtTopLeft(const QImage &page, int x, int y) { return qGray(page.pixel(x, y)); }

TEST(PagedPrintOperation, OnePdfPagePerPageOfTheView)
{
    ThreePageView view;
    const QString path = outputPath(QStringLiteral("paged.pdf"));
    QVPrintOperation operation(&view, letterSaved(path));
    EXPECT_EQ(operation.pageCount(), 3);
    ASSERT_TRUE(operation.runOperation()) << operation.errorString().toStdString();
    EXPECT_EQ(view.begun, (QList<int>{1, 2, 3}));
    EXPECT_EQ(view.drawn, (QList<int>{1, 3})); // page 2 is blank
    EXPECT_EQ(QVPrintOperation::currentPage(), 0);
    ASSERT_EQ(pdfPageCount(path), 3);

    auto page = [&](int n) {
        const QString base = path + QStringLiteral("-%1").arg(n);
        runTool(QStringLiteral("pdftoppm"),
                {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-f"), QString::number(n),
                 QStringLiteral("-l"), QString::number(n), QStringLiteral("-gray"), QStringLiteral("-png"),
                 QStringLiteral("-singlefile"), path, base},
                nullptr);
        return QImage(base + QStringLiteral(".png"));
    };
    const QImage first = page(1);
    EXPECT_NEAR(greyAtTopLeft(first, 300, 100), 40, 2);
    EXPECT_NEAR(greyAtTopLeft(first, 300, 700), 40, 2);
    const QImage second = page(2);
    EXPECT_EQ(greyAtTopLeft(second, 300, 400), 255);
    // The upper half of the view, placed where the view says: the lower half.
    const QImage third = page(3);
    EXPECT_EQ(greyAtTopLeft(third, 300, 100), 255);
    EXPECT_NEAR(greyAtTopLeft(third, 300, 700), 120, 2);

    // A page range prints only its pages.
    PrintInfo range = letterSaved(outputPath(QStringLiteral("paged-range.pdf")));
    range.allPages = false;
    range.firstPage = range.lastPage = 3;
    view.begun.clear();
    ASSERT_TRUE(QVPrintOperation(&view, range).runOperation());
    EXPECT_EQ(view.begun, QList<int>{3});
    EXPECT_EQ(pdfPageCount(range.savePath), 1);

    // No pages: nothing to print.
    view.pages = 0;
    QVPrintOperation none(&view, letterSaved(outputPath(QStringLiteral("paged-none.pdf"))));
    EXPECT_FALSE(none.runOperation());
    EXPECT_EQ(none.errorString(), QStringLiteral("There is nothing to print."));
}

TEST(PagedPrintOperation, APreviewIsKeptForTheViewerWhereLaterStartsClearIt)
{
    UrlOpenerScope opener;
    ThreePageView view;
    PrintInfo info = letterSaved(QString());
    info.jobDisposition = PrintInfo::JobDisposition::Preview;
    QVPrintOperation operation(&view, info);
    operation.setJobTitle(QStringLiteral("A/B Company"));
    ASSERT_TRUE(operation.runOperation()) << operation.errorString().toStdString();
    ASSERT_EQ(opener->opened.size(), 1);
    const QFileInfo file(opener->opened.first().toLocalFile());
    EXPECT_EQ(file.absolutePath(), QFileInfo(tolvane::outgoingPDFFolder()).absoluteFilePath());
    EXPECT_TRUE(file.fileName().startsWith(QStringLiteral("A-B Company-")));
    EXPECT_EQ(pdfPageCount(file.absoluteFilePath()), 3);

    // Still there for the viewer on the same day; gone at a start after it.
    tolvane::removeOldOutgoingPDFs();
    EXPECT_TRUE(file.exists());
    tolvane::removeOldOutgoingPDFs(QDateTime::currentDateTime().addDays(2));
    EXPECT_FALSE(QFileInfo::exists(file.absoluteFilePath()));
}

} // namespace
