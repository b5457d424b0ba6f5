#pragma once
// The preview panel on screen: a window-modal dialog on the main window
// with the label picture (scaled down to fit), the output pop-up, the zoom
// slider and the buttons Cancel, Test Print and Print. Every choice goes to
// the print commands; the panel only shows.
#include "printing/flow/QVPreviewPanel.h"

#include <QDialog>
#include <QImage>
#include <QSize>

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace tolvane {

class QVPrintCommands;

// The face of a plain envelope behind the envelope preview: paper with the
// shadow of the flap, drawn at the size asked for (points).
QImage envelopeFaceImage(const QSize &size);

class QVPreviewPanelWidget final : public QDialog, public QVPreviewPanelView
{
    Q_OBJECT

public:
    QVPreviewPanelWidget(QVPrintCommands &commands, QWidget *parent);

    void runSheet(const QSizeF &contentSize) override;
    bool isSheetShown() const override { return isVisible(); }
    void endSheet() override;
    void setImage(const QImage &image) override;
    void setButtonTitles(const QString &print, const QString &testPrint) override;
    void setOutputOption(int output) override;
    void resizeContent(const QSizeF &contentSize, bool animated) override;

    // Escape and the close box end the sheet as Cancel does.
    void reject() override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showImage();

    QVPrintCommands &m_commands;
    QImage m_image;
    QLabel *m_imageLabel = nullptr;
    QComboBox *m_output = nullptr;
    QSlider *m_zoom = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_testPrint = nullptr;
};

} // namespace tolvane
