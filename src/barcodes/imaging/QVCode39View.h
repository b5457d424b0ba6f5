#pragma once
// Code 39 view (Priority Mail Express numbers): the text framed by "*",
// nine elements a character, wide elements `ratio` narrow modules wide, a
// narrow gap after every character. Bars are black, spaces painted white,
// the gaps left unpainted; the symbol is centred in the view.
#include "QVCode128View.h"

namespace tolvane {

class QVCode39View : public QVCode128View
{
    Q_OBJECT

public:
    // The base view's sizes, ratio 3.
    explicit QVCode39View(QWidget *parent = nullptr);

    double ratio() const { return m_ratio; }
    void setRatio(double ratio);

    // Width of the symbol, gaps included, in points.
    qreal symbolWidth() const;

    void encodeBitPattern() override;
    void draw(QPainter &painter) const override;

private:
    double m_ratio = 3.0;
};

} // namespace tolvane
