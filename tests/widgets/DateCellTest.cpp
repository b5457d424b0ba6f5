// DateCell: the detail level follows the column's width; today's and
// yesterday's dates are written as words with or without the time, or as a
// plain date when even the word does not fit; 31 December is not
// "Yesterday" on 1 January; a value that is no date shows "---".
#include "widgets/DateCell.h"

#include <QApplication>
#include <QStandardItemModel>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

const QFont &font()
{
    static const QFont f = QApplication::font();
    return f;
}

} // namespace

TEST(DateCell, TheDetailLevelIsTheFirstThatFitsTheWidth)
{
    const DateCell::Widths &widths = DateCell::widthsForFont(font());
    // Each level is narrower than the one before it.
    for (int level = 1; level < DateCell::kDetailLevels; ++level)
        EXPECT_LT(widths.detail[size_t(level)], widths.detail[size_t(level - 1)]) << level;
    for (int level = 0; level < DateCell::kDetailLevels; ++level) {
        EXPECT_EQ(DateCell::levelsForWidth(widths.detail[size_t(level)], font()).detail, level);
        if (level > 0) {
            EXPECT_EQ(DateCell::levelsForWidth(widths.detail[size_t(level - 1)] - 1, font()).detail, level);
        }
    }
    EXPECT_EQ(DateCell::levelsForWidth(1, font()).detail, DateCell::kDetailLevels - 1);
    EXPECT_EQ(DateCell::levelsForWidth(1, font()).todayAndYesterday, DateCell::kNoTodayAndYesterday);
}

TEST(DateCell, TodayAndYesterdayAsWordsWhenTheyFit)
{
    DateCell cell;
    const QDateTime now(QDate(2026, 6, 15), QTime(9, 30));
    cell.setNow([now] { return now; });
    const DateCell::Widths &widths = DateCell::widthsForFont(font());
    const int wide = widths.detail[0] + 50;
    const int narrow = widths.todayAndYesterday[DateCell::Yesterday];
    const int veryNarrow = widths.todayAndYesterday[DateCell::Yesterday] - 1;
    const QDateTime yesterday(QDate(2026, 6, 14), QTime(17, 5));
    const QDateTime today(QDate(2026, 6, 15), QTime(8, 0));
    const QDateTime older(QDate(2026, 6, 13), QTime(17, 5));

    const QString yesterdayWide = cell.textForValue(yesterday, wide, font());
    EXPECT_TRUE(yesterdayWide.startsWith(QStringLiteral("Yesterday, "))) << yesterdayWide.toStdString();
    EXPECT_GT(yesterdayWide.size(), QStringLiteral("Yesterday, ").size());
    EXPECT_EQ(cell.textForValue(yesterday, narrow, font()), QStringLiteral("Yesterday"));
    const QString yesterdayVeryNarrow = cell.textForValue(yesterday, veryNarrow, font());
    EXPECT_FALSE(yesterdayVeryNarrow.contains(QStringLiteral("Yesterday")));
    EXPECT_EQ(yesterdayVeryNarrow, DateCell::formattedDate(yesterday, DateCell::kDetailLevels - 1));

    EXPECT_TRUE(cell.textForValue(today, wide, font()).startsWith(QStringLiteral("Today, ")));
    EXPECT_EQ(cell.textForValue(older, wide, font()), DateCell::formattedDate(older, 0));
    // A year earlier on the same day is no "Today".
    const QDateTime lastYear(QDate(2025, 6, 15), QTime(8, 0));
    EXPECT_EQ(cell.textForValue(lastYear, wide, font()), DateCell::formattedDate(lastYear, 0));
}

TEST(DateCell, TheLastDayOfTheYearIsNotYesterdayOnTheFirst)
{
    DateCell cell;
    cell.setNow([] { return QDateTime(QDate(2027, 1, 1), QTime(10, 0)); });
    const int wide = DateCell::widthsForFont(font()).detail[0] + 50;
    const QDateTime newYearsEve(QDate(2026, 12, 31), QTime(22, 0));
    const QString text = cell.textForValue(newYearsEve, wide, font());
    EXPECT_FALSE(text.contains(QStringLiteral("Yesterday"))) << text.toStdString();
    EXPECT_EQ(text, DateCell::formattedDate(newYearsEve, 0));
    // In a leap year the day before 1 March is still yesterday.
    cell.setNow([] { return QDateTime(QDate(2028, 3, 1), QTime(10, 0)); });
    EXPECT_TRUE(cell.textForValue(QDateTime(QDate(2028, 2, 29), QTime(9, 0)), wide, font())
                    .startsWith(QStringLiteral("Yesterday")));
}

TEST(DateCell, AValueThatIsNoDateShowsDashes)
{
    DateCell cell;
    for (const QVariant &value :
         {QVariant(), QVariant(QStringLiteral("2026-06-15")), QVariant(42), QVariant(QDateTime())})
        EXPECT_EQ(cell.textForValue(value, 500, font()), QStringLiteral("---"));

    // Drawn in a table too.
    QStandardItemModel model(1, 1);
    QTableView table;
    table.setModel(&model);
    table.setItemDelegateForColumn(0, &cell);
    table.resize(300, 100);
    table.show();
    EXPECT_FALSE(table.grab().isNull());
}
