#include "printing/QVPrintOperation.h"

#include "platform/VariantKinds.h"
#include "platform/PrintSystem.h"
#include "platform/UrlOpener.h"
#include "printing/flow/QVEmailManager.h"
#include "printing/layouts/QVLayoutViews.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

// More pages than this is no label or form of ours: refuse rather than
// draw without end.
constexpr int kMaximumPages = 1000;

const PrintInfo *&runningPrintInfo()
{
    static const PrintInfo *info = nullptr;
    return info;
}

int &runningPage()
{
    static int page = 0;
    return page;
}

struct Pages {
    QSizeF paper;
    bool landscape = false;
    QRectF imageable; // in the logical page
    QSizeF view;
    double scale = 1.0;
    int across = 1;
    int down = 1;
    QPointF offset;               // centring inside the imageable area
    QVPagedView *paged = nullptr; // the view's own pages (then `across` is their number)

    int count() const { return across * down; }
};

bool paginate(const QWidget *view, const PrintInfo &info, Pages &pages, QString *error)
{
    auto fail = [error](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    if (!view || view->width() <= 0 || view->height() <= 0)
        return fail(QStringLiteral("There is nothing to print."));
    pages.paper = info.paperSize;
    if (!(pages.paper.width() > 0 && pages.paper.height() > 0))
        return fail(QStringLiteral("The paper has no size."));
    pages.landscape = info.orientation == PrintInfo::Orientation::Landscape;
    const QSizeF logical = pages.landscape ? QSizeF(std::max(pages.paper.width(), pages.paper.height()),
                                                    std::min(pages.paper.width(), pages.paper.height()))
                                           : pages.paper;
    pages.imageable = QRectF(info.leftMargin, info.topMargin, logical.width() - info.leftMargin - info.rightMargin,
                             logical.height() - info.topMargin - info.bottomMargin);
    if (!(pages.imageable.width() > 0 && pages.imageable.height() > 0))
        return fail(QStringLiteral("The margins leave no room on the paper."));
    pages.view = QSizeF(view->width(), view->height());
    pages.scale = info.scalingFactor > 0 ? info.scalingFactor : 1.0;
    if (auto *paged = dynamic_cast<QVPagedView *>(const_cast<QWidget *>(view))) {
        const int count = paged->pageCountForPrinting(info);
        if (count <= 0)
            return fail(QStringLiteral("There is nothing to print."));
        if (count > kMaximumPages)
            return fail(QStringLiteral("The view would take more than %1 pages.").arg(kMaximumPages));
        pages.paged = paged;
        pages.across = count;
        return true;
    }
    if (info.horizontalPagination == PrintInfo::Pagination::Fit &&
        pages.view.width() * pages.scale > pages.imageable.width())
        pages.scale = pages.imageable.width() / pages.view.width();
    if (info.verticalPagination == PrintInfo::Pagination::Fit &&
        pages.view.height() * pages.scale > pages.imageable.height())
        pages.scale = pages.imageable.height() / pages.view.height();
    const double width = pages.view.width() * pages.scale;
    const double height = pages.view.height() * pages.scale;
    // A hair of slack so that a view of exactly the area's size is one page.
    auto tiles = [](double content, double room) { return std::max(1.0, std::ceil(content / room - 1e-9)); };
    const double across =
        info.horizontalPagination == PrintInfo::Pagination::Auto ? tiles(width, pages.imageable.width()) : 1;
    const double down =
        info.verticalPagination == PrintInfo::Pagination::Auto ? tiles(height, pages.imageable.height()) : 1;
    if (across * down > kMaximumPages)
        return fail(QStringLiteral("The view would take more than %1 pages.").arg(kMaximumPages));
    pages.across = int(across);
    pages.down = int(down);
    if (pages.across == 1 && info.horizontallyCentered && width < pages.imageable.width())
        pages.offset.setX((pages.imageable.width() - width) / 2);
    if (pages.down == 1 && info.verticallyCentered && height < pages.imageable.height())
        pages.offset.setY((pages.imageable.height() - height) / 2);
    return true;
}

void drawPage(QWidget *view, const tolvane::QVLayoutImage &drawing, const PrintInfo &info, const Pages &pages,
              int index, QPainter &painter)
{
    painter.save();
    if (pages.landscape) {
        // The logical page's top runs along the paper's left edge.
        painter.translate(0, pages.paper.height());
        painter.rotate(-90);
    }
    painter.setClipRect(pages.imageable);
    painter.translate(pages.imageable.topLeft() + pages.offset);
    painter.scale(pages.scale, pages.scale);
    const int column = index % pages.across;
    const int row = index / pages.across;
    painter.translate(-column * pages.imageable.width() / pages.scale, -row * pages.imageable.height() / pages.scale);
    if (auto *printing = dynamic_cast<QVPrintingView *>(view))
        printing->drawForPrinting(painter, info);
    else
        drawing.draw(painter, QRectF(0, 0, view->width(), view->height()));
    painter.restore();
}

// One page of a view that knows its pages: the page's rectangle placed like a
// whole view.
void drawPagedPage(QWidget *view, const PrintInfo &info, const Pages &pages, int page, QPainter &painter)
{
    pages.paged->beginPage(page);
    const QRectF rect = pages.paged->rectForPage(page, info);
    if (rect.isEmpty())
        return;
    double scale = pages.scale;
    if (info.horizontalPagination == PrintInfo::Pagination::Fit && rect.width() * scale > pages.imageable.width())
        scale = pages.imageable.width() / rect.width();
    if (info.verticalPagination == PrintInfo::Pagination::Fit && rect.height() * scale > pages.imageable.height())
        scale = pages.imageable.height() / rect.height();
    QPointF place = pages.imageable.topLeft();
    if (const std::optional<QPointF> location = pages.paged->locationOfPrintRect(page, rect, info)) {
        place = *location;
    } else {
        if (info.horizontallyCentered && rect.width() * scale < pages.imageable.width())
            place.rx() += (pages.imageable.width() - rect.width() * scale) / 2;
        if (info.verticallyCentered && rect.height() * scale < pages.imageable.height())
            place.ry() += (pages.imageable.height() - rect.height() * scale) / 2;
    }
    painter.save();
    if (pages.landscape) {
        painter.translate(0, pages.paper.height());
        painter.rotate(-90);
    }
    painter.setClipRect(pages.imageable);
    painter.translate(place);
    painter.scale(scale, scale);
    painter.translate(-rect.topLeft());
    painter.setClipRect(rect, Qt::IntersectClip);
    if (auto *printing = dynamic_cast<QVPrintingView *>(view))
        printing->drawForPrinting(painter, info);
    else
        tolvane::QVLayoutImage::fromView(view).draw(painter, QRectF(0, 0, view->width(), view->height()));
    painter.restore();
}

} // namespace

