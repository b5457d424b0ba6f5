#pragma once
// Tinting of images (selection in the stamp matrix): a new image of the
// same size with the image drawn first and the whole rectangle filled with
// the colour on top, by default only where the image is (source-atop).
#include <QColor>
#include <QImage>
#include <QPainter>

QImage kx_tintedImageWithColor(const QImage &image, const QColor &color,
                               QPainter::CompositionMode operation = QPainter::CompositionMode_SourceAtop);
