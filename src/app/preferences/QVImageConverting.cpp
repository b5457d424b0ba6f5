#include "app/preferences/QVImageConverting.h"

#include "barcodes/imaging/ImageConverter.h"

namespace {

class BitmapConverter final : public QVImageConverting
{
public:
    void setImage(const QImage &image) override { m_converter.setImage(image); }
    QSizeF imageSize() const override { return m_converter.imageSize(); }
    void setTargetSize(const QSizeF &size) override { m_converter.setTargetSize(size); }
    std::optional<QByteArray> imageData() override { return m_converter.imageData(); }
    qint64 bytesPerRow() const override { return m_converter.bytesPerRow(); }
    qint64 width() const override { return m_converter.width(); }
    qint64 height() const override { return m_converter.height(); }

private:
    tolvane::ImageConverter m_converter;
};

} // namespace

std::unique_ptr<QVImageConverting> makeImageConverter() { return std::make_unique<BitmapConverter>(); }

std::optional<QSizeF> sizeFittingSquare(const QSizeF &size, double side)
{
    if (size.width() <= side && size.height() <= side)
        return std::nullopt;
    if (size.height() <= 0)
        return QSizeF(side, 0);
    const double ratio = size.width() / size.height();
    return ratio <= 1 ? QSizeF(side * ratio, side) : QSizeF(side, side / ratio);
}
