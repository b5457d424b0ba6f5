#include "widgets/DKActionButton.h"

#include "widgets/NamedPicture.h"

#include <QIcon>
#include <QPixmap>

DKActionButton::DKActionButton(QWidget *parent, const QImage &image) : QToolButton(parent)
{
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setAutoRaise(true);
    setText(QString());
    // No menu arrow: the image is the whole button.
    setStyleSheet(QStringLiteral("QToolButton { border: none; } QToolButton::menu-indicator { image: none; }"));
    setActionImage(image);
}

void DKActionButton::setActionImage(const QImage &image)
{
    m_image = image.isNull() ? namedPicture(DKActionButtonDefaultImage, QSize(24, 16)) : image;
    // The icon's disabled mode dims it.
    setIcon(QIcon(QPixmap::fromImage(m_image)));
    setIconSize(m_image.size());
}
