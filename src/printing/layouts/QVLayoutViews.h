#pragma once
// The views the label layouts are made of besides the barcode views and the
// single-line text field: pictures (QVImageView showing a QVLayoutImage) and
// multi-line rich text (QVAddressField for addresses and other blocks of
// lines). Sizes are points; frames are read and set through ViewGeometry.h.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPicture>
#include <QSizeF>
#include <QString>
#include <QTextDocument>
#include <QWidget>

#include <memory>

namespace tolvane {

// A picture placed on a layout: a raster image (drawn from its own pixels at
// full resolution whatever its place) or the vector drawing of a view (an
// indicium stays text and filled shapes in the PDF). Copies share the data.
class QVLayoutImage
{
public:
    QVLayoutImage() = default;
    // The image's size in points follows its resolution (72 dpi when it has
    // none).
    static QVLayoutImage fromImage(const QImage &image);
    // Reads an image file; a null picture when it does not load.
    static QVLayoutImage fromFile(const QString &path);
    // The bundle image of that name (PNG); a null picture when missing.
    static QVLayoutImage named(const QString &name);
    // The view's drawing with its children, at the view's size.
    static QVLayoutImage fromView(QWidget *view);

    bool isNull() const { return m_size.isEmpty(); }
    QSizeF size() const { return m_size; }
    QString name() const { return m_name; }
    // Draws the picture stretched into the target (painter coordinates).
    void draw(QPainter &painter, const QRectF &target) const;

private:
    QImage m_image;
    std::shared_ptr<QPicture> m_picture;
    QSizeF m_size;
    QString m_name;
};

// Shows one picture. Scaling: none (the picture at its own size, placed by
// the alignment and clipped to the view), proportionally down (as large as
// its own size at most, shrunk to fit), or to fit both axes.
class QVImageView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(Qt::Alignment alignment READ alignment WRITE setAlignment)

public:
    enum class Scaling { None, ProportionallyDown, AxesIndependently };

    explicit QVImageView(QWidget *parent = nullptr);

    QVLayoutImage image() const { return m_image; }
    void setImage(const QVLayoutImage &image);
    Scaling scaling() const { return m_scaling; }
    void setScaling(Scaling scaling);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);
    // A frame drawn round the view (off by default).
    void setFramed(bool framed);

    // Where the picture lands inside the view's bounds.
    QRectF imageRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVLayoutImage m_image;
    Scaling m_scaling = Scaling::ProportionallyDown;
    Qt::Alignment m_alignment = Qt::AlignCenter;
    bool m_framed = false;
};

// Lines of text in runs of their own font and colour, optionally after a
// block of rich text (HTML), laid out on a 72-dpi device so that sizes are
// points. The field neither wraps nor shrinks by itself: the layouts fit it.
// Text outside the field's frame is clipped. A bordered field frames its
// bounds with a 1-point black line.
class QVAddressField : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setPlainText)
    Q_PROPERTY(bool bordered READ isBordered WRITE setBordered)

public:
    explicit QVAddressField(QWidget *parent = nullptr);

    // Space between the text and the field's left and right edges, points.
    static constexpr qreal kHorizontalInset = 2.0;

    // The text without its formatting.
    QString text() const;
    // The whole text in the field's own font and colour.
    void setPlainText(const QString &text);

    // Building the text: empty it, put rich text first, add runs.
    void clear();
    void insertHtml(const QString &html);
    // A run in a font and colour; with a line height (points, above 0) its
    // lines are that high.
    void appendRun(const QString &text, const QFont &font, const QColor &color, qreal lineHeight = 0);

    QColor textColor() const { return m_color; }
    void setTextColor(const QColor &color) { m_color = color; }
    bool isBordered() const { return m_bordered; }
    void setBordered(bool bordered);

    // The size that holds the text (insets included).
    QSizeF fittingSize() const;
    // Resizes the field to its fitting size keeping its y-up origin (the
    // lower-left corner).
    void sizeToFit();
    // The height of one line of the field's font (its default line height).
    qreal defaultLineHeight() const;

    const QTextDocument &document() const { return m_document; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QTextDocument m_document;
    QColor m_color = Qt::black;
    bool m_bordered = false;
};

// A device of 72 dpi: fonts measured on it give sizes in points.
QPaintDevice *pointMeasuringDevice();

} // namespace tolvane
