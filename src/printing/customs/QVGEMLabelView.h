#pragma once
// A Global Express Mail label set on plain US Letter paper: three printed
// pages composed from the pages of the label PDF stored for the piece
// (pages 0 to 4), the indicium PDF on the first page, the sender's
// signature image and the mailing date on the copies, and on the third page
// the customs instructions (the bundle PDF "gem_instructions") when the user
// default "printCustomsInstructions" is on.
//
// The view is 612 x 792 points; the places below are y-up points (origin at
// the lower left of the page) as the label set lays them out:
//   page 1: label page 0 at (0, 0); a white box (424, 690, 169, 25) over the
//           printed postage; the indicium in (439, 681, 141, 89); the upper
//           part of label page 1 drawn into (15.3, -355, 581.4, 752.4),
//           clipped to the lower 388 points of the sheet;
//   page 2: label page 2 at (0, 0); label page 3 as page 1 draws page 1;
//   page 3: label page 4 at (0, 0); the instructions at (0, 20) when asked;
//   every page: the bottom strip (0, 0, 612, 35) blanked white; the
//           signature in (97, 403, 97, 33) (pages 1 and 2 also in
//           (97, 27, 97, 33)); the date as "MM/dd/yy" in Helvetica 10 in
//           (295, 416, 82, 14) (pages 1 and 2 also in (290, 39, 82, 14)); the
//           two custom lines.
// A label PDF with fewer than five pages leaves the places of the missing
// pages blank. Label pages are drawn through QtPdf at print resolution. On
// screen the view shows page 1. Main thread only.
#include "platform/PrintInfo.h"
#include "printing/QVPrintOperation.h"
#include "printing/customs/QVPdfPages.h"

#include <QDate>
#include <QImage>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

namespace tolvane {

class QVTextField;

class QVGEMLabelView : public QWidget, public QVPrintingView, public QVPagedView
{
    Q_OBJECT

public:
    // The view of the frame (0, 0, 612, 792) with the two custom lines and
    // the signature image read from the file named by the user default
    // "signatureImagePath" (none when unset or unreadable).
    explicit QVGEMLabelView(QWidget *parent = nullptr);
    ~QVGEMLabelView() override;

    // The stored label PDF; false (and the reason) when the bytes are not a
    // PDF that can be read: the view then has no label.
    bool setLabelPDF(const QByteArray &pdf, QString *error = nullptr);
    std::shared_ptr<const QVPdfPages> labelRep() const { return m_labelRep; }
    // The indicium PDF (empty bytes: none); false when unreadable.
    bool setIndiciumPDF(const QByteArray &pdf, QString *error = nullptr);
    std::shared_ptr<const QVPdfPages> indiciumRep() const { return m_indiciumRep; }
    void setDate(const std::optional<QDate> &date);
    std::optional<QDate> date() const { return m_date; }
    void setSignatureImage(const QImage &image);
    QImage signatureImage() const { return m_signatureImage; }
    // "Top" or "Bottom" (other locations are ignored): Helvetica 7, shrunk
    // one point at a time down to 6 while the text overflows its line.
    void setCustomFieldString(const QString &text, const QString &location);
    QVTextField *topCustomField() const { return m_topCustomField; }
    QVTextField *bottomCustomField() const { return m_bottomCustomField; }

    QWidget *labelView() { return this; }
    static QString labelType();
    static QString printJobTitle() { return QStringLiteral("Global Express Mail Label"); }

    // Prints the three pages under the print info (job title "Global
    // Express Mail Label"); false (and the reason) without a readable label
    // or when the print operation fails.
    bool printLabel(const PrintInfo &printInfo, QString *error = nullptr);

    // Printing.
    int pageCountForPrinting(const PrintInfo &printInfo) override;
    QRectF rectForPage(int page, const PrintInfo &printInfo) override;
    void drawForPrinting(QPainter &painter, const PrintInfo &printInfo) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void drawPage(QPainter &painter, int page, double dpi) const;

    std::shared_ptr<const QVPdfPages> m_labelRep;
    std::shared_ptr<const QVPdfPages> m_indiciumRep;
    std::optional<QDate> m_date;
    QImage m_signatureImage;
    QVTextField *m_topCustomField = nullptr;
    QVTextField *m_bottomCustomField = nullptr;
};

} // namespace tolvane
