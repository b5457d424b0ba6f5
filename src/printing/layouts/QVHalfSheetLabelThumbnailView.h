#pragma once
// The live miniature of the half-sheet placement in the margins accessory: a
// sheet with a shadow and a dashed fold line at mid-height, and a bold "P"
// standing for the label on the top or bottom half, turned +90 degrees
// (drawLeft) or -90 degrees when the label is portrait.
#include <QFont>
#include <QSizeF>
#include <QString>
#include <QWidget>

namespace tolvane {

class QVHalfSheetLabelThumbnailView : public QWidget
{
    Q_OBJECT

public:
    explicit QVHalfSheetLabelThumbnailView(QWidget *parent = nullptr);

    bool drawTop() const { return m_drawTop; }
    bool drawLeft() const { return m_drawLeft; }
    bool portraitLabel() const { return m_portraitLabel; }
    // Each stores and redraws.
    void setDrawTopLabel(bool top);
    void setDrawLeftSideFirst(bool left);
    void setVerticalLabel(bool portrait);

    // The font of the given font's family at 12 points times the factor
    // that fits the string into the area less 10 points each way.
    static QFont fontSizedForAreaSize(const QSizeF &area, const QString &string, const QFont &font);
    // The smaller of (target width - inset) / source width and
    // (target height - inset) / source height.
    static qreal scaleToAspectFit(const QSizeF &source, const QSizeF &target, qreal padding);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_drawTop = true;
    bool m_drawLeft = true;
    bool m_portraitLabel = true;
};

} // namespace tolvane
