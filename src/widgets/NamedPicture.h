#pragma once
// The named pictures of the windows (toolbar icons, menu pictures, the
// drag card, the action menu): the bundle's PNG of that name when there is
// one, else a plain drawn stand-in (a rounded tile with the name's initials)
// of the given size, so that no control is ever left without a picture.
#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>

// `size` is the drawn stand-in's size; a bundle PNG keeps its own.
QImage namedPicture(const QString &name, const QSize &size = QSize(32, 32));
// The picture scaled to fit the size, keeping its proportions.
QImage namedPictureScaledTo(const QString &name, const QSize &size);
// A PNG file read as PNG. The format is named and not guessed, so that the
// reader asks none of the image-format plug-ins (guessing loads all of them
// and their libraries); null when the file is missing or no PNG.
QImage readPngImage(const QString &path);
// An icon of the named picture (as QIcon(QPixmap::fromImage(namedPicture(
// name)))) that decodes the picture only when it is first drawn or measured,
// not when a window is built. It is never null.
QIcon namedPictureIcon(const QString &name);
