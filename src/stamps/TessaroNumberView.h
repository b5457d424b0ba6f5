#pragma once
// The round step-number badge of the stamp window: a grey disc with a white
// rim, a soft shadow, the number in white bold and a gloss over its upper
// part. It is designed in a 26 x 26 box and scaled to the view.
#include <QImage>
#include <QWidget>

class TessaroNumberView : public QWidget
{
    Q_OBJECT

public:
    // Shows "5" until a number is set.
    explicit TessaroNumberView(QWidget *parent = nullptr);

    QString numberToDisplay() const { return m_number; }
    // Redraws only when the text changes.
    void setNumberToDisplay(const QString &number);
    // How often the view asked to be redrawn for a new number.
    int redisplayRequests() const { return m_redisplayRequests; }

    // The badge at the pixel size (device pixels).
    QImage badgeImage(const QSize &pixels) const;
    QSize sizeHint() const override { return {26, 26}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_number = QStringLiteral("5");
    int m_redisplayRequests = 0;
};
