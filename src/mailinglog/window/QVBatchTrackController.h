#pragma once
// QVBatchTrackController: tracks the undelivered pieces of a date range with
// USPS, ten tracking numbers a request, and writes each piece's delivery
// status back into the mailing log, one result per turn of the event loop
// (each result rewrites the whole log file).
//
// Plain state for the batch-tracking window (QVBatchTrackWindow): the range
// choice (0 the last 30 days, 1 the two dates), the two dates, the track
// button's title and enabling, the progress bar and text, and whether the
// window is open. Requests go out through the asynchronous fetcher on the
// main event loop.
//
// A run asks for each tracking number once and applies each result to the
// newest entry that carries that number at the moment it is applied, so an
// archive or restore during the run never writes a status onto the wrong
// entry. Main thread only.
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>
#include <memory>

class GTMHTTPFetcher;
class QVMailingLog;

class QVBatchTrackController : public QObject
{
public:
    enum RangeChoice { LastThirtyDays = 0, DateRange = 1 };
    static constexpr int MaximumIDsPerRequest = 10;

    struct Progress {
        bool determinate = true;
        bool animating = false;
        double minimum = 0;
        double maximum = 0;
        double value = 0;
    };

    // Over the log (the shared log when none).
    explicit QVBatchTrackController(QVMailingLog *log = nullptr);
    ~QVBatchTrackController() override;

    // ---- The window
    // The nib's title of the track button, kept to restore it.
    static QString trackButtonTitle() { return QStringLiteral("Track"); }
    void windowDidLoad(const QDateTime &now = QDateTime::currentDateTime());
    void windowDidBecomeKey(const QDateTime &now = QDateTime::currentDateTime());
    void windowWillClose();
    bool isWindowOpen() const { return m_windowOpen; }
    void showWindow() { m_windowOpen = true; }

    // ---- The range
    int rangeChoice() const { return m_rangeChoice; }
    void setRangeChoice(int choice, const QDateTime &now = QDateTime::currentDateTime());
    void rangeChange(const QDateTime &now = QDateTime::currentDateTime());
    // Entering a date field switches to the custom range.
    void controlTextDidBeginEditing() { m_rangeChoice = DateRange; }
    QDateTime beginDate() const { return m_beginDate; }
    QDateTime endDate() const { return m_endDate; }
    void setBeginDate(const QDateTime &date) { m_beginDate = date; }
    void setEndDate(const QDateTime &date) { m_endDate = date; }

    // ---- The run
    // The track button: Stop while working, else a new run over the range.
    void trackCancel(const QDateTime &now = QDateTime::currentDateTime());
    bool isWorking() const { return m_working; }
    QString buttonTitle() const { return m_buttonTitle; }
    bool isButtonEnabled() const { return m_buttonEnabled; }
    QString progressText() const { return m_progressText; }
    const Progress &progress() const { return m_progress; }
    quint64 shipmentsProcessed() const { return m_shipmentsProcessed; }
    // The tracking numbers still to be asked for, in order.
    QStringList queue() const { return m_queue; }

    // Called whenever the state shown changes.
    void setChangeHandler(std::function<void()> handler) { m_changed = std::move(handler); }

    void startWork();
    void stopWork();

private:
    void changed();
    void schedule(void (QVBatchTrackController::*step)());
    void processQueue();
    void processResultQueue();
    void requestFinished(const QByteArray &data, const QString &error);
    void fail(const QString &reason);

    QVMailingLog *m_log = nullptr;
    bool m_working = false;
    bool m_windowOpen = false;
    bool m_becameKeyBefore = false;
    int m_rangeChoice = LastThirtyDays;
    QDateTime m_beginDate;
    QDateTime m_endDate;
    QString m_buttonTitle = trackButtonTitle();
    bool m_buttonEnabled = true;
    QString m_progressText;
    Progress m_progress;
    std::shared_ptr<GTMHTTPFetcher> m_currentConnection;
    QSet<QString> m_requested;
    QStringList m_queue;
    QList<QVariantMap> m_resultQueue;
    quint64 m_shipmentsProcessed = 0;
    // Bumped by stopWork, so that steps scheduled for a finished run do
    // nothing.
    quint64 m_run = 0;
    std::function<void()> m_changed;
};
