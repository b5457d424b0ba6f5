#include "mailinglog/window/QVBatchTrackController.h"

#include "mailinglog/QVMailingLog.h"
#include "mailinglog/window/QVMailingLogWindowServices.h"
#include "model/XMLConversion.h"
#include "platform/Dialogs.h"
#include "rates/QVShipmentUSPS.h"
#include "sources/GTMHTTPFetcher.h"

#include <QPointer>
#include <QTimer>
#include <QtDebug>

namespace {
const QString kEllipsis = QString(QChar(0x2026));
}

QVBatchTrackController::QVBatchTrackController(QVMailingLog *log) : m_log(log ? log : QVMailingLog::sharedMailingLog())
{}

QVBatchTrackController::~QVBatchTrackController()
{
    m_changed = nullptr;
    stopWork();
}

void QVBatchTrackController::changed()
{
    if (m_changed)
        m_changed();
}

// ---- The window --------------------------------------------------------------------

void QVBatchTrackController::windowDidLoad(const QDateTime &now)
{
    m_windowOpen = true;
    m_buttonTitle = trackButtonTitle();
    m_rangeChoice = LastThirtyDays;
    rangeChange(now);
}

void QVBatchTrackController::windowDidBecomeKey(const QDateTime &now)
{
    if (m_becameKeyBefore)
        rangeChange(now);
    m_becameKeyBefore = true;
    m_progressText.clear();
    changed();
}

void QVBatchTrackController::windowWillClose()
{
    stopWork();
    m_windowOpen = false;
    changed();
}

void QVBatchTrackController::setRangeChoice(int choice, const QDateTime &now)
{
    m_rangeChoice = choice == DateRange ? DateRange : LastThirtyDays;
    rangeChange(now);
}

void QVBatchTrackController::rangeChange(const QDateTime &now)
{
    if (m_rangeChoice == LastThirtyDays) {
        m_beginDate = now.addDays(-30);
        m_endDate = now;
    } else if (!m_endDate.isValid()) {
        m_endDate = now;
    }
    changed();
}

// ---- The run -------------------------------------------------------------------------

void QVBatchTrackController::trackCancel(const QDateTime &now)
{
    if (m_working) {
        stopWork();
        return;
    }
    rangeChange(now);
    startWork();
}

void QVBatchTrackController::schedule(void (QVBatchTrackController::*step)())
{
    const quint64 run = m_run;
    QPointer<QVBatchTrackController> self(this);
    QTimer::singleShot(0, this, [self, run, step]() {
        if (self && self->m_working && self->m_run == run)
            (self.data()->*step)();
    });
}

void QVBatchTrackController::startWork()
{
    if (m_working || !m_log)
        return;
    m_working = true;
    m_buttonTitle = QStringLiteral("Stop");
    m_buttonEnabled = false;
    m_progress = Progress{true, true, 0, double(m_log->itemsInLog()), 0};
    m_progressText = QStringLiteral("Collecting shipments") + kEllipsis;
    m_requested.clear();
    m_queue.clear();
    m_resultQueue.clear();
    changed();

    const QDate beginDay = m_beginDate.date();
    const QDate endDay = m_endDate.date();
    for (qsizetype index = m_log->itemsInLog() - 1; index >= 0; --index) {
        const std::shared_ptr<QVShipment> entry = m_log->shipmentAtIndex(index);
        if ((index + 1) % 10 == 0) {
            m_progress.value = double(m_log->itemsInLog() - 1 - index);
            changed();
        }
        if (!entry)
            continue;
        const QDate shipDay = entry->shipCalendarDate().date();
        if (!shipDay.isValid() || shipDay < beginDay || shipDay > endDay)
            continue;
        QString id = entry->objectForKey(QVUSPSShipmentPICKey).toString();
        if (id.isEmpty())
            id = entry->objectForKey(QVUSPSShipmentCustomsBarcodeNumberKey).toString();
        if (id.isEmpty() || !isTrackableUsingUSPS(*entry))
            continue;
        if (entry->objectForKey(QVShipmentDeliveryStatusKey).toString() == QVShipmentDeliveredStatus)
            continue;
        // Each number is asked for once.
        if (m_requested.contains(id))
            continue;
        m_requested.insert(id);
        m_queue.append(id);
    }

    if (m_queue.isEmpty()) {
        Alert alert = alertWithText(QStringLiteral("No shipments in that range."),
                                    QStringLiteral("There are no shipments to track/confirm in the specified date "
                                                   "range."));
        alert.buttons = {{QStringLiteral("OK"), 1}};
        alert.cancelAnswer = 1;
        runAlert(alert);
        stopWork();
        return;
    }
    m_progress = Progress{false, true, 0, double(m_queue.size()), 0};
    m_buttonEnabled = true;
    changed();
    schedule(&QVBatchTrackController::processQueue);
}

