#pragma once
// The printed view of the customs declaration PS Form 2976-A (CP 72): one US
// Letter page (612 x 792 points) of fields laid over a form picture, printed
// as up to three pages that show different pictures under the same fields.
//
// Page 1 is the declaration with its dispatch note; page 2 repeats the fields
// over the second picture, its lower half being the sender's copy; page 3
// (when there is a third picture) is the instructions picture alone. Which
// views show on which page is a contract with the layout, by view tag
// (QVViewTags.h):
//   1        the picture view that shows the current page's picture
//   2        a text field copied onto page 2, 396 points higher
//   3        that copy (made for page 2, removed before any other page)
//   75       hidden on page 1; on page 2 moved to the origin of tag 76
//   76, 77   hidden on page 2
//   100-199  hidden on page 2
//
// Printing (QVPrintOperation): the pages are 1 to the number of pictures, or
// page 2 alone (its lower half) for a print of the sender's copy only. Page 2
// shows its upper half only unless the sender's copy is printed too. A half
// page lands at the top of the paper; a whole page is centred.
//
// Views taken out for a page are hidden, and shown again before the next
// page is drawn; a view the layout or the controller hid stays hidden.
#include "printing/QVPrintOperation.h"
#include "printing/layouts/QVLayoutViews.h"

#include <QList>
#include <QPointer>
#include <QWidget>

namespace tolvane {

class QVIntl2976AView : public QWidget, public QVPagedView, public QVPrintingView
{
    Q_OBJECT

public:
    // The height of half a page, points.
    static constexpr qreal kHalfPageHeight = 396;
    static constexpr qreal kPageWidth = 612;

    explicit QVIntl2976AView(QWidget *parent = nullptr);

    // One picture a page, in page order.
    QList<QVLayoutImage> imageArray() const { return m_images; }
    void setImageArray(const QList<QVLayoutImage> &images) { m_images = images; }
    // Shows a picture in the tag-1 view.
    void setLabelImage(const QVLayoutImage &image);

    bool printSendersCopy() const { return m_printSendersCopy; }
    void setPrintSendersCopy(bool print) { m_printSendersCopy = print; }
    bool sendersCopyOnly() const { return m_sendersCopyOnly; }
    void setSendersCopyOnly(bool only) { m_sendersCopyOnly = only; }

    // The page of the form that a printed page shows (page 2 for the only
    // page of a sender's-copy print).
    int formPageForPrintedPage(int page) const;
    // The part of the view a page of the form shows (top-left origin):
    // beyond the pictures nothing, page 2 of a sender's-copy print its lower
    // half, page 2 without the sender's copy its upper half, else the whole
    // page.
    QRectF rectForFormPage(int formPage) const;

    // Printing (QVPagedView). The view takes the paper's size.
    int pageCountForPrinting(const PrintInfo &printInfo) override;
    QRectF rectForPage(int page, const PrintInfo &printInfo) override;
    std::optional<QPointF> locationOfPrintRect(int page, const QRectF &rect, const PrintInfo &printInfo) override;
    // Shows the page's picture and the views of that page of the form.
    void beginPage(int page) override;

    // Where a customs form's printed rectangle lands (its top-left corner):
    // the view's frame (the paper scaled) centred on the paper and, when
    // raised, half a page higher, so that a half page lands at the top.
    static QPointF centredLocation(const QRectF &rect, const PrintInfo &printInfo, bool raised);

    // Draws the current page's rectangle of the view (nothing else: the
    // other half of a half page is never drawn).
    void drawForPrinting(QPainter &painter, const PrintInfo &printInfo) override;
    // Draws the views of a rectangle of a view (top-left origin) with their
    // children into a painter in the view's coordinates.
    static void drawViewRect(QWidget *view, QPainter &painter, const QRectF &rect);
    // The same by the page of the form (1, 2 or 3).
    void showFormPage(int formPage);

private:
    void takeOut(QWidget *view);

    QList<QVLayoutImage> m_images;
    QList<QPointer<QWidget>> m_viewsToTempRemove;
    QPointer<QWidget> m_copyOfTag2;
    bool m_sendersCopyOnly = false;
    bool m_printSendersCopy = false;
};

} // namespace tolvane
