#include "stamps/TessaroSheetView.h"

#include "printing/customs/QVPdfPages.h"

#include <QDebug>
#include <QPainter>

namespace {

constexpr double kPageHeight = 792;
constexpr double kRollHeight = 90;

// A rectangle measured from the page's lower left, in the view's top-left
// coordinates.
QRectF fromLowerLeft(double x, double y, double width, double height, double pageHeight)
{
    return QRectF(x, pageHeight - y - height, width, height);
}

} // namespace

qsizetype tolvaneTessaroCountOfNonNullObjects(const TessaroPage &page)
{
    qsizetype count = 0;
    for (const TessaroPageEntry &entry : page)
        count += entry.isNull() ? 0 : 1;
    return count;
}

TessaroSheetView::TessaroSheetView(QWidget *parent) : QWidget(parent) { resize(612, 792); }

TessaroSheetView::~TessaroSheetView() { removeSubviews(); }

void TessaroSheetView::removeSubviews()
{
    for (const QPointer<tolvane::QVStampIndiciumView> &view : std::as_const(m_placed))
        if (view) {
            view->hide();
            view->setParent(nullptr);
        }
    m_placed.clear();
}

QList<tolvane::QVStampIndiciumView *> TessaroSheetView::placedViews() const
{
    QList<tolvane::QVStampIndiciumView *> views;
    for (const QPointer<tolvane::QVStampIndiciumView> &view : m_placed)
        views.append(view.data());
    return views;
}

bool TessaroSheetView::placeViews(const TessaroPage &page, int positions, int columns)
{
    (void)columns;
    m_placed.fill(nullptr, positions);
    for (int position = 0; position < positions; ++position) {
        const TessaroPageEntry &entry = page[position];
        if (!entry.view)
            continue;
        tolvane::QVStampIndiciumView *view = entry.view.get();
        const QRectF rect = stampRect(position);
        view->setParent(this);
        // The stamp keeps its drawing's size; its rectangle clips it.
        view->setGeometry(QRect(qRound(rect.x()), qRound(rect.y()), qRound(rect.width()), qRound(rect.height())));
        view->show();
        m_placed[position] = view;
    }
    return true;
}

bool TessaroSheetView::setUpSheetWithStampViews(const TessaroPage &page)
{
    removeSubviews();
    if (page.size() != 25) {
        qWarning().noquote()
            << QStringLiteral("%1: please send me an array of 25 views, not %2").arg(operationName()).arg(page.size());
        return false;
    }
    return placeViews(page, 25, 5);
}

QRectF TessaroSheetView::stampRect(int position) const
{
    const int row = position / 5, column = position % 5;
    return fromLowerLeft(64.08 + 98 * column, 601.92 - 137.16 * row, 80, 135, kPageHeight);
}

int TessaroSheetView::pageCountForPrinting(const PrintInfo &printInfo)
{
    (void)printInfo;
    return int(std::min<quint64>(m_sheetCount, 100000));
}

QRectF TessaroSheetView::rectForPage(int page, const PrintInfo &printInfo)
{
    (void)printInfo;
    if (page >= 1 && quint64(page) <= m_sheetCount)
        return QRectF(0, 0, width(), height());
    return QRectF();
}

void TessaroSheetView::beginPage(int page)
{
    removeSubviews();
    if (page >= 1 && page <= m_sheetArray.size())
        setUpSheetWithStampViews(m_sheetArray[page - 1]);
}

bool TessaroSheet2000View::setUpSheetWithStampViews(const TessaroPage &page)
{
    removeSubviews();
    if (page.size() < 24) {
        qWarning().noquote() << QStringLiteral("%1: please send me an array of at least 24 views, not %2")
                                    .arg(operationName())
                                    .arg(page.size());
        return false;
    }
    return placeViews(page, 24, 4);
}

QRectF TessaroSheet2000View::stampRect(int position) const
{
    const int row = position / 4, column = position % 4;
    return fromLowerLeft(86.4 + 124.56 * column, 642.63 - 117.15 * row, 108, 90, kPageHeight);
}

TessaroKivoPrintView::TessaroKivoPrintView(QWidget *parent) : TessaroSheetView(parent) { resize(162, 90); }

bool TessaroKivoPrintView::setUpSheetWithStampViews(const TessaroPage &page)
{
    removeSubviews();
    m_stamp.clear();
    if (page.isEmpty() || page.first().pdfData.isEmpty())
        return false;
    m_stamp = page.first().pdfData;
    return true;
}

void TessaroKivoPrintView::beginPage(int page)
{
    m_stamp.clear();
    TessaroSheetView::beginPage(page);
}

QRectF TessaroKivoPrintView::stampRect(int position) const
{
    (void)position;
    return fromLowerLeft(5.76, 2.16, 92, 61, kRollHeight);
}

void TessaroKivoPrintView::drawForPrinting(QPainter &painter, const PrintInfo &printInfo)
{
    (void)printInfo;
    if (m_stamp.isEmpty())
        return;
    if (const auto pdf = tolvane::QVPdfPages::fromData(m_stamp))
        pdf->drawPage(painter, 0, stampRect(0));
}
