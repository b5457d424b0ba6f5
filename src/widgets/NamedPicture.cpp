#include "widgets/NamedPicture.h"

#include "platform/Bundle.h"

#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>

namespace {

// Up to two capitals, or the first two letters, of the name ("ActionMenu"
// gives "AM", "people" "PE").
QString initialsOf(QString name)
{
    name.remove(QLatin1String(".png"));
    QString initials;
    for (const QChar c : std::as_const(name))
        if (c.isUpper() && initials.size() < 2)
            initials += c;
    if (initials.isEmpty())
        for (const QChar c : std::as_const(name))
            if (c.isLetter() && initials.size() < 2)
                initials += c.toUpper();
    return initials;
}

QImage drawnPicture(const QString &name, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // A hue of the name's own, so that two pictures can be told apart.
    const QColor tint = QColor::fromHsv(int(qHash(name) % 360), 110, 170);
    const QRectF tile = QRectF(QPointF(0, 0), size).adjusted(1, 1, -1, -1);
    painter.setPen(QPen(tint.darker(140), 1));
    painter.setBrush(tint);
    painter.drawRoundedRect(tile, size.width() * 0.2, size.height() * 0.2);
    QFont font;
    font.setBold(true);
    font.setPixelSize(qMax(6, int(size.height() * 0.4)));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(tile, Qt::AlignCenter, initialsOf(name));
    return image;
}

// Answers every question through the plain icon of the picture, made on
// the first question that needs its pixels or size.
class NamedPictureIconEngine final : public QIconEngine
{
public:
    explicit NamedPictureIconEngine(QString name) : m_name(std::move(name)) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        // As the plain icon paints: its pixmap for the rectangle, stretched.
        const QPaintDevice *device = painter->device();
        const qreal ratio = device ? device->devicePixelRatio() : qApp->devicePixelRatio();
        painter->drawPixmap(rect, icon().pixmap(rect.size(), ratio, mode, state));
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    // A picture that is missing is drawn, so the icon always has one.
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("NamedPictureIconEngine"); }
    QIconEngine *clone() const override { return new NamedPictureIconEngine(*this); }

private:
    const QIcon &icon()
    {
        if (m_icon.isNull())
            m_icon = QIcon(QPixmap::fromImage(namedPicture(m_name)));
        return m_icon;
    }

    QString m_name;
    QIcon m_icon;
};

} // namespace

QImage readPngImage(const QString &path)
{
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QIcon namedPictureIcon(const QString &name) { return QIcon(new NamedPictureIconEngine(name)); }

QImage namedPicture(const QString &name, const QSize &size)
{
    QString base = name;
    if (base.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        base.chop(4);
    QImage image;
    const QString path = Bundle::pathForResource(base, QStringLiteral("png"));
    if (!path.isEmpty())
        image = readPngImage(path);
    if (image.isNull())
        image = drawnPicture(base, size);
    return image;
}

QImage namedPictureScaledTo(const QString &name, const QSize &size)
{
    return namedPicture(name, size).scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
