#pragma once
// Views that draw linear barcodes: Code 128 (this class), GS1-128
// (QVGS1Code128View), Code 39 (QVCode39View) and the USPS Intelligent Mail
// barcode (QVUSPS4CBView) share the text, the module string made from it and
// the module sizes, which are given in inches (72 points each).
//
// Code 128: every run of bar modules is one black rectangle; the symbol is
// centred in the view both ways; spaces are not painted; no quiet zone and
// no human-readable text. A text the encoder refuses leaves no pattern and
// the view draws nothing. Antialiasing is on only when drawing to a screen.
#include <QByteArray>
#include <QString>
#include <QWidget>

class QPainter;

namespace tolvane {

class QVCode128View : public QWidget
{
    Q_OBJECT

public:
    // Module width 0.015 in, module height 0.75 in, empty text.
    explicit QVCode128View(QWidget *parent = nullptr);

    QString barcodeText() const { return m_barcodeText; }
    // Stores the text, encodes it and asks for a redraw (every time).
    void setBarcodeText(const QString &text);
    // The module string ('1' bar, '0' space; the bar letters for the
    // Intelligent Mail view); null when there is none.
    QByteArray bitPattern() const { return m_bitPattern; }
    void setBitPattern(const QByteArray &pattern);

    double moduleWidth() const { return m_moduleWidth; }
    double moduleHeight() const { return m_moduleHeight; }
    // Inches; a redraw only when the value changes.
    void setModuleWidth(double inches);
    void setModuleHeight(double inches);

    // Makes the pattern from the text (none for an empty text).
    virtual void encodeBitPattern();
    // Draws the symbol into a painter in the view's own coordinates.
    virtual void draw(QPainter &painter) const;

protected:
    QVCode128View(double moduleWidth, double moduleHeight, QWidget *parent);
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_barcodeText;
    QByteArray m_bitPattern;
    double m_moduleWidth;
    double m_moduleHeight;
};

// GS1-128: the same with FNC1 after the start character.
class QVGS1Code128View : public QVCode128View
{
    Q_OBJECT

public:
    using QVCode128View::QVCode128View;
    void encodeBitPattern() override;
};

} // namespace tolvane
