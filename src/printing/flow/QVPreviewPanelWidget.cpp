#include "printing/flow/QVPreviewPanelWidget.h"

#include "printing/flow/QVPrintCommands.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace tolvane {

QImage envelopeFaceImage(const QSize &size)
{
    if (size.isEmpty())
        return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(QPointF(), QSizeF(size)).adjusted(1.5, 1.5, -1.5, -1.5);
    // The paper, a little darker towards the bottom.
    QLinearGradient paper(face.topLeft(), face.bottomLeft());
    paper.setColorAt(0, QColor(0xFB, 0xF8, 0xF0));
    paper.setColorAt(1, QColor(0xEE, 0xE8, 0xDA));
    painter.setPen(QPen(QColor(0xB8, 0xB0, 0x9C), 1.5));
    painter.setBrush(paper);
    painter.drawRoundedRect(face, 4, 4);
    // The flap behind, showing through as two soft diagonals.
    QPainterPath flap;
    flap.moveTo(face.topLeft());
    flap.lineTo(face.center().x(), face.top() + face.height() * 0.55);
    flap.lineTo(face.topRight());
    painter.setPen(QPen(QColor(0xD8, 0xD0, 0xBE), 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(flap);
    painter.setPen(QPen(QColor(0xE2, 0xDB, 0xCB), 1.0));
    painter.drawLine(face.bottomLeft(), QPointF(face.left() + face.width() * 0.4, face.top() + face.height() * 0.6));
    painter.drawLine(face.bottomRight(), QPointF(face.right() - face.width() * 0.4, face.top() + face.height() * 0.6));
    return image;
}

QVPreviewPanelWidget::QVPreviewPanelWidget(QVPrintCommands &commands, QWidget *parent)
    : QDialog(parent), m_commands(commands)
{
    setWindowTitle(QStringLiteral("Label Preview"));
    setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    setSizeGripEnabled(false);

    m_imageLabel = new QLabel(this);
    m_imageLabel->setAlignment(Qt::AlignCenter);
    m_imageLabel->setMinimumSize(160, 120);
    m_imageLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_imageLabel->setStyleSheet(QStringLiteral("QLabel { background: #8E9196; border-radius: 4px; }"));

    m_output = new QComboBox(this);
    const auto items = QVPreviewPanelController::outputItems();
    for (const auto &item : items) {
        if (item.second == QVPreviewPrinterSetupTag)
            m_output->insertSeparator(m_output->count());
        m_output->addItem(item.first, item.second);
    }
    connect(m_output, &QComboBox::activated, this,
            [this](int index) { m_commands.previewOutputOptionChanged(m_output->itemData(index).toInt()); });

    m_zoom = new QSlider(Qt::Horizontal, this);
    const int steps =
        int(std::lround((QVPreviewPanelController::kZoomMaximum - QVPreviewPanelController::kZoomMinimum) /
                        QVPreviewPanelController::kZoomStep));
    m_zoom->setRange(0, steps);
    m_zoom->setValue(
        int(std::lround((1 - QVPreviewPanelController::kZoomMinimum) / QVPreviewPanelController::kZoomStep)));
    m_zoom->setTickPosition(QSlider::TicksBelow);
    m_zoom->setMaximumWidth(120);
    connect(m_zoom, &QSlider::valueChanged, this, [this](int value) {
        m_commands.changePreviewFrameSize(QVPreviewPanelController::kZoomMinimum +
                                          value * QVPreviewPanelController::kZoomStep);
    });

    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_testPrint = new QPushButton(QVPreviewPanelController::testPrintTitleTemplate(), this);
    m_print = new QPushButton(QVPreviewPanelController::printTitleTemplate(), this);
    m_print->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, [this] { m_commands.labelPreviewSheetDidEnd(); });
    connect(m_testPrint, &QPushButton::clicked, this, [this] { m_commands.testPrintPreviewSheet(); });
    connect(m_print, &QPushButton::clicked, this, [this] { m_commands.printLiveLabelPreviewSheet(); });

    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Output:"), this));
    controls->addWidget(m_output);
    controls->addSpacing(12);
    controls->addWidget(new QLabel(QStringLiteral("Zoom:"), this));
    controls->addWidget(m_zoom);
    controls->addStretch(1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel);
    buttons->addWidget(m_testPrint);
    buttons->addWidget(m_print);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 14, 14, 12);
    layout->addWidget(m_imageLabel, 1);
    layout->addLayout(controls);
    layout->addLayout(buttons);
}

void QVPreviewPanelWidget::runSheet(const QSizeF &contentSize)
{
    resize(contentSize.toSize());
    show();
    raise();
}

void QVPreviewPanelWidget::endSheet()
{
    hide();
    m_image = QImage();
    m_imageLabel->clear();
}

void QVPreviewPanelWidget::reject() { m_commands.labelPreviewSheetDidEnd(); }

void QVPreviewPanelWidget::setImage(const QImage &image)
{
    m_image = image;
    showImage();
}

void QVPreviewPanelWidget::setButtonTitles(const QString &print, const QString &testPrint)
{
    m_print->setText(print);
    m_testPrint->setText(testPrint);
}

void QVPreviewPanelWidget::setOutputOption(int output)
{
    const int index = m_output->findData(output);
    if (index >= 0)
        m_output->setCurrentIndex(index);
}

void QVPreviewPanelWidget::resizeContent(const QSizeF &contentSize, bool)
{
    // The panel keeps its horizontal centre and its top edge.
    const QRect before = geometry();
    const QSize size = contentSize.toSize();
    setGeometry(before.center().x() - size.width() / 2, before.top(), size.width(), size.height());
}

void QVPreviewPanelWidget::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    showImage();
}

void QVPreviewPanelWidget::showImage()
{
    if (m_image.isNull()) {
        m_imageLabel->clear();
        return;
    }
    // Scaled down proportionally to the room there is, never up.
    const QSize room = m_imageLabel->contentsRect().size() - QSize(16, 16);
    QImage shown = m_image;
    const QSize natural = m_image.deviceIndependentSize().toSize();
    if (natural.width() > room.width() || natural.height() > room.height()) {
        const QSize fitted = natural.scaled(room, Qt::KeepAspectRatio);
        shown = m_image.scaled(fitted * m_image.devicePixelRatio(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        shown.setDevicePixelRatio(m_image.devicePixelRatio());
    }
    m_imageLabel->setPixmap(QPixmap::fromImage(shown));
}

} // namespace tolvane
