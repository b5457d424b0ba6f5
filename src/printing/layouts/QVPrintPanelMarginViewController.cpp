#include "printing/layouts/QVPrintPanelMarginViewController.h"

#include "platform/VariantKinds.h"
#include "printing/layouts/QV2UpPortraitLabelPrintView.h"

namespace tolvane {

namespace {

// The accessory's own layout: margin fields on top, the placement box
// (position, turn and the miniature) below.
constexpr qreal kViewWidth = 420;
constexpr qreal kViewHeight = 220;
constexpr qreal kLabelBoxHeight = 130;

int storedInteger(const PrintInfo &info, const QString &key)
{
    if (!info.printSettings)
        return 0;
    bool ok = false;
    const int value = info.printSettings->value(key).toInt(&ok);
    return ok ? value : 0;
}

} // namespace

QVariant QVPointsToInchesValueTransformer::transformedValue(const QVariant &points) const
{
    return isNumberVariant(points) ? QVariant(points.toDouble() / 72.0) : QVariant();
}

QVariant QVPointsToInchesValueTransformer::reverseTransformedValue(const QVariant &inches) const
{
    return isNumberVariant(inches) ? QVariant(inches.toDouble() * 72.0) : QVariant();
}

namespace {
bool &transformerRegistered()
{
    static bool registered = false;
    return registered;
}
} // namespace

const QVPointsToInchesValueTransformer *valueTransformerForName(const QString &name)
{
    static const QVPointsToInchesValueTransformer transformer;
    if (transformerRegistered() && name == QVPointsToInchesValueTransformer::name())
        return &transformer;
    return nullptr;
}

QVPrintPanelMarginViewController::QVPrintPanelMarginViewController(const QString &)
    : m_viewFrame(nibViewFrame()), m_thumbnail(std::make_unique<QVHalfSheetLabelThumbnailView>())
{
    // The fields' bindings find the transformer by name from now on.
    transformerRegistered() = true;
    m_thumbnail->resize(60, 78);
}

QRectF QVPrintPanelMarginViewController::nibViewFrame() { return QRectF(0, 0, kViewWidth, kViewHeight); }

qreal QVPrintPanelMarginViewController::labelBoxHeight() { return kLabelBoxHeight; }

void QVPrintPanelMarginViewController::loadView()
{
    m_viewFrame = nibViewFrame();
    m_labelBoxHidden = false;
    m_portraitControlsHidden = false;
    if (m_showPositioning) {
        // A landscape label is never turned.
        m_portraitControlsHidden = m_landscapeThumbnail;
    } else {
        m_labelBoxHidden = true;
        m_viewFrame.setY(m_viewFrame.y() + kLabelBoxHeight);
        m_viewFrame.setHeight(kViewHeight - kLabelBoxHeight);
    }
}

void QVPrintPanelMarginViewController::setRepresentedObject(const PrintInfo &printInfo)
{
    m_printInfo = printInfo;
    sync();
}

void QVPrintPanelMarginViewController::sync()
{
    const int position = storedInteger(m_printInfo, QV2UpPortraitLabelPrintView::labelPositionKey());
    const int orientation = storedInteger(m_printInfo, QV2UpPortraitLabelPrintView::labelOrientationKey());
    m_thumbnail->setDrawTopLabel(position == 0);
    m_positionTag = position;
    m_thumbnail->setDrawLeftSideFirst(orientation == 0);
    m_orientationTag = orientation;
    m_thumbnail->setVerticalLabel(!m_landscapeThumbnail);
}

void QVPrintPanelMarginViewController::changeLabelProperties()
{
    if (m_showPositioning) {
        QVariantMap settings = m_printInfo.printSettings.value_or(QVariantMap());
        settings.insert(QV2UpPortraitLabelPrintView::labelPositionKey(), qint64(m_positionTag));
        settings.insert(QV2UpPortraitLabelPrintView::labelOrientationKey(), qint64(m_orientationTag));
        m_printInfo.printSettings = settings;
    }
    sync();
}

void QVPrintPanelMarginViewController::resetToDefaults()
{
    m_printInfo.leftMargin = m_printInfo.rightMargin = m_printInfo.topMargin = m_printInfo.bottomMargin = 0;
    if (m_showPositioning) {
        QVariantMap settings = m_printInfo.printSettings.value_or(QVariantMap());
        settings.insert(QV2UpPortraitLabelPrintView::labelPositionKey(), qint64(0));
        settings.insert(QV2UpPortraitLabelPrintView::labelOrientationKey(), qint64(0));
        m_printInfo.printSettings = settings;
    }
    sync();
}

void QVPrintPanelMarginViewController::setMarginsInInches(double top, double left, double bottom, double right)
{
    const QVPointsToInchesValueTransformer transformer;
    m_printInfo.topMargin = transformer.reverseTransformedValue(top).toDouble();
    m_printInfo.leftMargin = transformer.reverseTransformedValue(left).toDouble();
    m_printInfo.bottomMargin = transformer.reverseTransformedValue(bottom).toDouble();
    m_printInfo.rightMargin = transformer.reverseTransformedValue(right).toDouble();
}

QSet<QString> QVPrintPanelMarginViewController::keyPathsForValuesAffectingPreview()
{
    return {QStringLiteral("representedObject.leftMargin"), QStringLiteral("representedObject.rightMargin"),
            QStringLiteral("representedObject.topMargin"), QStringLiteral("representedObject.bottomMargin")};
}

QList<QVSummaryItem> QVPrintPanelMarginViewController::localizedSummaryItems() const
{
    const QString description = QStringLiteral("Top: %1\", Left: %2\", Bottom: %3\", Right: %4\"")
                                    .arg(m_printInfo.topMargin / 72.0, 0, 'f', 2)
                                    .arg(m_printInfo.leftMargin / 72.0, 0, 'f', 2)
                                    .arg(m_printInfo.bottomMargin / 72.0, 0, 'f', 2)
                                    .arg(m_printInfo.rightMargin / 72.0, 0, 'f', 2);
    return {{QStringLiteral("Margins"), description}};
}

std::optional<PrintInfo> QVPrintPanelMarginViewController::runPageSetup(const PrintInfo &printInfo, bool showPlacement,
                                                                        bool landscapeLabel)
{
    QVPrintPanelMarginViewController accessory;
    accessory.setShowsLabelPlacementBox(showPlacement);
    accessory.setIsPlacingLandscapeLabel(landscapeLabel);
    accessory.loadView();
    accessory.setRepresentedObject(printInfo);
    return ::runPageSetup(printInfo, &accessory);
}

} // namespace tolvane
