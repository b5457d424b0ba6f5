#pragma once
// A pull-down action button drawn as its image only (by default the picture
// "ActionMenu"): no title, no border; a click pulls down its menu at once.
// Disabled, the image is drawn dimmed.
#include <QString>
#include <QToolButton>

inline const QString DKActionButtonDefaultImage = QStringLiteral("ActionMenu");

class QMenu;

class DKActionButton : public QToolButton
{
public:
    // A null image: the picture named DKActionButtonDefaultImage.
    explicit DKActionButton(QWidget *parent = nullptr, const QImage &image = QImage());

    void setActionImage(const QImage &image);
    const QImage &actionImage() const { return m_image; }

private:
    QImage m_image;
};
