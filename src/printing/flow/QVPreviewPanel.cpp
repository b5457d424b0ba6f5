#include "printing/flow/QVPreviewPanel.h"

#include "platform/UserDefaults.h"

#include <algorithm>

namespace tolvane {

namespace {

// The image's size in points: its device-independent size (a picture drawn
// at twice its size says so in its pixel ratio; a label server's picture
// is taken one pixel to the point).
QSizeF pointSizeOf(const QImage &image) { return image.isNull() ? QSizeF() : image.deviceIndependentSize(); }

} // namespace

QSizeF NewSizeForEnvelopesFromSize(const QSizeF &size)
{
    qreal width = size.width() + 250;
    qreal height = size.height() + 55;
    if (UserDefaults::standardUserDefaults().boolForKey(QVHalfSizeEnvelopePreviewsKey)) {
        width *= 0.8;
        height *= 0.8;
    }
    return {width, std::max<qreal>(height, 380)};
}

const QString &QVPreviewPanelController::printTitleTemplate()
{
    static const QString title = QStringLiteral("Print Label");
    return title;
}

const QString &QVPreviewPanelController::testPrintTitleTemplate()
{
    static const QString title = QStringLiteral("Test Print Label");
    return title;
}

QList<QPair<QString, int>> QVPreviewPanelController::outputItems()
{
    return {{QStringLiteral("Print"), QVPreviewOutputPrint},
            {QStringLiteral("Open as PDF"), QVPreviewOutputOpen},
            {QStringLiteral("Save as PDF…"), QVPreviewOutputSave},
            {QStringLiteral("Email as PDF"), QVPreviewOutputEmail},
            {QStringLiteral("Printer Setup…"), QVPreviewPrinterSetupTag}};
}

QSizeF QVPreviewPanelController::contentSizeForImage(const QSizeF &imageSize, bool widePicture)
{
    if (widePicture || imageSize.width() > imageSize.height())
        return NewSizeForEnvelopesFromSize(imageSize);
    return kPanelContentSize;
}

QPair<QString, QString> QVPreviewPanelController::buttonTitles(int output, Piece piece)
{
    static const QStringList verbs{QStringLiteral("Print"), QStringLiteral("Open"), QStringLiteral("Save"),
                                   QStringLiteral("Email")};
    const QString verb = output >= 0 && output < verbs.size() ? verbs.at(output) : verbs.first();
    const QString suffix = output == QVPreviewOutputSave ? QStringLiteral("…") : QString();
    const auto title = [&](QString text) {
        if (piece == Piece::Envelope)
            text.replace(QStringLiteral("Label"), QStringLiteral("Envelope"));
        else if (piece == Piece::Postcard)
            text.replace(QStringLiteral("Label"), QStringLiteral("Postcard"));
        text.replace(QStringLiteral("Print"), verb);
        return text + suffix;
    };
    return {title(printTitleTemplate()), title(testPrintTitleTemplate())};
}

QSizeF QVPreviewPanelController::zoomedContentSize(const QSizeF &imageSize, double factor)
{
    return NewSizeForEnvelopesFromSize(imageSize) * factor;
}

void QVPreviewPanelController::setOutputOption(int output)
{
    if (output < QVPreviewOutputPrint || output > QVPreviewOutputEmail)
        return;
    m_output = output;
    if (m_view)
        m_view->setOutputOption(output);
    updateButtons();
}

void QVPreviewPanelController::setPiece(Piece piece)
{
    m_piece = piece;
    updateButtons();
}

void QVPreviewPanelController::updateButtons()
{
    if (!m_view)
        return;
    const QPair<QString, QString> pair = titles();
    m_view->setButtonTitles(pair.first, pair.second);
}

void QVPreviewPanelController::runSheetWithImage(const QImage &image, bool widePicture)
{
    m_image = image;
    m_contentSize = contentSizeForImage(pointSizeOf(image), widePicture);
    if (!m_view)
        return;
    m_view->setImage(image);
    m_view->setOutputOption(m_output);
    updateButtons();
    m_view->runSheet(m_contentSize);
}

void QVPreviewPanelController::replaceImage(const QImage &image, bool widePicture, bool animated)
{
    const QSizeF size = contentSizeForImage(pointSizeOf(image), widePicture);
    if (m_view)
        m_view->setImage(QImage());
    m_image = image;
    if (size != m_contentSize) {
        m_contentSize = size;
        if (m_view)
            m_view->resizeContent(size, animated);
    }
    if (m_view)
        m_view->setImage(image);
}

void QVPreviewPanelController::zoom(double factor)
{
    if (m_image.isNull())
        return;
    m_contentSize = zoomedContentSize(pointSizeOf(m_image), factor);
    if (m_view)
        m_view->resizeContent(m_contentSize, false);
}

} // namespace tolvane
