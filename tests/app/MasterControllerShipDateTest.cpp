// The ship-date pop-up across days (with an injected clock and the
// scheduler's midnight timer) and the service standards fetched only when
// the class or the ZIP codes change.
#include "MasterControllerFixture.h"

#include "rates/QVShipmentUSPS.h"

using namespace master_test;

namespace {

QStringList titles(const FormPopUp &popUp)
{
    QStringList list;
    for (const FormMenuItem &item : popUp.menu.items)
        list.append(item.title);
    return list;
}

} // namespace

TEST_F(MasterControllerTest, ShipDatesOfferTodayAndTheDaysTheAccountAllows)
{
    struct Case {
        int advance;
        QStringList titles;
    } cases[] = {
        {0, {QStringLiteral("Today (03/03)")}},
        {3,
         {QStringLiteral("Today (03/03)"), QStringLiteral("Tomorrow (03/04)"), QStringLiteral("Wednesday (03/05)"),
          QStringLiteral("Thursday (03/06)")}},
        // A server's answer is kept within a year.
        {100000, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.advance);
        account->advance = c.advance;
        start();
        const FormPopUp &popUp = form().popUp(FormControl::ShipDate);
        if (c.titles.isEmpty()) {
            EXPECT_EQ(popUp.count(), 367);
        } else {
            EXPECT_EQ(titles(popUp), c.titles);
        }
        EXPECT_EQ(popUp.selectedIndex, 0);
        for (qsizetype i = 0; i < popUp.count(); ++i)
            EXPECT_EQ(popUp.menu.items[i].tag, i);
    }
}

TEST_F(MasterControllerTest, AfterMidnightTomorrowBecomesToday)
{
    account->advance = 2;
    start();
    choose(FormControl::ShipDate, 1);
    ASSERT_EQ(shipment().shipCalendarDate().date(), QDate(2014, 3, 4));

    // The timer waits for 00:01:00 tomorrow.
    const std::vector<double> timers = scheduler->timers();
    ASSERT_EQ(timers.size(), 1u);
    EXPECT_DOUBLE_EQ(timers[0], clock.secsTo(QDateTime(QDate(2014, 3, 4), QTime(0, 1))));

    clock = QDateTime(QDate(2014, 3, 4), QTime(0, 1));
    ASSERT_TRUE(scheduler->fireTimer());
    settle();
    const FormPopUp &popUp = form().popUp(FormControl::ShipDate);
    EXPECT_EQ(titles(popUp),
              (QStringList{QStringLiteral("Today (03/04)"), QStringLiteral("Tomorrow (03/05)"),
                           QStringLiteral("Thursday (03/06)")}));
    EXPECT_EQ(popUp.selectedIndex, 0);
    EXPECT_EQ(shipment().shipCalendarDate().date(), QDate(2014, 3, 4));
    // And it re-arms itself for the next night.
    EXPECT_EQ(scheduler->timers().size(), 1u);
}

TEST_F(MasterControllerTest, ShipDateBeforeTodaySelectsNothingNew)
{
    account->advance = 2;
    start();
    choose(FormControl::ShipDate, 2);
    storeQuietly({{QVShipmentShipDateKey, QDateTime(QDate(2014, 3, 1), QTime(9, 0))}});
    EXPECT_EQ(form().popUp(FormControl::ShipDate).selectedIndex, 2);
    storeQuietly({{QVShipmentShipDateKey, QDateTime(QDate(2014, 3, 4), QTime(9, 0))}});
    EXPECT_EQ(form().popUp(FormControl::ShipDate).selectedIndex, 1);
}

TEST_F(MasterControllerTest, ServiceStandardsAreFetchedOnlyWhenClassOrPlacesChange)
{
    defaults().setBool(true, QStringLiteral("useServiceStandards"));
    defaults().setString(QVUSPSMediaMail, QStringLiteral("rateClass"));
    start();
    sendTo(QStringLiteral("10001"));
    typeWeight(QStringLiteral("1 lb"));
    ASSERT_TRUE(shipment().shippable());

    struct Step {
        QString rateClass;
        QString zip;
        size_t requests;
    } steps[] = {
        {QVUSPSMediaMail, QStringLiteral("10001"), 1},    // nothing known yet
        {QVUSPSLibraryMail, QStringLiteral("10001"), 1},  // Standard Mail B to Standard Mail B
        {QVUSPSLibraryMail, QStringLiteral("10002"), 2},  // a new destination
        {QVUSPSPriorityMail, QStringLiteral("10002"), 3}, // leaving Standard Mail B
        {QVUSPSPriorityMail, QStringLiteral("10002"), 3}, // nothing changed
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.rateClass.toStdString() + " " + step.zip.toStdString());
        if (shipment().mailedToZIP5() != step.zip)
            sendTo(step.zip);
        choose(FormControl::MailClass, classTag(step.rateClass));
        ASSERT_EQ(stored(QVUSPSShipmentRateClassKey), step.rateClass);
        ASSERT_TRUE(shipment().shippable());
        controller->updateServiceStandards();
        EXPECT_EQ(standards->requests.size(), step.requests);
        EXPECT_EQ(form().text(FormControl::RateEstimated), QStringLiteral("2 days"));
        EXPECT_FALSE(form().spinner().running);
    }
    ASSERT_FALSE(standards->requests.empty());
    EXPECT_EQ(standards->requests.back().origin, QStringLiteral("02134"));
    EXPECT_EQ(standards->requests.back().destination, QStringLiteral("10002"));
    EXPECT_EQ(standards->requests.back().mailClass, QVUSPSPriorityMail);

    // Abroad: "N/A", no request.
    sendTo(QString(), QStringLiteral("Canada"));
    controller->updateServiceStandards();
    EXPECT_EQ(form().text(FormControl::RateEstimated), QStringLiteral("N/A"));
    EXPECT_EQ(standards->requests.size(), 3u);
}

TEST_F(MasterControllerTest, ServiceStandardsWaitForAShippablePiece)
{
    defaults().setBool(true, QStringLiteral("useServiceStandards"));
    start();
    // No destination: not shippable, so the estimate says "--".
    choose(FormControl::MailClass, classTag(QVUSPSMediaMail));
    EXPECT_EQ(form().text(FormControl::RateEstimated), QStringLiteral("--"));
    EXPECT_TRUE(standards->requests.empty());
}
