#pragma once
// The preview panel: the label as it will print, the output pop-up (Print,
// Open, Save…, Email, and "Printer Setup…"), a zoom control and the buttons
// Cancel, Test Print and Print, run as a sheet on the main window.
//
// QVPreviewPanelController is its state, without a display: the image, the
// panel's content size, the button titles and the chosen output.
// QVPreviewPanelView is what the controller asks of the panel on screen
// (QVPreviewPanelWidget, the Qt view, or a fake in tests).
#include <QImage>
#include <QPair>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace tolvane {

// The outputs of the pop-up (its tags); the item with tag 100 opens the
// printer set-up instead.
enum QVPreviewOutput {
    QVPreviewOutputPrint = 0,
    QVPreviewOutputOpen = 1,
    QVPreviewOutputSave = 2,
    QVPreviewOutputEmail = 3
};
constexpr int QVPreviewPrinterSetupTag = 100;

// The user default that shrinks envelope previews to 80 %.
inline const QString QVHalfSizeEnvelopePreviewsKey = QStringLiteral("halfSizeEnvelopePreviews");

// The panel's content size for a wide preview image (points): the image
// with room for the controls (250 across, 55 down), times 0.8 with
// "halfSizeEnvelopePreviews", at least 380 high.
QSizeF NewSizeForEnvelopesFromSize(const QSizeF &size);

class QVPreviewPanelView
{
public:
    virtual ~QVPreviewPanelView() = default;
    // Shows the panel as a sheet on the main window (the image and titles
    // already set).
    virtual void runSheet(const QSizeF &contentSize) = 0;
    virtual bool isSheetShown() const = 0;
    virtual void endSheet() = 0;
    virtual void setImage(const QImage &image) = 0;
    virtual void setButtonTitles(const QString &print, const QString &testPrint) = 0;
    virtual void setOutputOption(int output) = 0;
    // The content size, the panel keeping its horizontal centre and top.
    virtual void resizeContent(const QSizeF &contentSize, bool animated) = 0;
};

class QVPreviewPanelController
{
public:
    // The panel's own size (its layout), for ordinary labels.
    static constexpr QSizeF kPanelContentSize{520, 660};
    // The zoom control's range and steps (a factor of the envelope size).
    static constexpr double kZoomMinimum = 0.5;
    static constexpr double kZoomMaximum = 1.5;
    static constexpr double kZoomStep = 0.25;
    // The layout's button titles, kept as templates.
    static const QString &printTitleTemplate();
    static const QString &testPrintTitleTemplate();
    // The pop-up's items in order with their tags.
    static QList<QPair<QString, int>> outputItems();

    // The content size of the image: NewSizeForEnvelopesFromSize for wide
    // pictures (`widePicture`: envelopes, 2976-A forms, the maker's 72019
    // stock) and any image wider than high, else the panel's own size.
    static QSizeF contentSizeForImage(const QSizeF &imageSize, bool widePicture);
    // The Print and Test Print titles for the output: "Label" becomes
    // "Envelope" (a letter on plain paper) or "Postcard" (a postcard on
    // plain paper), "Print" the output's verb, and Save adds "…".
    enum class Piece { Label, Envelope, Postcard };
    static QPair<QString, QString> buttonTitles(int output, Piece piece);
    // The content size after the zoom control moved to `factor`.
    static QSizeF zoomedContentSize(const QSizeF &imageSize, double factor);

    explicit QVPreviewPanelController(QVPreviewPanelView *view = nullptr) : m_view(view) {}
    void setView(QVPreviewPanelView *view) { m_view = view; }
    QVPreviewPanelView *view() const { return m_view; }

    int outputOption() const { return m_output; }
    // Stores the output and retitles the buttons.
    void setOutputOption(int output);
    Piece piece() const { return m_piece; }
    void setPiece(Piece piece);
    QImage image() const { return m_image; }
    QSizeF contentSize() const { return m_contentSize; }
    QPair<QString, QString> titles() const { return buttonTitles(m_output, m_piece); }

    // Sizes the panel for the image, shows it and runs the sheet.
    void runSheetWithImage(const QImage &image, bool widePicture);
    // A new image in the open panel; the panel takes its size when it changed.
    void replaceImage(const QImage &image, bool widePicture, bool animated);
    void zoom(double factor);
    void updateButtons();

private:
    QVPreviewPanelView *m_view = nullptr;
    int m_output = QVPreviewOutputPrint;
    Piece m_piece = Piece::Label;
    QImage m_image;
    QSizeF m_contentSize;
};

} // namespace tolvane
