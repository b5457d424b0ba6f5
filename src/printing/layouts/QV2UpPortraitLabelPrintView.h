#pragma once
// The page that prints one plain-paper shipping label on half of a US
// Letter sheet (612 x 792 points), so that a sheet can be used twice.
//
// Which half, and which way a label taller than wide is turned, are print
// settings of the plain-paper print info (labelPositionKey(),
// labelOrientationKey(); integers, a missing key counts as 0): position 0 is
// the top half, any other value the bottom half; orientation 0 turns the
// label +90 degrees (its top toward the left edge of the sheet), any other
// value -90 degrees. A label whose height / width is 1 or less (landscape or
// square) is never turned. The label is centred in its half.
//
// The page draws only inside a print operation (QVPrintOperation); drawn
// anywhere else it logs "<view> is drawing when not printing" and draws
// nothing.
#include "printing/QVPrintOperation.h"

#include <QPointer>
#include <QTransform>
#include <QWidget>

namespace tolvane {

class QV2UpPortraitLabelPrintView : public QWidget, public QVPrintingView
{
    Q_OBJECT

public:
    // A page of 612 x 792 points.
    explicit QV2UpPortraitLabelPrintView(QWidget *parent = nullptr);

    // The print-settings keys: the bundle identifier with "." made "_",
    // then "_PrintSettings_labelPosition" / "_PrintSettings_labelOrientation".
    static QString labelPositionKey();
    static QString labelOrientationKey();

    // The label to place (replaces any earlier one; not owned).
    void addLabelView(QWidget *labelView);
    QWidget *labelView() const { return m_label; }

    // The transform from the label's own coordinates (top-left origin) to the
    // page's (top-left origin) for a label of that size under the print
    // settings.
    static QTransform placement(const QSizeF &labelSize, const QVariantMap &printSettings);

    void drawForPrinting(QPainter &painter, const PrintInfo &printInfo) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<QWidget> m_label;
};

} // namespace tolvane
