#include "QVCode128View.h"

#include "ViewGeometry.h"

#include "barcodes/linear/Code128.h"

#include <QPainter>

namespace tolvane {

namespace {
QByteArray patternOf(const std::optional<std::string> &modules)
{
    return modules ? QByteArray::fromStdString(*modules) : QByteArray();
}
} // namespace

QVCode128View::QVCode128View(QWidget *parent) : QVCode128View(0.015, 0.75, parent) {}

QVCode128View::QVCode128View(double moduleWidth, double moduleHeight, QWidget *parent)
    : QWidget(parent), m_barcodeText(QLatin1String("")), m_moduleWidth(moduleWidth), m_moduleHeight(moduleHeight)
{}

void QVCode128View::setBarcodeText(const QString &text)
{
    m_barcodeText = text;
    encodeBitPattern();
    update();
}

void QVCode128View::setBitPattern(const QByteArray &pattern) { m_bitPattern = pattern; }

void QVCode128View::setModuleWidth(double inches)
{
    if (inches == m_moduleWidth)
        return;
    m_moduleWidth = inches;
    update();
}

void QVCode128View::setModuleHeight(double inches)
{
    if (inches == m_moduleHeight)
        return;
    m_moduleHeight = inches;
    update();
}

void QVCode128View::encodeBitPattern()
{
    setBitPattern(m_barcodeText.isEmpty() ? QByteArray() : patternOf(_bitpattern_c128(m_barcodeText.toStdString())));
}

void QVGS1Code128View::encodeBitPattern()
{
    setBitPattern(barcodeText().isEmpty() ? QByteArray() : patternOf(_bitpattern_c128c(barcodeText().toStdString())));
}

void QVCode128View::draw(QPainter &painter) const
{
    const QByteArray &modules = m_bitPattern;
    if (modules.isEmpty())
        return;
    const qreal w = m_moduleWidth * 72, h = m_moduleHeight * 72;
    const qreal x0 = (width() - modules.size() * w) / 2;
    const qreal y0 = (height() - h) / 2;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, drawingToScreen(painter));
    qsizetype i = 0;
    while (i < modules.size()) {
        if (modules[i] != '1') {
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (i < modules.size() && modules[i] == '1')
            ++i;
        painter.fillRect(QRectF(x0 + start * w, y0, (i - start) * w, h), Qt::black);
    }
    painter.restore();
}

void QVCode128View::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    draw(painter);
}

} // namespace tolvane
