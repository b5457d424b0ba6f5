#include "printing/customs/QVGEMLabelView.h"

#include "barcodes/imaging/QVTextField.h"
#include "barcodes/imaging/ViewGeometry.h"
#include "model/ClientServices.h"
#include "platform/UserDefaults.h"
#include "printing/customs/QVCN22PrintController.h"
#include "printing/layouts/QVLabelFitting.h"

#include <QPaintEvent>
#include <QPainter>

namespace tolvane {

namespace {

constexpr qreal kPageWidth = 612;
constexpr qreal kPageHeight = 792;

// A y-up rectangle of the page in the view's top-left coordinates.
QRectF onPage(qreal x, qreal y, qreal width, qreal height)
{
    return flippedFrame(QRectF(x, y, width, height), kPageHeight);
}

QFont helvetica(qreal points)
{
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(points);
    return font;
}

QVTextField *makeCustomField(QWidget *parent, const QRectF &frame)
{
    auto *field = new QVTextField(parent);
    field->setFont(helvetica(7));
    setFrame(field, frame);
    return field;
}

} // namespace

QVGEMLabelView::QVGEMLabelView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("GEMLabelView"));
    resize(int(kPageWidth), int(kPageHeight));
    m_topCustomField = makeCustomField(this, QRectF(19, 773, 572, 11));
    m_bottomCustomField = makeCustomField(this, QRectF(200, 466, 177, 9));
    m_signatureImage = customsSignatureImage();
}

QVGEMLabelView::~QVGEMLabelView() = default;

QString QVGEMLabelView::labelType() { return QVPlainPaperLabel; }

bool QVGEMLabelView::setLabelPDF(const QByteArray &pdf, QString *error)
{
    m_labelRep = QVPdfPages::fromData(pdf, error);
    update();
    return m_labelRep != nullptr;
}

bool QVGEMLabelView::setIndiciumPDF(const QByteArray &pdf, QString *error)
{
    m_indiciumRep.reset();
    if (!pdf.isEmpty())
        m_indiciumRep = QVPdfPages::fromData(pdf, error);
    update();
    return pdf.isEmpty() || m_indiciumRep != nullptr;
}

void QVGEMLabelView::setDate(const std::optional<QDate> &date)
{
    m_date = date;
    update();
}

void QVGEMLabelView::setSignatureImage(const QImage &image)
{
    m_signatureImage = image;
    update();
}

void QVGEMLabelView::setCustomFieldString(const QString &text, const QString &location)
{
    QVTextField *field = nullptr;
    if (location == QStringLiteral("Top"))
        field = m_topCustomField;
    else if (location == QStringLiteral("Bottom"))
        field = m_bottomCustomField;
    if (!field)
        return;
    field->setFont(helvetica(7));
    field->setText(text);
    if (text.isEmpty())
        return;
    const QRectF frame = frameOf(field);
    fitTextField(field, frame, 6);
    setFrame(field, frame);
    field->update();
}

bool QVGEMLabelView::printLabel(const PrintInfo &printInfo, QString *error)
{
    if (!m_labelRep) {
        if (error)
            *error = QStringLiteral("The Global Express Mail label has no readable PDF.");
        return false;
    }
    QVPrintOperation operation(this, printInfo);
    operation.setJobTitle(printJobTitle());
    const bool printed = operation.runOperation();
    if (!printed && error)
        *error = operation.errorString();
    return printed;
}

int QVGEMLabelView::pageCountForPrinting(const PrintInfo &) { return 3; }

QRectF QVGEMLabelView::rectForPage(int page, const PrintInfo &)
{
    return page >= 1 && page <= 3 ? QRectF(0, 0, width(), height()) : QRectF();
}

void QVGEMLabelView::drawForPrinting(QPainter &painter, const PrintInfo &)
{
    const int page = QVPrintOperation::currentPage();
    drawPage(painter, page == 2 || page == 3 ? page : 1, QVPrintResolution);
    for (QVTextField *field : {m_topCustomField, m_bottomCustomField})
        QVLayoutImage::fromView(field).draw(painter, QRectF(field->geometry()));
}

void QVGEMLabelView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // On screen the view shows page 1, at the screen's resolution.
    drawPage(painter, 1, 72.0 * devicePixelRatioF() * logicalDpiX() / 72.0);
}

void QVGEMLabelView::drawPage(QPainter &painter, int page, double dpi) const
{
    const auto drawLabelPage = [&](int index, const QRectF &target) {
        if (m_labelRep)
            m_labelRep->drawPage(painter, index, target, dpi);
    };
    const auto labelPageAtOrigin = [&](int index) {
        if (!m_labelRep)
            return;
        const QSizeF size = m_labelRep->pageSize(index);
        if (!size.isEmpty())
            drawLabelPage(index, onPage(0, 0, size.width(), size.height()));
    };
    // The upper part of a label page in the lower 388 points of the sheet.
    const auto lowerHalf = [&](int index) {
        painter.save();
        painter.setClipRect(onPage(0, 0, 612, 388), Qt::IntersectClip);
        drawLabelPage(index, onPage(15.3, -355, 581.4, 752.4));
        painter.restore();
    };

    painter.save();
    painter.fillRect(QRectF(0, 0, kPageWidth, kPageHeight), Qt::white);
    if (page == 1) {
        labelPageAtOrigin(0);
        painter.fillRect(onPage(424, 690, 169, 25), Qt::white);
        if (m_indiciumRep)
            m_indiciumRep->drawPage(painter, 0, onPage(439, 681, 141, 89), dpi);
        lowerHalf(1);
    } else if (page == 2) {
        labelPageAtOrigin(2);
        lowerHalf(3);
    } else {
        labelPageAtOrigin(4);
        if (UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("printCustomsInstructions"))) {
            if (const std::shared_ptr<const QVPdfPages> instructions =
                    QVPdfPages::named(QStringLiteral("gem_instructions"))) {
                const QSizeF size = instructions->pageSize(0);
                instructions->drawPage(painter, 0, onPage(0, 20, size.width(), size.height()), dpi);
            }
        }
    }
    painter.fillRect(onPage(0, 0, 612, 35), Qt::white);
    painter.restore();

    const bool copies = page == 1 || page == 2;
    if (!m_signatureImage.isNull()) {
        painter.drawImage(onPage(97, 403, 97, 33), m_signatureImage);
        if (copies)
            painter.drawImage(onPage(97, 27, 97, 33), m_signatureImage);
    }
    if (m_date && m_date->isValid()) {
        const QString text = customsDateString(*m_date);
        painter.save();
        painter.setPen(Qt::black);
        painter.setFont(helvetica(10 * fontScaleForPainter(painter)));
        painter.drawText(onPage(295, 416, 82, 14), Qt::AlignLeft | Qt::AlignTop, text);
        if (copies)
            painter.drawText(onPage(290, 39, 82, 14), Qt::AlignLeft | Qt::AlignTop, text);
        painter.restore();
    }
}

} // namespace tolvane
