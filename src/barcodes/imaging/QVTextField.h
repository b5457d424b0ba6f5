#pragma once
// A text line of a layout: one line of text in the field's font, aligned in
// the field's frame, clipped to it, with no background. The font's point size
// is the text's height in layout units (points) on every device, so a PDF at
// 72 dpi, a screen and a raster image all show the same layout.
//
// Layouts (Qt Designer forms) use it for every printed text; the layouts'
// code fills it by name, fits it with sizeToFit() and shrinks its font.
#include <QString>
#include <QVariant>
#include <QWidget>

namespace tolvane {

class QVTextField : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)

public:
    // Space between the text and the field's left and right edges, points.
    static constexpr qreal kHorizontalInset = 2.0;

    explicit QVTextField(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    // Sets the text and asks for a redraw.
    void setText(const QString &text);
    // A number or text shown as text (numbers in their plain form).
    void setObjectValue(const QVariant &value);

    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);

    // The font's size in points, and a new size for the same face.
    qreal pointSize() const;
    void setPointSize(qreal points);

    // Width of the text in points at the current font.
    qreal textWidth() const;
    // The size that holds the text: its width and the insets, one line high.
    QSizeF fittingSize() const;
    // Resizes the field to its fitting size, keeping its y-up origin (the
    // lower-left corner).
    void sizeToFit();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
    Qt::Alignment m_alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

} // namespace tolvane
