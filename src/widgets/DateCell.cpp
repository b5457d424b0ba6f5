#include "widgets/DateCell.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QHash>
#include <QHelpEvent>
#include <QLocale>
#include <QPainter>
#include <QToolTip>

namespace {

QString todayWord() { return QCoreApplication::translate("DateCell", "Today"); }
QString yesterdayWord() { return QCoreApplication::translate("DateCell", "Yesterday"); }

QString timeText(const QDateTime &date) { return QLocale().toString(date.time(), QLocale::ShortFormat); }

QString withTime(const QString &word, const QDateTime &date)
{
    return QStringLiteral("%1, %2").arg(word, timeText(date));
}

QString datePart(const QDate &date, int level)
{
    const QLocale locale;
    switch (level) {
    case 0:
        return locale.toString(date, QLocale::LongFormat);
    case 1:
        return locale.toString(date, QStringLiteral("MMMM d, yyyy"));
    case 2:
        return locale.toString(date, QStringLiteral("MMM d, yyyy"));
    default:
        return locale.toString(date, QLocale::ShortFormat);
    }
}

// The widest text of a level over the weekdays of January 2006, then over
// the months with the day that gave the widest weekday.
int levelWidth(int level, const QFontMetrics &metrics)
{
    const QTime time(12, 12, 12);
    int widest = 0;
    int widestDay = 1;
    for (int day = 1; day <= 7; ++day) {
        const int width =
            metrics.horizontalAdvance(DateCell::formattedDate(QDateTime(QDate(2006, 1, day), time), level));
        if (width > widest) {
            widest = width;
            widestDay = day;
        }
    }
    for (int month = 1; month <= 12; ++month)
        widest = qMax(
            widest,
            metrics.horizontalAdvance(DateCell::formattedDate(QDateTime(QDate(2006, month, widestDay), time), level)));
    return widest;
}

} // namespace

QString DateCell::formattedDate(const QDateTime &date, int detailLevel)
{
    const int level = qBound(0, detailLevel, kDetailLevels - 1);
    const QString day = datePart(date.date(), level);
    return level == kDetailLevels - 1 ? day : QStringLiteral("%1 %2").arg(day, timeText(date));
}

const DateCell::Widths &DateCell::widthsForFont(const QFont &font)
{
    static QHash<QString, Widths> cache;
    const QString key = font.key() + QLocale().name();
    auto found = cache.find(key);
    if (found != cache.end())
        return *found;
    const QFontMetrics metrics(font);
    Widths widths;
    for (int level = 0; level < kDetailLevels; ++level)
        widths.detail[size_t(level)] = levelWidth(level, metrics);
    const QDateTime sample(QDate(2006, 1, 1), QTime(12, 12, 12));
    widths.todayAndYesterday[Yesterday] = metrics.horizontalAdvance(yesterdayWord());
    widths.todayAndYesterday[YesterdayWithTime] = metrics.horizontalAdvance(withTime(yesterdayWord(), sample));
    widths.todayAndYesterday[Today] = metrics.horizontalAdvance(todayWord());
    widths.todayAndYesterday[TodayWithTime] = metrics.horizontalAdvance(withTime(todayWord(), sample));
    return *cache.insert(key, widths);
}

DateCell::Levels DateCell::levelsForWidth(int width, const QFont &font)
{
    const Widths &widths = widthsForFont(font);
    Levels levels;
    for (int level = 0; level < kDetailLevels; ++level) {
        if (width >= widths.detail[size_t(level)]) {
            levels.detail = level;
            break;
        }
    }
    for (int form = 0; form < 4; ++form) {
        if (width < widths.todayAndYesterday[size_t(form)])
            break;
        levels.todayAndYesterday = form;
    }
    return levels;
}

QString DateCell::textForValue(const QVariant &value, int width, const QFont &font) const
{
    QDateTime date;
    if (value.typeId() == QMetaType::QDateTime)
        date = value.toDateTime().toLocalTime();
    else if (value.typeId() == QMetaType::QDate)
        date = QDateTime(value.toDate(), QTime(0, 0));
    if (!date.isValid())
        return QStringLiteral("---");

    const Levels levels = levelsForWidth(width, font);
    const QDate today = now().date();
    if (levels.todayAndYesterday != kNoTodayAndYesterday && date.date().year() == today.year()) {
        const Widths &widths = widthsForFont(font);
        const auto fits = [&](TodayForm form) { return width >= widths.todayAndYesterday[size_t(form)]; };
        const int day = date.date().dayOfYear();
        if (day == today.dayOfYear()) {
            if (fits(TodayWithTime))
                return withTime(todayWord(), date);
            if (fits(Today))
                return todayWord();
        } else if (day == today.dayOfYear() - 1) {
            if (fits(YesterdayWithTime))
                return withTime(yesterdayWord(), date);
            if (fits(Yesterday))
                return yesterdayWord();
        }
    }
    return formattedDate(date, levels.detail);
}

void DateCell::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget);
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, opt.widget) + 1;
    opt.text = textForValue(index.data(Qt::DisplayRole), textRect.width() - 2 * margin, opt.font);
    opt.textElideMode = Qt::ElideNone;
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
}

bool DateCell::helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                         const QModelIndex &index)
{
    if (event && event->type() == QEvent::ToolTip && index.isValid()) {
        // The expansion: the full text when it is wider than the cell.
        const QVariant value = index.data(Qt::DisplayRole);
        QDateTime date = value.toDateTime();
        if (value.typeId() == QMetaType::QDateTime && date.isValid()) {
            const QString full = formattedDate(date.toLocalTime(), 0);
            if (QFontMetrics(option.font).horizontalAdvance(full) > option.rect.width()) {
                QToolTip::showText(event->globalPos(), full, view);
                return true;
            }
        }
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}