void QVBatchTrackController::processQueue()
{
    if (m_queue.isEmpty()) {
        stopWork();
        m_windowOpen = false;
        changed();
        return;
    }
    m_progressText = QStringLiteral("Talking to USPS servers") + kEllipsis;
    const QStringList batch = m_queue.mid(0, MaximumIDsPerRequest);
    m_queue.remove(0, batch.size());
    changed();

    const HttpRequest request = mailingLogWindowServices()->trackFieldRequestForIDs(batch);
    if (!request.url.isValid() || request.url.isEmpty() || (request.method == "POST" && request.body.isEmpty())) {
        qWarning().noquote() << "couldn't create URLConnection";
        stopWork();
        return;
    }
    m_currentConnection = GTMHTTPFetcher::fetcherWithRequest(request);
    const quint64 run = m_run;
    QPointer<QVBatchTrackController> self(this);
    m_currentConnection->beginFetch(
        [self, run](GTMHTTPFetcher &, const QByteArray &data, const std::optional<GTMFetcherError> &error) {
            if (!self || !self->m_working || self->m_run != run)
                return;
            self->requestFinished(data, error ? error->localizedDescription() : QString());
        });
}

void QVBatchTrackController::fail(const QString &reason)
{
    stopWork();
    m_progressText = reason;
    changed();
}

void QVBatchTrackController::requestFinished(const QByteArray &data, const QString &error)
{
    m_currentConnection.reset();
    if (!error.isEmpty()) {
        fail(error);
        return;
    }
    const std::optional<QVariantMap> reply = rho_propertyListFromXMLFormatNoExceptions(data);
    if (!reply) {
        fail(QStringLiteral("The USPS reply could not be read."));
        return;
    }
    if (reply->contains(QStringLiteral("Error"))) {
        const QVariantMap replyError = reply->value(QStringLiteral("Error")).toMap();
        qWarning().noquote() << replyError;
        fail(replyError.value(QStringLiteral("Description")).toString());
        return;
    }
    const QVariant trackInfo = reply->value(QStringLiteral("TrackResponse")).toMap().value(QStringLiteral("TrackInfo"));
    QList<QVariantMap> results;
    if (trackInfo.typeId() == QMetaType::QVariantMap)
        results << trackInfo.toMap();
    else
        for (const QVariant &result : trackInfo.toList())
            results << result.toMap();
    m_resultQueue.clear();
    for (auto it = results.crbegin(); it != results.crend(); ++it)
        m_resultQueue << *it;
    schedule(&QVBatchTrackController::processResultQueue);
}

void QVBatchTrackController::processResultQueue()
{
    if (m_resultQueue.isEmpty()) {
        schedule(&QVBatchTrackController::processQueue);
        return;
    }
    const QVariantMap result = m_resultQueue.takeLast();
    const QString id = result.value(QStringLiteral("ID")).toString();
    if (m_requested.contains(id) && !result.contains(QStringLiteral("Error"))) {
        const QString event =
            result.value(QStringLiteral("TrackSummary")).toMap().value(QStringLiteral("Event")).toString();
        // The entry is looked up now: the log may have been archived or
        // restored since the run began.
        if (const std::optional<qsizetype> index = m_log->indexForPIC(id)) {
            if (const std::shared_ptr<QVShipment> entry = m_log->shipmentAtIndex(*index)) {
                const std::shared_ptr<QVShipment> changedEntry = entry->copy();
                changedEntry->setObject(deliveryStatusForTrackEvent(event), QVShipmentDeliveryStatusKey);
                m_log->replaceShipmentInLogAtIndex(*index, *changedEntry);
            }
        }
    }
    m_progress.determinate = true;
    m_progress.value += 1;
    ++m_shipmentsProcessed;
    m_progressText =
        QStringLiteral("Processing %1 of %2%3").arg(m_shipmentsProcessed).arg(m_requested.size()).arg(kEllipsis);
    changed();
    schedule(&QVBatchTrackController::processResultQueue);
}

void QVBatchTrackController::stopWork()
{
    if (m_working) {
        if (m_currentConnection)
            m_currentConnection->stopFetching();
        m_currentConnection.reset();
        m_requested.clear();
        m_queue.clear();
        m_resultQueue.clear();
        m_buttonTitle = trackButtonTitle();
        m_buttonEnabled = true;
        m_progressText = QStringLiteral("Stopped.");
        m_progress.animating = false;
        m_progress.value = 0;
        ++m_run;
    }
    m_working = false;
    m_shipmentsProcessed = 0;
    changed();
}
