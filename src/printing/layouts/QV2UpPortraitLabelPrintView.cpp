#include "printing/layouts/QV2UpPortraitLabelPrintView.h"

#include "platform/Bundle.h"
#include "printing/layouts/QVLayoutViews.h"

#include <QPainter>

namespace tolvane {

namespace {

constexpr qreal kPageWidth = 612;
constexpr qreal kPageHeight = 792;
constexpr qreal kHalfHeight = kPageHeight / 2;

QString settingsKeyPrefix() { return Bundle::bundleIdentifier().replace(QLatin1Char('.'), QLatin1Char('_')); }

qint64 integerSetting(const QVariantMap &settings, const QString &key)
{
    bool ok = false;
    const qint64 value = settings.value(key).toLongLong(&ok);
    return ok ? value : 0;
}

} // namespace

QV2UpPortraitLabelPrintView::QV2UpPortraitLabelPrintView(QWidget *parent) : QWidget(parent)
{
    resize(int(kPageWidth), int(kPageHeight));
}

QString QV2UpPortraitLabelPrintView::labelPositionKey()
{
    return settingsKeyPrefix() + QStringLiteral("_PrintSettings_labelPosition");
}

QString QV2UpPortraitLabelPrintView::labelOrientationKey()
{
    return settingsKeyPrefix() + QStringLiteral("_PrintSettings_labelOrientation");
}

void QV2UpPortraitLabelPrintView::addLabelView(QWidget *labelView)
{
    m_label = labelView;
    update();
}

QTransform QV2UpPortraitLabelPrintView::placement(const QSizeF &labelSize, const QVariantMap &printSettings)
{
    const bool top = integerSetting(printSettings, labelPositionKey()) == 0;
    const bool plus90 = integerSetting(printSettings, labelOrientationKey()) == 0;
    const bool turned = labelSize.width() > 0 && labelSize.height() / labelSize.width() > 1;
    // The container holding the label centred: the half sheet, turned with
    // the label when the label is turned.
    const QSizeF container = turned ? QSizeF(kHalfHeight, kPageWidth) : QSizeF(kPageWidth, kHalfHeight);
    const QTransform centred = QTransform::fromTranslate((container.width() - labelSize.width()) / 2,
                                                         (container.height() - labelSize.height()) / 2);
    const qreal halfTop = top ? 0 : kHalfHeight;
    QTransform container2page;
    if (!turned) {
        container2page = QTransform::fromTranslate(0, halfTop);
    } else if (plus90) {
        // The container's top runs along the sheet's left edge, its left
        // edge along the half's bottom.
        container2page = QTransform(0, -1, 1, 0, 0, halfTop + kHalfHeight);
    } else {
        // The container's top along the sheet's right edge, its left edge
        // along the half's top.
        container2page = QTransform(0, 1, -1, 0, kPageWidth, halfTop);
    }
    return centred * container2page;
}

void QV2UpPortraitLabelPrintView::drawForPrinting(QPainter &painter, const PrintInfo &printInfo)
{
    if (!m_label)
        return;
    const QSizeF size(m_label->width(), m_label->height());
    painter.save();
    painter.setTransform(placement(size, printInfo.printSettings.value_or(QVariantMap())), true);
    // Replayed from a recording: a label rendered straight through the
    // turned painter would lose some of its children.
    QVLayoutImage::fromView(m_label).draw(painter, QRectF(QPointF(0, 0), size));
    painter.restore();
}

void QV2UpPortraitLabelPrintView::paintEvent(QPaintEvent *)
{
    if (!QVPrintOperation::currentPrintInfo()) {
        qWarning("%s is drawing when not printing", metaObject()->className());
        return;
    }
}

} // namespace tolvane
