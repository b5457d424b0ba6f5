#pragma once
// The image converter as the preferences use it: an image in, a target size
// to fit, a packed one-bit bitmap out (rows of bytesPerRow() bytes, width()
// and height() in dots). makeImageConverter() answers the real one
// (tolvane::ImageConverter); tests give their own.
#include <QByteArray>
#include <QImage>
#include <QSizeF>

#include <functional>
#include <memory>
#include <optional>

class QVImageConverting
{
public:
    virtual ~QVImageConverting() = default;
    virtual void setImage(const QImage &image) = 0;
    virtual QSizeF imageSize() const = 0;
    virtual void setTargetSize(const QSizeF &size) = 0;
    // The bitmap; nothing when it cannot be made.
    virtual std::optional<QByteArray> imageData() = 0;
    virtual qint64 bytesPerRow() const = 0;
    virtual qint64 width() const = 0;
    virtual qint64 height() const = 0;
};

using QVImageConverterFactory = std::function<std::unique_ptr<QVImageConverting>()>;

// A new converter over the barcode layer's ImageConverter.
std::unique_ptr<QVImageConverting> makeImageConverter();

// The size that fits inside a square of `side` keeping the ratio, for a size
// wider or taller than the side; nothing when it already fits.
std::optional<QSizeF> sizeFittingSquare(const QSizeF &size, double side);
