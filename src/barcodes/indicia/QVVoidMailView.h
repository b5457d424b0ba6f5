#pragma once
// A transparent view that label and envelope layouts lay over a whole label:
// while its flag is set it writes "VOID - DO NOT MAIL" in bold Helvetica
// 20 pt from the point (10, 10) of its lower-left corner, rising at 30
// degrees, clipped to the view. Sample and test prints carry it.
#include <QWidget>

namespace tolvane {

class QVVoidMailView : public QWidget
{
    Q_OBJECT

public:
    // The flag set.
    explicit QVVoidMailView(QWidget *parent = nullptr);

    bool drawVoid() const { return m_void; }
    void setDrawVoid(bool drawVoid);

    // Draws into a painter in the view's own coordinates.
    void draw(QPainter &painter) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_void = true;
};

} // namespace tolvane
