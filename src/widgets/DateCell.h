#pragma once
// DateCell: an item delegate for table columns that show a date. It shows as
// much of the date as the column's width allows, from a full date with time
// (level 0) down to a short date without time (level 4):
//
//   level 0: full date, short time     level 3: short date, short time
//   level 1: long date, short time     level 4: short date
//   level 2: medium date, short time
//
// A date of today or yesterday (in the current year) is written "Today" or
// "Yesterday", with ", " and the time when there is room; on 1 January the
// previous 31 December is an ordinary date. A value that is no date (an
// empty row) shows "---". A cell too narrow for its text offers the full
// text (level 0) as its tool tip.
//
// The width of a level is the widest text it gives for any weekday and any
// month (dates in 2006 at 12:12:12), measured with the cell's font; the
// widths are computed once per font for the process.
#include <QDateTime>
#include <QFont>
#include <QStyledItemDelegate>

#include <array>
#include <functional>

class DateCell : public QStyledItemDelegate
{
public:
    static constexpr int kDetailLevels = 5;
    // The today/yesterday level when neither word fits.
    static constexpr int kNoTodayAndYesterday = 4;
    // Forms of the today/yesterday widths.
    enum TodayForm { Yesterday = 0, YesterdayWithTime = 1, Today = 2, TodayWithTime = 3 };

    struct Widths {
        std::array<int, kDetailLevels> detail{};
        std::array<int, 4> todayAndYesterday{};
    };
    struct Levels {
        int detail = kDetailLevels - 1;
        int todayAndYesterday = kNoTodayAndYesterday;
    };

    explicit DateCell(QObject *parent = nullptr) : QStyledItemDelegate(parent) {}

    // The clock the cell compares dates with (for tests); empty: the system
    // clock.
    void setNow(std::function<QDateTime()> now) { m_now = std::move(now); }

    // The widths of the levels and forms for the font (cached per font).
    static const Widths &widthsForFont(const QFont &font);
    // The levels chosen for a cell width.
    static Levels levelsForWidth(int width, const QFont &font);
    // The date in a detail level's format (0 to 4), local time.
    static QString formattedDate(const QDateTime &date, int detailLevel);
    // The text of a value in a cell of the width: the date, "Today" or
    // "Yesterday" forms, or "---" for a value that is no date.
    QString textForValue(const QVariant &value, int width, const QFont &font) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    bool helpEvent(QHelpEvent *event, QAbstractItemView *view, const QStyleOptionViewItem &option,
                   const QModelIndex &index) override;

private:
    QDateTime now() const { return m_now ? m_now() : QDateTime::currentDateTime(); }

    std::function<QDateTime()> m_now;
};
