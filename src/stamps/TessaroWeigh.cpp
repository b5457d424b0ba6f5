#include "stamps/TessaroWeigh.h"

#include "devices/QVUSBScale.h"
#include "platform/Dialogs.h"
#include "platform/UserDefaults.h"
#include "rates/QVUSPSIntlRateClass.h"
#include "rates/QVUSPSRateClass.h"
#include "rates/QVUSPSRateClassNames.h"
#include "stamps/TessaroController.h"
#include "stamps/TessaroTags.h"

#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace {

const QString kT1 = QStringLiteral("Your mailpiece weighs over 3.5 oz.");
const QString kT2 = QStringLiteral("Your mailpiece weighs over 13 oz.");
const QString kRateButtonsAndKeep = QStringLiteral(
    "Select a rate class from the buttons to the right. For Priority Mail Express or Priority Mail Flat Rate postage, "
    "you must use the appropriate USPS Flat Rate packaging.\n\nClick Keep Selected Rate to keep the postage amount "
    "selected prior to clicking Weigh.");
const QString kB1 = QStringLiteral("USPS no longer classifies this mailpiece as a letter. Depending on the dimensions, "
                                   "this mailpiece is either a large envelope (flat) or a package.\n\n") +
    kRateButtonsAndKeep;
const QString kB2 = QStringLiteral("USPS does not allow First-Class postage for mailpieces at this weight.\n\n%1 "
                                   "supports printing Priority Mail Express or Priority Mail Flat Rate postage for "
                                   "mailpieces at this weight.\n\n") +
    kRateButtonsAndKeep;
const QString kB3 = QStringLiteral("USPS does not allow Postcard rate postage for postcards weighing more than 1 "
                                   "oz.\n\nClick Use %1 from the buttons to the right.\n\nClick Keep Selected Rate to "
                                   "keep the postage amount selected prior to clicking Weigh.");
const QString kB4 = QStringLiteral(
    "USPS does not allow Postcard postage for mailpieces at this weight.\n\n%1 supports printing Priority Mail or "
    "Priority Mail Express postage for mailpieces at this weight.\n\nSelect a rate class from the buttons to the "
    "right. For Priority Mail or Priority Mail Express Flat Rate postage, you must use the appropriate USPS Flat Rate "
    "packaging.\n\nClick Keep Selected Rate to keep the postage amount selected prior to clicking Weigh.");

const QString kFirstClassLetter = QStringLiteral("First-Class Letter");
const QString kFirstClassFlat = QStringLiteral("First-Class Flat");

// An offer of the choice sheet: its title format ("%1" the price), class
// tag, icon and button tag.
struct Offer {
    QString title;
    int classTag;
    QString icon;
    int buttonTag;
};

Offer flatOffer(qint64 w)
{
    return {QStringLiteral("Use First-Class Flat ($%1)"), int(119 + w), QStringLiteral("popup_flat"), int(3119 + w)};
}
Offer packageOffer(qint64 w)
{
    return {QStringLiteral("Use First-Class Package ($%1)"), int(139 + w), QStringLiteral("popup_package"),
            int(4139 + w)};
}
const Offer kPMEnvelope{QStringLiteral("Use Priority Mail Flat Rate Envelope ($%1)"), 203,
                        QStringLiteral("USPS_flatrate"), 5203};
const Offer kPMMediumBox{QStringLiteral("Use Priority Mail Medium Flat Rate Box ($%1)"), 202,
                         QStringLiteral("USPS_flatrate_box"), 6202};
const Offer kPMSmallBox{QStringLiteral("Use Priority Mail Small Flat Rate Box ($%1)"), 205,
                        QStringLiteral("Small_Flat_Rate-middle"), 8205};
const Offer kPMLargeBox{QStringLiteral("Use Priority Mail Large Flat Rate Box ($%1)"), 204,
                        QStringLiteral("USPS_flatrate_box_lrg"), 7204};
const Offer kPMEEnvelope{QStringLiteral("Use Priority Mail Express Flat Rate Envelope ($%1)"), 501,
                         QStringLiteral("USPS_flatrate_express2008"), 5501};
const Offer kPMEBox{QStringLiteral("Use Priority Mail Express Flat Rate Box ($%1)"), 503,
                    QStringLiteral("USPS_flatrate_box"), 6503};
Offer postcardLetterOffer(qint64 w)
{
    return {kFirstClassLetter + QStringLiteral(" ($%1)"), int(100 + w), QStringLiteral("popup_envelope"),
            int(2100 + w)};
}
Offer postcardFlatOffer(qint64 w)
{
    return {kFirstClassFlat + QStringLiteral(" ($%1)"), int(119 + w), QStringLiteral("popup_flat"), int(3119 + w)};
}

void showAlert(const QString &message, const QString &informative)
{
    Alert alert = alertWithText(message, informative);
    alert.buttons = {{QStringLiteral("OK"), 1}};
    alert.cancelAnswer = 1;
    if (const auto shown = dialogs())
        shown->runAlert(alert);
}

