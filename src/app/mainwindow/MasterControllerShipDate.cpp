// MasterController: the ship-date pop-up (today and the days the account
// allows, kept right across midnight) and the USPS service standard of the
// estimated-delivery field.
#include "app/mainwindow/MasterController.h"

#include "model/QVShipment.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSRateClass.h"

#include <QLocale>

#include <algorithm>

namespace {

constexpr int kMaximumDateAdvance = 366;

bool isStandardB(const QString &name)
{
    const QVUSPSRateClass *rateClass = QVUSPSRateClass::currentRates().rateClassWithName(name);
    return rateClass && rateClass->isStandardB();
}

} // namespace

void MasterController::updateShipDatePopup()
{
    FormPopUp &popUp = m_form.popUp(FormControl::ShipDate);
    // The account's answer, within a year.
    const int advance = std::clamp(m_env.accountInformation->dateAdvance(), 0, kMaximumDateAdvance);

    // 1. One item for today and each day the account allows.
    if (popUp.count() != advance + 1) {
        FormMenu menu;
        menu.title = QStringLiteral("Ship Date");
        for (int day = 0; day <= advance; ++day)
            menu.items.append({day, QString()});
        popUp.menu = menu;
        popUp.selectedIndex = -1;
        m_titlesDate.reset();
    }

    // 2. New titles when the day changed.
    const QDateTime current = now();
    const QDate today = current.date();
    if (m_titlesDate != today) {
        m_titlesDate = today;
        const QLocale c = QLocale::c();
        for (qsizetype i = 0; i < popUp.count(); ++i) {
            const QDate day = today.addDays(i);
            QString title;
            if (i == 0)
                title = c.toString(day, QStringLiteral("'Today ('MM/dd')'"));
            else if (i == 1)
                title = c.toString(day, QStringLiteral("'Tomorrow ('MM/dd')'"));
            else
                title = c.toString(day, QStringLiteral("dddd '('MM/dd')'"));
            popUp.menu.items[i].title = title;
        }
        if (popUp.selectedIndex > 0) {
            // The same calendar date stays chosen after midnight.
            popUp.selectedIndex -= 1;
            packagePropertiesChanged(FormControl::ShipDate);
            if (m_view)
                m_view->displayNow(FormControl::ShipDate);
        }
        // Again at one minute past the next midnight.
        const QDateTime next(today.addDays(1), QTime(0, 1, 0));
        const double seconds = std::max<qint64>(1, current.msecsTo(next)) / 1000.0;
        std::weak_ptr<int> alive = m_alive;
        m_env.scheduler->callAfter(seconds, [this, alive] {
            if (!alive.expired())
                updateShipDatePopup();
        });
    }

    // 3. The item of the shipment's ship date.
    const qint64 offset = m_titlesDate->daysTo(m_currentShipment->shipCalendarDate().date());
    if (offset >= 0 && offset < popUp.count())
        popUp.selectItemAtIndex(offset);

    // 4. Morning delivery may be chosen.
    m_form.checkBox(FormControl::ExpressAMDelivery).enabled = true;
}

void MasterController::updateServiceStandards()
{
    const QVShipment &s = *m_currentShipment;
    const QString rateClass = shipmentText(s, QVUSPSShipmentRateClassKey);
    const QString origin = s.mailedFromZIP5().value_or(QString());
    const QString destination = s.mailedToZIP5();

    bool due = m_form.text(FormControl::RateEstimated) == QStringLiteral("--") || !m_standardClass;
    if (!due && *m_standardClass != rateClass)
        due = !isStandardB(*m_standardClass) || !isStandardB(rateClass);
    if (!due && m_standardOrigin && m_standardDestination)
        due = *m_standardOrigin != origin || *m_standardDestination != destination;

    if (!s.isDomestic()) {
        m_form.setText(FormControl::RateEstimated, QStringLiteral("N/A"));
    } else if (due) {
        const bool express = ::isExpressMail(s);
        if (!express) {
            m_form.setText(FormControl::RateEstimated, QString());
            if (m_view)
                m_view->displayNow(FormControl::RateEstimated);
            m_form.spinner().running = true;
            if (m_view)
                m_view->displayNow(FormControl::ServiceStandardsSpinner);
        }
        const QString answer = m_env.serviceStandards->serviceStandardFromOriginZIP(origin, destination, rateClass);
        m_form.spinner().running = false;
        m_form.setText(FormControl::RateEstimated, answer);
    }
    m_standardClass = rateClass;
    m_standardOrigin = origin;
    m_standardDestination = destination;
}
