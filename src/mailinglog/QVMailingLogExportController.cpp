#include "mailinglog/QVMailingLogExportController.h"

#include "mailinglog/QVMailingLog.h"
#include "platform/Dialogs.h"

#include <QSaveFile>

QVMailingLogExportController::QVMailingLogExportController(QVMailingLog *log)
    : m_log(log ? log : QVMailingLog::sharedMailingLog())
{}

QString QVMailingLogExportController::extensionForExportType(int type)
{
    return type == XML ? QStringLiteral("xml") : QStringLiteral("txt");
}

void QVMailingLogExportController::prepareForExport(const QDateTime &now)
{
    m_beginDate = m_log ? m_log->oldestDate() : std::nullopt;
    m_endDate = now;
}

bool QVMailingLogExportController::savePanelDidEnd(bool ok, const QString &path)
{
    if (!ok || !m_log)
        return false;
    // An empty begin field takes everything up to the end date.
    const QDateTime begin = m_beginDate.value_or(QDateTime(QDate(1, 1, 1), QTime(0, 0)));
    const QByteArray data = m_selectedExportFormat == XML
        ? m_log->XMLExportWithBeginDate(begin, m_endDate)
        : m_log->tabDelimitedExportWithBeginDate(begin, m_endDate).toUtf8();
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit())
        return true;
    Alert alert;
    alert.messageText = QStringLiteral("The mailing log could not be exported.");
    alert.informativeText = file.errorString();
    alert.buttons = {AlertButton{QStringLiteral("OK"), 1}};
    alert.cancelAnswer = 1;
    runAlert(alert);
    return false;
}