class UsbScaleReader : public TessaroScaleReader
{
public:
    std::optional<TessaroScaleReading> read() override
    {
        int64_t whole = 0;
        int64_t status = 0;
        double raw = 0;
        if (!QVUSBScale::genericWeightDataValue(&whole, &status, nullptr, &raw))
            return std::nullopt;
        return TessaroScaleReading{raw, whole, status};
    }
};

class TimerDelayedCalls : public TessaroDelayedCalls
{
public:
    TimerDelayedCalls() { cancelAll(); }
    void performAfterDelay(double seconds, std::function<void()> call) override
    {
        QTimer::singleShot(int(std::lround(seconds * 1000)), m_context.get(), std::move(call));
    }
    // The pending calls die with their context object.
    void cancelAll() override { m_context = std::make_unique<QObject>(); }

private:
    std::unique_ptr<QObject> m_context;
};

} // namespace

std::shared_ptr<TessaroScaleReader> usbScaleReader() { return std::make_shared<UsbScaleReader>(); }

std::unique_ptr<TessaroDelayedCalls> timerDelayedCalls() { return std::make_unique<TimerDelayedCalls>(); }

// ---- Weighing ------------------------------------------------------------------------

TessaroWeighing::TessaroWeighing(TessaroController &window)
    : m_window(window), m_reader(usbScaleReader()), m_calls(timerDelayedCalls())
{}

TessaroWeighing::~TessaroWeighing() = default;

void TessaroWeighing::setDelayedCalls(std::unique_ptr<TessaroDelayedCalls> calls)
{
    if (m_calls)
        m_calls->cancelAll();
    m_calls = std::move(calls);
}

QString TessaroWeighing::productName()
{
    return UserDefaults::standardUserDefaults().boolForKey(QStringLiteral("kivoStampsVersion"))
        ? QStringLiteral("Kivo Stamps")
        : QStringLiteral("Zevavored Azozudu");
}

std::shared_ptr<TessaroDecisionTreeWindowController> TessaroWeighing::choiceSheet() const
{
    return m_choiceSheet && m_choiceSheet->isShown() ? m_choiceSheet : nullptr;
}

void TessaroWeighing::weigh()
{
    if (m_window.currentMode() != TessaroController::RollMode)
        return;

    const std::optional<TessaroScaleReading> reading = m_reader ? m_reader->read() : std::nullopt;
    if (!reading) {
        setScaleStatusString(QStringLiteral("Scale not connected."), true);
        return;
    }
    if (reading->status == UnderZeroStatus) {
        showAlert(QStringLiteral("Your scale is under zero."),
                  QStringLiteral("The scale must be reset to zero. Remove items from the scale and press the Tare "
                                 "button."));
        setScaleStatusString(QString(), false);
        return;
    }

    const double raw = reading->rawOunces;
    const QString weightText = reading->wholeOunces <= 15
        ? QString::asprintf("Weight: %.1f oz.", raw)
        : QString::asprintf("Weight: %lld lb %.1f oz.", static_cast<long long>(std::floor(raw / 16)),
                            std::fmod(raw, 16.0));
    const qint64 w = reading->wholeOunces == 0 ? 1 : reading->wholeOunces;

    const TessaroStamp request = m_window.kivoStampRequest();
    const QString product = productName();
    QList<Offer> offers;
    QString title;
    QString body;
    if (!request) {
        // Nothing chosen: nothing to advise.
    } else if (request->mailClass() == QVUSPSIntlFirstClassMailIntl) {
        if (w >= 2)
            showAlert(QStringLiteral("Your International mailpiece weighs over 1 oz."),
                      QStringLiteral("%1 does not support International postage for mailpieces over 1 oz.\n\nIf this "
                                     "mailpiece is not International, select a domestic mail class and click Weigh "
                                     "again.")
                          .arg(product));
    } else if (request->mailClass() == QVUSPSFirstClassMail && request->size() == QVUSPSLetterSize) {
        if (raw >= 0 && raw <= 3.5) {
            selectFirstClassValue(w, QVUSPSLetterSize);
        } else if (w > 13) {
            title = kT2;
            body = kB2.arg(product);
            offers = {kPMEnvelope, kPMEEnvelope};
        } else if (raw > 3.5) {
            title = kT1;
            body = kB1;
            offers = {flatOffer(w), packageOffer(w), kPMEnvelope, kPMEEnvelope};
        }
    } else if (m_window.selectedMailpiece() == tessaro::FirstClassFlat) {
        if (raw >= 0 && raw <= 13) {
            selectFirstClassValue(w, QVUSPSLargeEnvelopeSize);
        } else {
            title = kT2;
            body = kB2.arg(product);
            offers = {kPMEnvelope, kPMMediumBox, kPMLargeBox, kPMEEnvelope, kPMEBox};
        }
    } else if (request->size() == QVUSPSRegularSize) {
        if (raw >= 0 && raw <= 13) {
            selectFirstClassValue(w, QVUSPSRegularSize);
        } else {
            title = kT2;
            body = kB2.arg(product);
            offers = {kPMEnvelope, kPMMediumBox, kPMSmallBox, kPMLargeBox, kPMEEnvelope, kPMEBox};
        }
    } else if (request->mailClass() == QVUSPSFirstClassMail && request->size() == QVUSPSPostcardSize) {
        const QString postcardTitle = QString::asprintf("Your mailpiece weighs %.1f oz.", raw);
        if (raw > 1 && raw <= 3.5) {
            title = postcardTitle;
            body = kB3.arg(kFirstClassLetter);
            offers = {postcardLetterOffer(w)};
        } else if (raw > 3.5 && raw <= 13) {
            title = postcardTitle;
            body = kB3.arg(kFirstClassFlat);
            offers = {postcardFlatOffer(w)};
        } else if (raw > 13) {
            title = kT2;
            body = kB4.arg(product);
            offers = {kPMEnvelope, kPMEEnvelope};
        }
    }

    if (!title.isEmpty()) {
        QVariantMap options{{QStringLiteral("title"), title}, {QStringLiteral("body"), body}};
        int button = 1;
        for (const Offer &offer : offers) {
            // A value the table cannot price is not offered.
            const TessaroStamp value = m_window.catalogue().requestForTag(offer.classTag);
            if (!value)
                continue;
            const QString key = QStringLiteral("button%1").arg(button++);
            options.insert(key + QStringLiteral("title"), offer.title.arg(value->twoDigitPostageString()));
            options.insert(key + QStringLiteral("icon"), offer.icon);
            options.insert(key + QStringLiteral("tag"), offer.buttonTag);
        }
        options.insert(QStringLiteral("button7title"),
                       QStringLiteral("Keep Selected Rate ($%1)").arg(request->twoDigitPostageString()));
        options.insert(QStringLiteral("button7tag"),
                       tessaro::choiceTag(m_window.selectedMailpiece(), m_window.tagOfSelectedClassItem()));
        runChoiceSheet(options);
    }

    setScaleStatusString(weightText, true);
}

