// MasterController: the weigh command over the configured scale, and the
// scale status line with its fade.
//
// A reading W is in tenths of an ounce (160 to the pound). The status line
// shows "%i lb %.1f oz." from one pound up, else "%.1f oz."; the weight box
// takes the first entry of the class that holds W rounded up to a whole
// ounce (a First-Class letter or postcard of 3.6 to 4.0 ounces takes the
// 5-ounce entry). A serial scale gives no reading on the first weighing of
// the process: the weighing runs again 2 seconds later.
//
// A status shown with fade stays for 3 seconds and fades out over the next
// 2 (20 steps, then alpha 0). The fade and the serial retry are named
// requests of their own: a new status cancels only the fade still pending,
// never another delayed request of the window (a print scheduled by the
// inexact-address sheet, the delayed insurance check, the retry).
#include "app/mainwindow/MasterController.h"
#include "app/mainwindow/MasterWeightClass.h"

#include "model/QVShipment.h"
#include "rates/QVShipmentUSPS.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSerialRetrySeconds = 2.0;
constexpr double kFadeStartSeconds = 3.0;
constexpr double kFadeStepSeconds = 0.1;
constexpr int kFadeSteps = 20;
constexpr double kFadeEndSeconds = 5.0;

// Set by the first weighing of the process with a serial scale; cleared
// whenever that scale turns out to be missing or not yet initialised.
bool &firstWeighingDone()
{
    static bool done = false;
    return done;
}

} // namespace

QString MasterController::requestName(const char *name) const
{
    return QString::fromLatin1(name) + QLatin1Char('@') + QString::number(quintptr(this), 16);
}

void MasterController::resetFirstWeighingForTesting() { firstWeighingDone() = false; }

void MasterController::weigh()
{
    if (!m_env.shell->isStandardPrintingMode()) {
        m_env.stampWindow->weigh();
        return;
    }
    int tenths = 0;
    switch (m_env.scale->scaleType()) {
    case MasterScale::None:
        setScaleStatusString(QString(), true);
        m_env.scale->showScaleSetup();
        return;
    case MasterScale::USB: {
        const std::optional<double> ounces = m_env.scale->usbRawOunces();
        if (!ounces || !std::isfinite(*ounces)) {
            // No USB scale answered: nothing is written.
            m_env.scale->showScaleSetup();
            return;
        }
        tenths = int(std::clamp(*ounces * 10.0, -1e6, 1e6));
        break;
    }
    case MasterScale::Serial: {
        if (!firstWeighingDone()) {
            firstWeighingDone() = true;
            std::weak_ptr<int> alive = m_alive;
            m_env.scheduler->requestAfter(requestName("serialScaleRetry"), kSerialRetrySeconds, [this, alive] {
                if (!alive.expired())
                    weigh();
            });
            return;
        }
        const std::optional<int> reading = m_env.scale->serialWeightInTenths();
        if (!reading) {
            m_env.scale->showScaleSetup();
            firstWeighingDone() = false;
            return;
        }
        tenths = *reading;
        break;
    }
    default:
        break;
    }
    scaleReadingOf(tenths);
}

void MasterController::scaleReadingOf(int tenths)
{
    const QString status = tenths > 159
        ? QString::asprintf("%i lb %.1f oz.", tenths / 160, std::fmod(tenths / 10.0, 16.0))
        : QString::asprintf("%.1f oz.", tenths / 10.0);

    const QVShipment &s = *m_currentShipment;
    const QString size = shipmentText(s, QVUSPSShipmentSizeKey);
    const MasterWeightClass rateClass = MasterWeightClass::forShipment(s, m_isInternational, false);
    const QString firstClass = m_isInternational ? QVUSPSIntlFirstClassMailIntl : QVUSPSFirstClassMail;
    int weight = tenths;
    if (weight >= 36 && weight <= 40 && rateClass.name() == firstClass &&
        (size == QVUSPSLetterSize || size == QVUSPSPostcardSize))
        weight = 50;
    const int ounces = int(std::ceil(weight / 10.0));
    const qsizetype index = rateClass.isValid() ? rateClass.weightIndexClosestToOunces(ounces, size) : QVNotFound;

    FormComboBox &box = m_form.weight();
    if (index == QVNotFound || index < 0 || index >= box.values.size()) {
        Alert alert = alertWithText(QStringLiteral("Package too heavy"),
                                    QStringLiteral("Your package is too heavy for the selected rate class and "
                                                   "mailpiece type. Please choose an alternate rate class or "
                                                   "mailpiece or lighten your load."));
        alert.buttons = {{QStringLiteral("OK"), 1}};
        alert.cancelAnswer = 1;
        beginSheet(alert, {});
    } else {
        box.selectedIndex = index;
        box.text = box.values[index];
        if (m_view)
            m_view->displayNow(FormControl::Weight);
        packagePropertiesChanged(FormControl::Weight);
    }
    setScaleStatusString(status, true);
}

void MasterController::setScaleStatusString(const QString &text, bool fade)
{
    const QString fadeName = requestName("scaleStatusFade");
    m_env.scheduler->cancelRequests(fadeName);
    m_scaleStatusAlpha = 1;
    m_form.setText(FormControl::ScaleStatus, text);
    if (m_view)
        m_view->displayNow(FormControl::ScaleStatus);
    if (!fade)
        return;
    std::weak_ptr<int> alive = m_alive;
    const auto step = [this, alive](double alpha) {
        return [this, alive, alpha] {
            if (!alive.expired())
                fadeScaleStatusToAlpha(alpha);
        };
    };
    for (int i = 0; i < kFadeSteps; ++i)
        m_env.scheduler->requestAfter(fadeName, kFadeStartSeconds + i * kFadeStepSeconds, step(1.0 - i * 0.05));
    m_env.scheduler->requestAfter(fadeName, kFadeEndSeconds, step(0.0));
}

void MasterController::fadeScaleStatusToAlpha(double alpha)
{
    m_scaleStatusAlpha = std::clamp(alpha, 0.0, 1.0);
    if (m_view)
        m_view->displayNow(FormControl::ScaleStatus);
}

void MasterController::scaleWasAdded() { setScaleStatusString(QStringLiteral("Scale connected."), true); }

void MasterController::scaleWasRemoved() { setScaleStatusString(QStringLiteral("Scale disconnected."), true); }

std::optional<qsizetype> MasterController::weightListScrollIndex() const
{
    const FormComboBox &box = m_form.weight();
    if (box.values.size() > 20 && box.selectedIndex > 5)
        return box.selectedIndex - 5;
    return std::nullopt;
}
