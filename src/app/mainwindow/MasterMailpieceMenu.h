#pragma once
// The piece-size pop-up's picture menu: for each piece-size tag the picture
// and the description shown while the menu is open (the bundle's HTML
// resource of that name), and a 16 by 16 copy of the picture shown when it
// is closed. Tags the pop-up lacks are skipped.
#include "app/mainwindow/MasterForm.h"

#include <QImage>
#include <QList>
#include <QMap>
#include <QString>
#include <QStyledItemDelegate>

struct MailpieceMenuEntry {
    qsizetype tag = 0;
    QString imageName;
    QString descriptionName;
};

// The entries in the order of set-up.
const QList<MailpieceMenuEntry> &mailpieceMenuEntries();

struct MailpieceMenuInfo {
    QString title;           // the item's own title
    QImage largeImage;       // the named picture
    QImage smallImage;       // scaled to 16 by 16
    QString attributedTitle; // HTML; the title when the resource is missing
};

// The records for the tags the menu holds, by tag.
QMap<qsizetype, MailpieceMenuInfo> mailpieceMenuInfo(const FormMenu &menu);

// Draws the open menu's items with their large picture and description.
class MailpieceMenuDelegate : public QStyledItemDelegate
{
public:
    // Item data roles of the open menu.
    static constexpr int LargeImageRole = Qt::UserRole + 10;
    static constexpr int DescriptionRole = Qt::UserRole + 11;

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
