#pragma once
// An overlay image that lets clicks through its transparent part: a press on
// a fully transparent pixel, or outside the active rectangle (0, 0) to
// (290, 120), performs the fade action; a press on an opaque pixel inside it
// performs the view's own action. The image is drawn at the view's top left
// at its own size; points outside the image count as transparent.
#include <QImage>
#include <QRect>
#include <QWidget>

#include <functional>

class QVClickImageView : public QWidget
{
public:
    // The part of the view that can act.
    static constexpr QRect kActiveRect{0, 0, 290, 120};

    explicit QVClickImageView(QWidget *parent = nullptr);

    void setImage(const QImage &image);
    const QImage &image() const { return m_image; }
    void setAction(std::function<void()> action) { m_action = std::move(action); }
    void setFadeAction(std::function<void()> fade) { m_fade = std::move(fade); }

    // What a press at the point (view coordinates) does: true for the
    // view's action, false for the fade.
    bool actsAt(const QPoint &point) const;

    QSize sizeHint() const override { return m_image.size(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QImage m_image;
    std::function<void()> m_action;
    std::function<void()> m_fade;
};
