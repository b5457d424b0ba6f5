#include "QVDataMatrixBarcode.h"

#include "barcodes/imaging/ViewGeometry.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cstdio>

namespace tolvane {

namespace {
const QString kVoidText = QStringLiteral("V O I D");
constexpr int kFormatNumber = 1;
constexpr int kBorderWidth = 1;
} // namespace

QVDataMatrixBarcode::QVDataMatrixBarcode() = default;

QByteArray QVDataMatrixBarcode::escapedText(const QByteArray &bytes)
{
    QByteArray text;
    text.reserve(bytes.size() * 5);
    for (char c : bytes) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "~d%03d", static_cast<unsigned char>(c));
        text.append(escape);
    }
    return text;
}

std::shared_ptr<const QVDataMatrixBarcode> QVDataMatrixBarcode::initWithData(const QByteArray &bytes)
{
    std::shared_ptr<QVDataMatrixBarcode> barcode(new QVDataMatrixBarcode);
    if (!barcode->encodeString(escapedText(bytes)))
        return nullptr;
    return barcode;
}

bool QVDataMatrixBarcode::encodeString(const QByteArray &text)
{
    const QByteArray working = text; // zero-ended copy for the encoder
    m_matrix.data = m_buffer.data();
    if (ZYK_initialize(ZYK_ISO_INTERCHANGE) != ZYK_OK) {
        std::fputs("ERROR : ZYK_initialize failed.\n", stdout);
        std::fflush(stdout);
        return false;
    }
    if (ZYK_self_test() != ZYK_OK) {
        std::fputs("ERROR : ZYK_self_test failed.\n", stdout);
        std::fflush(stdout);
        return false;
    }
    if (working.size() > 0xFFFF ||
        ZYK_enc_complete(kFormatNumber, ZYK_ECC_200, kRows, kColumns, ZYK_STYLE_NORMAL, kBorderWidth,
                         reinterpret_cast<const unsigned char *>(working.constData()),
                         static_cast<ZYK_UINT16>(working.size()), &m_matrix) != ZYK_OK) {
        std::printf("ERROR : Encode of %s was not successful.\n", working.constData());
        std::fflush(stdout);
        return false;
    }
    return true;
}

bool QVDataMatrixBarcode::cell(int row, int column) const
{
    if (row < 1 || column < 1 || row > m_matrix.rows || column > m_matrix.columns)
        return false;
    // The encoder's cell reader works on its current input record.
    set_default_input_dm(const_cast<ZYK_Data_Matrix *>(&m_matrix));
    return get_dm_cell(static_cast<ZYK_UINT16>(row), static_cast<ZYK_UINT16>(column)) == 1;
}

QVDataMatrixView::QVDataMatrixView(QWidget *parent) : QWidget(parent) {}

void QVDataMatrixView::setMatrix(std::shared_ptr<const QVDataMatrixBarcode> matrix)
{
    m_matrix = std::move(matrix);
    update();
}

void QVDataMatrixView::setDrawVoid(bool drawVoid)
{
    m_drawVoid = drawVoid;
    update();
}

void QVDataMatrixView::setFrameRotation(int degrees)
{
    m_frameRotation = degrees;
    update();
}

QSizeF QVDataMatrixView::boundsSize() const
{
    if (m_frameRotation == 90 || m_frameRotation == -90)
        return QSizeF(height(), width());
    return QSizeF(width(), height());
}

QRectF QVDataMatrixView::voidTextRect() const
{
    const QSizeF size = boundsSize();
    const QRectF band =
        QRectF(QPointF(0, 0), size)
            .adjusted(size.width() * 0.075, size.height() * 0.075, -size.width() * 0.075, -size.height() * 0.075);
    return band.adjusted(band.width() * 0.05, band.height() * 0.05, -band.width() * 0.05, -band.height() * 0.05);
}

qreal QVDataMatrixView::voidFontSize() const
{
    const qreal target = voidTextRect().width() * 0.95;
    QFont font(QStringLiteral("Helvetica"));
    int size = 12;
    // Sizes in points: measured on a 72 dpi device.
    QImage device(1, 1, QImage::Format_Mono);
    device.setDotsPerMeterX(qRound(72 / 0.0254));
    device.setDotsPerMeterY(qRound(72 / 0.0254));
    for (;; ++size) {
        font.setPointSize(size);
        if (QFontMetricsF(font, &device).horizontalAdvance(kVoidText) >= target || size >= 1000)
            break;
    }
    return size;
}

void QVDataMatrixView::draw(QPainter &painter) const
{
    if (!m_matrix)
        return;
    const ZYK_Data_Matrix *record = m_matrix->matrix();
    const int rows = record->rows, columns = record->columns;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, drawingToScreen(painter));
    if (m_frameRotation == -90) {
        painter.translate(width(), 0);
        painter.rotate(90);
    } else if (m_frameRotation == 90) {
        painter.translate(0, height());
        painter.rotate(-90);
    }
    const QSizeF size = boundsSize();
    if (rows > 0 && columns > 0) {
        const qreal cellWidth = size.width() / columns, cellHeight = size.height() / rows;
        // Row 1 at the top, row R on the bottom edge.
        for (int row = 1; row <= rows; ++row)
            for (int column = 1; column <= columns; ++column)
                painter.fillRect(QRectF((column - 1) * cellWidth, (row - 1) * cellHeight, cellWidth, cellHeight),
                                 m_matrix->cell(row, column) ? Qt::black : Qt::white);
    }
    if (m_drawVoid) {
        painter.fillRect(
            QRectF(QPointF(0, 0), size)
                .adjusted(size.width() * 0.075, size.height() * 0.075, -size.width() * 0.075, -size.height() * 0.075),
            Qt::white);
        QFont font(QStringLiteral("Helvetica"));
        font.setPointSizeF(voidFontSize() * fontScaleForPainter(painter));
        painter.setFont(font);
        painter.setPen(Qt::black);
        // The text's lower-left corner at the rectangle's lower-left corner.
        const QRectF text = voidTextRect();
        painter.drawText(QPointF(text.left(), text.bottom() - QFontMetricsF(font, painter.device()).descent()),
                         kVoidText);
    }
    painter.restore();
}

void QVDataMatrixView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    draw(painter);
}

} // namespace tolvane