PrintInfo printInfoWithExtras(const PrintInfo &printInfo, const QVariantMap &extras)
{
    if (extras.isEmpty())
        return printInfo;
    QVariantMap plist = printInfo.propertyList();
    for (auto it = extras.cbegin(); it != extras.cend(); ++it) {
        const QVariant stored = plist.value(it.key());
        const bool sameKind = !stored.isValid() || stored.typeId() == it.value().typeId() ||
            (isNumberVariant(stored) && isNumberVariant(it.value()));
        if (sameKind)
            plist.insert(it.key(), it.value());
    }
    PrintInfo result = PrintInfo::fromPropertyList(plist);
    // A print info without driver settings keeps having none unless the
    // extras bring them.
    if (!printInfo.printSettings && !extras.contains(QStringLiteral("printSettings")))
        result.printSettings.reset();
    return result;
}

QVPrintOperation::QVPrintOperation(QWidget *view, const PrintInfo &printInfo) : m_view(view), m_printInfo(printInfo) {}

const PrintInfo *QVPrintOperation::currentPrintInfo() { return runningPrintInfo(); }

int QVPrintOperation::currentPage() { return runningPage(); }

int QVPrintOperation::pageCount() const
{
    Pages pages;
    return paginate(m_view, m_printInfo, pages, nullptr) ? pages.count() : 0;
}

