#pragma once
// The mailpiece pop-up of the stamp window: while its list is open each
// item shows its large picture and its rich title (a short HTML text, as the
// main window's mailpiece menu shows them); closed, the small picture and the
// plain title.
#include <QComboBox>
#include <QImage>
#include <QStyledItemDelegate>

class TessaroMailpiecePopUp : public QComboBox
{
    Q_OBJECT

public:
    // Item data roles beside the tag (Qt::UserRole).
    static constexpr int RichTitleRole = Qt::UserRole + 1;
    static constexpr int LargePictureRole = Qt::UserRole + 2;
    static constexpr int LargePictureSize = 32;

    explicit TessaroMailpiecePopUp(QWidget *parent = nullptr);

    // One item: tag, plain title, rich title (HTML) and its picture (shown
    // at 16 points closed and LargePictureSize open).
    void addMailpiece(int tag, const QString &title, const QString &richTitle, const QImage &picture);
    // The list is open (tessaroMailpieceMenuWillPop until ...WillEnd).
    bool showsLargeItems() const { return m_open; }

    void showPopup() override;
    void hidePopup() override;

private:
    bool m_open = false;
};

// Draws the open list's items: the large picture and the rich title.
class TessaroMailpieceItemDelegate : public QStyledItemDelegate
{
public:
    // Owned by the pop-up.
    explicit TessaroMailpieceItemDelegate(TessaroMailpiecePopUp *popUp) : QStyledItemDelegate(popUp), m_popUp(popUp) {}
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    const TessaroMailpiecePopUp *m_popUp;
};
