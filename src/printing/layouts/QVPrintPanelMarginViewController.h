#pragma once
// The margins accessory of the plain-paper page set-up: the page margins
// (shown in inches) and, for the half-sheet label, which half the label
// goes on and which way a portrait label is turned, with a live miniature.
//
// It works on plain state: the print info it edits (the represented object),
// the selected tags of the position and orientation choices (0 or 1, the
// values stored) and the visibility of the placement box and the turn
// controls. The placement is stored in the print info's print settings under
// the keys of QV2UpPortraitLabelPrintView; nothing is written while the
// placement box is hidden.
#include "platform/Dialogs.h"
#include "platform/PrintInfo.h"
#include "printing/layouts/QVHalfSheetLabelThumbnailView.h"

#include <QSet>
#include <QString>
#include <QVariant>

#include <memory>

namespace tolvane {

// Points shown as inches: forward points / 72, reverse inches x 72.
class QVPointsToInchesValueTransformer
{
public:
    static bool allowsReverseTransformation() { return true; }
    // A value that is not a number gives a null value.
    QVariant transformedValue(const QVariant &points) const;
    QVariant reverseTransformedValue(const QVariant &inches) const;
    // The name under which the accessory's form finds it.
    static QString name() { return QStringLiteral("PointsToInchesValueTransformer"); }
};

// A named transformer as the accessory's fields look it up; the points-to-
// inches transformer is there once the accessory has been used.
const QVPointsToInchesValueTransformer *valueTransformerForName(const QString &name);

// One line of the page set-up's summary.
struct QVSummaryItem {
    QString name;
    QString description;
};

class QVPrintPanelMarginViewController : public PageSetupAccessory
{
public:
    // The nib name is ignored: the accessory always has its own layout.
    explicit QVPrintPanelMarginViewController(const QString &nibName = QString());

    // Before the view loads.
    void setShowsLabelPlacementBox(bool show) { m_showPositioning = show; }
    void setIsPlacingLandscapeLabel(bool landscape) { m_landscapeThumbnail = landscape; }
    bool showsLabelPlacementBox() const { return m_showPositioning; }
    bool isPlacingLandscapeLabel() const { return m_landscapeThumbnail; }

    // Builds the view state: the turn controls hidden for a landscape label;
    // without placement the box hidden and the accessory shorter by the
    // box's height (its origin raised by as much).
    void loadView();
    bool labelBoxHidden() const { return m_labelBoxHidden; }
    bool portraitControlsHidden() const { return m_portraitControlsHidden; }
    // The accessory's frame (y-up, points) after loadView.
    QRectF viewFrame() const { return m_viewFrame; }
    static QRectF nibViewFrame();
    static qreal labelBoxHeight();

    const PrintInfo &representedObject() const { return m_printInfo; }
    // Sets the print info and syncs the controls.
    void setRepresentedObject(const PrintInfo &printInfo);

    // Reads the placement from the print settings into the choices and the
    // miniature.
    void sync();
    // The user picked tags in the choices (action of both).
    void selectPosition(int tag) { m_positionTag = tag; }
    void selectOrientation(int tag) { m_orientationTag = tag; }
    int selectedPosition() const { return m_positionTag; }
    int selectedOrientation() const { return m_orientationTag; }
    void changeLabelProperties();
    // Margins 0 and, with placement shown, top and +90.
    void resetToDefaults();
    // The margin fields (inches, through the transformer).
    void setMarginsInInches(double top, double left, double bottom, double right);

    static QSet<QString> keyPathsForValuesAffectingPreview();
    // One item "Margins": "Top: 0.50", Left: ..." in inches, two decimals.
    QList<QVSummaryItem> localizedSummaryItems() const;

    QVHalfSheetLabelThumbnailView *thumbnailView() const { return m_thumbnail.get(); }

    // The accessory in the page set-up: the represented object.
    PrintInfo accessoryPrintInfo() const override { return m_printInfo; }
    void setAccessoryPrintInfo(const PrintInfo &printInfo) override { setRepresentedObject(printInfo); }

    // The page set-up of a plain-paper print info with this accessory
    // (placement shown as asked, turn controls hidden for a landscape
    // label); the settings chosen, or nothing when cancelled.
    static std::optional<PrintInfo> runPageSetup(const PrintInfo &printInfo, bool showPlacement, bool landscapeLabel);

private:
    bool m_showPositioning = false;
    bool m_landscapeThumbnail = false;
    bool m_labelBoxHidden = false;
    bool m_portraitControlsHidden = false;
    QRectF m_viewFrame;
    PrintInfo m_printInfo;
    int m_positionTag = 0;
    int m_orientationTag = 0;
    std::unique_ptr<QVHalfSheetLabelThumbnailView> m_thumbnail;
};

} // namespace tolvane
