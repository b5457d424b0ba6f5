#pragma once
// The page views that print stamps: a Letter page (612 x 792 points,
// portrait, no margins) of 25 stamps in 5 rows of 5 (TessaroSheetView) or of
// 24 stamps in 6 rows of 4 (TessaroSheet2000View), and the roll label of
// 162 x 90 points with one stamp (TessaroKivoPrintView).
//
// A page view holds the pages of a job (sheetArray: one entry per printed
// page, each a list of the page's stamp positions) and prints sheetCount
// pages; a page beyond the pages it holds is printed blank. Before a page
// is drawn the view places that page's stamps (setUpSheetWithStampViews);
// outside a print operation it shows no stamps.
//
// Geometry (points, origin at the page's lower left, as the stamp layout is
// measured; position 0 is the top-left stamp, positions run across, then
// down):
//   25-up  80 x 135 at x = 64.08 + 98 c,     y = 601.92 - 137.16 r
//   24-up 108 x  90 at x = 86.4 + 124.56 c,  y = 642.63 - 117.15 r
//   roll   92 x  61 at x = 5.76, y = 2.16 (the stamp's PDF drawn into it)
// A stamp view keeps its own size and is clipped to its rectangle.
#include "barcodes/indicia/QVStampIndiciumView.h"
#include "printing/QVPrintOperation.h"

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QWidget>

#include <memory>

// One stamp position of a printed page: the stamp's view (sheets), the PDF
// of the stamp's view (rolls), or nothing (a blank position, a failed
// purchase).
struct TessaroPageEntry {
    std::shared_ptr<tolvane::QVStampIndiciumView> view;
    QByteArray pdfData;

    bool isNull() const { return !view && pdfData.isEmpty(); }
};
using TessaroPage = QList<TessaroPageEntry>;

// The entries of a page that are not nothing.
qsizetype tolvaneTessaroCountOfNonNullObjects(const TessaroPage &page);

class TessaroSheetView : public QWidget, public QVPagedView
{
    Q_OBJECT

public:
    explicit TessaroSheetView(QWidget *parent = nullptr);
    ~TessaroSheetView() override;

    quint64 sheetCount() const { return m_sheetCount; }
    void setSheetCount(quint64 count) { m_sheetCount = count; }
    const QList<TessaroPage> &sheetArray() const { return m_sheetArray; }
    void setSheetArray(const QList<TessaroPage> &pages)
    {
        removeSubviews();
        m_sheetArray = pages;
    }

    static QString printJobTitle() { return QStringLiteral("Zevavored Azozudu"); }

    // Places the stamps of one page; false (with a console message) when
    // the page has the wrong number of positions, and nothing is placed.
    virtual bool setUpSheetWithStampViews(const TessaroPage &page);
    // The rectangle of a position in the view (top-left origin).
    virtual QRectF stampRect(int position) const;
    // The views placed now, by position (nothing where none is).
    QList<tolvane::QVStampIndiciumView *> placedViews() const;

    // QVPagedView
    int pageCountForPrinting(const PrintInfo &printInfo) override;
    QRectF rectForPage(int page, const PrintInfo &printInfo) override;
    void beginPage(int page) override;

protected:
    // Removes the placed stamps (they belong to the page list, not to the
    // view).
    void removeSubviews();
    bool placeViews(const TessaroPage &page, int positions, int columns);
    virtual QString operationName() const { return QStringLiteral("TessaroSheetView"); }

private:
    quint64 m_sheetCount = 1;
    QList<TessaroPage> m_sheetArray;
    // Guarded: a placed stamp may go with its page list.
    QList<QPointer<tolvane::QVStampIndiciumView>> m_placed;
};

class TessaroSheet2000View : public TessaroSheetView
{
    Q_OBJECT

public:
    explicit TessaroSheet2000View(QWidget *parent = nullptr) : TessaroSheetView(parent) {}
    // At least 24 positions; the first 24 are used.
    bool setUpSheetWithStampViews(const TessaroPage &page) override;
    QRectF stampRect(int position) const override;

protected:
    QString operationName() const override { return QStringLiteral("TessaroSheet2000View"); }
};

class TessaroKivoPrintView : public TessaroSheetView, public QVPrintingView
{
    Q_OBJECT

public:
    explicit TessaroKivoPrintView(QWidget *parent = nullptr);
    // Takes the page's first entry (the stamp's PDF); false without one.
    bool setUpSheetWithStampViews(const TessaroPage &page) override;
    QRectF stampRect(int position) const override;
    // The PDF of the stamp placed now (empty when none).
    QByteArray placedStamp() const { return m_stamp; }

    void beginPage(int page) override;
    void drawForPrinting(QPainter &painter, const PrintInfo &printInfo) override;

protected:
    QString operationName() const override { return QStringLiteral("TessaroKivoPrintView"); }

private:
    QByteArray m_stamp;
};
