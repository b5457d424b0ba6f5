#pragma once
// Any image to a packed one-bit bitmap for thermal printers (the return-address
// picture becomes an EPL2 "GW" graphic). The image is scaled to a target size
// by nearest pixel, optionally turned 90 degrees clockwise, reduced to a grey
// map (0 black .. 255 white; transparent pixels white) and dithered:
//   0 noise, 1 ordered 3 x 3, 2 ordered 4 x 4, 3 error diffusion
//   (Floyd-Steinberg, serpentine; the default, with amount 0 a plain
//   threshold at 128).
//
// Bitmap form: rows top to bottom, (width + 7) / 8 bytes a row, pixel x is
// bit (7 - x mod 8) of byte x / 8; 1 = white (no dot), 0 = black (dot), as
// the EPL2 "GW" graphic; unused bits at the end of a row are 1.
//
// Buffers are kept and resized from one conversion to the next. The noise
// method uses the process's random numbers (seeded from the clock when a
// converter is made), so its results differ from run to run.
#include <QByteArray>
#include <QImage>
#include <QSizeF>

#include <optional>
#include <vector>

namespace tolvane {

class ImageConverter
{
public:
    enum DitherType { Noise = 0, Ordered3 = 1, Ordered4 = 2, ErrorDiffusion = 3 };

    // Threshold 128, error diffusion, amount 0, no rotation, no image.
    ImageConverter();

    // Keeps the image; the target size becomes its pixel size (exchanged
    // when rotation is on) and the grey map is made.
    void setImage(const QImage &image);
    // The size to convert to, in pixels; the grey map follows at the next
    // bitmap().
    void setTargetSize(const QSizeF &size) { m_targetSize = size; }
    QSizeF imageSize() const { return m_targetSize; }
    // Sets the flag, exchanges the target size's sides and remakes the grey
    // map.
    void setRotate(bool rotate);
    bool rotate() const { return m_rotate; }
    void setThreshold(qint64 threshold) { m_threshold = threshold; }
    void setDitherType(int type) { m_ditherType = type; }
    void setDitherAmount(qint64 amount) { m_ditherAmount = amount; }

    qint64 width() const { return m_width; }
    qint64 height() const { return m_height; }
    qint64 bytesPerRow() const { return (m_width + 7) / 8; }
    // The grey map, width x height values, rows top to bottom.
    const std::vector<unsigned char> &greymap() const { return m_greymap; }

    // The dithered bitmap (valid until the next call); null for an unknown
    // dither type, empty for a target below one pixel.
    const std::vector<unsigned char> *bitmap();
    // A copy of the bitmap; nothing for an unknown dither type.
    std::optional<QByteArray> imageData();
    // The bitmap as a one-bit image (1 = white); a null image for an unknown
    // dither type.
    QImage imagePreview();

private:
    void makeGreymap();
    void setBlack(qint64 x, qint64 y);
    void ditherNoise();
    void ditherOrdered(int n);
    void ditherErrorDiffusion();

    QImage m_source;
    std::vector<unsigned char> m_greymap;
    std::vector<int> m_tmpGreymap;
    std::vector<unsigned char> m_bitmap;
    QSizeF m_targetSize;
    qint64 m_width = 0;
    qint64 m_height = 0;
    qint64 m_threshold = 128;
    bool m_rotate = false;
    int m_ditherType = ErrorDiffusion;
    qint64 m_ditherAmount = 0;
};

} // namespace tolvane
