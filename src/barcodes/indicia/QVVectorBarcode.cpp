#include "QVVectorBarcode.h"

#include "barcodes/imaging/ViewGeometry.h"
#include "platform/PDF417.h"

#include <QDebug>
#include <QPainter>

namespace tolvane {

namespace {
constexpr int kIndiciumErrorLevel = 4;
constexpr float kIndiciumAspectRatio = 0.2857143f; // 2 / 7
} // namespace

QVVectorBarcode::QVVectorBarcode(QByteArray data, int width, int height)
    : m_data(std::move(data)), m_width(width), m_height(height)
{}

std::shared_ptr<const QVVectorBarcode> QVVectorBarcode::initWithData(const QByteArray &bytes, QString *error)
{
    pdf417param param;
    pdf417init(&param);
    param.errorLevel = kIndiciumErrorLevel;
    param.options = PDF417_INVERT_BITMAP | PDF417_FORCE_BINARY | PDF417_USE_ERROR_LEVEL;
    param.aspectRatio = kIndiciumAspectRatio;
    param.text = bytes.constData();
    param.lenText = int(bytes.size());
    paintCode(&param);
    if (param.error != 0) {
        const QString message = QStringLiteral("pdferror is %1").arg(param.error);
        qWarning().noquote() << message;
        if (error)
            *error = message;
        pdf417free(&param);
        return nullptr;
    }
    auto symbol = initWithBuffer(param.outBits, param.bitColumns, param.codeRows);
    pdf417free(&param);
    return symbol;
}

std::shared_ptr<const QVVectorBarcode> QVVectorBarcode::initWithBuffer(const unsigned char *bitmap, int width,
                                                                       int height)
{
    if (!bitmap || width <= 0 || height <= 0)
        return nullptr;
    const qsizetype length = qsizetype(width / 8 + 1) * height;
    return std::shared_ptr<const QVVectorBarcode>(
        new QVVectorBarcode(QByteArray(reinterpret_cast<const char *>(bitmap), length), width, height));
}

bool QVVectorBarcode::isBlack(int column, int row) const
{
    if (column < 0 || column >= m_width || row < 0 || row >= m_height)
        return false;
    const auto byte = static_cast<unsigned char>(m_data[row * bytesPerRow() + column / 8]);
    return (byte & (0x80 >> (column % 8))) == 0;
}

void QVVectorBarcode::drawInRect(QPainter &painter, const QRectF &rect) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, drawingToScreen(painter));
    painter.setPen(Qt::NoPen);
    painter.fillRect(rect, Qt::white);
    const qreal cellWidth = rect.width() / m_width;
    const qreal cellHeight = rect.height() / m_height;
    // Each run of black cells of a row is one rectangle; the white cells are
    // the background painted above.
    for (int row = 0; row < m_height; ++row) {
        const qreal y = rect.y() + row * cellHeight;
        int column = 0;
        while (column < m_width) {
            if (!isBlack(column, row)) {
                ++column;
                continue;
            }
            const int start = column;
            while (column < m_width && isBlack(column, row))
                ++column;
            painter.fillRect(QRectF(rect.x() + start * cellWidth, y, (column - start) * cellWidth, cellHeight),
                             Qt::black);
        }
    }
    painter.restore();
}

} // namespace tolvane
