#pragma once
// The cells of the on-screen stamp sheet: each shows the stamp artwork with
// the stamp's amount printed over it, tinted when selected.
//
// QVStampImageCell is the cell of the 25-stamp sheet (background
// "tolvanestamp", amount in Helvetica 45 shifted 10 pixels left);
// QVStamp2000ImageCell the cell of the 24-stamp sheet (background
// "just-stamp", Helvetica 90, centred). A background is the bundle image of
// that name when the bundle has one, else the artwork drawn here; it is made
// once per process.
//
// Rendered amounts are cached per cell class and amount text for the life
// of the process, so a sheet of equal stamps renders its amount once and
// all its cells share the one image. A blank cell (no amount) is the bare
// background, never cached. Main thread only.
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QString>

class QVStampImageCell
{
public:
    QVStampImageCell() = default;
    virtual ~QVStampImageCell() = default;

    // ---- Class side -----------------------------------------------------------
    static int hOffset() { return -10; }
    static int fontSize() { return 45; }
    static QImage backgroundImage();
    // The amount overlay switch of the window's check box (the cells draw
    // their amounts whatever it says).
    static bool drawDollarOverlay();
    static void setDrawDollarOverlay(bool on);
    // The background tinted cyan at alpha 0.2.
    static QImage tintImage();
    // The number of rendered amounts cached for a cell class ("QVStampImageCell").
    static int cachedAmountCount(const QString &cellClass);
    // The colour of a selected cell's tint: the selected-text background at
    // alpha 0.4.
    static QColor selectionTint();

    // ---- Cell -----------------------------------------------------------------
    // The cell's image: a copy of the class background with the overlay (may
    // be null) composited at 15, 15 at 1.2 times its size.
    void setOverlayImage(const QImage &overlay);
    // The class background until an overlay image is set.
    QImage stampImage() const { return m_stampImage.isNull() ? classBackgroundImage() : m_stampImage; }
    // The amount text; a null text for a blank stamp.
    QString stampAmount() const { return m_stampAmount; }
    void setStampAmount(const QString &amount) { m_stampAmount = amount; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected) { m_selected = selected; }

    // What the cell draws: the cached amount image (or the bare background
    // for a blank), tinted when selected.
    QImage renderedImage() const;
    // Draws renderedImage() into the frame.
    void drawInteriorWithFrame(QPainter &painter, const QRectF &frame) const;

protected:
    virtual QString cellClassName() const { return QStringLiteral("QVStampImageCell"); }
    virtual int classHOffset() const { return hOffset(); }
    virtual int classFontSize() const { return fontSize(); }
    virtual QImage classBackgroundImage() const { return backgroundImage(); }

private:
    QImage m_stampImage;
    QString m_stampAmount;
    bool m_selected = false;
};

class QVStamp2000ImageCell : public QVStampImageCell
{
public:
    static int hOffset() { return 0; }
    static int fontSize() { return 90; }
    static QImage backgroundImage();

protected:
    QString cellClassName() const override { return QStringLiteral("QVStamp2000ImageCell"); }
    int classHOffset() const override { return hOffset(); }
    int classFontSize() const override { return fontSize(); }
    QImage classBackgroundImage() const override { return backgroundImage(); }
};
