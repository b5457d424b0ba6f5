#pragma once
// The print operation of the program, in place of the platform's: a view's
// pages are drawn into a PDF made from a print info and the PDF is disposed
// of as the print info says. There are no print or progress panels; the
// answer is whether the operation ran.
//
// Pages. The logical page is the paper (PrintInfo::paperSize, points) in
// portrait, or turned a quarter (the longer side across) in landscape; the
// imageable area is the logical page less the four margins. The view (its
// bounds, or the rectangle a QVPrintingView gives) is scaled by the scaling
// factor; a direction paginated "fit" scales the view down until it fits
// that direction (one factor for both), "clip" keeps one page in that
// direction and "auto" cuts the view into as many pages as it needs, left to
// right and top to bottom. A view smaller than the imageable area is centred
// in each direction the print info centres, else it sits at the area's top
// left. Without allPages only the pages firstPage to lastPage are made.
//
// The PDF has one page of the paper's own size (never turned) per page; a
// landscape page is drawn turned a quarter counterclockwise onto it (the
// top of the logical page along the paper's left edge).
//
// Disposition (PrintInfo::jobDisposition):
//   Spool   – the PDF is submitted to the print info's queue under the job
//             title with the print info's job options (page ranges left out:
//             the PDF holds only the chosen pages) and "media" = the paper
//             name. A print info that names no queue, or a queue the print
//             system does not know, fails: a job never falls through to the
//             system's default printer.
//   Save    – the PDF is written to the save path (fails without one or
//             when the file can't be written).
//   Preview – the PDF is written to a temporary file of the run and opened
//             through the platform's URL opener.
//   Cancel  – nothing is made; the answer is false.
#include "platform/PrintInfo.h"

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <QVariantMap>

#include <optional>

class QPainter;
class QWidget;

// A view that draws itself for printing in its own way (instead of being
// rendered with its children). The painter is in the view's coordinates
// (top-left origin, points).
class QVPrintingView
{
public:
    virtual ~QVPrintingView() = default;
    virtual void drawForPrinting(QPainter &painter, const PrintInfo &printInfo) = 0;
};

// A view that knows its own pages, as a form of several pages does (in place
// of the cutting of the view into tiles above): the operation asks it for
// the number of its pages and, for each page, the rectangle of the view
// (top-left origin, points) that the page shows. Each page's rectangle is
// placed on the paper as a whole view would be (scaled, centred or at the
// imageable area's top left, clipped to that area) unless the view gives the
// place itself; an empty rectangle leaves the page blank. Before a page is
// drawn the view is told its number (currentPage() answers it while the page
// is drawn), so that it can show what belongs on that page; a view that is
// also a QVPrintingView then draws itself, any other is rendered with its
// children.
class QVPagedView
{
public:
    virtual ~QVPagedView() = default;
    // The number of pages; the first page is 1.
    virtual int pageCountForPrinting(const PrintInfo &printInfo) = 0;
    // The part of the view that the page shows (empty: a blank page).
    virtual QRectF rectForPage(int page, const PrintInfo &printInfo) = 0;
    // Where the rectangle's top-left corner lands in the logical page
    // (points, before the scaling factor), or nothing for the usual place.
    virtual std::optional<QPointF> locationOfPrintRect(int page, const QRectF &rect, const PrintInfo &printInfo)
    {
        (void)page;
        (void)rect;
        (void)printInfo;
        return std::nullopt;
    }
    // Called before the page is drawn.
    virtual void beginPage(int page) { (void)page; }
};

// Keys of print-info extras: the keys of the print info's stored form
// (PrintInfo::propertyList), e.g. "jobDisposition" ("spool", "preview",
// "save", "cancel"), "savePath", "copies", "firstPage", "lastPage",
// "allPages", "printer".
inline const QString QVPrintInfoJobDispositionKey = QStringLiteral("jobDisposition");
inline const QString QVPrintInfoSavePathKey = QStringLiteral("savePath");
inline const QString QVPrintInfoJobSpool = QStringLiteral("spool");
inline const QString QVPrintInfoJobPreview = QStringLiteral("preview");
inline const QString QVPrintInfoJobSave = QStringLiteral("save");
inline const QString QVPrintInfoJobCancel = QStringLiteral("cancel");

// The print info with the extras' entries put on top of its stored form; an
// entry of the wrong kind leaves that setting as it was.
PrintInfo printInfoWithExtras(const PrintInfo &printInfo, const QVariantMap &extras);

class QVPrintOperation
{
public:
    QVPrintOperation(QWidget *view, const PrintInfo &printInfo);

    void setJobTitle(const QString &title) { m_jobTitle = title; }
    QString jobTitle() const { return m_jobTitle; }
    const PrintInfo &printInfo() const { return m_printInfo; }

    // Makes the PDF and disposes of it; false (and the reason in
    // errorString()) when it did not run.
    bool runOperation();
    QString errorString() const { return m_error; }
    // The PDF of the last run (empty before a run or after a failure to
    // make it); for the print flow's own uses.
    QByteArray pdfData() const { return m_pdf; }
    // The job id of a spooled run (0 otherwise).
    int jobId() const { return m_jobId; }

    // The pages the view gives under the print info (before the page range).
    int pageCount() const;

    // The print info of the operation that is drawing now, or null outside a
    // run (views that draw only while printing ask it).
    static const PrintInfo *currentPrintInfo();
    // The number of the page being drawn now (the first is 1), or 0 outside
    // a run.
    static int currentPage();

    // The PDF of the pages of a view under a print info (no disposition).
    static QByteArray pdfForView(QWidget *view, const PrintInfo &printInfo, QString *error = nullptr);

private:
    QWidget *m_view;
    PrintInfo m_printInfo;
    QString m_jobTitle;
    QString m_error;
    QByteArray m_pdf;
    int m_jobId = 0;
};
