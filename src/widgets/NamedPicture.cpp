#include "widgets/NamedPicture.h"

#include "platform/Bundle.h"

#include <QHash>
#include <QPainter>

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

} // namespace

QImage namedPicture(const QString &name, const QSize &size)
{
    QString base = name;
    if (base.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        base.chop(4);
    QImage image;
    const QString path = Bundle::pathForResource(base, QStringLiteral("png"));
    if (!path.isEmpty())
        image.load(path);
    if (image.isNull())
        image = drawnPicture(base, size);
    return image;
}

QImage namedPictureScaledTo(const QString &name, const QSize &size)
{
    return namedPicture(name, size).scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
