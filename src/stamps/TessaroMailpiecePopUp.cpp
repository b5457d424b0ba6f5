#include "stamps/TessaroMailpiecePopUp.h"

#include <QAbstractTextDocumentLayout>
#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QTextDocument>

namespace {

void setUpRichDocument(QTextDocument &document, const QString &html, const QFont &font)
{
    document.setDefaultFont(font);
    document.setDocumentMargin(0);
    document.setHtml(html);
}

} // namespace

TessaroMailpiecePopUp::TessaroMailpiecePopUp(QWidget *parent) : QComboBox(parent)
{
    setIconSize(QSize(16, 16));
    setItemDelegate(new TessaroMailpieceItemDelegate(this));
}

void TessaroMailpiecePopUp::addMailpiece(int tag, const QString &title, const QString &richTitle, const QImage &picture)
{
    addItem(QIcon(QPixmap::fromImage(picture.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation))), title,
            tag);
    setItemData(count() - 1, richTitle, RichTitleRole);
    setItemData(count() - 1, picture, LargePictureRole);
}

void TessaroMailpiecePopUp::showPopup()
{
    m_open = true;
    // The list is as wide as its widest rich title.
    int width = 0;
    QStyleOptionViewItem option;
    option.font = font();
    for (int row = 0; row < count(); ++row)
        width = std::max(width, itemDelegate()->sizeHint(option, model()->index(row, 0)).width());
    view()->setMinimumWidth(width + 24);
    QComboBox::showPopup();
}

void TessaroMailpiecePopUp::hidePopup()
{
    QComboBox::hidePopup();
    m_open = false;
}

void TessaroMailpieceItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const
{
    const QString rich = index.data(TessaroMailpiecePopUp::RichTitleRole).toString();
    if (!m_popUp->showsLargeItems() || rich.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem plain = option;
    initStyleOption(&plain, index);
    plain.text.clear();
    plain.icon = QIcon();
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &plain, painter);

    const int size = TessaroMailpiecePopUp::LargePictureSize;
    const QRect picture(option.rect.left() + 6, option.rect.top() + (option.rect.height() - size) / 2, size, size);
    painter->drawImage(picture, index.data(TessaroMailpiecePopUp::LargePictureRole).value<QImage>());
    QTextDocument document;
    setUpRichDocument(document, rich, option.font);
    painter->save();
    painter->translate(picture.right() + 10, option.rect.top() + (option.rect.height() - document.size().height()) / 2);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = option.palette;
    if (option.state & QStyle::State_Selected)
        context.palette.setColor(QPalette::Text, option.palette.color(QPalette::HighlightedText));
    document.documentLayout()->draw(painter, context);
    painter->restore();
}

QSize TessaroMailpieceItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QString rich = index.data(TessaroMailpiecePopUp::RichTitleRole).toString();
    if (!m_popUp->showsLargeItems() || rich.isEmpty())
        return QStyledItemDelegate::sizeHint(option, index);
    QTextDocument document;
    setUpRichDocument(document, rich, option.font);
    const QSizeF text = document.size();
    return QSize(TessaroMailpiecePopUp::LargePictureSize + 22 + int(text.width()),
                 std::max(TessaroMailpiecePopUp::LargePictureSize + 8, int(text.height()) + 8));
}
