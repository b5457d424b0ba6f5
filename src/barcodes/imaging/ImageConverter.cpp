#include "ImageConverter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>

namespace tolvane {

namespace {
const int kOrdered3[9] = {-4, 2, -1, 0, 3, -2, 1, -3, 4};
const int kOrdered4[16] = {-8, 4, -6, 6, 0, -4, 2, -2, -5, 7, -7, 5, 3, -1, 1, -3};

qint64 clampIndex(qint64 value, qint64 size) { return std::clamp<qint64>(value, 0, std::max<qint64>(size - 1, 0)); }
} // namespace

ImageConverter::ImageConverter() { std::srand(static_cast<unsigned>(std::time(nullptr))); }

void ImageConverter::setImage(const QImage &image)
{
    m_source = image.convertToFormat(QImage::Format_ARGB32);
    const QSizeF size(m_source.width(), m_source.height());
    m_targetSize = m_rotate ? size.transposed() : size;
    makeGreymap();
}

void ImageConverter::setRotate(bool rotate)
{
    m_rotate = rotate;
    m_targetSize = m_targetSize.transposed();
    makeGreymap();
}

void ImageConverter::makeGreymap()
{
    const qint64 a = m_source.width(), b = m_source.height();
    m_width = std::max<qint64>(0, qint64(m_targetSize.width()));
    m_height = std::max<qint64>(0, qint64(m_targetSize.height()));
    m_greymap.resize(size_t(m_width * m_height));
    m_tmpGreymap.resize(size_t(m_width * m_height));
    if (a <= 0 || b <= 0) {
        std::fill(m_greymap.begin(), m_greymap.end(), 255);
        return;
    }
    for (qint64 y = 0; y < m_height; ++y) {
        for (qint64 x = 0; x < m_width; ++x) {
            // The source point in bottom-up coordinates, nearest pixel.
            double px, py;
            if (!m_rotate) {
                px = double(x) * a / m_width;
                py = b - (double(y) * b / m_height + 1);
            } else {
                px = double(y) * b / m_width;
                py = double(x) * a / m_height;
            }
            const qint64 column = clampIndex(qint64(std::floor(px)), a);
            const qint64 row = b - 1 - clampIndex(qint64(std::floor(py)), b);
            const QRgb pixel = m_source.pixel(int(column), int(row));
            unsigned char grey = 255;
            if (qAlpha(pixel) == 255) {
                const double value = (0.299 * qRed(pixel) + 0.587 * qGreen(pixel) + 0.114 * qBlue(pixel)) / 255.0;
                grey = static_cast<unsigned char>(std::lround(value * 255));
            }
            m_greymap[size_t(y * m_width + x)] = grey;
        }
    }
}

void ImageConverter::setBlack(qint64 x, qint64 y)
{
    m_bitmap[size_t(y * bytesPerRow() + x / 8)] &= static_cast<unsigned char>(~(0x80 >> (x % 8)));
}

const std::vector<unsigned char> *ImageConverter::bitmap()
{
    if (qint64(m_targetSize.width()) != m_width || qint64(m_targetSize.height()) != m_height)
        makeGreymap();
    if (m_ditherType < Noise || m_ditherType > ErrorDiffusion)
        return nullptr;
    m_bitmap.assign(size_t(bytesPerRow() * m_height), 255);
    switch (m_ditherType) {
    case Noise:
        ditherNoise();
        break;
    case Ordered3:
        ditherOrdered(3);
        break;
    case Ordered4:
        ditherOrdered(4);
        break;
    default:
        ditherErrorDiffusion();
        break;
    }
    return &m_bitmap;
}

void ImageConverter::ditherNoise()
{
    for (qint64 y = 0; y < m_height; ++y)
        for (qint64 x = 0; x < m_width; ++x) {
            qint64 noise = 0;
            if (m_ditherAmount > 0)
                noise = ((std::rand() / 256) % 256) % m_ditherAmount;
            const qint64 grey = m_greymap[size_t(y * m_width + x)];
            if ((grey * 180) / 256 + 38 < noise + m_threshold)
                setBlack(x, y);
        }
}

void ImageConverter::ditherOrdered(int n)
{
    const int *matrix = n == 3 ? kOrdered3 : kOrdered4;
    const qint64 divisor = n * n / 2;
    for (qint64 y = 0; y < m_height; ++y)
        for (qint64 x = 0; x < m_width; ++x) {
            qint64 offset = 0;
            if (m_ditherAmount > 0)
                offset = m_ditherAmount * matrix[(x % n) * n + (y % n)] / divisor;
            const qint64 grey = m_greymap[size_t(y * m_width + x)];
            if ((grey * 210) / 256 + 23 < offset + m_threshold)
                setBlack(x, y);
        }
}

void ImageConverter::ditherErrorDiffusion()
{
    std::copy(m_greymap.begin(), m_greymap.end(), m_tmpGreymap.begin());
    auto share = [this](qint64 error, int weight) { return ((error * weight + 7) / 16) * m_ditherAmount / 100; };
    auto add = [this](qint64 x, qint64 y, qint64 amount) {
        int &value = m_tmpGreymap[size_t(y * m_width + x)];
        value = int(std::clamp<qint64>(value + amount, 0, 255));
    };
    for (qint64 y = 0; y < m_height; ++y) {
        const bool leftToRight = y % 2 == 0;
        const qint64 step = leftToRight ? 1 : -1;
        for (qint64 i = 0; i < m_width; ++i) {
            const qint64 x = leftToRight ? i : m_width - 1 - i;
            const qint64 value = m_tmpGreymap[size_t(y * m_width + x)];
            qint64 error;
            if (value < m_threshold) {
                setBlack(x, y);
                error = value;
            } else {
                error = value - 255;
            }
            const qint64 ahead = x + step, behind = x - step;
            if (ahead >= 0 && ahead < m_width)
                add(ahead, y, share(error, 7));
            if (y + 1 < m_height) {
                if (behind >= 0 && behind < m_width)
                    add(behind, y + 1, share(error, 3));
                add(x, y + 1, share(error, 5));
                if (ahead >= 0 && ahead < m_width)
                    add(ahead, y + 1, share(error, 1));
            }
        }
    }
}

std::optional<QByteArray> ImageConverter::imageData()
{
    const std::vector<unsigned char> *bits = bitmap();
    if (!bits)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char *>(bits->data()), qsizetype(bits->size()));
}

QImage ImageConverter::imagePreview()
{
    const std::vector<unsigned char> *bits = bitmap();
    if (!bits || m_width <= 0 || m_height <= 0)
        return QImage();
    QImage image(int(m_width), int(m_height), QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (qint64 y = 0; y < m_height; ++y)
        std::copy_n(bits->data() + y * bytesPerRow(), bytesPerRow(), image.scanLine(int(y)));
    return image;
}

} // namespace tolvane