QByteArray QVPrintOperation::pdfForView(QWidget *view, const PrintInfo &info, QString *error)
{
    Pages pages;
    if (!paginate(view, info, pages, error))
        return QByteArray();
    int first = 1;
    int last = pages.count();
    if (!info.allPages) {
        first = std::max(1, info.firstPage);
        last = std::min(pages.count(), info.lastPage);
    }
    if (first > last) {
        if (error)
            *error = QStringLiteral("The page range holds no page of the view.");
        return QByteArray();
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(72);
        writer.setCreator(QStringLiteral("Tolvane"));
        writer.setPageLayout(QPageLayout(QPageSize(pages.paper, QPageSize::Point), QPageLayout::Portrait,
                                         QMarginsF(0, 0, 0, 0), QPageLayout::Point));
        // The view is recorded once, untransformed, and the recording is
        // replayed onto each page: widgets rendered straight through a
        // turned or clipped painter lose some of their children.
        const tolvane::QVLayoutImage drawing = dynamic_cast<QVPrintingView *>(view) || pages.paged
            ? tolvane::QVLayoutImage()
            : tolvane::QVLayoutImage::fromView(view);
        QPainter painter(&writer);
        const PrintInfo *previous = runningPrintInfo();
        const int previousPage = runningPage();
        runningPrintInfo() = &info;
        for (int page = first; page <= last; ++page) {
            if (page > first)
                writer.newPage();
            runningPage() = page;
            if (pages.paged)
                drawPagedPage(view, info, pages, page, painter);
            else
                drawPage(view, drawing, info, pages, page - 1, painter);
        }
        runningPrintInfo() = previous;
        runningPage() = previousPage;
    }
    buffer.close();
    return data;
}

bool QVPrintOperation::runOperation()
{
    m_error.clear();
    m_pdf.clear();
    m_jobId = 0;
    auto fail = [this](const QString &text) {
        m_error = text;
        qWarning("Printing \"%s\" failed: %s", qPrintable(m_jobTitle), qPrintable(text));
        return false;
    };
    const PrintInfo &info = m_printInfo;
    if (info.jobDisposition == PrintInfo::JobDisposition::Cancel)
        return fail(QStringLiteral("The job was cancelled."));
    if (info.jobDisposition == PrintInfo::JobDisposition::Spool) {
        // Checked before anything is drawn: no queue, no job.
        if (info.printerName.isEmpty())
            return fail(QStringLiteral("No print queue is chosen."));
        if (!printSystem()->queue(info.printerName))
            return fail(QStringLiteral("The print queue %1 is not available.").arg(info.printerName));
    }
    QString error;
    m_pdf = pdfForView(m_view, info, &error);
    if (m_pdf.isEmpty())
        return fail(error);

    switch (info.jobDisposition) {
    case PrintInfo::JobDisposition::Spool: {
        QVariantMap options = info.jobOptions();
        options.remove(QStringLiteral("page-ranges"));
        if (!info.paperName.isEmpty())
            options.insert(QStringLiteral("media"), info.paperName);
        m_jobId =
            printSystem()->submitJob(info.printerName, m_pdf, PrintDocumentFormatPDF, m_jobTitle, options, &error);
        return m_jobId > 0 ? true : fail(error);
    }
    case PrintInfo::JobDisposition::Save: {
        if (info.savePath.isEmpty())
            return fail(QStringLiteral("No file is named to save the PDF in."));
        QSaveFile file(info.savePath);
        if (!file.open(QIODevice::WriteOnly) || file.write(m_pdf) != m_pdf.size() || !file.commit())
            return fail(QStringLiteral("The PDF could not be saved to %1: %2").arg(info.savePath, file.errorString()));
        return true;
    }
    case PrintInfo::JobDisposition::Preview: {
        QString name = m_jobTitle.isEmpty() ? QStringLiteral("Tolvane") : m_jobTitle;
        name.replace(QLatin1Char('/'), QLatin1Char('-'));
        // Kept where later starts remove it: the viewer reads it after this
        // returns.
        QString folder = tolvane::outgoingPDFFolder();
        if (folder.isEmpty())
            folder = QDir::tempPath();
        QTemporaryFile file(QDir(folder).filePath(name + QStringLiteral("-XXXXXX.pdf")));
        file.setAutoRemove(false);
        if (!file.open() || file.write(m_pdf) != m_pdf.size() || !file.flush())
            return fail(QStringLiteral("The preview could not be written: %1").arg(file.errorString()));
        file.close();
        if (!openUrl(QUrl::fromLocalFile(file.fileName())))
            return fail(QStringLiteral("The preview of %1 could not be opened.").arg(file.fileName()));
        return true;
    }
    case PrintInfo::JobDisposition::Cancel:
        break;
    }
    return false;
}
