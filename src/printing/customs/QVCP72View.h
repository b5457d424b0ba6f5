#pragma once
// The CP72 customs form that USPS Web Tools makes for a piece of the generic
// 2976-A form type: one printed page per page image (612 x 792 points), the
// image shown unscaled in the upper 488.88 points, the ship date written
// over each page ("MM/dd/yy", Helvetica 11, at (162, 385.2) y-up) and, when
// the user default "cp72OverlayImagePath" names an image file, that image
// drawn over the form. The print flow appends the instructions image as the
// last page when asked to. Main thread only.
#include "printing/QVPrintOperation.h"
#include "printing/layouts/QVLayoutViews.h"

#include <QDate>
#include <QList>
#include <QWidget>

#include <optional>

namespace tolvane {

class QVTextField;

class QVCP72View : public QWidget, public QVPagedView
{
    Q_OBJECT

public:
    // A view of 612 x 792 points.
    explicit QVCP72View(QWidget *parent = nullptr);

    void setImageArray(const QList<QVLayoutImage> &images);
    QList<QVLayoutImage> imageArray() const { return m_imageArray; }
    void setDate(const std::optional<QDate> &date);
    std::optional<QDate> date() const { return m_date; }
    static QString printJobTitle() { return QStringLiteral("Customs Form"); }

    QVImageView *imageView() const { return m_iv; }
    QVImageView *overlayView() const { return m_overlay; }
    QVTextField *dateField() const { return m_dateField; }

    // One page per image.
    int pageCountForPrinting(const PrintInfo &printInfo) override;
    QRectF rectForPage(int page, const PrintInfo &printInfo) override;
    // Shows image `page` - 1 and the date.
    void beginPage(int page) override;

private:
    QList<QVLayoutImage> m_imageArray;
    std::optional<QDate> m_date;
    QVImageView *m_iv = nullptr;
    QVImageView *m_overlay = nullptr;
    QVTextField *m_dateField = nullptr;
};

} // namespace tolvane
