#pragma once
// The two views that carry an envelope or postcard from its layout to the
// printed page.
//
// QVEnvelopeView is the envelope itself: the content view of the envelope
// layout ("Envelope10"), sized to the envelope in points. It is white on the
// screen and transparent in print and PDF (nothing is filled there; its
// children draw themselves). Its children follow a change of its size by
// their autoresizing masks (the dynamic property "autoresizingMask" the
// layout gives them, bits of QVAutoresizing), measured y-up as every layout
// frame is; the change is then reported to the size observer.
//
// QVEnvelopePrintView is the printed page: landscape US Letter, 792 x 612
// points, on which a recording of the envelope view (taken when the
// envelope is given) is placed with its lower-left corner at origin() (y-up
// page points), optionally turned 180 degrees about itself (flip), and with
// the whole page optionally turned 180 degrees about its centre (giant
// rotate). The page draws through the print operation (QVPrintingView) and
// the same way on the screen.
#include "printing/QVPrintOperation.h"
#include "printing/layouts/QVLayoutViews.h"

#include <QPointF>
#include <QPointer>
#include <QSizeF>
#include <QWidget>

#include <functional>

namespace tolvane {

// How a child of an envelope view follows the envelope's size: the parts
// that stretch (the others keep their lengths). A change of width is shared
// by the stretching parts of the x axis in proportion to their lengths (in
// equal parts when they are all 0); the same for heights.
namespace QVAutoresizing {
enum : int {
    MinXMargin = 1, // left margin
    WidthSizable = 2,
    MaxXMargin = 4, // right margin
    MinYMargin = 8, // bottom margin
    HeightSizable = 16,
    MaxYMargin = 32, // top margin
};
// The name of the dynamic property that carries a child's mask.
inline constexpr const char *PropertyName = "autoresizingMask";
// The frame (y-up) a child of that mask takes when its parent changes from
// one size to another.
QRectF resizedFrame(const QRectF &frame, int mask, const QSizeF &oldSize, const QSizeF &newSize);
} // namespace QVAutoresizing

class QVEnvelopeView : public QWidget
{
    Q_OBJECT

public:
    explicit QVEnvelopeView(QWidget *parent = nullptr);

    // Resizes the envelope to a size in points (rounded to whole points),
    // moves its children by their masks and then calls the size observer.
    void setFrameSize(const QSizeF &size);
    void setSizeObserver(std::function<void()> observer) { m_sizeObserver = std::move(observer); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::function<void()> m_sizeObserver;
};

class QVEnvelopePrintView : public QWidget, public QVPrintingView
{
    Q_OBJECT

public:
    // A page of 792 x 612 points; origin (0, 0); no flip, no giant rotate.
    explicit QVEnvelopePrintView(QWidget *parent = nullptr);

    // Keeps the envelope view (not owned) and records its drawing.
    void setEnvelope(QWidget *envelopeView);
    QWidget *envelope() const { return m_envelope; }

    // "left": origin x 0; any other text: the envelope's right edge on the
    // page's right edge.
    void setAlign(const QString &align);
    // "bottom": origin y 0; "center": half the page less half the envelope;
    // "top": the envelope's top on the page's top; any other text keeps the
    // origin's y.
    void setPosition(const QString &position);
    bool flip() const { return m_rotated; }
    void setFlip(bool flip);
    bool giantRotate() const { return m_giantRotate; }
    void setGiantRotate(bool giantRotate);

    // The envelope's lower-left corner on the page (y-up points), before the
    // giant rotate.
    QPointF origin() const { return m_origin; }
    // The rectangle the envelope covers on the printed page (top-left page
    // points), after the giant rotate.
    QRectF envelopeRectOnPage() const;

    void drawForPrinting(QPainter &painter, const PrintInfo &printInfo) override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSizeF envelopeSize() const;
    void drawPage(QPainter &painter) const;

    QPointer<QWidget> m_envelope;
    QVLayoutImage m_pdf;
    QPointF m_origin;
    bool m_rotated = false;
    bool m_giantRotate = false;
};

} // namespace tolvane
