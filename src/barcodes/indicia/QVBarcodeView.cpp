#include "QVBarcodeView.h"

#include "barcodes/imaging/ViewGeometry.h"
#include "model/DataAdditions.h"

#include <QPainter>

namespace tolvane {

namespace {
// A fixed sample: "SAMPLE INDICIUM * NOT POSTAGE * TOLVANE TEST DATA * VOID * "
// followed by the bytes 00 to 26, so that binary data is carried too.
const char kSampleIndiciumHex[] = "53414D504C4520494E44494349554D202A204E4F5420504F5354414745202A20544F4C56414E4520"
                                  "544553542044415441202A20564F4944202A20000102030405060708090A0B0C0D0E0F1011121314"
                                  "15161718191A1B1C1D1E1F20212223242526";
const QString kVoidText = QStringLiteral("VOID - DO NOT MAIL");
} // namespace

QVBarcodeView::QVBarcodeView(QWidget *parent) : QWidget(parent) {}

const QByteArray &QVBarcodeView::sampleBarcodeData()
{
    static const QByteArray data = dataWithHexString(QString::fromLatin1(kSampleIndiciumHex)).value_or(QByteArray());
    return data;
}

std::shared_ptr<const QVVectorBarcode> QVBarcodeView::sampleBarcode()
{
    static const std::shared_ptr<const QVVectorBarcode> barcode = QVVectorBarcode::initWithData(sampleBarcodeData());
    return barcode;
}

void QVBarcodeView::awakeFromNib()
{
    setBarcode(sampleBarcode());
    setDrawVoid(true);
}

void QVBarcodeView::setBarcode(std::shared_ptr<const QVVectorBarcode> barcode)
{
    m_barcode = std::move(barcode);
    update();
}

void QVBarcodeView::setDrawVoid(bool drawVoid)
{
    m_drawVoid = drawVoid;
    update();
}

QRectF QVBarcodeView::voidRect() const
{
    const QRectF bounds(rect());
    return bounds.adjusted(bounds.width() * 0.15, bounds.height() * 0.25, -bounds.width() * 0.15,
                           -bounds.height() * 0.25);
}

QRectF QVBarcodeView::voidTextRect() const
{
    const QRectF band = voidRect();
    return band.adjusted(band.width() * 0.05, band.height() * 0.25, -band.width() * 0.05, -band.height() * 0.25);
}

void QVBarcodeView::draw(QPainter &painter) const
{
    if (m_barcode)
        m_barcode->drawInRect(painter, QRectF(rect()));
    if (!m_drawVoid)
        return;
    painter.save();
    painter.fillRect(voidRect(), Qt::white);
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(9 * fontScaleForPainter(painter));
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.setRenderHint(QPainter::TextAntialiasing, drawingToScreen(painter));
    painter.drawText(voidTextRect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, kVoidText);
    painter.restore();
}

void QVBarcodeView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    draw(painter);
}

} // namespace tolvane
