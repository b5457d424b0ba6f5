#include "app/mainwindow/MasterMailpieceMenu.h"

#include "platform/Bundle.h"
#include "widgets/NamedPicture.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTextDocument>

#include <memory>

namespace {

constexpr int kLargePictureWidth = 72;
constexpr int kDescriptionWidth = 300;
constexpr int kPadding = 6;

QString descriptionHTML(const QString &name, const QString &title)
{
    const QString path = Bundle::pathForResource(name, QStringLiteral("html"));
    QFile file(path);
    if (!path.isEmpty() && file.open(QIODevice::ReadOnly) && file.size() < 64 * 1024)
        return QString::fromUtf8(file.readAll());
    return title.toHtmlEscaped();
}

QTextDocument *descriptionDocument(const QString &html, const QFont &font)
{
    auto *document = new QTextDocument;
    document->setDefaultFont(font);
    document->setHtml(html);
    document->setTextWidth(kDescriptionWidth);
    return document;
}

} // namespace

const QList<MailpieceMenuEntry> &mailpieceMenuEntries()
{
    static const QList<MailpieceMenuEntry> entries = {
        {1, QStringLiteral("popup_postcard"), QStringLiteral("popup_postcard")},
        {0, QStringLiteral("popup_envelope"), QStringLiteral("popup_envelope")},
        {7, QStringLiteral("popup_flat"), QStringLiteral("popup_flat")},
        {2, QStringLiteral("popup_package"), QStringLiteral("popup_package")},
        {5, QStringLiteral("USPS_flatrate"), QStringLiteral("popup_flatrateenvelope")},
        {6, QStringLiteral("USPS_flatrate_box"), QStringLiteral("popup_flatratebox")},
        {8, QStringLiteral("USPS_flatrate_box_lrg"), QStringLiteral("popup_largeflatratebox")},
        {9, QStringLiteral("Small_Flat_Rate-middle"), QStringLiteral("popup_smallflatratebox")},
        {10, QStringLiteral("USPS_flatrate"), QStringLiteral("popup_flatratepadded")},
        {11, QStringLiteral("USPS_flatrate"), QStringLiteral("popup_flatrateenvelopelegal")},
        {12, QStringLiteral("USPS_flatrate_box_PM"), QStringLiteral("popup_rrb-a")},
        {13, QStringLiteral("USPS_flatrate_box_PM"), QStringLiteral("popup_rrb-b")},
        {14, QStringLiteral("USPS_flatrate_box_PM"), QStringLiteral("popup_rrb-c")},
        {15, QStringLiteral("Small_Flat_Rate-middle"), QStringLiteral("popup_largevideoflatratebox")},
        {4, QStringLiteral("popup_oversized_package"), QStringLiteral("popup_oversized_package")},
    };
    return entries;
}

QMap<qsizetype, MailpieceMenuInfo> mailpieceMenuInfo(const FormMenu &menu)
{
    QMap<qsizetype, MailpieceMenuInfo> info;
    for (const MailpieceMenuEntry &entry : mailpieceMenuEntries()) {
        const FormMenuItem *item = menu.itemWithTag(entry.tag);
        if (!item)
            continue;
        MailpieceMenuInfo record;
        record.title = item->title;
        record.largeImage = namedPicture(entry.imageName, QSize(64, 48));
        record.smallImage = record.largeImage.scaled(16, 16, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        record.attributedTitle = descriptionHTML(entry.descriptionName, item->title);
        info.insert(entry.tag, record);
    }
    return info;
}

void MailpieceMenuDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QImage picture = index.data(LargeImageRole).value<QImage>();
    const QString html = index.data(DescriptionRole).toString();
    if (html.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    opt.icon = QIcon();
    const QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    painter->save();
    if (!(opt.state & QStyle::State_Enabled))
        painter->setOpacity(0.45);
    const QRect rect = option.rect.adjusted(kPadding, kPadding, -kPadding, -kPadding);
    if (!picture.isNull()) {
        const QImage scaled =
            picture.scaled(kLargePictureWidth, rect.height(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
        painter->drawImage(QPoint(rect.left() + (kLargePictureWidth - scaled.width()) / 2,
                                  rect.top() + (rect.height() - scaled.height()) / 2),
                           scaled);
    }
    std::unique_ptr<QTextDocument> document(descriptionDocument(html, opt.font));
    painter->translate(rect.left() + kLargePictureWidth + kPadding, rect.top());
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = opt.palette;
    if (opt.state & QStyle::State_Selected)
        context.palette.setColor(QPalette::Text, opt.palette.color(QPalette::HighlightedText));
    document->documentLayout()->draw(painter, context);
    painter->restore();
}

QSize MailpieceMenuDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QString html = index.data(DescriptionRole).toString();
    if (html.isEmpty())
        return QStyledItemDelegate::sizeHint(option, index);
    std::unique_ptr<QTextDocument> document(descriptionDocument(html, option.font));
    const int height = qMax(48, int(document->size().height()));
    return QSize(kLargePictureWidth + kDescriptionWidth + 3 * kPadding, height + 2 * kPadding);
}
