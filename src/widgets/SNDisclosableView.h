#pragma once
// A view that shows or hides its content and resizes its window by the
// difference: hidden, its children are hidden and it keeps `hiddenHeight`
// (0 by default); the window shrinks by (original height - hidden height)
// and grows back by the same amount when the view is shown again. Hiding a
// hidden view or showing a shown one changes nothing. The original height is
// the view's height when it is first hidden.
#include <QList>
#include <QPointer>
#include <QWidget>

class SNDisclosableView : public QWidget
{
public:
    explicit SNDisclosableView(QWidget *parent = nullptr) : QWidget(parent) {}

    bool isShown() const { return m_isShown; }
    void setIsShown(bool shown);
    void toggleDisclosure() { setIsShown(!m_isShown); }
    int hiddenHeight() const { return m_hiddenHeight; }
    void setHiddenHeight(int height) { m_hiddenHeight = height < 0 ? 0 : height; }
    int originalHeight() const { return m_originalHeight; }

    void hide();
    void show();

private:
    void changeWindowHeightBy(int amount);

    bool m_isShown = true;
    int m_originalHeight = -1;
    int m_hiddenHeight = 0;
    QList<QPointer<QWidget>> m_hiddenSubviews;
};
