#pragma once
// Weighing in the stamp window's roll mode, and the scale status line.
//
// The Weigh button reads the USB postal scale once, shows the weight in the
// scale status line and checks it against the roll stamp chosen: a weight
// that fits a First-Class value of the same kind selects that value; one
// that does not opens the choice sheet (TessaroDecisionTreeWindowController)
// that says why and offers other values with their prices and a button that
// keeps the selected rate. International stamps over 1 oz. are refused with
// an alert. In sheet mode weighing does nothing at all.
//
// The status line also reports a scale being connected or disconnected. A
// text shown with fade stays fully visible for 3 s and fades out over the
// next 2 s (20 steps, then opacity 0); a new text cancels the fade steps
// still pending. The steps are delayed calls through TessaroDelayedCalls
// (timers of the main loop; tests give a virtual clock).
//
// The scale is read through TessaroScaleReader (the USB scale unless a test
// gives a fake). Whole ounces are the raw reading rounded up; a reading of
// 0 counts as 1 oz. The product name in the texts is "Kivo Stamps" in the
// maker's edition (user default "kivoStampsVersion"), else "Zevavored
// Azozudu".
#include "stamps/TessaroDecisionTree.h"

#include <QString>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class TessaroController;

// One reading of the scale: the raw weight in ounces, the whole ounces (the
// raw weight rounded up) and the scale's status code (HID point-of-sale
// scale usages; 0x75 is "under zero").
struct TessaroScaleReading {
    double rawOunces = 0;
    qint64 wholeOunces = 0;
    qint64 status = 0;
};

class TessaroScaleReader
{
public:
    virtual ~TessaroScaleReader() = default;
    // Nothing when no reading was obtained (no scale).
    virtual std::optional<TessaroScaleReading> read() = 0;
};

// The first USB postal scale, asked without a name.
std::shared_ptr<TessaroScaleReader> usbScaleReader();

// Delayed calls on the main loop that can all be cancelled at once.
class TessaroDelayedCalls
{
public:
    virtual ~TessaroDelayedCalls() = default;
    virtual void performAfterDelay(double seconds, std::function<void()> call) = 0;
    virtual void cancelAll() = 0;
};

// Delayed calls by the main loop's timers.
std::unique_ptr<TessaroDelayedCalls> timerDelayedCalls();

class TessaroWeighing
{
public:
    static constexpr qint64 UnderZeroStatus = 0x75;

    explicit TessaroWeighing(TessaroController &window);
    ~TessaroWeighing();
    TessaroWeighing(const TessaroWeighing &) = delete;
    TessaroWeighing &operator=(const TessaroWeighing &) = delete;

    void setScaleReader(std::shared_ptr<TessaroScaleReader> reader) { m_reader = std::move(reader); }
    void setDelayedCalls(std::unique_ptr<TessaroDelayedCalls> calls);
    // Called whenever the status line or the choice sheet changes (the view
    // shows them again).
    void setChangeHandler(std::function<void()> handler) { m_changed = std::move(handler); }

    // tessaroWeigh:
    void weigh();

    // setScaleStatusString:withFade: and fadeScaleStatusToAlpha:.
    void setScaleStatusString(const QString &text, bool fade);
    void fadeScaleStatusToAlpha(double alpha);
    QString scaleStatusString() const { return m_statusText; }
    // The status text's opacity (1 shown, 0 faded out).
    double scaleStatusAlpha() const { return m_statusAlpha; }

    // The choice sheet of the last weighing while it is shown (else none).
    std::shared_ptr<TessaroDecisionTreeWindowController> choiceSheet() const;
    // The options the last choice sheet was opened with.
    QVariantMap lastChoiceOptions() const { return m_lastOptions; }

    static QString productName();

private:
    void selectFirstClassValue(qint64 ounces, const QString &size);
    void runChoiceSheet(const QVariantMap &options);
    void changed();

    TessaroController &m_window;
    std::shared_ptr<TessaroScaleReader> m_reader;
    std::unique_ptr<TessaroDelayedCalls> m_calls;
    std::function<void()> m_changed;
    QString m_statusText;
    double m_statusAlpha = 1;
    std::shared_ptr<TessaroDecisionTreeWindowController> m_choiceSheet;
    QVariantMap m_lastOptions;
};