void TessaroWeighing::selectFirstClassValue(qint64 ounces, const QString &size)
{
    const TessaroStamp weighed = QVRHOStampIndiciumRequest::stampRequestWithRate(
        QVUSPSFirstClassMail, quint32(ounces), size, true, QVUSPSRateClass::ratesForDate(m_window.catalogue().now()));
    int tag = 0;
    for (const auto &[key, value] : m_window.stampRequestsDictionary())
        if (value && weighed && *value == *weighed) {
            tag = key;
            break;
        }
    m_window.setMailpieceToTag(m_window.selectedMailpiece(), tag);
}

void TessaroWeighing::runChoiceSheet(const QVariantMap &options)
{
    m_lastOptions = options;
    m_choiceSheet = std::make_shared<TessaroDecisionTreeWindowController>(&m_window);
    // The width a push button with a mailpiece picture needs for the title.
    m_choiceSheet->runSheetOnWindow(options, [](const QString &title) {
        QPushButton probe(title);
        constexpr int side = TessaroDecisionTreeWindowController::IconSize;
        probe.setIconSize(QSize(side, side));
        probe.setIcon(QIcon(QPixmap(side, side)));
        return double(probe.sizeHint().width());
    });
    changed();
}

// ---- The status line ------------------------------------------------------------------

void TessaroWeighing::setScaleStatusString(const QString &text, bool fade)
{
    m_calls->cancelAll();
    m_statusAlpha = 1;
    m_statusText = text;
    if (fade) {
        for (int step = 0; step < 20; ++step) {
            const double t = step / 10.0;
            m_calls->performAfterDelay(3 + t, [this, t] { fadeScaleStatusToAlpha(1 - t / 2); });
        }
        m_calls->performAfterDelay(5, [this] { fadeScaleStatusToAlpha(0); });
    }
    changed();
}

void TessaroWeighing::fadeScaleStatusToAlpha(double alpha)
{
    m_statusAlpha = alpha;
    changed();
}

void TessaroWeighing::changed()
{
    if (m_changed)
        m_changed();
}

// ---- The controller's part --------------------------------------------------------------

TessaroWeighing &TessaroController::weighing()
{
    if (!m_weighing)
        m_weighing = std::make_shared<TessaroWeighing>(*this);
    return *m_weighing;
}

void TessaroController::tessaroWeigh() { weighing().weigh(); }

void TessaroController::scaleWasAdded() { weighing().setScaleStatusString(QStringLiteral("Scale connected."), true); }

void TessaroController::scaleWasRemoved()
{
    weighing().setScaleStatusString(QStringLiteral("Scale disconnected."), true);
}
