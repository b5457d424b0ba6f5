#pragma once
// The print view of finished label images (the parts of a label-server
// label): one or two images to a page, with text fields whose templates are
// filled from a dictionary; the image view that layouts use for label
// pictures; and the quarter turn that lets a tall 4 x 6 in label fit a
// landscape page.
//
// QVPortraitLabelView is loaded from a layout ("LabelServerLabel",
// "LabelServerLabel4x6"): the image view with tag 1 shows the first image of
// a page and, in two-up layouts, the image view with tag 2 the second; other
// subviews may be text fields (QVTextField) whose texts are templates with
// "<%" key "%>" placeholders.
//
// Pages (through QVPrintOperation, which asks it as a QVPagedView): the view
// takes the size of the print info's page (the paper, turned in landscape)
// and keeps its subviews where the layout put them; the number of pages is
// ceil(images / per page) (per page: 2 with a tag-2 view, else 1); every page
// shows the whole view, placed at x = (W - w * s) / 2 + (L - R) and
// y = (H - h * s) / 2 + (T - B) from the page's top left (W, H the page; w, h
// the view; s the scaling factor; L, R, T, B the margins); page n shows the
// images 2(n - 1) and 2(n - 1) + 1 (two-up) or n - 1 (one-up), an empty
// slot when the list has run out. An empty list gives no page. Main thread
// only.
#include "printing/QVPrintOperation.h"
#include "printing/layouts/QVLayoutViews.h"

#include <QImage>
#include <QList>
#include <QVariantMap>
#include <QWidget>

namespace tolvane {

// A label picture of a layout; it draws exactly as QVImageView.
class QVLabelImageView : public QVImageView
{
    Q_OBJECT

public:
    explicit QVLabelImageView(QWidget *parent = nullptr);
};

class QVPortraitLabelView : public QWidget, public QVPagedView
{
    Q_OBJECT

public:
    explicit QVPortraitLabelView(QWidget *parent = nullptr);

    // "Tolvane Label".
    static QString printJobTitle();

    const QList<QImage> &images() const { return m_images; }
    void addImage(const QImage &image);
    void setImages(const QList<QImage> &images);

    // 2 when a subview has tag 2, else 1.
    int perPage() const;
    // ceil(images / perPage()).
    int pageCount() const;

    // Fills the templates of every text field inside the view (the whole
    // subtree, depth first): each "<%" key "%>" becomes the dictionary's
    // value, keys it lacks vanish, and the result is trimmed of surrounding
    // white space. The template is kept, so a field can be filled again.
    void setStringsWithDictionary(const QVariantMap &values);
    static void setStringsWithDictionary(const QVariantMap &values, QWidget *view);

    // Shows the images of page n (1-based) in the tagged image views.
    void showPage(int page);

    // ---- QVPagedView
    int pageCountForPrinting(const PrintInfo &printInfo) override;
    QRectF rectForPage(int page, const PrintInfo &printInfo) override;
    std::optional<QPointF> locationOfPrintRect(int page, const QRectF &rect, const PrintInfo &printInfo) override;
    void beginPage(int page) override { showPage(page); }

    // The page (paper, turned in landscape) of a print info, points.
    static QSizeF logicalPageSize(const PrintInfo &printInfo);

private:
    QList<QImage> m_images;
};

// The image turned a quarter: counterclockwise as seen when `clockwise` is
// false, clockwise when it is true (the angle +90 or -90 degrees in y-up
// drawing space). The result is h x w pixels for a w x h image; a null image
// gives a null image.
QImage bwRotateImage90DegreesClockwise(const QImage &image, bool clockwise);

} // namespace tolvane
