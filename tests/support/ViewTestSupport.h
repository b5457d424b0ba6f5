#pragma once
// Helpers of the view tests (indicia, barcode views, images): files in the temporary
// folder, the independent decoders, and the poppler tools over view PDFs.
#include "BarcodeTools.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tolvane::test {

// A folder of the test run for written images and PDFs; the folder named by
// TOLVANE_TEST_OUTPUT_DIR when set, so that they can be looked at.
inline QString outputPath(const QString &name)
{
    static QTemporaryDir dir;
    const QString kept = qEnvironmentVariable("TOLVANE_TEST_OUTPUT_DIR");
    return QDir(kept.isEmpty() ? dir.path() : kept).filePath(name);
}

// The image with a white quiet zone of `margin` pixels on every side.
inline QImage withQuietZone(const QImage &image, int margin)
{
    QImage framed(image.width() + 2 * margin, image.height() + 2 * margin, QImage::Format_Grayscale8);
    framed.fill(255);
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        memcpy(framed.scanLine(y + margin) + margin, grey.constScanLine(y), size_t(grey.width()));
    return framed;
}

// The bytes that `ZXingReader -bytes` reads from an image file (empty when
// it finds nothing), with the given extra options.
inline QByteArray zxingBytes(const QString &path, const QString &format, const QStringList &options = {})
{
    QByteArray out;
    QStringList arguments = options;
    arguments << QStringLiteral("-format") << format << QStringLiteral("-bytes") << path;
    int exitCode = 0;
    if (!runTool(QStringLiteral("ZXingReader"), arguments, &out, nullptr, &exitCode) || exitCode != 0)
        return QByteArray();
    return out;
}

// Writes the PDF and answers its path.
inline QString writePdf(const QByteArray &pdf, const QString &name)
{
    const QString path = outputPath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(pdf);
    return path;
}

// `pdftotext -layout` of a PDF file (or with other options: "-raw" keeps a
// turned line together).
inline QString pdfText(const QString &path, const QString &mode = QStringLiteral("-layout"))
{
    QByteArray out;
    runTool(QStringLiteral("pdftotext"), {mode, path, QStringLiteral("-")}, &out);
    return QString::fromUtf8(out);
}

// The first page of a PDF rasterised by pdftoppm at a resolution, grey.
inline QImage pdfRaster(const QString &path, int dpi)
{
    const QString base = path + QStringLiteral("-r%1").arg(dpi);
    runTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"), QStringLiteral("-png"),
             QStringLiteral("-singlefile"), path, base},
            nullptr);
    return QImage(base + QStringLiteral(".png"));
}

// The value of a `pdfinfo` line ("Pages:", "Page size:"), or an empty text.
inline QString pdfInfoValue(const QString &path, const QString &field)
{
    QByteArray out;
    runTool(QStringLiteral("pdfinfo"), {path}, &out);
    for (const QString &line : QString::fromUtf8(out).split(QLatin1Char('\n')))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed();
    return QString();
}

// `pdfinfo` page size line, e.g. "175 x 110 pts".
inline QString pdfPageSize(const QString &path) { return pdfInfoValue(path, QStringLiteral("Page size:")); }

// The number of pages of a PDF file (0 when it is not one).
inline int pdfPageCount(const QString &path) { return pdfInfoValue(path, QStringLiteral("Pages:")).toInt(); }

} // namespace tolvane::test
